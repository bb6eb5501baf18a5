#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/SysColor.h"
#include "padkit/controls/VolumeCtrl.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/Message.h"
#include "playkit/AdxEngine.h"
#include "tests/app/OfflineEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 48000;

// A 16-bit stereo sine WAV: amplitude 0..1 of full scale.
void WriteSine(const QString& path, double seconds, double freq, double amplitude) {
    const int frames = static_cast<int>(seconds * kRate);
    QByteArray data;
    data.reserve(frames * 4);
    for (int f = 0; f < frames; ++f) {
        const auto v =
            static_cast<qint16>(std::lround(amplitude * 32767 * std::sin(2 * M_PI * freq * f / kRate)));
        for (int c = 0; c < 2; ++c) {
            data.append(static_cast<char>(v & 0xFF));
            data.append(static_cast<char>((v >> 8) & 0xFF));
        }
    }
    auto le32 = [](quint32 v) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return b;
    };
    auto le16 = [](quint16 v) {
        QByteArray b(2, 0);
        b[0] = static_cast<char>(v & 0xFF);
        b[1] = static_cast<char>(v >> 8);
        return b;
    };
    QByteArray out = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(2) +
                     le32(kRate) + le32(kRate * 4) + le16(4) + le16(16) + "data" + le32(data.size()) + data;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out);
}

using app_test::RenderOffline;
using app_test::Rms;

class MainDlgPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        app_test::UseOfflineEngine();
        m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
        m_short = m_dir.filePath(QStringLiteral("short.wav"));
        m_other = m_dir.filePath(QStringLiteral("other.wav"));
        WriteSine(m_tone, 3.0, 440, 0.5);
        WriteSine(m_short, 0.3, 880, 0.5);
        WriteSine(m_other, 2.0, 660, 0.5);
    }

    // A set whose first group has the tone on channel 0 and the short sound on channel 1, and a second
    // group with another sound on channel 0.
    QString WriteSet(const std::function<void(CGroupArray&)>& edit = {}) {
        CGroupArray set;
        CGroupData g;
        g.m_strName = QStringLiteral("開演");
        g.m_aChannel[0].m_strTitle = QStringLiteral("トーン");
        g.m_aChannel[0].m_strFile = m_tone;
        g.m_aChannel[0].m_nVolume = 100;
        g.m_aChannel[1].m_strTitle = QStringLiteral("短い音");
        g.m_aChannel[1].m_strFile = m_short;
        g.m_aChannel[1].m_nVolume = 70;
        set.Add(g);
        CGroupData g2;
        g2.m_strName = QStringLiteral("効果音");
        g2.m_aChannel[0].m_strTitle = QStringLiteral("別の音");
        g2.m_aChannel[0].m_strFile = m_other;
        g2.m_aChannel[0].m_nVolume = 50;
        set.Add(g2);
        if (edit)
            edit(set);
        const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
        EXPECT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
        return path;
    }

    std::unique_ptr<CMainDlg> MakeDlg(const QStringList& pieces, COM* com = nullptr) {
        auto dlg = std::make_unique<CMainDlg>(com, nullptr,
                                              CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        dlg->Create(pieces);
        // The tests step the loop themselves.
        dlg->PlayTimer().stop();
        QCoreApplication::processEvents();
        return dlg;
    }

    static CGdiColorButton* Button(CMainDlg& dlg, int id) {
        return platform::GetDlgItemAs<CGdiColorButton>(&dlg, id);
    }
    static CLevelFaderCtrl* Fader(CMainDlg& dlg, int i) {
        return platform::GetDlgItemAs<CLevelFaderCtrl>(&dlg, IDC_FADER1 + i);
    }
    static void Command(CMainDlg& dlg, UINT id) { platform::SendMessage(&dlg, platform::WM_COMMAND, id, 0); }
    static CChannelData& Ch(CMainDlg& dlg, int i) { return dlg.GetCurGroup()->m_aChannel[i]; }

    QTemporaryDir m_dir;
    QString m_tone, m_short, m_other;
    CMessageBoxResponder m_responder;
};

} // namespace

