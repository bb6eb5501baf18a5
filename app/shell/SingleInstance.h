#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One running Padora per user. The first instance holds a lock file and listens on a local socket next to
// it; a later start finds the lock taken, asks the running instance through the socket to bring its main
// window to the front, and gives up. A socket or lock left behind by a crashed instance is taken over.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // dir: where the lock and socket live; by default the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit CSingleInstance(QString dir = QString(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    enum class Result {
        First,            // this process is the one instance
        AnotherRuns,      // another instance runs and was asked to come to the front
        AnotherUnreached, // another instance holds the lock but did not take the request in time
        Failed,           // the lock could not be set up (the folder is not usable)
    };

    // Claims the instance or hands over to the running one, within about a second. Needs no application
    // object, so that a second start ends before it connects to the display. Main thread.
    Result Claim();

    // After a successful Claim, with the application object running: takes requests to come to the front
    // and calls onRaise for each, and answers pings (which raise nothing). False when the socket cannot be
    // set up. UI thread.
    bool Serve(std::function<void()> onRaise);

    QString SocketPath() const;
    QString LockPath() const;

    // What a later start sends and what the running instance answers.
    static constexpr char kRaiseRequest[] = "raise\n";
    static constexpr char kRaiseAnswer[] = "ok\n";
    // Answered by the UI thread's event loop, so a watchdog learns from the delay whether the UI responds.
    static constexpr char kPingRequest[] = "ping\n";
    static constexpr char kPingAnswer[] = "ok\n";

private:
    bool AskRunningToRaise() const;
    void OnNewConnection();

    QString m_strDir;
    std::unique_ptr<QLockFile> m_pLock;
    std::unique_ptr<QLocalServer> m_pServer;
    std::function<void()> m_onRaise;
};
