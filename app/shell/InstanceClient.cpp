#include "app/shell/InstanceClient.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

std::string CInstanceClient::TempDir() {
    std::string dir;
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        dir = tmp;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir.empty() ? std::string("/tmp") : dir;
}

std::string CInstanceClient::DefaultDir() {
    struct stat st {};
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return runtime;
    return TempDir() + "/padora-" + std::to_string(getuid());
}

bool CInstanceClient::IsPrivateFolder(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string CInstanceClient::SocketPathIn(const std::string& dir) {
    const std::string folder = dir.empty() ? DefaultDir() : dir;
    // A folder that is not there holds no socket: the ask then finds nobody listening.
    struct stat st {};
    const bool exists = ::lstat(folder.c_str(), &st) == 0 || errno != ENOENT;
    if (folder.starts_with(TempDir()) && exists && !IsPrivateFolder(folder))
        return std::string();
    return folder + (folder.ends_with('/') ? "" : "/") + "padora.sock";
}

CInstanceClient::Result CInstanceClient::Ask(std::string_view socketPath, std::string_view request,
                                             std::chrono::milliseconds timeout,
                                             const std::atomic<bool>* stop) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    Result result;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(addr.sun_path))
        return result;
    std::memcpy(addr.sun_path, socketPath.data(), socketPath.size());

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
