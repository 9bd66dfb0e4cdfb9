#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <functional>

// The tags of a page's source as a browser's tokenizer finds them, without the
// tree: comments, declarations and the content of script, style and the like are
// passed over, attribute values are given as written. Enough to find the links
// and names of a page and to count how deep its tags nest, at the speed of one
// pass over the text.
namespace Verification {

struct Attribut
{
    QStringView nom; // as written
    QStringView valeur; // without its quotes, character references not decoded
    qsizetype position = 0; // of the value's first character, or of the name without value
};

struct Balise
{
    QString nom; // in lower case
    bool fermante = false; // </nom>
    bool autoFermee = false; // <nom ... />
    qsizetype position = 0; // of its '<'
    qsizetype fin = 0; // after its '>', or the text's end
    QVarLengthArray<Attribut, 8> attributs;
};

// Calls visite for each tag of texte, in order.
void parcourtBalises(QStringView texte, const std::function<void(const Balise &)> &visite);

// An attribute value with its character references decoded as the HTML standard
// decodes them in an attribute: every named reference of its table, numeric
// ones (those of 0x80–0x9F as windows-1252 has them, those that name no
// character as U+FFFD), the ';' optional where the standard allows it.
QString decodeReferences(QStringView valeur);

} // namespace Verification
