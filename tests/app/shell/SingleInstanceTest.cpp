#include "app/shell/SingleInstance.h"
#include "app/shell/InstanceClient.h"
#include "tests/app/RunProgram.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void ProcessEventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The pid of a process that has ended, for a lock left behind by a crash.
qint64 PidOfEndedProcess() {
    pid_t pid = 0;
    RunProgram({"true"}, &pid);
    return pid > 0 ? pid : 999999;
}

// A later start's claim, made on a thread of its own while this thread's event loop serves the first.
CSingleInstance::Result ClaimWhileServing(const QString& dir, qint64* elapsedMs = nullptr) {
    QElapsedTimer timer;
    timer.start();
    std::future<CSingleInstance::Result> claim = std::async(std::launch::async, [dir] {
        CSingleInstance later(dir);
        return later.Claim();
    });
    while (claim.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (elapsedMs)
        *elapsedMs = timer.elapsed();
    return claim.get();
}

// A raw client of the socket, as an abuser would hold one.
class CRawClient {
public:
    explicit CRawClient(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        const QByteArray name = QFile::encodeName(path);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, name.constData(), static_cast<size_t>(name.size()));
        m_bConnected = m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    ~CRawClient() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CRawClient(const CRawClient&) = delete;
    CRawClient& operator=(const CRawClient&) = delete;

    bool Connected() const { return m_bConnected; }
    int Fd() const { return m_fd; }
    // Sends as much of bytes as the socket takes now.
    void SendSome(const QByteArray& bytes) {
        ::send(m_fd, bytes.constData(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    // True once the other end has closed the connection.
    bool Closed() {
        char buffer[256];
        const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }

private:
    int m_fd;
    bool m_bConnected = false;
};

} // namespace

TEST(SingleInstance, SecondClaimAsksTheFirstToRaiseAndGivesUpWithinASecond) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    int raised = 0;
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(first.Serve([&raised] { ++raised; }));

    qint64 elapsed = 0;
    EXPECT_EQ(ClaimWhileServing(dir.path(), &elapsed), CSingleInstance::Result::AnotherRuns);
    EXPECT_LT(elapsed, 1000);
    // Only the holder of the instance serves.
    CSingleInstance second(dir.path());
    EXPECT_EQ(second.Claim(), CSingleInstance::Result::AnotherUnreached) << "nobody answers while we wait";
    EXPECT_FALSE(second.Serve([] {}));

    ProcessEventsUntil([&raised] { return raised > 0; });
    EXPECT_EQ(raised, 1);
}

// A watchdog's probe: answered by the instance's event loop, and it never brings the window to the front.
TEST(SingleInstance, PingIsAnsweredWithoutRaising) {
    QTemporaryDir dir;
    CSingleInstance instance(dir.path());
    int raised = 0;
    ASSERT_EQ(instance.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(instance.Serve([&raised] { ++raised; }));

    for (int round = 0; round < 2; ++round) {
        QLocalSocket probe;
        probe.connectToServer(instance.SocketPath());
        ProcessEventsUntil([&probe] { return probe.state() == QLocalSocket::ConnectedState; });
        ASSERT_EQ(probe.state(), QLocalSocket::ConnectedState);
        probe.write(CSingleInstance::kPingRequest);
        probe.flush();
        QByteArray answer;
        ProcessEventsUntil([&] {
            answer += probe.readAll();
            return answer.endsWith('\n') || probe.state() == QLocalSocket::UnconnectedState;
        });
        answer += probe.readAll();
        EXPECT_EQ(answer, QByteArray(CSingleInstance::kPingAnswer)) << "round " << round;
    }
    EXPECT_EQ(raised, 0);

    // A raise still raises after pings.
    EXPECT_EQ(ClaimWhileServing(dir.path()), CSingleInstance::Result::AnotherRuns);
    ProcessEventsUntil([&raised] { return raised > 0; });
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, LeftoversOfACrashedInstanceAreTakenOver) {
    QTemporaryDir dir;
    CSingleInstance probe(dir.path());
    // A lock naming a process that no longer runs, and a socket file nobody listens on.
    {
        QFile lock(probe.LockPath());
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(PidOfEndedProcess()) + "\npadora\n\n");
        QFile socket(probe.SocketPath());
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    }
    CSingleInstance instance(dir.path());
    int raised = 0;
    ASSERT_EQ(instance.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(instance.Serve([&raised] { ++raised; }));

    // And it serves requests on the socket it set up anew.
    EXPECT_EQ(ClaimWhileServing(dir.path()), CSingleInstance::Result::AnotherRuns);
    ProcessEventsUntil([&raised] { return raised > 0; });
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, AHolderNotYetServingIsReportedUnreached) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    CSingleInstance second(dir.path());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(second.Claim(), CSingleInstance::Result::AnotherUnreached);
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST(SingleInstance, ReleasedWhenTheInstanceEnds) {
    QTemporaryDir dir;
    {
        CSingleInstance first(dir.path());
        ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
        ASSERT_TRUE(first.Serve({}));
    }
    CSingleInstance next(dir.path());
    EXPECT_EQ(next.Claim(), CSingleInstance::Result::First);
}

TEST(SingleInstance, UnusableFolderIsReportedNotMistakenForAnotherInstance) {
    CSingleInstance instance(QStringLiteral("/nonexistent/padora-test"));
    EXPECT_EQ(instance.Claim(), CSingleInstance::Result::Failed);
}

TEST(SingleInstance, AFallbackFolderUnderTmpOpenToOthersIsNotTrusted) {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/padora-test-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    CSingleInstance shared(dir.path());
    EXPECT_EQ(shared.Claim(), CSingleInstance::Result::Failed);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("padora.lock"))));

    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    CSingleInstance own(dir.path());
    EXPECT_EQ(own.Claim(), CSingleInstance::Result::First);
}

