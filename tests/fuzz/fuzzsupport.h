#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken property is a crash for libFuzzer: it keeps the input that broke it.
#define FUZZ_CHECK(condition, ...)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property broken: %s\n", #condition);                             \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fprintf(stderr, "\n");                                                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Every fuzzer runs headless.
inline void fuzzHeadless()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.qpa.*=false");
}

// Text made of the input: two bytes a UTF-16 unit when the first byte is odd,
// otherwise one byte a Latin-1 character, so that both kinds of input are common.
inline QString fuzzText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0x80) && (b & 1) && i + 1 < bytes.size()) {
            text += QChar(char16_t((b << 8) | static_cast<unsigned char>(bytes[i + 1])));
            ++i;
        } else {
            text += QChar(char16_t(b));
        }
    }
    return text;
}

// The text with every lone surrogate replaced by U+FFFD: no file and no keyboard
// gives half a pair, and regular expressions refuse to match anything on a line
// that holds one.
inline QString validUtf16(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(unit))
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}
