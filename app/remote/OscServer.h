#pragma once

#include "app/remote/RemoteCommand.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <thread>
#include <vector>

#include <sys/socket.h>

// A UDP endpoint: where a datagram came from, to answer it.
struct OscPeer {
    sockaddr_storage addr{};
    socklen_t len = 0;
    bool operator==(const OscPeer& o) const;
};

// The OSC listener: a UDP socket bound to one address and port, read by a thread of its own that
// turns every datagram into commands and hands them on, in arrival order, to the sink.
class COscServer {
public:
    enum class Result { Ok, PortInUse, BadAddress, Failed };

    // Receiver thread: the commands of one datagram and its sender. Must not block for long.
    using Sink = std::function<void(std::vector<RemoteCommand> commands, const OscPeer& from)>;
    // Receiver thread: one datagram as it came, for those who read more than the commands.
    using RawSink = std::function<void(const char* data, std::size_t size, const OscPeer& from)>;

    COscServer() = default;
    ~COscServer();
    COscServer(const COscServer&) = delete;
    COscServer& operator=(const COscServer&) = delete;

    // UI thread. Binds bindAddress (numeric IPv4 or IPv6) and port (0: any free port) and starts the
    // receiver. error gets a one-line reason when the result is not Ok.
    Result Start(const QString& bindAddress, int port, Sink sink, QString* error = nullptr);
    // UI thread. As Start, with every datagram handed on unread.
    Result StartRaw(const QString& bindAddress, int port, RawSink sink, QString* error = nullptr);
    // UI thread. Stops the receiver and closes the socket; no sink call is running or follows.
    void Stop();
    bool IsRunning() const { return m_fd >= 0; }
    // The port bound (the chosen one for port 0).
    int Port() const { return m_nPort; }
    // Any thread. Sends one datagram from the listening socket (so the peer sees it come from the port
    // it sent to). False when it could not be sent.
    bool SendTo(const OscPeer& to, const QByteArray& bytes) const;

private:
    void Receive(const RawSink& sink);

    int m_fd = -1;
    int m_wakeFd[2] = {-1, -1}; // a pipe that ends the receiver's wait
    int m_nPort = 0;
    std::thread m_thread;
};
