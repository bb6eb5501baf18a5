#include "E2eRecording.h"
#include "MainLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

// Padora as a native Wayland client: a headless sway of the test's own, padora on its socket with no
// platform forced, keys typed through wtype's virtual keyboard, the mouse moved by a virtual pointer, and
// what was heard read back from the record: output.
namespace {

using e2e::Recording;

constexpr int kTimeoutMs = 15000;
constexpr int kToolTimeoutMs = 5000;
constexpr double kLoud = 0.1;
constexpr double kSilent = 0.01;
constexpr int kRetryMs = 1000;
// Into the first menu title of the menu bar, and from there into its first item, in pixels.
constexpr int kMenuTitleX = 12;
constexpr int kMenuItemX = 30;
constexpr int kMenuItemY = 8;
constexpr int kDragSteps = 8;
constexpr int kListRow = 22;  // the channel list's rows, in pixels
constexpr int kKnobTurn = 70; // pixels up that turn a knob from the middle to its end
const QSize kOutputSize(1280, 1024);
const QString kMainTitle = QStringLiteral("Padora");
const char* const kSessionUser = "nobody";

// A headless sway on a private runtime folder, and the clients that run on it. Sway will not run as
// root: a root test runs it, and its clients, as an unprivileged user, who owns the session's folders.
class CWaylandSession {
public:
    CWaylandSession() = default;
    CWaylandSession(const CWaylandSession&) = delete;
    CWaylandSession& operator=(const CWaylandSession&) = delete;
    ~CWaylandSession() { Stop(); }

    // Why the session cannot run here (something not installed); empty when it can.
    static QString Missing() {
        for (const char* tool : {"sway", "swaymsg", "wtype"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        }
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (!QFileInfo::exists(plugin))
            return QStringLiteral("Qt's Wayland platform (qt6-wayland) is not installed");
        if (geteuid() == 0) {
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                return QStringLiteral("running as root and setpriv is not installed");
            if (!getpwnam(kSessionUser))
                return QStringLiteral("running as root and there is no user %1")
                    .arg(QLatin1String(kSessionUser));
        }
        return {};
    }

    // Starts the compositor; the reason when it did not come up. `client` is the program the test runs
    // on it: where the session's user cannot reach it (a build under root's home), the clients run as
    // the test's own user, on the socket's full path and a runtime folder of their own.
    QString Start(const QString& client) {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        QDir(m_dir.path()).mkpath(QStringLiteral("work"));
        if (geteuid() == 0) {
            const passwd* pw = getpwnam(kSessionUser);
            m_uid = pw->pw_uid;
            m_gid = pw->pw_gid;
            m_asUser = {QStringLiteral("--reuid=%1").arg(m_uid), QStringLiteral("--regid=%1").arg(m_gid),
                        QStringLiteral("--clear-groups"), QStringLiteral("--")};
            for (const QString& path : {m_dir.path(), RuntimeDir(), WorkDir()})
                Own(path);
            m_asClient = m_asUser;
            if (!UserCanRun(client)) {
                m_asClient.clear();
                QDir(m_dir.path()).mkpath(QStringLiteral("client-runtime"));
                QFile::setPermissions(ClientRuntimeDir(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                std::fprintf(stderr, "%s cannot run %s: its clients run as root\n", kSessionUser,
                             qPrintable(client));
            }
        }
        QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // No Xwayland: a window that shows up in the tree can only be a Wayland client's. No title bars
        // or borders: a window's surface is where the tree puts it, floating or not. The file manager a
        // drag starts from floats in a corner, off Padora's pads.
        Write(QStringLiteral("sway.config"),
              QStringLiteral("xwayland disable\noutput HEADLESS-1 resolution %1x%2\n"
                             "default_border none\ndefault_floating_border none\n"
                             "for_window [title=\"^drag-source$\"] floating enable, move position 1000 860\n")
                  .arg(kOutputSize.width())
                  .arg(kOutputSize.height())
                  .toUtf8());

        m_sway = std::make_unique<QProcess>();
        m_sway->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = BaseEnvironment();
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman")); // no GPU needed
        m_sway->setProcessEnvironment(env);
        StartAs(m_asUser, *m_sway, QStringLiteral("sway"),
                {QStringLiteral("-c"), WorkPath(QStringLiteral("sway.config"))});
        const bool up = e2e::WaitUntil(
            [&] {
                if (m_sway->state() == QProcess::NotRunning)
                    return true;
                const QDir dir(RuntimeDir());
                const QStringList sockets = dir.entryList({QStringLiteral("wayland-*")}, QDir::System);
                const QStringList ipc = dir.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
                for (const QString& s : sockets) {
                    if (!s.endsWith(QLatin1String(".lock")))
                        m_socket = s;
                }
                if (!ipc.isEmpty())
                    m_ipc = dir.filePath(ipc.front());
                return !m_socket.isEmpty() && !m_ipc.isEmpty() && Tree().has_value();
            },
            kTimeoutMs);
        if (!up || m_sway->state() == QProcess::NotRunning)
            return QStringLiteral("sway did not start: ") + QString::fromLocal8Bit(m_sway->readAll());
        return {};
    }

    void Stop() {
        if (!m_sway || m_sway->state() == QProcess::NotRunning)
            return;
        m_sway->terminate();
        if (!m_sway->waitForFinished(3000)) {
            m_sway->kill();
            m_sway->waitForFinished(3000);
        }
    }

    QString WorkDir() const { return m_dir.filePath(QStringLiteral("work")); }
    QString WorkPath(const QString& name) const { return WorkDir() + QLatin1Char('/') + name; }

    // A file of the work folder that the session's user may write over.
    QString Write(const QString& name, const QByteArray& bytes) const {
        const QString path = WorkPath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
        f.close();
        Own(path);
        return path;
    }

    // What a client of this compositor sees: its socket, its runtime folder, a home in the work folder;
    // the X display of the test is left in place, as on a desktop with Xwayland.
    QProcessEnvironment ClientEnvironment() const {
        QProcessEnvironment env = BaseEnvironment();
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        if (m_asClient != m_asUser) {
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), RuntimeDir() + QLatin1Char('/') + m_socket);
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), ClientRuntimeDir());
        }
        env.insert(QStringLiteral("SWAYSOCK"), m_ipc);
        return env;
    }

