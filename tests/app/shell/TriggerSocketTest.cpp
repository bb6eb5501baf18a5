#include "app/remote/TriggerClient.h"
#include "app/remote/TriggerControl.h"
#include "app/remote/TriggerRequest.h"
#include "app/shell/PadoraApp.h"
#include "app/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Kind = RemoteCommand::Kind;
using Action = CPadoraApp::CommandLine::Action;

// The show as the triggers see it: what arrived, and a state to tell.
class CFakeShow : public IRemoteTarget {
public:
    void RemoteCommandArrived(const RemoteCommand& command) override { commands.push_back(command); }
    RemoteState CurrentRemoteState() override { return state; }
    bool RemoteBusy() override { return busy; }

    std::vector<RemoteCommand> commands;
    RemoteState state;
    bool busy = false;
};

struct TriggerRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The first instance with the triggers of a fake show, served by this thread's event loop while a
// trigger run (or a raw client) talks to it from another thread, as a second process would.
class TriggerSocket : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_show.state.nGroup = 0;
        m_show.state.nGroups = 3;
        m_show.state.strGroup = QStringLiteral("効果音");
        m_triggers.Intake().SetReport([this](const QString& line) { m_reports << line; });
        ASSERT_EQ(m_instance.Claim(), CSingleInstance::Result::First);
        m_instance.SetRequestHandler([this](const QByteArray& line, const CSingleInstance::Reply& reply) {
            if (!m_triggers.Take(line, reply))
                reply(CTriggerRequest::kBad);
        });
        ASSERT_TRUE(m_instance.Serve({}));
    }

    template <typename F> auto WhileServing(F work) {
        auto done = std::async(std::launch::async, std::move(work));
        while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done.get();
    }

    // padora ARGS as a trigger run would handle them.
    TriggerRun Trigger(const QStringList& args) {
        const CPadoraApp::CommandLine cl = CPadoraApp::ParseCommandLine(args);
        if (cl.action != Action::Trigger)
            return {};
        const std::string path = QFile::encodeName(m_instance.SocketPath()).toStdString();
        return WhileServing([&cl, path] {
            char* outText = nullptr;
            char* errText = nullptr;
            size_t outSize = 0;
            size_t errSize = 0;
            std::FILE* out = open_memstream(&outText, &outSize);
            std::FILE* err = open_memstream(&errText, &errSize);
            TriggerRun run;
            run.status = CTriggerClient::Run(cl.request, path, out, err);
            std::fclose(out);
            std::fclose(err);
            run.out.assign(outText, outSize);
            run.err.assign(errText, errSize);
            std::free(outText);
            std::free(errText);
            return run;
        });
    }

    // One raw request line on a connection of its own; the answer line, empty when none came.
    std::string Ask(const QByteArray& line) {
        const std::string path = QFile::encodeName(m_instance.SocketPath()).toStdString();
        return WhileServing(
            [&] { return CInstanceClient::Ask(path, line.toStdString(), std::chrono::seconds(2)).answer; });
    }

    QTemporaryDir m_dir;
    CFakeShow m_show;
    CTriggerControl m_triggers{&m_show};
    CSingleInstance m_instance{m_dir.path()};
    QStringList m_reports;
};

QStringList Args(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return list;
}

