#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform_test {

// A FIFO for tests of code that must refuse it at once. Code that opens it for reading would wait for
// a writer for ever, in this process or in a child: after kGrace a watcher lets such a reader through
// (it opens the FIFO for writing and closes it again, which gives the reader an end of file) and
// remembers that it had to, so that the test fails instead of hanging.
class CTestFifo {
public:
    static constexpr std::chrono::milliseconds kGrace{1500};

    explicit CTestFifo(QString path)
        : m_strPath(std::move(path)), m_name(QFile::encodeName(m_strPath)),
          m_bMade(::mkfifo(m_name.constData(), 0600) == 0), m_thread([this] { Watch(); }) {}
    ~CTestFifo() {
        {
            std::lock_guard lock(m_mutex);
            m_bDone = true;
        }
        m_cv.notify_all();
        m_thread.join();
        ::unlink(m_name.constData());
    }
    CTestFifo(const CTestFifo&) = delete;
    CTestFifo& operator=(const CTestFifo&) = delete;

    bool Made() const { return m_bMade; }
    const QString& Path() const { return m_strPath; }
    // True once a reader was found waiting on the FIFO after kGrace.
    bool ReaderWasStuck() const { return m_bStuck.load(); }

private:
    static constexpr std::chrono::milliseconds kPoll{20};

    // Watcher thread.
    void Watch() {
        std::unique_lock lock(m_mutex);
        if (m_cv.wait_for(lock, kGrace, [this] { return m_bDone; }))
            return;
        while (!m_cv.wait_for(lock, kPoll, [this] { return m_bDone; })) {
            // Without O_NONBLOCK's refusal (no reader there) this open means someone is reading.
            const int fd = ::open(m_name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_bStuck = true;
                ::close(fd);
            }
        }
    }

    const QString m_strPath;
    const QByteArray m_name;
    const bool m_bMade;
    std::atomic<bool> m_bStuck{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bDone = false;
    std::thread m_thread; // last: starts once the members above exist
};

} // namespace platform_test