    // Starts a client of the compositor (as the session's user where it can).
    void StartClient(QProcess& p, const QString& program, const QStringList& args) const {
        StartAs(m_asClient, p, program, args);
    }

    // Runs a tool to its end on the compositor; its output, or nothing when it failed.
    std::optional<QByteArray> Run(const QString& program, const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(ClientEnvironment());
        StartClient(p, program, args);
        if (!p.waitForFinished(kToolTimeoutMs)) {
            p.kill();
            p.waitForFinished(kToolTimeoutMs);
            return std::nullopt;
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return p.readAllStandardOutput();
    }

    std::optional<QJsonObject> Tree() const {
        const auto out = Run(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, QStringLiteral("-t"),
                                                         QStringLiteral("get_tree"), QStringLiteral("-r")});
        if (!out)
            return std::nullopt;
        const QJsonDocument doc = QJsonDocument::fromJson(*out);
        return doc.isObject() ? std::optional(doc.object()) : std::nullopt;
    }

    // Presses and releases a key (an xkb keysym name such as KP_1) on the virtual keyboard. The key map
    // of a new virtual keyboard reaches the focused client first, and a tap shorter than the client's
    // round trip is lost: wait a moment, hold the key a moment.
    bool Tap(const QString& keysym) const {
        return Run(QStringLiteral("wtype"),
                   {QStringLiteral("-s"), QStringLiteral("100"), QStringLiteral("-P"), keysym,
                    QStringLiteral("-s"), QStringLiteral("100"), QStringLiteral("-p"), keysym})
            .has_value();
    }
    // With Ctrl or Alt held around the key, as a keyboard does it: the modifier's own key goes down
    // and up (wtype's -M alone only sets the modifier state), and the modifier is in the key's state.
    enum class Held { Ctrl, Alt };
    bool Tap(const QString& keysym, Held held) const {
        const QString mod = held == Held::Ctrl ? QStringLiteral("ctrl") : QStringLiteral("alt");
        const QString key = held == Held::Ctrl ? QStringLiteral("Control_L") : QStringLiteral("Alt_L");
        return Run(QStringLiteral("wtype"),
                   {QStringLiteral("-s"), QStringLiteral("100"), QStringLiteral("-M"), mod,
                    QStringLiteral("-P"), key, QStringLiteral("-s"), QStringLiteral("50"),
                    QStringLiteral("-P"), keysym, QStringLiteral("-s"), QStringLiteral("100"),
                    QStringLiteral("-p"), keysym, QStringLiteral("-p"), key, QStringLiteral("-m"), mod})
            .has_value();
    }

private:
    QProcessEnvironment BaseEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"WAYLAND_DISPLAY", "SWAYSOCK", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeDir());
        env.insert(QStringLiteral("HOME"), WorkDir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), WorkPath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), WorkPath(QStringLiteral(".cache")));
        return env;
    }

    QString RuntimeDir() const { return m_dir.filePath(QStringLiteral("runtime")); }
    QString ClientRuntimeDir() const { return m_dir.filePath(QStringLiteral("client-runtime")); }

    static void StartAs(const QStringList& asUser, QProcess& p, const QString& program,
                        const QStringList& args) {
        if (asUser.isEmpty())
            p.start(program, args);
        else
            p.start(QStringLiteral("setpriv"), asUser + QStringList{program} + args);
        p.waitForStarted(kToolTimeoutMs);
    }

    bool UserCanRun(const QString& program) const {
        QProcess p;
        StartAs(m_asUser, p, QStringLiteral("test"), {QStringLiteral("-x"), program});
        return p.waitForFinished(kToolTimeoutMs) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    void Own(const QString& path) const {
        if (!m_asUser.isEmpty()) {
            EXPECT_EQ(chown(QFile::encodeName(path).constData(), m_uid, m_gid), 0) << path.toStdString();
        }
    }

    QTemporaryDir m_dir;
    QStringList m_asUser;   // setpriv's options when the session runs as another user
    QStringList m_asClient; // the same for its clients, unless that user cannot run them
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    std::unique_ptr<QProcess> m_sway;
    QString m_socket; // the compositor's socket name in the runtime folder
    QString m_ipc;    // sway's IPC socket
};

