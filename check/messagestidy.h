#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// HTML Tidy's messages as Marlisse shows them. Tidy 5.6 knows HTML5 only in part:
// the messages it gives that are wrong for today's pages are dropped; and its
// French, in the messages seen most, misleads ("inhibition de valeur inattendue"
// for a tag it drops): those get Marlisse's own text, the others keep Tidy's.
// Each message is known by its key (tidyGetMessageKey) and its arguments, in the
// order of its English text.
namespace Verification {

// The options that Tidy runs with, named as the tidy program takes them
// ("--name value"): the report only, in HTML5.
const std::vector<std::pair<QByteArray, QByteArray>> &optionsTidy();

// Whether the message is wrong for HTML5. ici gives, for the few messages that
// need them, the page's UTF-8 bytes from the message's place on to the end of the
// tag that starts there (the entity of a message about an entity stands first).
bool messageEcarte(QByteArrayView cle, const QStringList &arguments,
                   const std::function<QByteArrayView()> &ici);

// Marlisse's French for the message, or "" for Tidy's own.
QString texteMarlisse(QByteArrayView cle, const QStringList &arguments);
// Whether Marlisse has its own French for the key.
bool aSonTexte(QByteArrayView cle);

} // namespace Verification
