#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

// The legacy encodings of the WHATWG Encoding Standard, which give the labels of
// a page the meaning browsers give them ("iso-8859-1" is windows-1252, "euc-kr"
// is Microsoft's code page 949). Each goes through the ICU converter that reads
// and writes it exactly as the standard's index, where one does
// (scripts/webencodings.sh found which, encoding/web/converters.txt lists them),
// or through the standard's index itself, a table of encoding/web/.
namespace WebEncodings {

// The ICU converter that an encoding of the standard ("windows-1252", "EUC-KR",
// as the standard names them) goes through: its name ("ibm-5348_P100-1997"), or
// an empty name for one read through its index; nothing for a name that is not
// a legacy encoding of the standard.
std::optional<QByteArray> converter(QByteArrayView name);

// The bytes a file writes a character with, for the characters of an encoding
// that its index holds more than once (Shift_JIS has its NEC and IBM rows) or
// that its encoder does not write (the HKSCS characters of Big5, the user-defined
// characters of Shift_JIS), when the file uses other bytes than the encoder
// would: kept with the document, so that an unchanged file is written back as
// it was read.
struct Forms
{
    QHash<char32_t, QByteArray> bytes;
};

// The text of bytes in an encoding read through its index, as the standard's
// decoder reads them. Nothing at the first sequence that the decoder finds in
// error, or when the file writes one character with two different sequences
// (neither can then be written back). forms, when given, receives the file's
// own forms (null when it has none).
std::optional<QString> decode(QByteArrayView name, QByteArrayView bytes,
                              std::shared_ptr<const Forms> *forms = nullptr);

// The bytes of text in an encoding read through its index: each character as
// the standard's encoder writes it, or in its form in forms; the characters that
// the editing widget holds as line breaks as line feeds. A character that the
// encoding lacks is written, when htmlReferences is set, as the numeric
// reference "&#N;" (half a surrogate pair is U+FFFD), counted in referenced;
// otherwise as "?", counted in lost.
QByteArray encode(QByteArrayView name, QStringView text, const Forms *forms, bool htmlReferences,
                  int *lost, int *referenced);

} // namespace WebEncodings