// The session's mouse. A headless sway has no pointer device, and its seat offers clients no pointer
// without one (its own "seat cursor" commands then reach nobody): the test's virtual pointer is that
// device, and moves and presses as a mouse does, through the compositor's own handling of motion.
class CPointer {
public:
    CPointer() = default;
    CPointer(const CPointer&) = delete;
    CPointer& operator=(const CPointer&) = delete;
    ~CPointer() {
        if (m_p.state() == QProcess::NotRunning)
            return;
        m_p.closeWriteChannel();
        if (!m_p.waitForFinished(kToolTimeoutMs)) {
            m_p.kill();
            m_p.waitForFinished(kToolTimeoutMs);
        }
    }

    // Why there can be no pointer here (it was not built); empty when there can.
    static QString Missing() {
#ifdef VIRTUAL_POINTER_BIN
        return {};
#else
        return QStringLiteral("the virtual pointer was not built (no wayland-client or wayland-scanner)");
#endif
    }

    // Puts it on the session's seat; why that failed, empty once it is there.
    QString Start(const CWaylandSession& session) {
#ifdef VIRTUAL_POINTER_BIN
        m_p.setProcessEnvironment(session.ClientEnvironment());
        session.StartClient(m_p, QStringLiteral(VIRTUAL_POINTER_BIN),
                            {QString::number(kOutputSize.width()), QString::number(kOutputSize.height())});
        if (ReadLine() != "ready")
            return QStringLiteral("the virtual pointer did not start: ") +
                   QString::fromLocal8Bit(m_p.readAllStandardError());
        return {};
#else
        (void)session;
        return Missing();
#endif
    }

    // Each returns once the compositor has taken it.
    bool Move(QPoint at) {
        m_at = at;
        return Send(QStringLiteral("move %1 %2\n").arg(at.x()).arg(at.y()).toLatin1());
    }
    bool Press() {
        return Send("press\n");
    }
    bool Release() {
        return Send("release\n");
    }
    bool Click(QPoint at) {
        return Move(at) && Press() && Release();
    }
    // Button down at `from`, to `to` in steps as a hand moves, button up there.
    bool Drag(QPoint from, QPoint to, int steps) {
        if (!Move(from) || !Press())
            return false;
        for (int step = 1; step <= steps; ++step) {
            if (!Move(from + (to - from) * step / steps))
                return false;
        }
        return Release();
    }
    // A pixel aside and back: motion for a client that waits for some.
    bool Nudge() {
        const QPoint at = m_at;
        return Move(at + QPoint(1, 0)) && Move(at);
    }
    QPoint At() const {
        return m_at;
    }

private:
    bool Send(const QByteArray& line) {
        return m_p.state() == QProcess::Running && m_p.write(line) == line.size() && ReadLine() == "ok";
    }
    QByteArray ReadLine() {
        while (!m_p.canReadLine()) {
            if (!m_p.waitForReadyRead(kToolTimeoutMs))
                return {};
        }
        return m_p.readLine().trimmed();
    }

