#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// A tmpfs of 64 KiB mounted on folder for the life of the object, to make a full
// file system real (root only: mounted() tells whether it worked).
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const QString &folder)
        : folder(folder)
    {
        QDir().mkpath(folder);
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder});
        isMounted = mount.waitForFinished() && mount.exitStatus() == QProcess::NormalExit
            && mount.exitCode() == 0;
    }

    ~SmallFileSystem()
    {
        if (!isMounted)
            return;
        if (QProcess::execute(QStringLiteral("umount"), {folder}) != 0)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
    }

    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return isMounted; }

    // Fills what room is left with one file; true once a write was refused.
    bool fill() const
    {
        QFile filler(folder + QStringLiteral("/remplissage"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(1024, 'r');
        for (int i = 0; i < 1024; ++i) {
            if (filler.write(block) != block.size())
                return true;
        }
        return false;
    }

private:
    QString folder;
    bool isMounted = false;
};
