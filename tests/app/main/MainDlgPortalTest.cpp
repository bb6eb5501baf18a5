#include "app/data/GroupFile.h"
#include "app/main/MainDlg.h"
#include "app/show/KeyRole.h"
#include "padkit/util/MessageBox.h"
#include "padkit/util/PortalShortcuts.h"
#include "platform/Message.h"
#include "tests/app/TestSounds.h"
#include "tests/padkit/util/FakePortal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 3000;

// The main window on a set with sounds on channels 1 and 3, its keys coming from the desktop's global
// shortcuts (a stand-in portal on a private bus) through the path every capture posts them on.
class MainDlgPortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(m_bus.Address().isEmpty()) << "dbus-daemon did not start";
        const QString tone =
            app_test::WriteTestFile(m_dir.filePath(QStringLiteral("tone.wav")), app_test::SineWav(3.0));
        CGroupArray set;
        CGroupData group;
        group.m_strName = QStringLiteral("一");
        for (int i : {0, 2}) {
            group.m_aChannel[i].m_strTitle = QStringLiteral("音");
            group.m_aChannel[i].m_strFile = tone;
        }
        set.Add(group);
        const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
        ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
        m_dlg = std::make_unique<CMainDlg>(nullptr, nullptr,
                                           CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        m_dlg->Create({path});
        m_dlg->PlayTimer().stop();

        m_portal = std::make_unique<CFakePortal>(m_bus.Address());
        CMainDlg* pDlg = m_dlg.get();
        m_client = std::make_unique<padkit::CPortalShortcuts>(
            QDBusConnection::connectToBus(m_bus.Address(), m_bus.Address()), ShortcutKeysOf(m_dlg->Option()),
            [pDlg](UINT m, WPARAM w, LPARAM l) { platform::PostMessage(pDlg, m, w, l); }, nullptr, nullptr);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return m_client->State() == padkit::CPortalShortcuts::EState::Bound; }, kWaitMs));
    }
    void TearDown() override {
        m_client.reset();
        QDBusConnection::disconnectFromBus(m_bus.Address());
    }

    bool Until(const std::function<bool()>& f) { return QTest::qWaitFor(f, kWaitMs); }

    QTemporaryDir m_dir;
    CPrivateSessionBus m_bus;
    CMessageBoxResponder m_responder;
    std::unique_ptr<CMainDlg> m_dlg;
    std::unique_ptr<CFakePortal> m_portal;
    std::unique_ptr<padkit::CPortalShortcuts> m_client;
};

} // namespace

TEST_F(MainDlgPortalTest, ThePadShortcutPlaysAndWithTheStopShortcutHeldStops) {
    m_portal->Activate(QStringLiteral("pad1"));
    m_portal->Deactivate(QStringLiteral("pad1"));
    ASSERT_TRUE(Until([&] { return m_dlg->Player(0).IsPlay(); })) << "pad 1 plays";
    m_portal->Activate(QStringLiteral("pad3"));
    m_portal->Deactivate(QStringLiteral("pad3"));
    ASSERT_TRUE(Until([&] { return m_dlg->Player(2).IsPlay(); }));

    m_portal->Activate(QStringLiteral("stop"));
    m_portal->Activate(QStringLiteral("pad3"));
    m_portal->Deactivate(QStringLiteral("pad3"));
    ASSERT_TRUE(Until([&] { return !m_dlg->Player(2).IsPlay(); })) << "stop held: channel 3 stops";
    EXPECT_TRUE(m_dlg->Player(0).IsPlay()) << "the others go on";
    m_portal->Deactivate(QStringLiteral("stop"));
    m_portal->Activate(QStringLiteral("pad3"));
    m_portal->Deactivate(QStringLiteral("pad3"));
    EXPECT_TRUE(Until([&] { return m_dlg->Player(2).IsPlay(); })) << "released: pad 3 plays again";
}
