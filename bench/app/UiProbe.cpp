#include "UiProbe.h"

#include <QFile>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kPing[] = "ping\n";
constexpr char kAnswer[] = "ok\n";
// Short waits, so that the destructor never waits long for the thread.
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

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(CUiProbe::Clock::now().time_since_epoch())
        .count();
}

} // namespace

CUiProbe::CUiProbe(QString socketPath) : m_path(QFile::encodeName(socketPath)), m_thread([this] { Run(); }) {}

CUiProbe::~CUiProbe() {
    Stop();
}

void CUiProbe::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<CUiProbe::Stall> CUiProbe::TakeStalls() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_stalls, {});
}

std::chrono::milliseconds CUiProbe::Waiting() const {
    const long long since = m_inFlightSinceNs.load();
    if (since == 0)
        return std::chrono::milliseconds(0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(NowNs() - since));
}

void CUiProbe::Run() {
    while (!m_stop) {
        const Clock::time_point next = Clock::now() + kInterval;
        Ping();
        while (!m_stop && Clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CUiProbe::Ping() {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (m_path.size() >= static_cast<int>(sizeof(addr.sun_path)))
        return;
    std::memcpy(addr.sun_path, m_path.constData(), m_path.size());
    const Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0)
        return;
    const Clock::time_point sent = Clock::now();
    m_inFlightSinceNs = NowNs();
    const size_t length = sizeof(kPing) - 1;
    bool answered = false;
    if (::send(fd.get(), kPing, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length)) {
        std::string reply;
        while (!m_stop) {
            pollfd p{fd.get(), POLLIN, 0};
            if (::poll(&p, 1, kPollSliceMs) <= 0)
                continue;
            char buffer[16];
            const ssize_t n = ::recv(fd.get(), buffer, sizeof(buffer), 0);
            if (n <= 0)
                break;
            reply.append(buffer, static_cast<size_t>(n));
            if (reply.find('\n') != std::string::npos) {
                answered = reply == kAnswer;
                break;
            }
        }
    }
    m_inFlightSinceNs = 0;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    if (answered) {
        ++m_answered;
        if (waited.count() > m_longestMs)
            m_longestMs = waited.count();
    }
    if (waited > kStallLimit) {
        std::lock_guard lock(m_mutex);
        m_stalls.push_back({sent, waited, answered});
    }
}
