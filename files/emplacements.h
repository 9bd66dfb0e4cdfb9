#pragma once

#include <QString>
#include <QStringList>

// Where the program finds its manual and keeps its preferences. A build tree and a
// portable copy hold both beside the program; an installed copy has its manual in
// PREFIX/share/marlisse beside PREFIX/bin and keeps preferences in the user's own
// configuration folder, as does a copy whose folder cannot be written.
namespace Emplacements {

// The help folder: "AideMarlisse" beside the program when it holds a manual, else
// the installed one, ../share/marlisse/AideMarlisse from the program's folder; the
// folder beside the program when neither holds one.
QString dossierAide(const QString &programDir);

// The two folders dossierAide() looks in, in that order.
QStringList dossiersAideCherches(const QString &programDir);

// True for an installed copy: its manual is not beside it but in
// ../share/marlisse. Such a copy never keeps preferences in its own folder, even
// when it can write there (run as root, it would leave marlisse.opt in /usr/bin,
// which removing the package does not take away).
bool copieInstallee(const QString &programDir);

// True when a file can really be created and written in folder. The attempt is
// made: permission bits say nothing to root, nor about a full disk or a read-only
// mount.
bool dossierInscriptible(const QString &folder);

// marlisse.opt in the user's configuration folder, for a program folder that
// cannot be written; empty when the system names no such folder.
QString fichierOptionsUtilisateur();

} // namespace Emplacements