// A stopped or hung first instance still takes connections into the kernel's queue, but never answers.
TEST(SingleInstance, AFirstThatDoesNotAnswerIsReportedUnreachedWithinASecond) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    int raised = 0;
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(first.Serve([&raised] { ++raised; }));
    // Nothing runs this thread's event loop meanwhile.
    CSingleInstance second(dir.path());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(second.Claim(), CSingleInstance::Result::AnotherUnreached);
    EXPECT_LT(timer.elapsed(), 1000);

    // A listener whose queue is full: the ask neither blocks nor waits out its time.
    const QString path = dir.filePath(QStringLiteral("full.sock"));
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::vector<int> queued;
    for (int i = 0; i < 64; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        queued.push_back(fd);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
            break;
    }
    timer.restart();
    EXPECT_EQ(
        CInstanceClient::Ask(name.toStdString(), CInstanceClient::kRaiseRequest, std::chrono::seconds(5))
            .reply,
        CInstanceClient::Reply::NoListener);
    EXPECT_LT(timer.elapsed(), 500);
    for (int fd : queued)
        ::close(fd);
    ::close(listener);
}

TEST(SingleInstance, AbusersOfTheSocketCannotKeepALaterStartFromBeingAnswered) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    int raised = 0;
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(first.Serve([&raised] { ++raised; }));

    // A line without its end is cut off at its bound, and nothing of it is taken as a request.
    CRawClient talker(first.SocketPath());
    ASSERT_TRUE(talker.Connected());
    const QByteArray flood(64 * 1024, 'r');
    ProcessEventsUntil([&] {
        talker.SendSome(flood);
        return talker.Closed();
    });
    EXPECT_TRUE(talker.Closed());

    // Many idle holders: the newest get the places, and a later start is still answered at once.
    std::vector<std::unique_ptr<CRawClient>> holders;
    for (int i = 0; i < 3 * CSingleInstance::kMaxClients; ++i) {
        holders.push_back(std::make_unique<CRawClient>(first.SocketPath()));
        ASSERT_TRUE(holders.back()->Connected());
    }
    qint64 elapsed = 0;
    EXPECT_EQ(ClaimWhileServing(dir.path(), &elapsed), CSingleInstance::Result::AnotherRuns);
    EXPECT_LT(elapsed, 1000);
    ProcessEventsUntil([&raised] { return raised > 0; });
    EXPECT_EQ(raised, 1);

    // An idle holder is let go after its time, and not sooner.
    CRawClient idle(first.SocketPath());
    QElapsedTimer held;
    held.start();
    ProcessEventsUntil([&] { return idle.Closed(); });
    EXPECT_TRUE(idle.Closed());
    EXPECT_GE(held.elapsed(), CSingleInstance::kHoldMs / 2);
    EXPECT_LT(held.elapsed(), CSingleInstance::kHoldMs + 1500);
    for (const auto& holder : holders)
        EXPECT_TRUE(holder->Closed());
}

TEST(SingleInstance, TheListenerComesBackWhenItsSocketFileGoesOrItsAcceptFails) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(first.Serve({}));
    const auto waitForSocket = [&] {
        ProcessEventsUntil([&] { return QFileInfo::exists(first.SocketPath()); });
        return ClaimWhileServing(dir.path());
    };

    // Removed by somebody.
    ASSERT_TRUE(QFile::remove(first.SocketPath()));
    EXPECT_EQ(waitForSocket(), CSingleInstance::Result::AnotherRuns);

    // No descriptor left for the accept: Qt closes the listener and removes its file.
    CRawClient client(first.SocketPath());
    ASSERT_TRUE(client.Connected());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit starved = saved;
    starved.rlim_cur = 3;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &starved), 0);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_FALSE(QFileInfo::exists(first.SocketPath())) << "the accept did not fail";
    EXPECT_EQ(waitForSocket(), CSingleInstance::Result::AnotherRuns);
}

// A request may set off a loop of its own (a group's loader) in which its client, answered, goes away and
// its connection is let go: nothing of the connection may be used after that.
TEST(SingleInstance, ARequestWhoseHandlingRunsALoopOutlivesItsConnection) {
    QTemporaryDir dir;
    CSingleInstance instance(dir.path());
    ASSERT_EQ(instance.Claim(), CSingleInstance::Result::First);
    int handled = 0;
    instance.SetRequestHandler([&handled](const QByteArray& line, const CSingleInstance::Reply& reply) {
        reply("ok\n");
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        reply("again\n"); // the connection has gone: nothing is written, nothing breaks
        handled += line == "load\n" ? 1 : 0;
    });
    ASSERT_TRUE(instance.Serve({}));

    const std::string path = QFile::encodeName(instance.SocketPath()).toStdString();
    std::future<CInstanceClient::Result> asked = std::async(std::launch::async, [&path] {
        return CInstanceClient::Ask(path, "load\n", std::chrono::seconds(2));
    });
    ProcessEventsUntil([&] { return handled > 0; });
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(asked.get().answer, "ok\n");

    // And the instance goes on serving.
    EXPECT_EQ(ClaimWhileServing(dir.path()), CSingleInstance::Result::AnotherRuns);
}
