#pragma once

#include "documentfile.h"

#include <QByteArray>
#include <QString>

#include <future>
#include <optional>

// What a document's file was on disk when the document last read or wrote it, so
// that a save can tell whether another program changed the file since.
struct EtatFichier
{
    // The file's size and modification time as the file system gives them.
    struct Disque
    {
        qint64 taille = 0;
        qint64 modification = 0; // nanoseconds since 1970 UTC
    };

    QString chemin;
    // Where a write to chemin landed then, at the end of its links; empty when
    // not known (a journal).
    QString cible;
    qint64 taille = -1; // -1: only the time is known (a journal of an older version)
    qint64 modification = 0; // nanoseconds since 1970 UTC
    // The SHA-1 of the bytes, computed on another thread: a large file's takes tens
    // of milliseconds. Invalid when it is not known.
    std::shared_future<QByteArray> empreinte;

    // Nothing is known: a document that has no file.
    bool vide() const { return chemin.isEmpty(); }
    // The SHA-1, waiting for it if needed; empty when it is not known.
    QByteArray empreinteCalculee() const;

    // The file at chemin, which holds octets: they were just read from it or
    // written to it. disque is its size and time then, taken from the file that
    // holds them; without it they are asked of the file system now.
    static EtatFichier de(const QString &chemin, const QByteArray &octets,
                          const std::optional<DocumentFile::Stamp> &disque = std::nullopt);
    // A state kept elsewhere (in the journal).
    static EtatFichier connu(const QString &chemin, qint64 taille, qint64 modification,
                             const QByteArray &empreinte);

    // The file as it is now on disk; nothing when it does not exist.
    static std::optional<Disque> surDisque(const QString &chemin);
    // Where a write to chemin lands now: the file at the end of its links.
    static QString destination(const QString &chemin);
    // The file a write to chemin would reach now, when it is another than the one
    // known: a link was put in its place, or moved; empty otherwise, and when the
    // file is simply gone.
    QString autreDestination() const;

    // Whether another program changed the file since: its size or time differ and
    // so do its bytes. A file that is gone, or only touched, was not changed.
    bool changeSurDisque() const;
};