TEST_F(MainDlgPlayTest, LoadingAGroupOpensItsSoundsAndReportsEachFileThatFails) {
    const QString path = WriteSet([&](CGroupArray& set) {
        CChannelData& missing = set[0].m_aChannel[2];
        missing.m_strTitle = QStringLiteral("ない");
        missing.m_strFile = m_dir.filePath(QStringLiteral("gone.wav"));
        CChannelData& foreign = set[0].m_aChannel[3];
        foreign.m_strTitle = QStringLiteral("文書");
        foreign.m_strFile = m_dir.filePath(QStringLiteral("notes.txt"));
        QFile(foreign.m_strFile).open(QIODevice::WriteOnly);
        CChannelData& broken = set[0].m_aChannel[4];
        broken.m_strTitle = QStringLiteral("壊れた");
        broken.m_strFile = m_dir.filePath(QStringLiteral("broken.mp3"));
        QFile f(broken.m_strFile);
        f.open(QIODevice::WriteOnly);
        f.write("not an mp3 at all");
        set[0].m_aChannel[1].m_bRepeat = TRUE;
        set[0].m_aChannel[1].m_nPan = -25;
        set[0].m_aChannel[1].m_dRate = 1.25;
    });
    auto dlg = MakeDlg({path});
    ASSERT_EQ(m_responder.Count(), 3);
    const auto& r = m_responder.Requests();
    EXPECT_EQ(r[0].strText,
              m_dir.filePath(QStringLiteral("gone.wav")) + QStringLiteral("\nファイルが見つかりません。"));
    EXPECT_EQ(r[1].strText, m_dir.filePath(QStringLiteral("notes.txt")) +
                                QStringLiteral("\nこのファイルには対応していません。"));
    EXPECT_EQ(r[2].strText, m_dir.filePath(QStringLiteral("broken.mp3")) +
                                QStringLiteral("\nこのファイルを再生できません。"));
    for (const auto& box : r) {
        EXPECT_EQ(box.strCaption, QStringLiteral("Padora"));
        EXPECT_EQ(box.nType, MB_ICONEXCLAMATION | MB_OK);
        EXPECT_EQ(box.pWnd, dlg.get());
    }
    EXPECT_FALSE(dlg->IsModified());

    // Loaded channels: stopped colour, length known, meter at rest; failed and empty ones stay grey.
    EXPECT_EQ(Ch(*dlg, 0).m_nPlayState, 0);
    EXPECT_NEAR(Ch(*dlg, 0).m_dEndTime, 3.0, 0.01);
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(128, 64, 64));
    EXPECT_EQ(Fader(*dlg, 0)->GetLevelPos(), -48);
    for (int i : {2, 3, 4, 5}) {
        EXPECT_EQ(Ch(*dlg, i).m_nPlayState, -1) << i;
        EXPECT_EQ(Button(*dlg, IDC_PAD1 + i)->GetFaceColor(), RGB(127, 127, 127)) << i;
        EXPECT_FALSE(dlg->Player(i).IsRender()) << i;
    }
    // The strip shows the channel's settings.
    EXPECT_EQ(Fader(*dlg, 1)->value(), 30);
    EXPECT_EQ(Button(*dlg, IDC_REPEAT1 + 1)->GetCheck(), 1);
    EXPECT_EQ(Button(*dlg, IDC_REPEAT1 + 1)->GetFaceColor(), RGB(0, 162, 232));
    EXPECT_EQ(Button(*dlg, IDC_FADEIN1 + 1)->GetFaceColor(), RGB(127, 127, 127));
    EXPECT_EQ(platform::GetDlgItemAs<CVolumeCtrl>(dlg.get(), IDC_PAN1 + 1)->GetPos(), -25);
    EXPECT_EQ(platform::GetDlgItemAs<CVolumeCtrl>(dlg.get(), IDC_SPEED1 + 1)->GetPos(), 12);

    // A pad without a sound does nothing.
    Command(*dlg, IDC_PAD1 + 2);
    EXPECT_EQ(Ch(*dlg, 2).m_nPlayState, -1);
    EXPECT_EQ(Button(*dlg, IDC_PAD1 + 2)->GetFaceColor(), RGB(127, 127, 127));
}

