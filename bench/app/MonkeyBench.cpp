// The monkey: the real Padora under an X server (xvfb-run) with background capture on, fed seeded random
// keys, clicks, drags and wheel turns on every window it shows, restarted whenever it ends normally. It
// counts abnormal exits, UI stalls (the UI thread not answering the single-instance socket's ping for more
// than a second), sanitizer reports, and set files that no longer parse; any of them fails the run.
#include "MonkeyInput.h"
#include "UiProbe.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <X11/keysym.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace {

constexpr int kLastInputs = 20;
// A UI thread silent this long is taken for hung: its stack is printed and Padora is killed.
constexpr std::chrono::seconds kHangKill{10};
// An unanswered ping sent this shortly before a normal end belongs to the shutdown, not to a stall.
constexpr std::chrono::seconds kExitGrace{3};
constexpr int kTermWaitMs = 3000;
constexpr int kCheckTimeoutMs = 60000;
constexpr int kGdbTimeoutMs = 60000;
constexpr int kStderrTailLines = 30;
constexpr int kReportHeadLines = 40;
constexpr int kExitOk = 0, kExitFailure = 1, kExitUsage = 2;

std::atomic<bool> g_stop{false};

void OnStopSignal(int) {
    g_stop = true;
}

struct Options {
    int seconds = 60;
    std::uint32_t seed = std::random_device{}();
    QString padora;
    QString examples = QStringLiteral(PADORA_EXAMPLES_DIR);
    bool keepDir = false;
    bool verbose = false;
};

bool ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QStringLiteral("--seconds") && hasValue)
            o.seconds = args[++i].toInt(&ok);
        else if (a == QStringLiteral("--seed") && hasValue)
            o.seed = args[++i].toUInt(&ok);
        else if (a == QStringLiteral("--padora") && hasValue)
            o.padora = args[++i];
        else if (a == QStringLiteral("--examples") && hasValue)
            o.examples = args[++i];
        else if (a == QStringLiteral("--keep-dir"))
            o.keepDir = true;
        else if (a == QStringLiteral("--verbose"))
            o.verbose = true;
        else
            ok = false;
        if (!ok)
            return false;
    }
    return o.seconds > 0;
}

QString Tail(const QString& path, int lines) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList all = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    while (!all.isEmpty() && all.last().isEmpty())
        all.removeLast();
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n'));
}

QString Head(const QString& path, int lines) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')).mid(0, lines).join(QLatin1Char('\n'));
}

bool CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& info : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(info.fileName());
        if (info.isDir() ? !CopyTree(info.filePath(), target) : !QFile::copy(info.filePath(), target))
            return false;
    }
    return true;
}

// The run's inputs, the last few kept for the report of a failure.
class CInputLog {
public:
    void Add(int start, qint64 msIntoStart, const std::string& what) {
        ++m_count;
        char head[64];
        std::snprintf(head, sizeof(head), "#%ld start %d +%lld ms: ", m_count, start,
                      static_cast<long long>(msIntoStart));
        m_last.push_back(head + what);
        if (m_last.size() > kLastInputs)
            m_last.pop_front();
    }
    long Count() const { return m_count; }
    const std::string& Latest() const { return m_last.back(); }
    std::string Last() const {
        std::string text;
        for (const std::string& line : m_last)
            text += "  " + line + "\n";
        return text;
    }

private:
    long m_count = 0;
    std::deque<std::string> m_last;
};

class CMonkey {
public:
    CMonkey(const Options& options, XSession& x) : m_opt(options), m_x(x), m_input(x, options.seed) {}

