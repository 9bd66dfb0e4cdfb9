#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Named pipes for the tests of what must never be read: a program that opens one
// for reading waits for a writer, for ever.

inline QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

inline bool makePipe(const QString &path)
{
    return ::mkfifo(nativePath(path).constData(), 0644) == 0;
}

// Should the program ever block opening the pipe at path, a writer comes after
// three seconds and lets it go: the test then fails instead of hanging.
class PipeRescue
{
public:
    explicit PipeRescue(const QString &path)
        : worker([this, pipe = nativePath(path)] {
            for (int tick = 0; !finished; ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                // Opens a pipe only while a reader waits in open().
                const int fd = tick < 150 ? -1 : ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
                struct stat info;
                if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode))
                    rescued = true;
                if (fd >= 0)
                    ::close(fd);
            }
        })
    { }

    ~PipeRescue()
    {
        finished = true;
        worker.join();
    }

    bool wasNeeded() const { return rescued; }

private:
    std::atomic<bool> finished {false};
    std::atomic<bool> rescued {false};
    std::thread worker; // last: it starts once the flags exist
};