TEST_F(MainDlgPlayTest, PadsPlayRestartAndStopAndTheLoopFollowsThePlayers) {
    auto dlg = MakeDlg({WriteSet()});
    Command(*dlg, IDC_PAD1);
    EXPECT_EQ(Ch(*dlg, 0).m_nPlayState, 1);
    EXPECT_TRUE(dlg->Player(0).IsPlay());
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(255, 128, 128));
    EXPECT_EQ(dlg->Player(0).GetVolume(), 0);
    const auto first = RenderOffline(1.2);
    EXPECT_NEAR(Rms(first, 0), 0.5 / std::sqrt(2.0), 0.02);
    dlg->RefreshPlayTime();
    EXPECT_NEAR(Ch(*dlg, 0).m_dPlayTime, 1.2, 0.05);

    // Pressed again: from the beginning.
    Command(*dlg, IDC_PAD1);
    EXPECT_LT(dlg->Player(0).GetTickCount(), 0.01);
    EXPECT_TRUE(dlg->Player(0).IsPlay());

    // A peak while playing moves the meter by the channel's volume; a stopped channel ignores it.
    platform::SendMessage(dlg.get(), CMainDlg::WM_PEAK_NOTIFY, 16384, 1);
    EXPECT_EQ(Fader(*dlg, 0)->GetLevelPos(), -6);
    platform::SendMessage(dlg.get(), CMainDlg::WM_PEAK_NOTIFY, 16384, 2);
    EXPECT_EQ(Fader(*dlg, 1)->GetLevelPos(), -48);

    // All stop: the player stops at once, the state follows at the next timer step, meter back to rest.
    Command(*dlg, IDC_ALLSTOP);
    EXPECT_FALSE(dlg->Player(0).IsPlay());
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(128, 64, 64));
    dlg->RefreshPlayState();
    EXPECT_EQ(Ch(*dlg, 0).m_nPlayState, 0);
    EXPECT_EQ(Fader(*dlg, 0)->GetLevelPos(), -48);
    // Stopping keeps the last time read while it played.
    EXPECT_GT(Ch(*dlg, 0).m_dPlayTime, 0.0);
    RenderOffline(0.05); // the short fade-out of a stop
    EXPECT_NEAR(Rms(RenderOffline(0.2), 0), 0.0, 1e-3);
}

TEST_F(MainDlgPlayTest, AtTheEndRepeatPlaysAgainAndOtherwiseTheChannelStops) {
    auto dlg = MakeDlg({WriteSet()});
    // Channel 1 (0.3 s): R off first.
    Command(*dlg, IDC_PAD1 + 1);
    RenderOffline(0.5);
    QCoreApplication::processEvents(); // the end-of-media notice
    EXPECT_FALSE(dlg->Player(1).IsPlay());
    EXPECT_EQ(dlg->Player(1).GetTickCount(), 0.0);
    EXPECT_NEAR(Ch(*dlg, 1).m_dEndTime, 0.3, 0.01);
    dlg->RefreshPlayState();
    EXPECT_EQ(Button(*dlg, IDC_PAD1 + 1)->GetFaceColor(), RGB(128, 64, 64));

    // R switched on with the mouse's command: the next end starts the sound again.
    Button(*dlg, IDC_REPEAT1 + 1)->SetCheck(1);
    Command(*dlg, IDC_REPEAT1 + 1);
    EXPECT_TRUE(Ch(*dlg, 1).m_bRepeat);
    EXPECT_EQ(Button(*dlg, IDC_REPEAT1 + 1)->GetFaceColor(), RGB(0, 162, 232));
    EXPECT_FALSE(dlg->IsModified());
    Command(*dlg, IDC_PAD1 + 1);
    RenderOffline(0.4);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg->Player(1).IsPlay());
    EXPECT_EQ(Ch(*dlg, 1).m_nPlayState, 1);
    const auto again = RenderOffline(0.1);
    EXPECT_GT(Rms(again, 0), 0.1);
}

