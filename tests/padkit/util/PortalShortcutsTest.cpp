#include "padkit/util/PortalShortcuts.h"
#include "padkit/util/FakePortal.h"
#include "padkit/util/KeyHook.h"
#include "platform/Message.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <linux/input.h>
#include <unistd.h>

using namespace padkit;
using platform::WM_KEYDOWN;
using platform::WM_KEYUP;

namespace {

constexpr int kWaitMs = 3000;
constexpr LPARAM kDown = 0x00000001, kRepeat = 0x40000001, kUp = static_cast<LPARAM>(0xC0000001u);

struct Posted {
    UINT nMessage;
    UINT nVKey;
    LPARAM lParam;
    bool operator==(const Posted&) const = default;
};

// A keyboard that exists and never types: enough for the reader to count it as taken.
class QuietKeyboard final : public IInputDevice {
public:
    QuietKeyboard() { (void)pipe(m_fds); }
    ~QuietKeyboard() override {
        close(m_fds[0]);
        close(m_fds[1]);
    }
    int Fd() const override { return m_fds[0]; }
    ReadResult Next(input_event&) override { return ReadResult::None; }
    bool Grab(bool) override { return true; }
    bool AnyKeyDown() const override { return false; }
    bool KeyDown(unsigned) const override { return false; }
    int NumLockLed() const override { return -1; }
    void SetNumLockLed(bool) override {}

private:
    int m_fds[2] = {-1, -1};
};

// The default keys: keypad 1 to 9 and 0, Ctrl, Space, the arrows; the master key left without one.
ShortcutKeys DefaultKeys() {
    ShortcutKeys keys;
    for (int i = 0; i < 9; ++i)
        keys.aVKey[static_cast<size_t>(i)] = 0x61 + static_cast<UINT>(i);
    keys.aVKey[9] = 0x60;
    keys.aVKey[10] = 0x11;
    keys.aVKey[11] = 0x20;
    keys.aVKey[12] = 0x25;
    keys.aVKey[13] = 0x27;
    keys.aVKey[14] = 0x26;
    keys.aVKey[15] = 0x28;
    return keys;
}

// A private bus with the fake portal on it, and Padora's side connected to it.
class PortalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_bus.Address().isEmpty()) << "dbus-daemon did not start";
        m_pPortal = std::make_unique<CFakePortal>(m_bus.Address());
        ASSERT_TRUE(m_pPortal->IsServing());
        m_pPortal->SetTriggers({{QStringLiteral("pad1"), QStringLiteral("テンキー 1")},
                                {QStringLiteral("stop"), QStringLiteral("Ctrl")}});
    }
    void TearDown() override {
        m_pClient.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("padora-portal ") + m_bus.Address());
    }

    QDBusConnection Bus() {
        return QDBusConnection::connectToBus(m_bus.Address(),
                                             QStringLiteral("padora-portal ") + m_bus.Address());
    }
    KeySink Sink() {
        return [this](UINT m, WPARAM w, LPARAM l) { m_posted.push_back({m, static_cast<UINT>(w), l}); };
    }
    void Start(const ShortcutKeys& keys = DefaultKeys()) {
        m_pClient = std::make_unique<CPortalShortcuts>(
            Bus(), keys, Sink(), [this](CPortalShortcuts::EEnd end) { m_ends.push_back(end); },
            [this](const ShortcutTriggers& t) { m_triggers = t; });
    }
    bool WaitBound() {
        return QTest::qWaitFor([&] { return m_pClient->State() == CPortalShortcuts::EState::Bound; },
                               kWaitMs);
    }
    template <class F> bool Until(F f) { return QTest::qWaitFor(f, kWaitMs); }

    CPrivateSessionBus m_bus;
    std::unique_ptr<CFakePortal> m_pPortal;
    std::unique_ptr<CPortalShortcuts> m_pClient;
    std::vector<Posted> m_posted;
    std::vector<CPortalShortcuts::EEnd> m_ends;
    ShortcutTriggers m_triggers;
};

