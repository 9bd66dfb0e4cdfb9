#include "lineends.h"

#include "documentcodec.h"

#include <QStringList>

#include <algorithm>

namespace LineEnds {

namespace {

bool isBreak(char16_t unit)
{
    return unit == u'\n' || DocumentCodec::isLineBreak(unit);
}

} // namespace

bool Survey::mixed() const
{
    return (lf > 0) + (crlf > 0) + (cr > 0) > 1;
}

QString Survey::counts() const
{
    // The most used first, as the convention.
    QList<std::pair<qsizetype, Convention>> used
        = {{lf, Convention::LF}, {crlf, Convention::CRLF}, {cr, Convention::CR}};
    std::stable_sort(used.begin(), used.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList parts;
    for (const auto &[count, convention] : used) {
        if (count > 0)
            parts << QString::number(count) + QLatin1Char(' ') + label(convention);
    }
    return parts.join(QLatin1String(", "));
}

Survey toLineFeeds(QString &text)
{
    Survey survey;
    const qsizetype firstReturn = text.indexOf(QLatin1Char('\r'));
    const qsizetype size = text.size();
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype unchanged = firstReturn < 0 ? size : firstReturn;
    survey.lf = std::count(units, units + unchanged, u'\n');
    if (firstReturn >= 0) {
        // Each line end becomes one line feed: the text only gets shorter, in place.
        char16_t *data = reinterpret_cast<char16_t *>(text.data());
        qsizetype out = firstReturn;
        for (qsizetype in = firstReturn; in < size; ++in) {
            const char16_t unit = data[in];
            if (unit == u'\r') {
                if (in + 1 < size && data[in + 1] == u'\n') {
                    ++survey.crlf;
                    ++in;
                } else {
                    ++survey.cr;
                }
                data[out++] = u'\n';
                continue;
            }
            if (unit == u'\n')
                ++survey.lf;
            data[out++] = unit;
        }
        text.truncate(out);
    }
    if (survey.crlf > survey.lf && survey.crlf >= survey.cr)
        survey.convention = Convention::CRLF;
    else if (survey.cr > survey.lf && survey.cr > survey.crlf)
        survey.convention = Convention::CR;
    return survey;
}

QString withLineEnds(QString text, Convention convention)
{
    if (convention == Convention::LF)
        return text;
    const qsizetype size = text.size();
    if (convention == Convention::CR) {
        // One character for one: the text keeps its size.
        char16_t *data = reinterpret_cast<char16_t *>(text.data());
        std::replace_if(data, data + size, isBreak, u'\r');
        return text;
    }
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype breaks = std::count_if(units, units + size, isBreak);
    if (breaks == 0)
        return text;
    QString written(size + breaks, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(written.data());
    for (qsizetype i = 0; i < size; ++i) {
        if (isBreak(units[i])) {
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = units[i];
        }
    }
    return written;
}

QString label(Convention convention)
{
    switch (convention) {
    case Convention::CRLF:
        return QStringLiteral("CR LF");
    case Convention::CR:
        return QStringLiteral("CR");
    case Convention::LF:
        break;
    }
    return QStringLiteral("LF");
}

std::optional<Convention> fromLabel(QStringView text)
{
    for (const Convention convention : {Convention::LF, Convention::CRLF, Convention::CR}) {
        if (text == label(convention))
            return convention;
    }
    return std::nullopt;
}

} // namespace LineEnds