TEST_F(MainDlgPlayTest, FadeInRisesInTimerStepsAndFadeTimesBelowOneStepEndAtOnce) {
    auto dlg = MakeDlg({WriteSet([](CGroupArray& set) {
        set[0].m_aChannel[0].m_bFadeIn = TRUE;
        set[0].m_aChannel[0].m_dTimeFadeIn = 0.5;
        set[0].m_aChannel[1].m_bFadeIn = TRUE;
        set[0].m_aChannel[1].m_dTimeFadeIn = 0.0;
    })});
    Command(*dlg, IDC_PAD1);
    EXPECT_EQ(Ch(*dlg, 0).m_nFadeMode, 1);
    EXPECT_EQ(Ch(*dlg, 0).m_nVolume, 0);
    EXPECT_EQ(dlg->Player(0).GetVolume(), -10000);
    // Pressing the pad during its fade does nothing.
    RenderOffline(0.1);
    Command(*dlg, IDC_PAD1);
    EXPECT_GT(dlg->Player(0).GetTickCount(), 0.05);
    std::vector<int> volumes;
    for (int step = 0; step < 6; ++step) {
        dlg->StepFades();
        volumes.push_back(Ch(*dlg, 0).m_nVolume);
    }
    EXPECT_EQ(volumes, (std::vector<int>{20, 40, 60, 80, 100, 100}));
    EXPECT_EQ(Ch(*dlg, 0).m_nFadeMode, 0);
    EXPECT_EQ(Fader(*dlg, 0)->value(), 0);
    EXPECT_EQ(dlg->Player(0).GetVolume(), 0);

    // A fade time of 0 s (a file may hold one): full volume at the first step.
    Command(*dlg, IDC_PAD1 + 1);
    dlg->StepFades();
    EXPECT_EQ(Ch(*dlg, 1).m_nFadeMode, 0);
    EXPECT_EQ(Ch(*dlg, 1).m_nVolume, 70);
    EXPECT_FALSE(dlg->IsModified());
}

TEST_F(MainDlgPlayTest, FadersMasterAndKnobsActOnThePlayers) {
    auto dlg = MakeDlg({WriteSet()});
    // The fader of channel 1 dragged to 50 (position 50).
    Fader(*dlg, 1)->setSliderPosition(50);
    EXPECT_EQ(Ch(*dlg, 1).m_nVolume, 50);
    EXPECT_EQ(dlg->Player(1).GetVolume(), -602);
    // Master to 50: every channel is re-applied with the product; to 0: silence; back: their own.
    auto* master = platform::GetDlgItemAs<QSlider>(dlg.get(), IDC_MASTER);
    master->setSliderPosition(50);
    EXPECT_EQ(dlg->MasterVolume(), 50);
    EXPECT_EQ(dlg->Player(0).GetVolume(), -602);
    EXPECT_EQ(dlg->Player(1).GetVolume(), -1204);
    master->setSliderPosition(100);
    EXPECT_EQ(dlg->Player(0).GetVolume(), -10000);
    EXPECT_EQ(dlg->Player(1).GetVolume(), -10000);
    EXPECT_EQ(Ch(*dlg, 0).m_nVolume, 100);
    master->setSliderPosition(0);
    EXPECT_EQ(dlg->Player(0).GetVolume(), 0);
    EXPECT_EQ(dlg->Player(1).GetVolume(), -602);
    EXPECT_FALSE(dlg->IsModified());

    // Knobs post to the widget they sit on, as a drag does; the window must get the message.
    auto* pan = platform::GetDlgItemAs<CVolumeCtrl>(dlg.get(), IDC_PAN1);
    auto* spd = platform::GetDlgItemAs<CVolumeCtrl>(dlg.get(), IDC_SPEED1);
    platform::PostMessage(pan->parentWidget(), WM_KNOB_CHANGED, static_cast<WPARAM>(-25),
                          reinterpret_cast<LPARAM>(pan));
    platform::PostMessage(spd->parentWidget(), WM_KNOB_CHANGED, 5, reinterpret_cast<LPARAM>(spd));
    QCoreApplication::processEvents();
    EXPECT_EQ(Ch(*dlg, 0).m_nPan, -25);
    EXPECT_EQ(dlg->Player(0).GetBalance(), -602);
    EXPECT_DOUBLE_EQ(Ch(*dlg, 0).m_dRate, 0.5);
    EXPECT_DOUBLE_EQ(dlg->Player(0).GetRate(), 0.5);
    EXPECT_TRUE(dlg->IsModified());
    // Balance measured: pan to the far right silences the left side.
    platform::PostMessage(pan->parentWidget(), WM_KNOB_CHANGED, 50, reinterpret_cast<LPARAM>(pan));
    platform::PostMessage(spd->parentWidget(), WM_KNOB_CHANGED, 10, reinterpret_cast<LPARAM>(spd));
    QCoreApplication::processEvents();
    Command(*dlg, IDC_PAD1);
    RenderOffline(0.05); // the gains glide to their new values over the first block
    const auto out = RenderOffline(0.3);
    EXPECT_LT(Rms(out, 0), 1e-3);
    EXPECT_GT(Rms(out, 1), 0.3);
}

