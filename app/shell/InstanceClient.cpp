#include "app/shell/InstanceClient.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The longest answer is a state line (a group name and a few numbers), far less than a request line
// may be; a peer that goes on talking is cut off there.
constexpr size_t kMaxAnswerBytes = 4096;
// Short waits, so that a stop request is seen soon.
constexpr int kPollSliceMs = 50;

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

QString CInstanceClient::DefaultDir() {
    // Without an application object Qt cannot name the runtime folder; it is $XDG_RUNTIME_DIR.
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath() + QStringLiteral("/padora-") + QString::number(getuid());
    return dir;
}

bool CInstanceClient::IsPrivateFolder(const QString& dir) {
    const QFileInfo info(dir);
    const auto othersAccess = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                              QFile::WriteOther | QFile::ExeOther;
    return info.isDir() && !info.isSymLink() && info.ownerId() == getuid() &&
           !(info.permissions() & othersAccess);
}

QString CInstanceClient::SocketPathIn(const QString& dir) {
    const QString folder = dir.isEmpty() ? DefaultDir() : dir;
    if (folder.startsWith(QDir::tempPath()) && !IsPrivateFolder(folder))
        return QString();
    return QDir(folder).filePath(QStringLiteral("padora.sock"));
}

CInstanceClient::Result CInstanceClient::Ask(const QByteArray& socketPath, std::string_view request,
                                             std::chrono::milliseconds timeout,
                                             const std::atomic<bool>* stop) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    Result result;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= static_cast<qsizetype>(sizeof(addr.sun_path)))
        return result;
    std::memcpy(addr.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));

    // Non-blocking: a listener that has stopped taking connections fills its queue, and a blocking
    // connect would then wait for as long as it stays stopped.
    const Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0 || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        result.nConnectError = errno;
        return result;
    }
    result.reply = Reply::NoAnswer;
    // A request of a few bytes fits the empty send buffer of a new connection whole.
    if (::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return result;

    std::string line;
    while (!(stop && stop->load())) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), kPollSliceMs)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        char buffer[kMaxAnswerBytes];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof(buffer), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break;
        line.append(buffer, static_cast<size_t>(n));
        if (const size_t end = line.find('\n'); end != std::string::npos) {
            result.reply = Reply::Answered;
            result.answer = line.substr(0, end + 1);
            break;
        }
        if (line.size() > kMaxAnswerBytes)
            break;
    }
    return result;
}