// A client of the socket that sends what it likes and holds its connection.
class CRawClient {
public:
    explicit CRawClient(const QString& path)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
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
    // Bytes the socket took now.
    ssize_t SendSome(const QByteArray& bytes) {
        return ::send(m_fd, bytes.constData(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
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

TEST_F(TriggerSocket, EachTriggerActsAsItsKeyOrControlWithNumbersFromOne) {
    struct Case {
        QStringList args;
        RemoteCommand command;
    };
    const std::vector<Case> cases = {
        {Args({"--pad", "1"}), {Kind::Pad, 0, 0}},
        {Args({"--pad=10"}), {Kind::Pad, 9, 0}},
        {Args({"--stop", "3"}), {Kind::Stop, 2, 0}},
        {Args({"--allstop"}), {Kind::AllStop, 0, 0}},
        {Args({"--group", "next"}), {Kind::GroupNext, 0, 0}},
        {Args({"--group", "prev"}), {Kind::GroupPrev, 0, 0}},
        {Args({"--group", "3"}), {Kind::Group, 2, 0}},
        {Args({"--volume", "2", "0"}), {Kind::Volume, 1, 0}},
        {Args({"--volume", "10", "100"}), {Kind::Volume, 9, 100}},
        {Args({"--master", "55"}), {Kind::Master, 0, 55}},
    };
    for (const Case& c : cases) {
        m_show.commands.clear();
        const TriggerRun run = Trigger(c.args);
        const std::string what = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.status, CTriggerClient::kExitOk) << what << ": " << run.err;
        EXPECT_TRUE(run.out.empty() && run.err.empty()) << what;
        ASSERT_EQ(m_show.commands.size(), 1u) << what;
        EXPECT_EQ(m_show.commands[0].kind, c.command.kind) << what;
        EXPECT_EQ(m_show.commands[0].n, c.command.n) << what;
        EXPECT_EQ(m_show.commands[0].value, c.command.value) << what;
    }
}

TEST_F(TriggerSocket, StateIsOneTabSeparatedLineOnStandardOutput) {
    m_show.state.nGroup = 1;
    m_show.state.strGroup = QStringLiteral("ジングル\tと\nBGM");
    m_show.state.aPlay = {1, 0, -1, -1, -1, -1, -1, -1, 0, 1};
    m_show.state.nBackground = 4;
    const TriggerRun run = Trigger(Args({"--state"}));
    EXPECT_EQ(run.status, CTriggerClient::kExitOk) << run.err;
    // A tab or line break of the name would break the fields; they become blanks.
    EXPECT_EQ(run.out, "2\tジングル と BGM\t1\t0\t-1\t-1\t-1\t-1\t-1\t-1\t0\t1\t0\t4\n");
    EXPECT_TRUE(m_show.commands.empty());

    // Busy is told in the state; a set without a group is group 0.
    m_show.busy = true;
    m_show.state = RemoteState{};
    EXPECT_EQ(Trigger(Args({"--state"})).out, "0\t\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t1\t0\n");

    // A name of any length still makes one line the asking side reads whole.
    m_show.state.strGroup = QString(5000, QChar(0x97f3));
    const TriggerRun longName = Trigger(Args({"--state"}));
    EXPECT_EQ(longName.status, CTriggerClient::kExitOk) << longName.err;
    EXPECT_EQ(QString::fromStdString(longName.out).section(QLatin1Char('\t'), 1, 1).size(),
              CTriggerControl::kMaxNameChars);
}

// As over OSC: under a modal window pads, stops and group selections are refused, faders still move.
TEST_F(TriggerSocket, ABusyShowRefusesPadsStopsAndGroupsButTakesVolumes) {
    m_show.busy = true;
    for (const QStringList& args : {Args({"--pad", "1"}), Args({"--stop", "1"}), Args({"--allstop"}),
                                    Args({"--group", "next"}), Args({"--group", "2"})}) {
        const TriggerRun run = Trigger(args);
        EXPECT_EQ(run.status, CTriggerClient::kExitRefused) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(m_show.commands.empty());
    EXPECT_EQ(m_triggers.Intake().Refused(), 5u);

    EXPECT_EQ(Trigger(Args({"--volume", "1", "30"})).status, CTriggerClient::kExitOk);
    EXPECT_EQ(Trigger(Args({"--master", "80"})).status, CTriggerClient::kExitOk);
    ASSERT_EQ(m_show.commands.size(), 2u);
    EXPECT_EQ(m_show.commands[0].kind, Kind::Volume);
    EXPECT_EQ(m_show.commands[1].kind, Kind::Master);

    m_show.busy = false;
    EXPECT_EQ(Trigger(Args({"--pad", "1"})).status, CTriggerClient::kExitOk);
    EXPECT_EQ(m_show.commands.size(), 3u);
}

TEST_F(TriggerSocket, GarbageAndOutOfRangeRequestsAreAnsweredBadAndNothingActs) {
    for (const char* line : {"pad 0\n",
                             "pad 11\n",
                             "pad -1\n",
                             "pad 1 2\n",
                             "pad  1\n",
                             "pad 1\r\n",
                             "pad +1\n",
                             "pad 1.0\n",
                             "pad\n",
                             "volume 1 101\n",
                             "volume 11 50\n",
                             "volume 1\n",
                             "master 101\n",
                             "group 0\n",
                             "group last\n",
                             "stop 99999999999\n",
                             "allstop now\n",
                             "state 1\n",
                             "PAD 1\n",
                             "\n",
                             "\x01\xff\xfe garbage \x7f\n"}) {
        EXPECT_EQ(Ask(line), CTriggerRequest::kBad) << line;
    }
    // A group the set does not have (three here) selects nothing.
    EXPECT_EQ(Trigger(Args({"--group", "4"})).status, CTriggerClient::kExitBadArguments);
    EXPECT_TRUE(m_show.commands.empty());

    // A request that is not one line is not read past its bound; the next one is served.
    CRawClient flood(m_instance.SocketPath());
    ASSERT_TRUE(flood.Connected());
    const QByteArray pads = QByteArray("pad 1\0", 6).repeated(10 * 1024 * 1024 / 6); // 10 MB, no newline
    qsizetype sent = 0;
    const QDeadlineTimer deadline(5000);
    while (!flood.Closed() && !deadline.hasExpired()) {
        const ssize_t n = flood.SendSome(pads.mid(sent, 64 * 1024));
        if (n > 0)
            sent += n;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_TRUE(flood.Closed());
    EXPECT_LT(sent, 1024 * 1024) << "the peer took far more than a line";
    EXPECT_TRUE(m_show.commands.empty());
    EXPECT_EQ(Trigger(Args({"--pad", "2"})).status, CTriggerClient::kExitOk);
    EXPECT_EQ(m_show.commands.size(), 1u);
}

TEST_F(TriggerSocket, AHundredIdleConnectionsDoNotKeepATriggerFromActing) {
    std::vector<std::unique_ptr<CRawClient>> holders;
    for (int i = 0; i < 100; ++i) {
        holders.push_back(std::make_unique<CRawClient>(m_instance.SocketPath()));
        holders.back()->SendSome("pad 3"); // a line never ended
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Trigger(Args({"--pad", "1"})).status, CTriggerClient::kExitOk);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    ASSERT_EQ(m_show.commands.size(), 1u);
    EXPECT_EQ(m_show.commands[0].n, 0);
}

TEST_F(TriggerSocket, OneRequestAConnectionWhateverFollowsIt) {
    EXPECT_EQ(Ask("pad 1\npad 2\nallstop\n"), CTriggerRequest::kOk);
    ASSERT_EQ(m_show.commands.size(), 1u);
    EXPECT_EQ(m_show.commands[0].n, 0);
}

TEST(TriggerRun, WithoutARunningPadoraItEndsAtOnceWithStatusOne) {
    QTemporaryDir dir;
    const auto run = [](const QString& path) {
        char* text = nullptr;
        size_t size = 0;
        std::FILE* err = open_memstream(&text, &size);
        const auto started = std::chrono::steady_clock::now();
        const int status = CTriggerClient::Run("pad 1\n", path.toStdString(), stdout, err);
        const auto took = std::chrono::steady_clock::now() - started;
        std::fclose(err);
        const std::string message(text, size);
        std::free(text);
        EXPECT_FALSE(message.empty());
        EXPECT_LT(took, std::chrono::milliseconds(500));
        return status;
    };
    EXPECT_EQ(run(dir.filePath(QStringLiteral("padora.sock"))), CTriggerClient::kExitNotRunning);
    // The default folder under /tmp that somebody else could have made is not asked at all.
    EXPECT_EQ(run(QString()), CTriggerClient::kExitNotRunning);
}

TEST(TriggerArguments, AreParsedStrictlyAndAloneOrRefusedWithStatusTwo) {
    for (const QStringList& args : {Args({"--pad"}),
                                    Args({"--pad", "0"}),
                                    Args({"--pad", "11"}),
                                    Args({"--pad", "x"}),
                                    Args({"--pad", "-1"}),
                                    Args({"--pad", "+1"}),
                                    Args({"--pad", " 1"}),
                                    Args({"--pad", "１"}),
                                    Args({"--pad", "1.0"}),
                                    Args({"--pad="}),
                                    Args({"--stop", "12"}),
                                    Args({"--group", "0"}),
                                    Args({"--group", "Next"}),
                                    Args({"--group"}),
                                    Args({"--volume", "1"}),
                                    Args({"--volume", "1", "101"}),
                                    Args({"--volume", "0", "50"}),
                                    Args({"--master", "-5"}),
                                    Args({"--master", "200"}),
                                    Args({"--allstop=1"}),
                                    Args({"--state", "extra"}),
                                    Args({"--pad", "1", "--pad", "2"}),
                                    Args({"--pad", "1", "--stop", "1"}),
                                    Args({"set.pdg", "--pad", "1"}),
                                    Args({"--pad", "1", "--help"}),
                                    Args({"--check", "set.pdg", "--state"})}) {
        const CPadoraApp::CommandLine cl = CPadoraApp::ParseCommandLine(args);
        EXPECT_EQ(cl.action, Action::Error) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(cl.strError.isEmpty());
    }
    // After "--" a name is a file, not a trigger.
    const CPadoraApp::CommandLine file = CPadoraApp::ParseCommandLine(Args({"--", "--pad"}));
    EXPECT_EQ(file.action, Action::Run);
    EXPECT_EQ(file.args, QStringList{QStringLiteral("--pad")});

    EXPECT_EQ(CPadoraApp::ParseCommandLine(Args({"--volume=3", "07"})).request, "volume 3 7\n");
    EXPECT_EQ(CPadoraApp::ParseCommandLine(Args({"--group=12"})).request, "group 12\n");
    EXPECT_EQ(CPadoraApp::ParseCommandLine(Args({"--state"})).request, "state\n");
    // Every line the arguments make is one the running Padora reads back as the same command.
    for (const QStringList& args : {Args({"--pad", "4"}), Args({"--stop", "10"}), Args({"--allstop"}),
                                    Args({"--group", "prev"}), Args({"--master", "0"})}) {
        const CPadoraApp::CommandLine cl = CPadoraApp::ParseCommandLine(args);
        ASSERT_EQ(cl.action, Action::Trigger);
        EXPECT_TRUE(CTriggerControl::Decode(QByteArray::fromStdString(cl.request)).has_value()) << cl.request;
    }
}
