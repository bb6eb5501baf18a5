#include "app/data/GroupFile.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "tests/app/TestSounds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
