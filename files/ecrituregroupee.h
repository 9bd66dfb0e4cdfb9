#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes many files whole at once. Each file's new content is written beside it
// first, under a hidden name; once all of them are written, one flush puts them
// all on the disk, and only then does each take its file's place, by a rename,
// which is whole or nothing. A file is thus never half written, even if the
// program or the machine stops on the way, and a failure while writing (a full
// disk, a folder that cannot be written) leaves every file as it was.
// ecritureComplete() flushes each file on its own: some milliseconds each, so
// seconds for the thousand files of a site. Safe on any thread.
class EcritureGroupee
{
public:
    EcritureGroupee() = default;
    // Removes what was written and not put in place.
    ~EcritureGroupee();
    EcritureGroupee(const EcritureGroupee &) = delete;
    EcritureGroupee &operator=(const EcritureGroupee &) = delete;

    // Writes bytes beside fileName (the end of its symbolic links), with its
    // permissions and owner. False, with the system's reason, on failure.
    bool prepare(const QString &fileName, const QByteArray &bytes, QString *reason);
    qsizetype size() const { return prepares.size(); }

    // Puts everything written so far on the disk, these files and any other.
    static void synchronise();

    // Puts the prepared file i in its place: false, with the system's reason, when
    // it could not be (the file then stays as it was).
    bool remplace(qsizetype i, QString *reason);
    // Removes the prepared file i: its file stays as it was.
    void laisse(qsizetype i);
    // Removes every prepared file not yet put in place.
    void abandonne();

private:
    struct Prepare
    {
        QString cible;
        QString temporaire; // "" once put in place or removed
    };
    QList<Prepare> prepares;
};