TEST_F(PortalShortcutsTest, BindsEveryRoleWithItsKeyThroughRequestObjects) {
    EXPECT_TRUE(CPortalShortcuts::IsOffered(Bus()));
    Start();
    ASSERT_TRUE(WaitBound());
    const CFakePortal::Record r = m_pPortal->Recorded();
    EXPECT_TRUE(r.tokenlessCalls.isEmpty()) << r.tokenlessCalls.join(u',').toStdString();
    // CreateSession and BindShortcuts were answered; the list may have been asked for already.
    ASSERT_GE(r.requestPaths.size(), 2);
    ASSERT_LE(r.requestPaths.size(), 3);
    EXPECT_EQ(m_pClient->SessionHandle(), r.strSession);

    const std::vector<std::pair<const char*, const char*>> expected = {
        {"pad1", "KP_1"},       {"pad2", "KP_2"},        {"pad3", "KP_3"},      {"pad4", "KP_4"},
        {"pad5", "KP_5"},       {"pad6", "KP_6"},        {"pad7", "KP_7"},      {"pad8", "KP_8"},
        {"pad9", "KP_9"},       {"pad10", "KP_0"},       {"stop", "Control_L"}, {"allstop", "space"},
        {"group-prev", "Left"}, {"group-next", "Right"}, {"volume-up", "Up"},   {"volume-down", "Down"},
        {"master", nullptr},
    };
    ASSERT_EQ(r.bound.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(r.bound[i].strId.toStdString(), expected[i].first);
        EXPECT_FALSE(r.bound[i].properties.value(QStringLiteral("description")).toString().isEmpty());
        const QVariant trigger = r.bound[i].properties.value(QStringLiteral("preferred_trigger"));
        if (expected[i].second)
            EXPECT_EQ(trigger.toString().toStdString(), expected[i].second) << expected[i].first;
        else
            EXPECT_FALSE(trigger.isValid()) << "a role without a key is bound with no trigger";
    }

    // What the desktop bound, from the bind answer and the list; later changes follow.
    ASSERT_TRUE(Until([&] { return m_pPortal->Recorded().requestPaths.size() == 3; }));
    EXPECT_EQ(m_triggers[0], QStringLiteral("テンキー 1"));
    EXPECT_EQ(m_triggers[10], QStringLiteral("Ctrl"));
    EXPECT_TRUE(m_triggers[1].isEmpty());
    m_pPortal->ChangeTriggers({{QStringLiteral("pad2"), QStringLiteral("F2")}});
    ASSERT_TRUE(Until([&] { return m_triggers[1] == QStringLiteral("F2"); }));

    m_pClient.reset();
    EXPECT_TRUE(Until([&] { return m_pPortal->Recorded().nClosed == 1; })) << "the session is closed";
}

TEST_F(PortalShortcutsTest, ActivationsArePressesAndReleasesOfTheRolesKeys) {
    Start();
    ASSERT_TRUE(WaitBound());
    m_pPortal->Activate(QStringLiteral("stop"));
    m_pPortal->Activate(QStringLiteral("pad3"));
    m_pPortal->Activate(QStringLiteral("pad3")); // the desktop repeats a held key
    m_pPortal->Deactivate(QStringLiteral("pad3"));
    m_pPortal->Activate(QStringLiteral("pad1"),
                        QStringLiteral("/org/freedesktop/portal/desktop/session/x/y"));
    m_pPortal->Activate(QStringLiteral("nothing-of-ours"));
    m_pPortal->Deactivate(QStringLiteral("pad5")); // never pressed
    m_pPortal->Activate(QStringLiteral("master")); // no key: nothing to post
    ASSERT_TRUE(Until([&] { return m_posted.size() >= 4; }));
    EXPECT_TRUE(m_pClient->IsKeyDown(0x11));
    EXPECT_FALSE(m_pClient->IsKeyDown(0x63));
    m_pPortal->Deactivate(QStringLiteral("stop"));
    ASSERT_TRUE(Until([&] { return m_posted.size() >= 5; }));
    QTest::qWait(50);
    const std::vector<Posted> expected = {
        {WM_KEYDOWN, 0x11, kDown}, {WM_KEYDOWN, 0x63, kDown}, {WM_KEYDOWN, 0x63, kRepeat},
        {WM_KEYUP, 0x63, kUp},     {WM_KEYUP, 0x11, kUp},
    };
    EXPECT_EQ(m_posted, expected);
    EXPECT_FALSE(m_pClient->IsKeyDown(0x11));
}

TEST_F(PortalShortcutsTest, ARefusedBindingEndsThePortal) {
    m_pPortal->SetBindAnswer(1);
    Start();
    ASSERT_TRUE(Until([&] { return !m_ends.empty(); }));
    EXPECT_EQ(m_ends[0], CPortalShortcuts::EEnd::Refused);
    EXPECT_EQ(m_pClient->State(), CPortalShortcuts::EState::Failed);
}

// The capture as the program runs it on Wayland: the portal first; when it goes, the keyboards, or
// nothing; either way said once.
class PortalCaptureTest : public PortalShortcutsTest {
protected:
    KeyCaptureConfig Config(bool bReadable) {
        KeyCaptureConfig config;
        config.bInputDevices = true;
        config.bPortal = true;
        config.strBusAddress = m_bus.Address();
        config.strInputFolder = m_dir.path().toStdString();
        QFile(m_dir.filePath(QStringLiteral("event0"))).open(QIODevice::WriteOnly);
        config.opener = [bReadable](const std::string&, int* pErrno) -> std::unique_ptr<IInputDevice> {
            *pErrno = bReadable ? 0 : EACCES;
            return bReadable ? std::make_unique<QuietKeyboard>() : nullptr;
        };
        config.tell = [this](const QString& s) { m_told.push_back(s); };
        return config;
    }
    QTemporaryDir m_dir;
    std::vector<QString> m_told;
};

