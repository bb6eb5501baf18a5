#include "app/remote/OscServer.h"

#include "app/remote/OscCodec.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A UDP datagram is at most this long.
constexpr std::size_t kMaxDatagram = 65536;

} // namespace

bool OscPeer::operator==(const OscPeer& o) const {
    return len == o.len && std::memcmp(&addr, &o.addr, len) == 0;
}

COscServer::~COscServer() {
    Stop();
}

COscServer::Result COscServer::Start(const QString& bindAddress, int port, Sink sink, QString* error) {
    return StartRaw(
        bindAddress, port,
        [sink = std::move(sink)](const char* data, std::size_t size, const OscPeer& from) {
            std::vector<RemoteCommand> commands = osc::ParsePacket(data, size);
            if (!commands.empty())
                sink(std::move(commands), from);
        },
        error);
}

COscServer::Result COscServer::StartRaw(const QString& bindAddress, int port, RawSink sink, QString* error) {
    Stop();
    auto fail = [&](Result r, const QString& why) {
        if (error)
            *error = why;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return r;
    };
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray host = bindAddress.trimmed().toLatin1();
    const QByteArray service = QByteArray::number(port);
    if (port < 0 || port > 65535 || ::getaddrinfo(host.constData(), service.constData(), &hints, &found) != 0)
        return fail(Result::BadAddress,
                    QStringLiteral("%1:%2 is not a numeric address and port").arg(bindAddress).arg(port));
    const addrinfo a = *found;
    sockaddr_storage addr{};
    std::memcpy(&addr, found->ai_addr, found->ai_addrlen);
    ::freeaddrinfo(found);

    m_fd = ::socket(a.ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return fail(Result::Failed, QString::fromLocal8Bit(std::strerror(errno)));
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&addr), a.ai_addrlen) != 0) {
        const int e = errno;
        return fail(e == EADDRINUSE      ? Result::PortInUse
                    : e == EADDRNOTAVAIL ? Result::BadAddress
                                         : Result::Failed,
                    QString::fromLocal8Bit(std::strerror(e)));
    }
    sockaddr_storage bound{};
    socklen_t boundLen = sizeof bound;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &boundLen);
    m_nPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    if (::pipe2(m_wakeFd, O_CLOEXEC) != 0)
        return fail(Result::Failed, QString::fromLocal8Bit(std::strerror(errno)));
    m_thread = std::thread([this, sink = std::move(sink)] { Receive(sink); });
    return Result::Ok;
}

void COscServer::Stop() {
    if (m_thread.joinable()) {
        const char quit = 'q';
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd[1], &quit, 1);
        m_thread.join();
    }
    for (int& fd : m_wakeFd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_nPort = 0;
}

bool COscServer::SendTo(const OscPeer& to, const QByteArray& bytes) const {
    if (m_fd < 0 || bytes.isEmpty())
        return false;
    return ::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_DONTWAIT,
                    reinterpret_cast<const sockaddr*>(&to.addr), to.len) == bytes.size();
}

// Receiver thread.
void COscServer::Receive(const RawSink& sink) {
    std::vector<char> buffer(kMaxDatagram);
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd[0], POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        OscPeer from;
        from.len = sizeof from.addr;
        const ssize_t n = ::recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from.addr), &from.len);
        if (n <= 0)
            continue;
        sink(buffer.data(), static_cast<std::size_t>(n), from);
    }
}
