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

// Should the program ever block opening the pipe at path, a writer comes after a
// few seconds and lets it go: the test then fails instead of hanging.
class PipeRescue
{
public:
    explicit PipeRescue(const QString &path)
        : path(nativePath(path))
    {
        worker = std::thread([this] {
            const auto start = std::chrono::steady_clock::now();
            while (!finished) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                if (std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
                    continue;
                // Opens a pipe only while a reader waits in open().
                const int fd = ::open(this->path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd < 0)
                    continue;
                struct stat info;
                if (::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode))
                    rescued = true;
                ::close(fd);
            }
        });
    }

    ~PipeRescue()
    {
        finished = true;
        worker.join();
    }

    bool wasNeeded() const { return rescued; }

private:
    QByteArray path;
    std::thread worker;
    std::atomic<bool> finished {false};
    std::atomic<bool> rescued {false};
};