TEST_F(MainDlgPlayTest, ATabClickStopsTheSoundsAndLoadsTheOtherGroup) {
    auto dlg = MakeDlg({WriteSet()});
    Command(*dlg, IDC_PAD1);
    Command(*dlg, IDC_PAD1 + 1);
    auto* tabs = platform::GetDlgItemAs<QTabBar>(dlg.get(), IDC_TAB_GROUP);
    tabs->setCurrentIndex(1); // what a click does
    EXPECT_EQ(dlg->GetCurGroup(), &dlg->Groups()[1]);
    EXPECT_FALSE(dlg->Player(1).IsRender());
    ASSERT_TRUE(dlg->Player(0).IsRender());
    EXPECT_FALSE(dlg->Player(0).IsPlay());
    EXPECT_NEAR(dlg->Player(0).GetTotalTime(), 2.0, 0.01);
    EXPECT_EQ(Fader(*dlg, 0)->value(), 50);
    EXPECT_EQ(Button(*dlg, IDC_PAD1 + 1)->GetFaceColor(), RGB(127, 127, 127));
    RenderOffline(0.05);
    EXPECT_NEAR(Rms(RenderOffline(0.2), 0), 0.0, 1e-3);
    EXPECT_FALSE(dlg->IsModified());
    EXPECT_EQ(dlg->SelectGroup(2), 0);
    EXPECT_EQ(dlg->SelectGroup(0), 1);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_NEAR(dlg->Player(0).GetTotalTime(), 3.0, 0.01);
}

TEST_F(MainDlgPlayTest, WithKeepPlayingTheTabAndCaptionShowWhatPlaysInOtherGroups) {
    {
        QFile ini(m_dir.filePath(QStringLiteral("Padora.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Show]\r\nKeepPlaying=1\r\n");
    }
    auto dlg = MakeDlg({WriteSet()});
    const QString caption = dlg->windowTitle();
    Command(*dlg, IDC_PAD1);
    auto* tabs = platform::GetDlgItemAs<CBaseTabCtrl>(dlg.get(), IDC_TAB_GROUP);
    tabs->setCurrentIndex(1);
    EXPECT_GT(Rms(RenderOffline(0.2), 0), 0.1) << "the music goes on under the other group";
    EXPECT_EQ(dlg->windowTitle(), caption + QStringLiteral("（他のグループで再生中: 1）"));
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(128, 64, 64)) << "the strip shows the new group";

    // The left group's tab has its bar along the bottom; the selected one keeps its orange bar on top.
    const auto pixel = [tabs](const QRect& bar) { return tabs->grab().toImage().pixelColor(bar.center()); };
    EXPECT_TRUE(tabs->IsTabMarked(0));
    EXPECT_FALSE(tabs->IsTabMarked(1));
    EXPECT_EQ(pixel(padkit::TabMarkBarRect(tabs->tabRect(0))), padkit::ToQColor(padkit::kTabMarkBar));
    EXPECT_NE(pixel(padkit::TabMarkBarRect(tabs->tabRect(1))), padkit::ToQColor(padkit::kTabMarkBar));
    EXPECT_EQ(pixel(padkit::TabSelectedBarRect(tabs->tabRect(1))), padkit::ToQColor(padkit::kTabSelectedBar));

    tabs->setCurrentIndex(0);
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(255, 128, 128)) << "its pad is lit again";
    EXPECT_FALSE(tabs->IsTabMarked(0));
    EXPECT_EQ(dlg->windowTitle(), caption);
    EXPECT_GT(Rms(RenderOffline(0.2), 0), 0.1);
    Command(*dlg, IDC_ALLSTOP);
    RenderOffline(0.05);
    EXPECT_NEAR(Rms(RenderOffline(0.2), 0), 0.0, 1e-3);
}

