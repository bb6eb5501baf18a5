#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/inotify.h>
#include <unistd.h>

namespace platform_test {

// What inotify reports for a file or folder while the object lives (IN_CREATE for the names
// made in a folder, IN_OPEN for each opening of a file): evidence of what code did to the file
// system, without timing.
class CFileEvents {
public:
    CFileEvents(const QString& path, uint32_t mask) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(path).constData(), mask);
    }
    ~CFileEvents() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileEvents(const CFileEvents&) = delete;
    CFileEvents& operator=(const CFileEvents&) = delete;

    // The events since the last call: the names they carry (empty for a watched file itself).
    QStringList Take() const {
        QStringList names;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                names << (event->len > 0 ? QFile::decodeName(event->name) : QString());
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
};

} // namespace platform_test
