#pragma once

#include <QString>
#include <QStringList>

// The user's settings beyond marlisse.opt (whose seven lines keep their format):
// marlisse.conf in the user's configuration folder (~/.config/marlisse/). Each
// setting has its name and default here and nowhere else. The file is read again
// at each call, so that two programs open at once see each other's changes; a file
// that cannot be read, or a value that makes no sense, gives the default.
namespace Reglages {

// Typing ">" at the end of an opening tag inserts its closing tag.
bool fermerBalises();
void setFermerBalises(bool on);

// The names of elements, attributes and character references offered as they are typed.
bool completion();
void setCompletion(bool on);

// The margin of line numbers at the left of the text.
bool numerosLigne();
void setNumerosLigne(bool on);

// Long lines wrapped at the width of the view, rather than scrolled sideways.
bool retourLigne();
void setRetourLigne(bool on);

// The files most recently opened or saved, newest first, at most maxRecents.
constexpr int maxRecents = 10;
QStringList fichiersRecents();
// Puts fileName first, once, and keeps the newest maxRecents.
void ajouteFichierRecent(const QString &fileName);
void retireFichierRecent(const QString &fileName);
void effaceFichiersRecents();

// The encodings that the user chose for files ("Rouvrir avec l'encodage", or a save
// in another encoding), by the label the editor shows, so that such a file is read
// in it again: newest first, at most maxEncodages files.
constexpr int maxEncodages = 100;
// The encoding chosen for fileName; empty when none was.
QString encodageRetenu(const QString &fileName);
void retientEncodage(const QString &fileName, const QString &encodage);
void oublieEncodage(const QString &fileName);

} // namespace Reglages