TEST_F(PortalCaptureTest, TheServiceVanishingFallsBackToTheKeyboardsAndSaysSoOnce) {
    CKeyCapture capture(Config(true));
    capture.SetShortcutKeys(DefaultKeys());
    ASSERT_EQ(capture.Install(Sink()), TRUE);
    ASSERT_NE(capture.Portal(), nullptr);
    ASSERT_TRUE(Until([&] { return capture.IsCapturing(); }));
    EXPECT_TRUE(capture.UsedPortal());
    m_pPortal->Activate(QStringLiteral("volume-up"));
    ASSERT_TRUE(Until([&] { return capture.IsKeyDown(0x26); }));

    m_pPortal->Vanish();
    ASSERT_TRUE(Until([&] { return capture.Reader() != nullptr; }));
    EXPECT_EQ(capture.Portal(), nullptr);
    EXPECT_FALSE(capture.UsedPortal());
    ASSERT_EQ(m_told.size(), 1u);
    EXPECT_TRUE(m_told[0].contains(QStringLiteral("入力デバイス"))) << m_told[0].toStdString();
    ASSERT_GE(m_posted.size(), 2u);
    EXPECT_EQ(m_posted.back(), (Posted{WM_KEYUP, 0x26, kUp})) << "the held key counts as released";

    // Later installs find no portal and read the keyboards, without a word.
    capture.Remove();
    EXPECT_EQ(capture.Install(Sink()), TRUE);
    EXPECT_NE(capture.Reader(), nullptr);
    EXPECT_EQ(m_told.size(), 1u);
}

TEST_F(PortalCaptureTest, WithoutPortalOrKeyboardsOneMessageNamesBothRoutes) {
    CKeyCapture capture(Config(false));
    ASSERT_EQ(capture.Install(Sink()), TRUE);
    ASSERT_TRUE(Until([&] { return capture.IsCapturing(); }));
    m_pPortal->Vanish();
    ASSERT_TRUE(Until([&] { return !m_told.empty(); }));
    EXPECT_FALSE(capture.IsInstalled());
    capture.Remove();
    EXPECT_EQ(capture.Install(Sink()), FALSE);
    QTest::qWait(50);
    ASSERT_EQ(m_told.size(), 1u) << "once, not at every install";
    for (const char* part : {"GlobalShortcuts", "input", "usermod", "padora --pad"})
        EXPECT_TRUE(m_told[0].contains(QLatin1String(part))) << part;
}

TEST_F(PortalCaptureTest, ASessionKeptAcrossRemoveServesAgainUntilTheKeysChange) {
    CKeyCapture capture(Config(true));
    capture.SetShortcutKeys(DefaultKeys());
    ASSERT_EQ(capture.Install(Sink()), TRUE);
    ASSERT_TRUE(Until([&] { return m_pPortal->Recorded().requestPaths.size() == 3; }));
    const QString session = m_pPortal->Recorded().strSession;
    m_pPortal->Activate(QStringLiteral("stop"));
    ASSERT_TRUE(Until([&] { return m_posted.size() == 1; }));

    // A dialog of ours is open: the held key counts as released, nothing else arrives meanwhile.
    EXPECT_EQ(capture.Remove(), TRUE);
    EXPECT_FALSE(capture.IsInstalled());
    EXPECT_EQ(m_posted.back(), (Posted{WM_KEYUP, 0x11, kUp}));
    m_pPortal->Deactivate(QStringLiteral("stop"));
    m_pPortal->Activate(QStringLiteral("pad1"));
    m_pPortal->Deactivate(QStringLiteral("pad1"));
    QTest::qWait(50);
    EXPECT_EQ(m_posted.size(), 2u);

    ASSERT_EQ(capture.Install(Sink()), TRUE);
    m_pPortal->Activate(QStringLiteral("pad2"));
    ASSERT_TRUE(Until([&] { return m_posted.size() == 3; }));
    EXPECT_EQ(m_posted.back(), (Posted{WM_KEYDOWN, 0x62, kDown}));
    CFakePortal::Record r = m_pPortal->Recorded();
    EXPECT_EQ(r.requestPaths.size(), 3) << "the same session, not bound again";
    EXPECT_EQ(r.nClosed, 0);

    // Other keys in the settings: a new session offers them.
    capture.Remove();
    ShortcutKeys keys = DefaultKeys();
    keys.aVKey[0] = 0x70;
    capture.SetShortcutKeys(keys);
    ASSERT_EQ(capture.Install(Sink()), TRUE);
    ASSERT_TRUE(Until([&] { return m_pPortal->Recorded().strSession != session; }));
    ASSERT_TRUE(Until([&] { return capture.IsCapturing(); }));
    r = m_pPortal->Recorded();
    EXPECT_EQ(r.nClosed, 1) << "the old session is closed";
    ASSERT_FALSE(r.bound.empty());
    EXPECT_EQ(r.bound[0].properties.value(QStringLiteral("preferred_trigger")).toString(),
              QStringLiteral("F1"));

    capture.Close();
    EXPECT_TRUE(Until([&] { return m_pPortal->Recorded().nClosed == 2; }));
    EXPECT_TRUE(m_told.empty());
}

} // namespace
