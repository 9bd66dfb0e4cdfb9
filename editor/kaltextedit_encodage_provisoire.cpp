// The document's encoding, until documents have encodings of their own: every
// document is ISO 8859-1.

#include "kaltextedit.h"

namespace {

const QString seulCodage = QStringLiteral("ISO 8859-1");

} // namespace

QString KalTextEdit::documentEncodingName() const
{
    return seulCodage;
}

bool KalTextEdit::setDocumentEncodingName(const QString &name)
{
    return name == seulCodage;
}