TEST_F(MainDlgPlayTest, NewOpenAndSaveKeepOrDropChangesAsTheOperatorAnswers) {
    const QString path = WriteSet();
    auto dlg = MakeDlg({path});
    const QString saved = m_dir.filePath(QStringLiteral("saved.pdg"));
    int saveAsks = 0;
    QString saveAnswer;
    QString openAnswer;
    dlg->SetPathAskers([&](QWidget*) { return openAnswer; },
                       [&](QWidget*, const QString&) {
                           ++saveAsks;
                           return saveAnswer;
                       });
    WPARAM knob = 30;
    auto makeChange = [&] {
        platform::SendMessage(dlg.get(), WM_KNOB_CHANGED, knob--,
                              reinterpret_cast<LPARAM>(platform::GetDlgItem(dlg.get(), IDC_SPEED1)));
        ASSERT_TRUE(dlg->IsModified());
    };

    // Save As to a new file: written, the set is clean; the set plays on.
    Command(*dlg, IDC_PAD1);
    makeChange();
    saveAnswer = saved;
    Command(*dlg, ID_FILE_SAVE_AS);
    EXPECT_FALSE(dlg->IsModified());
    EXPECT_EQ(dlg->FilePath(), saved);
    EXPECT_TRUE(dlg->Player(0).IsPlay());
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(saved, back), CGroupFile::kOk);
    EXPECT_DOUBLE_EQ(back[0].m_aChannel[0].m_dRate, 3.0);

    // New with changes: Cancel keeps everything; Yes with the save dialog cancelled keeps everything.
    makeChange();
    m_responder.Clear();
    m_responder.QueueAnswer(IDCANCEL);
    Command(*dlg, ID_FILE_NEW);
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, QStringLiteral("変更があります。保存しますか？"));
    EXPECT_EQ(m_responder.Requests()[0].strCaption, QStringLiteral("確認"));
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_YESNOCANCEL | MB_ICONINFORMATION);
    EXPECT_EQ(dlg->Groups().GetSize(), 2);
    EXPECT_TRUE(dlg->IsModified());
    // Plain Save writes to the current file without asking.
    saveAsks = 0;
    Command(*dlg, ID_FILE_SAVE);
    EXPECT_EQ(saveAsks, 0);
    EXPECT_FALSE(dlg->IsModified());

    // No: discarded, one group "Group1" with ten grey pads.
    makeChange();
    m_responder.QueueAnswer(IDNO);
    Command(*dlg, ID_FILE_NEW);
    ASSERT_EQ(dlg->Groups().GetSize(), 1);
    EXPECT_EQ(dlg->Groups()[0].m_strName, QStringLiteral("Group1"));
    EXPECT_TRUE(dlg->FilePath().isEmpty());
    EXPECT_FALSE(dlg->IsModified());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Button(*dlg, IDC_PAD1 + i)->GetFaceColor(), RGB(127, 127, 127));
    // No player keeps a sound of the set before: the pads stay grey at the next step and play nothing.
    dlg->RefreshPlayState();
    EXPECT_FALSE(dlg->Player(0).IsRender());
    EXPECT_EQ(Button(*dlg, IDC_PAD1)->GetFaceColor(), RGB(127, 127, 127));
    Command(*dlg, IDC_PAD1);
    EXPECT_EQ(Ch(*dlg, 0).m_nPlayState, -1);

    // Open the saved set again (no changes: no question).
    m_responder.Clear();
    openAnswer = saved;
    Command(*dlg, ID_FILE_OPEN);
    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_EQ(dlg->Groups().GetSize(), 2);
    EXPECT_EQ(dlg->FilePath(), saved);
    EXPECT_TRUE(dlg->Player(0).IsRender());
    EXPECT_EQ(platform::GetDlgItemAs<CVolumeCtrl>(dlg.get(), IDC_SPEED1)->GetPos(), 29);
    // A file without groups: the read error, the set unchanged.
    openAnswer = m_dir.filePath(QStringLiteral("nothing.pdg"));
    QFile(openAnswer).open(QIODevice::WriteOnly);
    Command(*dlg, ID_FILE_OPEN);
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, QStringLiteral("ファイル読込中にエラーが発生しました。"));
    EXPECT_EQ(dlg->FilePath(), saved);
}

