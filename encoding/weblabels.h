#pragma once

#include <QByteArray>
#include <QStringView>

#include <optional>

// The labels of the WHATWG Encoding Standard: the names a browser follows in a
// page, each standing for one of the standard's encodings.
namespace WebLabels {

// The encoding a label stands for, as the standard names it ("windows-1252" for
// "latin1"), found as the standard finds it: ASCII whitespace around the label
// left out (and nothing else: a no-break space or a vertical tab makes it no
// label), any case; nothing for a name that is no label.
std::optional<QByteArray> encodingOf(QStringView label);

} // namespace WebLabels
