#include "app/data/GroupFile.h"
#include "app/dialogs/ResDialog.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "tests/app/TestSounds.h"
#include "tests/app/dialogs/DialogDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The measurements of this test go to a cache of its own, not the user's.
class ScopedCacheHome {
public:
    explicit ScopedCacheHome(const QString& dir)
        : m_old(qgetenv("XDG_CACHE_HOME")), m_bHad(qEnvironmentVariableIsSet("XDG_CACHE_HOME")) {
        qputenv("XDG_CACHE_HOME", dir.toUtf8());
    }
    ~ScopedCacheHome() {
        if (m_bHad)
            qputenv("XDG_CACHE_HOME", m_old);
        else
            qunsetenv("XDG_CACHE_HOME");
    }

private:
    QByteArray m_old;
    bool m_bHad;
};

} // namespace

TEST(MainDlgLoudness, AMatchedChannelShowsItsLoudnessAndGetsItsGainWhileItPlays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedCacheHome cache(dir.filePath(QStringLiteral("cache")));
    CMessageBoxResponder responder;
    // Ten dB above the default target of -23 LUFS; the second channel plays at its own level.
    const QString loud =
        app_test::WriteTestFile(dir.filePath(QStringLiteral("loud.wav")), app_test::SineWav(60.0, -13.0));
    CGroupArray set;
    CGroupData g;
    g.m_strName = QStringLiteral("開演");
    for (int i : {0, 1}) {
        g.m_aChannel[i].m_strTitle = QStringLiteral("大きい音");
        g.m_aChannel[i].m_strFile = loud;
        g.m_aChannel[i].m_nVolume = 70;
    }
    g.m_aChannel[0].m_bLoudness = TRUE;
    set.Add(g);
    const QString path = dir.filePath(QStringLiteral("show.pdg"));
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);

    CMainDlg dlg(nullptr, nullptr, CSettingsFile(dir.filePath(QStringLiteral("Padora.INI"))));
    dlg.Create({path});
    dlg.PlayTimer().stop();
    auto* list = dynamic_cast<CMonitorListCtrl*>(platform::GetDlgItem(&dlg, IDC_LIST_MONITOR));
    constexpr int kLufsColumn = 9;
    // The window is up and plays while the sound is measured (a minute of audio: the answer comes
    // well after the loader ends, unless the machine stalls the window's thread).
    platform::SendMessage(&dlg, platform::WM_COMMAND, IDC_PAD1, 0);
    platform::SendMessage(&dlg, platform::WM_COMMAND, IDC_PAD1 + 1, 0);
    ASSERT_TRUE(dlg.Player(0).IsPlay());
    EXPECT_EQ(list->GetItemText(1, kLufsColumn), QString());
    if (list->GetItemText(0, kLufsColumn) == QStringLiteral("測定中")) {
        EXPECT_EQ(dlg.Player(0).GetVolume(), ChannelAttenuation(70, 100));
    }

    ASSERT_TRUE(WaitUntil([&] { return list->GetItemText(0, kLufsColumn) != QStringLiteral("測定中"); }));
    EXPECT_NEAR(list->GetItemText(0, kLufsColumn).toDouble(), -13.0, 0.5);
    EXPECT_NEAR(dlg.GetCurGroup()->m_aChannel[0].m_dLoudness, -13.0, 0.5);
    // The gain reaches the playing sound: about 10 dB on top of the fader.
    EXPECT_NEAR(dlg.Player(0).GetVolume(), ChannelAttenuation(70, 100) - 1000, 50);
    EXPECT_EQ(dlg.Player(1).GetVolume(), ChannelAttenuation(70, 100));
    EXPECT_EQ(responder.Count(), 0);
}

TEST(MainDlgLoudness, SwitchedOnInTheChannelDialogTheChannelIsMatchedAndSavedWithTheSet) {
    using namespace dialogtest;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedCacheHome cache(dir.filePath(QStringLiteral("cache")));
    CMessageBoxResponder responder;
    const QString loud =
        app_test::WriteTestFile(dir.filePath(QStringLiteral("loud.wav")), app_test::SineWav(5.0, -13.0));
    CGroupArray set;
    CGroupData g;
    g.m_strName = QStringLiteral("開演");
    g.m_aChannel[0].m_strTitle = QStringLiteral("大きい音");
    g.m_aChannel[0].m_strFile = loud;
    g.m_aChannel[0].m_nVolume = 70;
    set.Add(g);
    const QString path = dir.filePath(QStringLiteral("show.pdg"));
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    CMainDlg dlg(nullptr, nullptr, CSettingsFile(dir.filePath(QStringLiteral("Padora.INI"))));
    dlg.Create({path});
    dlg.PlayTimer().stop();

    // "グループの編集", "編集" on the first row, the check box, "設定", then OK.
    QString shownInDialog;
    WhenModal([&](QWidget* groupDlg) {
        auto* group = qobject_cast<CResDialog*>(groupDlg);
        ASSERT_TRUE(group);
        WhenModal([&](QWidget* modal) {
            auto* edit = qobject_cast<CResDialog*>(modal);
            ASSERT_TRUE(edit);
            shownInDialog = edit->GetDlgItemText(IDC_CHEDIT_LUFS);
            Click(edit->GetDlgItem(IDC_CHEDIT_LOUDNESS));
            Click(edit->GetDlgItem(platform::IDOK));
        });
        Click(group->GetDlgItem(IDC_GROUPDLG_EDIT));
        Click(group->GetDlgItem(platform::IDOK));
    });
    platform::SendMessage(&dlg, platform::WM_COMMAND, ID_GROUP_EDIT, 0);
    // The dialog had the window's measurements to ask: it showed one, or that one was under way.
    EXPECT_FALSE(shownInDialog.isEmpty());

    ASSERT_TRUE(dlg.GetCurGroup()->m_aChannel[0].m_bLoudness);
    EXPECT_TRUE(dlg.IsModified());
    auto* list = dynamic_cast<CMonitorListCtrl*>(platform::GetDlgItem(&dlg, IDC_LIST_MONITOR));
    ASSERT_TRUE(WaitUntil([&] { return !std::isnan(dlg.GetCurGroup()->m_aChannel[0].m_dLoudness); }));
    EXPECT_NEAR(list->GetItemText(0, 9).toDouble(), -13.0, 0.5);
    platform::SendMessage(&dlg, platform::WM_COMMAND, IDC_PAD1, 0);
    EXPECT_NEAR(dlg.Player(0).GetVolume(), ChannelAttenuation(70, 100) - 1000, 50);

    ASSERT_EQ(dlg.SaveGroupFile(FALSE), CGroupFile::kOk);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("SndLoudness01-01=1"));
    EXPECT_EQ(responder.Count(), 0);
}