    QProcess m_p;
    QPoint m_at;
};

// Where a window's own surface is on the output: its container's rectangle, the window's within it
// (the session's windows have no title bars).
QRect Surface(const QJsonObject& window) {
    const QJsonObject rect = window.value(QLatin1String("rect")).toObject();
    const QJsonObject inner = window.value(QLatin1String("window_rect")).toObject();
    return QRect(rect.value(QLatin1String("x")).toInt() + inner.value(QLatin1String("x")).toInt(),
                 rect.value(QLatin1String("y")).toInt() + inner.value(QLatin1String("y")).toInt(),
                 inner.value(QLatin1String("width")).toInt(), inner.value(QLatin1String("height")).toInt());
}

// The windows of one process in sway's tree, depth first.
void CollectWindows(const QJsonObject& node, qint64 pid, std::vector<QJsonObject>* pOut) {
    if (node.value(QLatin1String("pid")).toInteger() == pid)
        pOut->push_back(node);
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(key)).toArray())
            CollectWindows(child.toObject(), pid, pOut);
    }
}

// The first frame at or after `from` where a sound is heard; -1 when none came in time.
qint64 Onset(const Recording& rec, qint64 from, int timeoutMs) {
    const qint64 block = Recording::FramesOf(0.01);
    qint64 at = from;
    qint64 found = -1;
    e2e::WaitUntil(
        [&] {
            for (; at + block <= rec.Frames(); at += block) {
                if (rec.Rms(at, 0.01) > kLoud) {
                    found = at;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

class WaylandE2e : public ::testing::Test {
protected:
    void SetUp() override {
        const QString missing = CWaylandSession::Missing();
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        const QString failed = m_session.Start(QStringLiteral(PADORA_BIN));
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    }

    void TearDown() override {
        for (QProcess* p : {m_padora.get(), m_source.get()}) {
            if (p && p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        m_pointer.reset();
        m_session.Stop();
    }

    // The mouse, on the seat before any window maps; the reason when there is none.
    QString StartPointer() {
        m_pointer = std::make_unique<CPointer>();
        return m_pointer->Start(m_session);
    }

    void StartPadora(const QString& set) {
        m_padora = std::make_unique<QProcess>();
        QProcessEnvironment env = m_session.ClientEnvironment();
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + RecordPath());
        m_padora->setProcessEnvironment(env);
        m_padora->setWorkingDirectory(m_session.WorkDir());
        m_session.StartClient(*m_padora, QStringLiteral(PADORA_BIN), {set});
    }

    // Padora's windows (or another client's) as the compositor has them now.
    std::vector<QJsonObject> Windows(const QProcess* p = nullptr) const {
        std::vector<QJsonObject> windows;
        if (const auto tree = m_session.Tree())
            CollectWindows(*tree, (p ? p : m_padora.get())->processId(), &windows);
        return windows;
    }

    // A client's window once the compositor has mapped it.
    std::optional<QJsonObject> WaitForWindow(const QProcess& p, const QString& title) const {
        std::optional<QJsonObject> found;
        e2e::WaitUntil(
            [&] {
                if (p.state() == QProcess::NotRunning)
                    return true;
                for (const QJsonObject& w : Windows(&p)) {
                    if (w.value(QLatin1String("name")).toString() == title &&
                        w.value(QLatin1String("visible")).toBool())
                        found = w;
                }
                return found.has_value();
            },
            kTimeoutMs);
        return found;
    }
    std::optional<QJsonObject> WaitForMainWindow() const { return WaitForWindow(*m_padora, kMainTitle); }

    // A point of the main window from its template's dialog units, on the output.
    QPoint InMain(const QJsonObject& main, double xUnits, double yUnits) const {
        const QRect surface = Surface(main);
        return surface.topLeft() + m_layout.At(surface.height(), xUnits, yUnits);
    }
    QPoint Pad(const QJsonObject& main, int i) const {
        const QRect surface = Surface(main);
        return surface.topLeft() + m_layout.Pad(surface.height(), i);
    }

    bool WaitForWindowCount(std::size_t count) const {
        e2e::WaitUntil([&] { return Windows().size() == count || m_padora->state() == QProcess::NotRunning; },
                       kTimeoutMs);
        return m_padora->state() == QProcess::Running && Windows().size() == count;
    }

    QString Stderr() { return QString::fromLocal8Bit(m_padora->readAllStandardError()); }
    QString RecordPath() const { return m_session.WorkPath(QStringLiteral("heard.wav")); }

    // Clicks until a sound is heard, the first frame heard; -1 when none came. A window just mapped is
    // placed a moment after the tree shows it, and a dropped file is loaded just after the drop: a
    // click before that is lost, the next one plays.
    qint64 ClickUntilHeard(const Recording& rec, QPoint at) {
        qint64 onset = -1;
        e2e::WaitUntil(
            [&] {
                const qint64 mark = rec.Frames();
                if (m_pointer->Click(at))
                    onset = Onset(rec, mark, kRetryMs);
                return onset >= 0;
            },
            kTimeoutMs);
        return onset;
    }

    // The menu bar's first menu opened with a click on its title, and its first item (新規作成) clicked.
    // Sizes in pixels come from the window: the menu bar is its height above the client area, and an
    // item is at least a line of its font high.
    bool ChooseFirstFileMenuItem(const QJsonObject& main) {
        const QRect surface = Surface(main);
        const int bar = surface.height() - m_layout.Client().height();
        return m_pointer->Click(surface.topLeft() + QPoint(kMenuTitleX, bar / 2)) &&
               m_pointer->Click(surface.topLeft() + QPoint(kMenuTitleX + kMenuItemX, bar + kMenuItemY));
    }

    // Drags a file from a file manager of its own onto `to` and lets go there once Padora takes it;
    // why that failed, empty when the file manager was told that the file was copied. The drag
    // starts on the press and goes with the pointer; the button comes up once Padora has said it
    // takes the file there, as a hand lets go once the cursor shows it. A window just mapped is placed
    // a moment after the tree shows it: the press waits for the pointer to be on it.
    QString DropFile(const QString& file, QPoint to) {
        m_source = std::make_unique<QProcess>();
        m_source->setProcessEnvironment(m_session.ClientEnvironment());
        m_session.StartClient(*m_source, QStringLiteral(DRAG_SOURCE_BIN), {file});
        const auto from = WaitForWindow(*m_source, QStringLiteral("drag-source"));
        if (!from)
            return QStringLiteral("no drag source window: ") +
                   QString::fromLocal8Bit(m_source->readAllStandardError());
        if (Surface(*from).contains(to))
            return QStringLiteral("the drag source covers the place of the drop");
        if (!m_pointer->Move(Surface(*from).center()) || !WaitForSource("hovered"))
            return QStringLiteral("the pointer never came onto the drag source");
        if (!m_pointer->Press() || !WaitForSource("dragging"))
            return QStringLiteral("no drag started");
        const QPoint start = m_pointer->At();
        for (int step = 1; step <= kDragSteps; ++step) {
            if (!m_pointer->Move(start + (to - start) * step / kDragSteps))
                return QStringLiteral("the pointer is gone");
        }
        if (!WaitForSource("action copy"))
            return QStringLiteral("Padora did not take the file there");
        if (!m_pointer->Release() || !m_source->waitForFinished(kTimeoutMs))
            return QStringLiteral("the drag did not end");
        const QByteArray last = m_source->readAllStandardOutput().trimmed().split('\n').last();
        // The file manager keeps its file.
        return last == "copy" ? QString()
                              : QStringLiteral("the drop ended with ") + QString::fromLatin1(last);
    }

    // Waits for a line of the drag source, moving the mouse a pixel now and then: the compositor tells
    // a drag's windows where it is only as the pointer moves. False when it did not come.
    bool WaitForSource(const QByteArray& line) {
        QByteArray out;
        return e2e::WaitUntil(
                   [&] {
                       out += m_source->readAllStandardOutput();
                       const QList<QByteArray> lines = out.trimmed().split('\n');
                       if (lines.contains(line) && lines.last() == line)
                           return true;
                       m_pointer->Nudge();
                       return m_source->state() == QProcess::NotRunning;
                   },
                   kTimeoutMs) &&
               out.trimmed().split('\n').last() == line;
    }

    CWaylandSession m_session;
    std::unique_ptr<QProcess> m_padora;
    std::unique_ptr<QProcess> m_source; // the file manager a drag comes from
    std::unique_ptr<CPointer> m_pointer;
    e2e::CMainLayout m_layout;
};

} // namespace

// A new user's show on a Wayland desktop: the window is a native one, the keypad's channel keys play
// their pads (the main block's digits do not) and stop them with Ctrl, a dialog and a menu open and close
// from the keyboard, and Esc ends Padora as it does on X.
TEST_F(WaylandE2e, ChannelKeysPlayMenusOpenAndEscEndsPadora) {
    const QString first = m_session.Write(QStringLiteral("first.wav"),
                                          e2e::MakeWav(5.0, [](double t) { return e2e::Sine(t, 1000, -6); }));
    const QString tenth = m_session.Write(QStringLiteral("tenth.wav"),
                                          e2e::MakeWav(0.5, [](double t) { return e2e::Sine(t, 500, -6); }));
    // Background capture would read the keyboards' devices; its own tests cover that.
    m_session.Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n");
    const QString set = m_session.Write(
        QStringLiteral("show.pdg"), QStringLiteral("[GroupData]\nGroupNum=1\nGrpName01=G1\n[SoundData]\n"
                                                   "SndName01-01=First\nSndFName01-01=%1\nSndVol01-01=100\n"
                                                   "SndName01-10=Tenth\nSndFName01-10=%2\nSndVol01-10=100\n")
                                        .arg(first, tenth)
                                        .toUtf8());

    StartPadora(set);
    const auto main = WaitForMainWindow();
    ASSERT_TRUE(main.has_value()) << "no mapped window \"Padora\": " << Stderr().toStdString();
    EXPECT_EQ(main->value(QLatin1String("shell")).toString(), QStringLiteral("xdg_shell"))
        << "a native window";
    // The desktop finds the menu entry (its name and icon) for the window by this id.
    EXPECT_EQ(main->value(QLatin1String("app_id")).toString(), QStringLiteral(PADORA_APP_ID));
    EXPECT_TRUE(main->value(QLatin1String("focused")).toBool());
    const Recording rec(RecordPath());
    ASSERT_TRUE(e2e::WaitUntil([&] { return rec.Frames() > 0; }, kTimeoutMs)) << "sounds not opened";

    // The main block's 1 is not the keypad's.
    qint64 mark = rec.Frames();
    ASSERT_TRUE(m_session.Tap(QStringLiteral("1")));
    EXPECT_LT(rec.Rms(mark, 0.6), 0.01) << "the main block's 1 played a pad";

    mark = rec.Frames();
    ASSERT_TRUE(m_session.Tap(QStringLiteral("KP_1")));
    qint64 onset = Onset(rec, mark, kTimeoutMs);
    ASSERT_GE(onset, 0) << "keypad 1 played nothing";
    EXPECT_NEAR(rec.Frequency(onset + Recording::FramesOf(0.05), 0.3, 0), 1000.0, 15.0) << "pad 1's sound";
    // Ctrl held with the channel key stops it, long before its five seconds are over.
    ASSERT_TRUE(m_session.Tap(QStringLiteral("KP_1"), CWaylandSession::Held::Ctrl));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const qint64 now = rec.Frames();
            return rec.Rms(now - Recording::FramesOf(0.1), 0.1) < 0.01;
        },
        kTimeoutMs))
        << "Ctrl with keypad 1 did not stop pad 1";
    EXPECT_LT(rec.Frames() - onset, Recording::FramesOf(4.0));

    // A dialog (the open dialog, Ctrl+O) is a window of its own; Esc there closes only the dialog, and the
    // keys go back to the main window.
    ASSERT_TRUE(m_session.Tap(QStringLiteral("o"), CWaylandSession::Held::Ctrl));
    ASSERT_TRUE(WaitForWindowCount(2)) << "no open dialog: " << Stderr().toStdString();
    ASSERT_TRUE(m_session.Tap(QStringLiteral("Escape")));
    ASSERT_TRUE(WaitForWindowCount(1)) << "Esc did not close the dialog";

    mark = rec.Frames();
    ASSERT_TRUE(m_session.Tap(QStringLiteral("KP_0")));
    onset = Onset(rec, mark, kTimeoutMs);
    ASSERT_GE(onset, 0) << "keypad 0 played nothing";
    EXPECT_NEAR(rec.Frequency(onset + Recording::FramesOf(0.05), 0.3, 0), 500.0, 15.0) << "pad 10's sound";

    // A menu opened from the keyboard (Alt+O). As on X, Esc closes the menu, then leaves the menu bar,
    // then ends Padora; a compositor that closes the menu on its own (sway does with one opened from
    // wtype's keyboard) leaves fewer steps, but never a menu bar that keeps every Esc.
    ASSERT_TRUE(m_session.Tap(QStringLiteral("o"), CWaylandSession::Held::Alt));
    int escapes = 0;
    while (escapes < 3 && m_padora->state() == QProcess::Running) {
        ASSERT_TRUE(m_session.Tap(QStringLiteral("Escape")));
        ++escapes;
        m_padora->waitForFinished(500);
    }
    // waitForFinished is false for a process that has already ended.
    ASSERT_TRUE(m_padora->state() == QProcess::NotRunning || m_padora->waitForFinished(kTimeoutMs))
        << "Esc in the window did not end Padora after " << escapes << " presses";
    EXPECT_EQ(m_padora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_padora->exitCode(), 0) << Stderr().toStdString();
}

// The operator's mouse on the native window: a click on a pad plays it, its fader dragged down lowers
// it, its pan knob turned to the right leaves the left side silent, the all-stop button ends it; the
// file menu opened with a click takes a click on its first item (新規作成), which asks about the
// changed pan before it drops the set.
TEST_F(WaylandE2e, MouseClicksPadsDragsFadersAndChoosesFromMenus) {
    if (const QString missing = CPointer::Missing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    const QString pointer = StartPointer();
    ASSERT_TRUE(pointer.isEmpty()) << pointer.toStdString();
    const QString first = m_session.Write(QStringLiteral("first.wav"),
                                          e2e::MakeWav(8.0, [](double t) { return e2e::Sine(t, 1000, -6); }));
    m_session.Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n");
    const QString set = m_session.Write(
        QStringLiteral("show.pdg"), QStringLiteral("[GroupData]\nGroupNum=1\nGrpName01=G1\n[SoundData]\n"
                                                   "SndName01-01=First\nSndFName01-01=%1\nSndVol01-01=100\n")
                                        .arg(first)
                                        .toUtf8());
    StartPadora(set);
    const auto main = WaitForMainWindow();
    ASSERT_TRUE(main.has_value()) << "no mapped window \"Padora\": " << Stderr().toStdString();
    const Recording rec(RecordPath());
    ASSERT_TRUE(e2e::WaitUntil([&] { return rec.Frames() > 0; }, kTimeoutMs)) << "sounds not opened";

    const qint64 onset = ClickUntilHeard(rec, Pad(*main, 0));
    ASSERT_GE(onset, 0) << "a click on pad 1 played nothing";
    EXPECT_NEAR(rec.Frequency(onset + Recording::FramesOf(0.05), 0.3, 0), 1000.0, 15.0) << "pad 1's sound";
    const double full = rec.Rms(onset + Recording::FramesOf(0.4), 0.2);
    EXPECT_GT(full, 0.3);

    // The thumb taken at full level and drawn a good way down.
    using Layout = e2e::CMainLayout;
    const double faderX = Layout::kStripX[0] + Layout::kFaderX;
    ASSERT_TRUE(
        m_pointer->Drag(InMain(*main, faderX, Layout::kFaderTopY), InMain(*main, faderX, 221), kDragSteps));
    const double lowered = rec.Rms(rec.Frames() + Recording::FramesOf(0.2), 0.2);
    EXPECT_LT(lowered, full * 0.7) << "the fader dragged down";
    EXPECT_GT(lowered, 0.005) << "the fader dragged down, not to nothing";

    const QPoint pan = InMain(*main, Layout::kStripX[0] + Layout::kKnobX, Layout::kPanY);
    ASSERT_TRUE(m_pointer->Drag(pan, pan - QPoint(0, kKnobTurn), kDragSteps));
    const qint64 now = rec.Frames() + Recording::FramesOf(0.2);
    EXPECT_LT(rec.Rms(now, 0.2, 0), 1e-3) << "panned right: the left side";
    EXPECT_GT(rec.Rms(now, 0.2, 1), 0.005) << "panned right: the right side";

    ASSERT_TRUE(m_pointer->Click(InMain(*main, Layout::kAllStopX, Layout::kPadY)));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return rec.Rms(rec.Frames() - Recording::FramesOf(0.1), 0.1) < kSilent; }, kTimeoutMs))
        << "the all-stop button did not stop pad 1";

    ASSERT_TRUE(ChooseFirstFileMenuItem(*main));
    ASSERT_TRUE(WaitForWindowCount(2)) << "no question after 新規作成 from the menu";
    ASSERT_TRUE(m_session.Tap(QStringLiteral("Escape")));
    ASSERT_TRUE(WaitForWindowCount(1)) << "Esc did not cancel the question";
    const qint64 again = ClickUntilHeard(rec, Pad(*main, 0));
    ASSERT_GE(again, 0) << "the cancelled question dropped the set";
    EXPECT_LT(rec.Rms(again + Recording::FramesOf(0.1), 0.2, 0), 1e-3) << "the set kept its pan";
}

