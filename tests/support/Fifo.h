#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A FIFO that nobody writes to: a plain open() for reading waits on it for ever. After a few
// seconds the keeper opens the writing end once in a while, which lets such a reader go, so a
// fault fails the test (by the time it took) instead of hanging it.
class Fifo
{
public:
    static constexpr int kReleaseAfterMs = 3000;

    explicit Fifo(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_valid = ::mkfifo(m_path.constData(), 0600) == 0;
        if (m_valid)
            m_keeper = std::thread([this] { keep(); });
    }
    ~Fifo()
    {
        m_stop = true;
        if (m_keeper.joinable())
            m_keeper.join();
    }
    bool isValid() const { return m_valid; }

private:
    void keep()
    {
        const auto start = std::chrono::steady_clock::now();
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kReleaseAfterMs))
                continue;
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }

    QByteArray m_path;
    bool m_valid = false;
    std::atomic<bool> m_stop{false};
    std::thread m_keeper;
};