TEST_F(MainDlgPlayTest, ClosingAsksAboutUnsavedChangesAndClosesOnlyWhenTheyAreSafe) {
    // The frame is a plain widget that records what reaches it.
    struct Frame : QWidget {
        std::vector<UINT> got;
        bool event(QEvent* e) override {
            if (e->type() == platform::MessageEvent::eventType()) {
                auto* m = static_cast<platform::MessageEvent*>(e);
                got.push_back(m->message() == platform::WM_COMMAND ? static_cast<UINT>(m->wParam())
                                                                   : m->message());
                return true;
            }
            return QWidget::event(e);
        }
    } frame;
    COM com;
    *com.Get_pwndMain() = &frame;
    // A new set: saving it asks for a path.
    auto dlg = MakeDlg({}, &com);
    QString saveAnswer;
    dlg->SetPathAskers({}, [&](QWidget*, const QString&) { return saveAnswer; });

    // Unchanged: closes at once, without a question.
    Command(*dlg, platform::IDCANCEL);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.got, std::vector<UINT>{platform::WM_CLOSE});
    EXPECT_EQ(m_responder.Count(), 0);

    // Changed: Cancel keeps running; Yes with a cancelled save keeps running; No closes.
    frame.got.clear();
    platform::SendMessage(dlg.get(), WM_KNOB_CHANGED, 20,
                          reinterpret_cast<LPARAM>(platform::GetDlgItem(dlg.get(), IDC_SPEED1)));
    ASSERT_TRUE(dlg->IsModified());
    m_responder.QueueAnswer(IDCANCEL);
    Command(*dlg, platform::IDCANCEL);
    m_responder.QueueAnswer(IDYES);
    Command(*dlg, ID_APP_EXIT);
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.got.empty());
    ASSERT_EQ(m_responder.Count(), 2);
    EXPECT_EQ(m_responder.Requests()[1].strText, QStringLiteral("変更があります。保存しますか？"));
    m_responder.QueueAnswer(IDNO);
    Command(*dlg, platform::IDCANCEL);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.got, std::vector<UINT>{platform::WM_CLOSE});

    // Yes with a save that works: saved, then closed through the exit command.
    frame.got.clear();
    saveAnswer = m_dir.filePath(QStringLiteral("closing.pdg"));
    m_responder.QueueAnswer(IDYES);
    Command(*dlg, ID_APP_EXIT);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.got, std::vector<UINT>{ID_APP_EXIT});
    EXPECT_TRUE(QFile::exists(saveAnswer));
}

TEST_F(MainDlgPlayTest, CollectingCopiesTheSetAsTheWindowHoldsItAndLeavesItUnsaved) {
    const QString path = WriteSet();
    auto dlg = MakeDlg({path});
    const QString usb = m_dir.filePath(QStringLiteral("usb"));
    QString folderAnswer;
    dlg->SetCollectFolderAsker([&](QWidget*) { return folderAnswer; });
    Command(*dlg, IDC_PAD1);
    platform::SendMessage(dlg.get(), WM_KNOB_CHANGED, 30,
                          reinterpret_cast<LPARAM>(platform::GetDlgItem(dlg.get(), IDC_SPEED1)));
    ASSERT_TRUE(dlg->IsModified());

    // The picker cancelled: nothing asked, nothing written.
    Command(*dlg, ID_FILE_COLLECT);
    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(usb));

    folderAnswer = usb;
    Command(*dlg, ID_FILE_COLLECT);
    ASSERT_EQ(m_responder.Count(), 1);
    const QString told = m_responder.Requests()[0].strText;
    const qint64 bytes = QFileInfo(m_tone).size() + QFileInfo(m_short).size() + QFileInfo(m_other).size();
    EXPECT_TRUE(told.contains(QStringLiteral("3 個"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QLocale().toString(bytes))) << told.toStdString();
    const QString collected = usb + QStringLiteral("/show.pdg");
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(collected, back), CGroupFile::kOk);
    EXPECT_DOUBLE_EQ(back[0].m_aChannel[0].m_dRate, 3.0); // the change not yet saved
    EXPECT_EQ(back[1].m_aChannel[0].m_strFile, usb + QStringLiteral("/sounds/other.wav"));
    // A copy elsewhere is not a save of the set: it stays the window's file, changed, and plays on.
    EXPECT_TRUE(dlg->IsModified());
    EXPECT_EQ(dlg->FilePath(), path);
    EXPECT_TRUE(dlg->Player(0).IsPlay());

    // Into the same folder again: asked first; No leaves the earlier collection.
    m_responder.Clear();
    m_responder.QueueAnswer(IDNO);
    QFile::remove(usb + QStringLiteral("/sounds/other.wav"));
    Command(*dlg, ID_FILE_COLLECT);
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_FALSE(QFileInfo::exists(usb + QStringLiteral("/sounds/other.wav")));
    m_responder.Clear();
    m_responder.QueueAnswer(IDYES);
    Command(*dlg, ID_FILE_COLLECT);
    ASSERT_EQ(m_responder.Count(), 2);
    EXPECT_TRUE(QFileInfo::exists(usb + QStringLiteral("/sounds/other.wav")));
}