// Sound files dragged from another Wayland client onto an empty pad and onto the empty row of the
// channel list become those channels' sounds: the file manager is told they were copied, and the pads
// then play them.
TEST_F(WaylandE2e, SoundFilesDroppedFromAnotherClientOntoAPadAndAListRowPlayThere) {
    if (const QString missing = CPointer::Missing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    const QString pointer = StartPointer();
    ASSERT_TRUE(pointer.isEmpty()) << pointer.toStdString();
    const QString tone = m_session.Write(QStringLiteral("tone.wav"),
                                         e2e::MakeWav(2.0, [](double t) { return e2e::Sine(t, 500, -6); }));
    const QString bell = m_session.Write(QStringLiteral("bell.wav"),
                                         e2e::MakeWav(4.0, [](double t) { return e2e::Sine(t, 1000, -6); }));
    // A name as a file manager hands it over percent-encoded: blanks and Japanese.
    const QString wind = m_session.Write(QStringLiteral("風 の音 #1.wav"),
                                         e2e::MakeWav(4.0, [](double t) { return e2e::Sine(t, 300, -6); }));
    m_session.Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n");
    const QString set = m_session.Write(
        QStringLiteral("show.pdg"), QStringLiteral("[GroupData]\nGroupNum=1\nGrpName01=G1\n[SoundData]\n"
                                                   "SndName01-01=Tone\nSndFName01-01=%1\nSndVol01-01=100\n")
                                        .arg(tone)
                                        .toUtf8());
    StartPadora(set);
    const auto main = WaitForMainWindow();
    ASSERT_TRUE(main.has_value()) << "no mapped window \"Padora\": " << Stderr().toStdString();
    const Recording rec(RecordPath());
    ASSERT_TRUE(e2e::WaitUntil([&] { return rec.Frames() > 0; }, kTimeoutMs)) << "sounds not opened";

    const QString onPad = DropFile(bell, Pad(*main, 2));
    ASSERT_TRUE(onPad.isEmpty()) << "onto pad 3: " << onPad.toStdString();
    // The file is taken just after the drop.
    qint64 onset = ClickUntilHeard(rec, Pad(*main, 2));
    ASSERT_GE(onset, 0) << "pad 3 played nothing after the drop";
    EXPECT_NEAR(rec.Frequency(onset + Recording::FramesOf(0.05), 0.3, 0), 1000.0, 15.0)
        << "the bell on pad 3";
    ASSERT_TRUE(m_pointer->Click(InMain(*main, e2e::CMainLayout::kAllStopX, e2e::CMainLayout::kPadY)));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return rec.Rms(rec.Frames() - Recording::FramesOf(0.1), 0.1) < kSilent; }, kTimeoutMs));

    // The list's second row, channel 2: a header about a row high above its rows.
    const QPoint row = InMain(*main, e2e::CMainLayout::kListX, e2e::CMainLayout::kListTopY) +
                       QPoint(0, (1 + 1) * kListRow + kListRow / 2);
    const QString onRow = DropFile(wind, row);
    ASSERT_TRUE(onRow.isEmpty()) << "onto the list's row of channel 2: " << onRow.toStdString();
    onset = ClickUntilHeard(rec, Pad(*main, 1));
    ASSERT_GE(onset, 0) << "pad 2 played nothing after the drop";
    EXPECT_NEAR(rec.Frequency(onset + Recording::FramesOf(0.05), 0.3, 0), 300.0, 15.0) << "the wind on pad 2";
}
