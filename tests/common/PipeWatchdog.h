#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Opens a pipe from its other end, again and again, once `graceMs` have passed and until stood
// down: code that opened the pipe (and would wait there for ever) gets its open and its reads
// back, so that a test fails in seconds instead of hanging.
class PipeWatchdog {
public:
    PipeWatchdog(const QString& path, int graceMs) : m_path(QFile::encodeName(path)) {
        if (path.isEmpty()) return;
        m_thread = std::thread([this, graceMs] {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_for(lock, std::chrono::milliseconds(graceMs),
                                [this] { return m_done; }))
                return;
            m_fired = true;
            while (!m_done) {
                lock.unlock();
                // Both ends at once: a reader and a writer waiting in open() are let go alike.
                const int fd = ::open(m_path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (fd >= 0) ::close(fd);
                lock.lock();
                m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_done; });
            }
        });
    }
    ~PipeWatchdog() { standDown(); }
    // True when the code under test had to be let go.
    bool standDown() {
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
        return m_fired;
    }

private:
    QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};
