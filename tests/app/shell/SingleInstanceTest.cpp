#include "app/shell/SingleInstance.h"
#include "tests/app/RunProgram.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace

TEST(SingleInstance, SecondClaimAsksTheFirstToRaiseAndGivesUpWithinASecond) {
    QTemporaryDir dir;
    CSingleInstance first(dir.path());
    int raised = 0;
    ASSERT_EQ(first.Claim(), CSingleInstance::Result::First);
    ASSERT_TRUE(first.Serve([&raised] { ++raised; }));

    CSingleInstance second(dir.path());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(second.Claim(), CSingleInstance::Result::AnotherRuns);
    // Only the holder of the instance serves.
    EXPECT_FALSE(second.Serve([] {}));
    EXPECT_LT(timer.elapsed(), 1000);

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
    CSingleInstance later(dir.path());
    EXPECT_EQ(later.Claim(), CSingleInstance::Result::AnotherRuns);
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
    CSingleInstance later(dir.path());
    EXPECT_EQ(later.Claim(), CSingleInstance::Result::AnotherRuns);
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