    // Main thread.
    int Run() {
        if (!PrepareDir())
            return kExitUsage;
        QElapsedTimer clock;
        clock.start();
        const QDeadlineTimer deadline(std::chrono::seconds(m_opt.seconds));
        while (!deadline.hasExpired() && !g_stop)
            RunOnce(deadline);
        CheckSets();
        CountSanitizerReports();
        std::printf("starts=%d\nevents=%ld\nabnormal_exits=%d\nstalls=%d\nsanitizer_reports=%d\n"
                    "unparsable_sets=%d\nlongest_answer_ms=%lld\nseconds=%lld\n",
                    m_starts, m_log.Count(), m_abnormal, m_stalls, m_sanitizer, m_unparsable,
                    static_cast<long long>(m_longestAnswer.count()), clock.elapsed() / 1000);
        if (m_opt.keepDir)
            std::printf("dir=%s\n", qPrintable(m_dir.path()));
        std::fflush(stdout);
        return m_abnormal + m_stalls + m_sanitizer + m_unparsable > 0 ? kExitFailure : kExitOk;
    }

private:
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    bool PrepareDir() {
        m_dir.setAutoRemove(!m_opt.keepDir);
        if (!m_dir.isValid() || !CopyTree(m_opt.examples, Path(QStringLiteral("examples")))) {
            std::fprintf(stderr, "cannot set up the working directory from %s\n", qPrintable(m_opt.examples));
            return false;
        }
        for (const char* sub : {"run", "san", "logs", "config", "cache", "data"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(Path(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // A file dialog may go anywhere; its starting points and any save land here.
        m_env.insert(QStringLiteral("HOME"), m_dir.path());
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path(QStringLiteral("run")));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_CACHE_HOME"), Path(QStringLiteral("cache")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
        m_env.insert(QStringLiteral("PADORA_AUDIO"),
                     QStringLiteral("record:") + Path(QStringLiteral("record.wav")));
        m_env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
            const QString key = QString::fromLatin1(name);
            QString value = m_env.value(key);
            if (!value.isEmpty())
                value += QLatin1Char(':');
            const QString file = key.left(key.indexOf(QLatin1Char('_'))).toLower();
            m_env.insert(key, value + QStringLiteral("log_path=") + Path(QStringLiteral("san/") + file));
        }
        // What libraries without the sanitizer keep until exit is theirs, not a finding.
        if (m_env.value(QStringLiteral("LSAN_OPTIONS")).isEmpty())
            m_env.insert(QStringLiteral("LSAN_OPTIONS"),
                         QStringLiteral("print_suppressions=0:suppressions=" PADORA_LSAN_SUPP));
        m_gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
        return true;
    }

    void Failure(const std::string& what, const QString& details = QString()) {
        std::printf("FAILURE %s\n", what.c_str());
        if (!details.isEmpty())
            std::printf("%s\n", qPrintable(details));
        std::printf("last inputs (seed %u):\n%s\n", m_opt.seed, m_log.Last().c_str());
        std::fflush(stdout);
    }

    // Runs the program to its end (or until timeoutMs), for --check and gdb. Main thread.
    struct Outcome {
        bool finished = false;
        bool crashed = false;
        int code = 0;
        QString output;
    };
    Outcome RunTool(const QString& program, const QStringList& args, int timeoutMs) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        Outcome o;
        o.finished = p.waitForFinished(timeoutMs);
        if (!o.finished) {
            p.kill();
            p.waitForFinished();
        }
        o.crashed = p.exitStatus() == QProcess::CrashExit;
        o.code = p.exitCode();
        o.output = QString::fromUtf8(p.readAll());
        return o;
    }

    void RunOnce(const QDeadlineTimer& deadline) {
        const int start = ++m_starts;
        const std::string name = "start " + std::to_string(start);
        const QString errFile = Path(QStringLiteral("logs/padora-%1.stderr").arg(start));
        QFile::remove(Path(QStringLiteral("core")));
        QProcess padora;
        padora.setProcessEnvironment(m_env);
        padora.setWorkingDirectory(m_dir.path());
        padora.setStandardOutputFile(QProcess::nullDevice());
        padora.setStandardErrorFile(errFile);
        padora.setChildProcessModifier([] {
            // Gone with the monkey however it ends; a crash leaves a core for its stack.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
            ::setrlimit(RLIMIT_CORE, &unlimited);
        });
        m_x.SetNumLock(true);
        padora.start(m_opt.padora, {QStringLiteral("examples/demo.pdg")});
        if (!padora.waitForStarted(10000)) {
            Failure(name + ": padora did not start: " + padora.errorString().toStdString());
            ++m_abnormal;
            g_stop = true;
            return;
        }
        const qint64 pid = padora.processId();
        const std::string who = name + " (pid " + std::to_string(pid) + ")";
        QElapsedTimer since;
        since.start();
        const CUiProbe::Clock::time_point startedAt = CUiProbe::Clock::now();
        const auto sinceStart = [startedAt](CUiProbe::Clock::time_point t) {
            return std::to_string(
                std::chrono::duration_cast<std::chrono::milliseconds>(t - startedAt).count());
        };
        CUiProbe probe(Path(QStringLiteral("run/padora.sock")));
        std::vector<CUiProbe::Stall> unanswered;
        // Late answers are reported at once, beside the inputs that led to them; unanswered pings are
        // judged when the process has ended.
        const auto takeStalls = [&] {
            for (const CUiProbe::Stall& s : probe.TakeStalls()) {
                if (!s.answered) {
                    unanswered.push_back(s);
                    continue;
                }
                ++m_stalls;
                Failure(who + ": UI stall: the ping sent at +" + sinceStart(s.sent) +
                        " ms was answered after " + std::to_string(s.waited.count()) + " ms");
            }
        };
        bool hung = false;
        while (padora.state() == QProcess::Running && !deadline.hasExpired() && !g_stop) {
            const std::string what = m_input.Step(m_x.WindowsOf(pid));
            m_log.Add(start, since.elapsed(), what);
            if (m_opt.verbose)
                std::printf("%s\n", m_log.Latest().c_str());
            QThread::msleep(static_cast<unsigned long>(m_input.PauseMs()));
            padora.waitForFinished(0);
            takeStalls();
            if (probe.Waiting() > kHangKill) {
                hung = true;
                break;
            }
        }
        m_input.ReleaseAll();
        if (hung) {
            ++m_stalls;
            Failure(who + ": the UI thread has not answered for " + std::to_string(kHangKill.count()) +
                        " s; killed",
                    StackOf(pid) + QStringLiteral("\nstderr (last lines):\n") +
                        Tail(errFile, kStderrTailLines));
            padora.kill();
            padora.waitForFinished();
        }
        const bool stoppedByUs = !hung && padora.state() == QProcess::Running;
        const CUiProbe::Clock::time_point endedAt = CUiProbe::Clock::now();
        if (stoppedByUs)
            Stop(padora);
        const bool crashed = !hung && !stoppedByUs && padora.exitStatus() == QProcess::CrashExit;
        const int code = padora.exitCode();
        if (!hung && !stoppedByUs && (crashed || (code != kExitOk && code != kExitFailure))) {
            ++m_abnormal;
            QString details = QStringLiteral("stderr (last lines):\n") + Tail(errFile, kStderrTailLines);
            const QString stack = StackOfCore();
            if (!stack.isEmpty())
                details += QStringLiteral("\nbacktrace of the crashing thread:\n") + stack;
            Failure(who + " ended " + (crashed ? "by signal " : "with status ") + std::to_string(code) +
                        " after " + std::to_string(since.elapsed()) + " ms",
                    details);
        }
        probe.Stop();
        takeStalls();
        m_longestAnswer = std::max(m_longestAnswer, probe.Longest());
        // A ping cut off by a crash, by the hang already counted, or by the shutdown is no stall of its own.
        for (const CUiProbe::Stall& s : unanswered) {
            if (hung || crashed || endedAt - s.sent < kExitGrace)
                continue;
            ++m_stalls;
            Failure(who + ": UI stall: the ping sent at +" + sinceStart(s.sent) + " ms was unanswered for " +
                    std::to_string(s.waited.count()) + " ms until the process ended");
        }
        QFile::remove(Path(QStringLiteral("core")));
        CheckSets();
        CountSanitizerReports();
    }

    void Stop(QProcess& p) {
        p.terminate();
        if (!p.waitForFinished(kTermWaitMs)) {
            std::printf("note: padora did not end within %d ms of SIGTERM; killed\n", kTermWaitMs);
            p.kill();
            p.waitForFinished();
        }
    }

    // The UI thread's stack of a hung process.
    QString StackOf(qint64 pid) {
        if (m_gdb.isEmpty())
            return QStringLiteral("(no gdb for a stack)");
        const Outcome o = RunTool(m_gdb,
                                  {QStringLiteral("-batch"), QStringLiteral("-nx"), QStringLiteral("-p"),
                                   QString::number(pid), QStringLiteral("-ex"), QStringLiteral("thread 1"),
                                   QStringLiteral("-ex"), QStringLiteral("bt")},
                                  kGdbTimeoutMs);
        return QStringLiteral("UI thread:\n") + FrameLines(o.output);
    }

    QString StackOfCore() {
        const QString core = Path(QStringLiteral("core"));
        if (m_gdb.isEmpty() || !QFile::exists(core))
            return {};
        // padora hands a show to the window program beside it: the core is that one's.
        const QString window = m_opt.padora + QStringLiteral("-window");
        const QString program = QFile::exists(window) ? window : m_opt.padora;
        const Outcome o = RunTool(m_gdb,
                                  {QStringLiteral("-batch"), QStringLiteral("-nx"), QStringLiteral("-ex"),
                                   QStringLiteral("bt"), program, core},
                                  kGdbTimeoutMs);
        return FrameLines(o.output);
    }

    static QString FrameLines(const QString& gdbOutput) {
        QStringList frames;
        for (const QString& line : gdbOutput.split(QLatin1Char('\n'))) {
            // gdb shows the current frame once as it loads, then again in the backtrace.
            if (line.startsWith(QLatin1Char('#')) && (frames.isEmpty() || frames.last() != line))
                frames << line;
        }
        return frames.join(QLatin1Char('\n'));
    }

    // Every set file under the directory still opens: --check says 0 or 1, never 2 (no group in it).
    void CheckSets() {
        QDirIterator it(m_dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString suffix = info.suffix().toLower();
            if (suffix != QStringLiteral("pdg") && suffix != QStringLiteral("dat"))
                continue;
            const std::pair<qint64, QDateTime> stamp{info.size(), info.lastModified()};
            auto seen = m_checked.find(info.filePath());
            if (seen != m_checked.end() && seen->second == stamp)
                continue;
            m_checked[info.filePath()] = stamp;
            const Outcome o =
                RunTool(m_opt.padora, {QStringLiteral("--check"), info.filePath()}, kCheckTimeoutMs);
            const std::string file = m_dir.path() == info.filePath()
                                         ? ""
                                         : QDir(m_dir.path()).relativeFilePath(info.filePath()).toStdString();
            if (!o.finished || o.crashed) {
                ++m_abnormal;
                Failure(
                    "padora --check " + file +
                        (o.finished ? " crashed with signal " + std::to_string(o.code) : " did not finish"),
                    o.output.right(2000));
            } else if (o.code != kExitOk && o.code != kExitFailure) {
                ++m_unparsable;
                Failure("set file " + file + " no longer parses (--check status " + std::to_string(o.code) +
                            ")",
                        o.output.right(2000));
            }
        }
    }

    void CountSanitizerReports() {
        for (const QFileInfo& info : QDir(Path(QStringLiteral("san"))).entryInfoList(QDir::Files)) {
            if (!m_reports.insert({info.fileName(), true}).second)
                continue;
            ++m_sanitizer;
            Failure("sanitizer report " + info.fileName().toStdString(),
                    Head(info.filePath(), kReportHeadLines));
        }
    }

    const Options& m_opt;
    XSession& m_x;
    CMonkeyInput m_input;
    CInputLog m_log;
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/padora-monkey-XXXXXX")};
    QProcessEnvironment m_env;
    QString m_gdb;
    std::map<QString, std::pair<qint64, QDateTime>> m_checked;
    std::map<QString, bool> m_reports;
    int m_starts = 0, m_abnormal = 0, m_stalls = 0, m_sanitizer = 0, m_unparsable = 0;
    std::chrono::milliseconds m_longestAnswer{0};
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    options.padora = QCoreApplication::applicationDirPath() + QStringLiteral("/padora");
    if (!ParseOptions(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: padora-monkey [--seconds N] [--seed N] [--padora PATH] [--examples DIR] "
                             "[--keep-dir] [--verbose]\n");
        return kExitUsage;
    }
    XSession x;
    if (!x.IsOpen()) {
        std::fprintf(stderr, "no X display (run under xvfb-run)\n");
        return kExitUsage;
    }
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGHUP, OnStopSignal);
    std::printf("seed=%u\n", options.seed);
    std::fflush(stdout);
    CMonkey monkey(options, x);
    return monkey.Run();
}
