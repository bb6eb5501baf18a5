#include "app/data/GroupFile.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/Message.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kRate = 48000;
constexpr UINT kKeypad1 = 0x61, kControl = 0x11, kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27;
constexpr UINT kSpace = 0x20, kM = 'M';

void WriteSine(const QString& path, double seconds) {
    const int frames = static_cast<int>(seconds * kRate);
    QByteArray data(frames * 4, '\0');
    auto* pcm = reinterpret_cast<qint16*>(data.data());
    for (int f = 0; f < frames; ++f)
        pcm[2 * f] = pcm[2 * f + 1] = static_cast<qint16>(16000 * std::sin(2 * M_PI * 440 * f / kRate));
    QByteArray head("RIFF");
    auto put = [&](quint32 v, int bytes) { head.append(reinterpret_cast<const char*>(&v), bytes); };
    put(36 + data.size(), 4);
    head.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(kRate, 4);
    put(kRate * 4, 4);
    put(4, 2);
    put(16, 2);
    head.append("data");
    put(data.size(), 4);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(head + data);
}

// The main window on a set of two groups (sounds on channels 0, 1 and 4 of the first, 0 of the second),
// driven by key messages as the capture posts them and by key events as the window's own focus gets them.
class MainDlgKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const QString tone = m_dir.filePath(QStringLiteral("tone.wav"));
        WriteSine(tone, 3.0);
        CGroupArray set;
        CGroupData first;
        first.m_strName = QStringLiteral("一");
        for (int i : {0, 1, 4}) {
            first.m_aChannel[i].m_strTitle = QStringLiteral("音");
            first.m_aChannel[i].m_strFile = tone;
            first.m_aChannel[i].m_nVolume = 50;
        }
        first.m_aChannel[4].m_nVolume = 99;
        set.Add(first);
        CGroupData second;
        second.m_strName = QStringLiteral("二");
        second.m_aChannel[0].m_strTitle = QStringLiteral("音");
        second.m_aChannel[0].m_strFile = tone;
        set.Add(second);
        const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
        ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
        m_dlg = std::make_unique<CMainDlg>(nullptr, nullptr,
                                           CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        m_dlg->Create({path});
        m_dlg->PlayTimer().stop();
        QCoreApplication::processEvents();
    }

    // As the capture delivers keys: posted, handled when the window takes its queue.
    void Post(UINT message, UINT vk) {
        platform::PostMessage(m_dlg.get(), message, vk,
                              message == platform::WM_KEYUP ? LPARAM(0xC0000001) : 1);
        QCoreApplication::processEvents();
    }
    void Press(UINT vk) {
        Post(platform::WM_KEYDOWN, vk);
        Post(platform::WM_KEYUP, vk);
    }
    CChannelData& Ch(int i) { return m_dlg->GetCurGroup()->m_aChannel[i]; }
    int Tab() { return platform::GetDlgItemAs<QTabBar>(m_dlg.get(), IDC_TAB_GROUP)->currentIndex(); }
    int FaderPos(int id) { return platform::GetDlgItemAs<QSlider>(m_dlg.get(), id)->value(); }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
    std::unique_ptr<CMainDlg> m_dlg;
};

} // namespace

TEST_F(MainDlgKeysTest, ChannelKeyPlaysAndWithTheStopKeyHeldStops) {
    Press(kKeypad1);
    EXPECT_TRUE(m_dlg->Player(0).IsPlay());
    EXPECT_FALSE(m_dlg->Player(1).IsPlay());
    // An auto-repeated press (key down again without a release) acts like a new one.
    Post(platform::WM_KEYDOWN, 0x62);
    Post(platform::WM_KEYDOWN, 0x62);
    EXPECT_TRUE(m_dlg->Player(1).IsPlay());

    Post(platform::WM_KEYDOWN, kControl);
    Press(kKeypad1);
    EXPECT_FALSE(m_dlg->Player(0).IsPlay()) << "stop key held: the channel stops";
    Post(platform::WM_KEYUP, kControl);
    Press(kKeypad1);
    EXPECT_TRUE(m_dlg->Player(0).IsPlay()) << "released: the key plays again";
    // The stop flag also governs what the key message posts for later: the pad command.
    Post(platform::WM_KEYDOWN, kControl);
    Press(0x60);
    EXPECT_FALSE(m_dlg->Player(9).IsPlay()) << "an empty channel has nothing to do";
    Post(platform::WM_KEYUP, kControl);

    Press(kSpace);
    EXPECT_FALSE(m_dlg->Player(0).IsPlay());
    EXPECT_FALSE(m_dlg->Player(1).IsPlay());
}

TEST_F(MainDlgKeysTest, VolumeKeysHeldChangeTheChannelOrTheMasterAndPlayNothing) {
    Post(platform::WM_KEYDOWN, kUp);
    Press(kKeypad1);
    Press(kKeypad1);
    Press(kKeypad1);
    EXPECT_EQ(Ch(0).m_nVolume, 53);
    EXPECT_EQ(FaderPos(IDC_FADER1), 47) << "the fader follows";
    EXPECT_FALSE(m_dlg->Player(0).IsPlay()) << "a volume change plays nothing";
    Press(0x65);
    Press(0x65);
    EXPECT_EQ(Ch(4).m_nVolume, 100) << "never above 100";
    // With both held a channel key leaves the volume where it was.
    Post(platform::WM_KEYDOWN, kDown);
    Press(kKeypad1);
    EXPECT_EQ(Ch(0).m_nVolume, 53);
    Post(platform::WM_KEYUP, kUp);
    Press(kKeypad1);
    EXPECT_EQ(Ch(0).m_nVolume, 52);

    // Master: with Down held a step down per press, stopping at 0.
    Press(kM);
    EXPECT_EQ(m_dlg->MasterVolume(), 99);
    EXPECT_EQ(FaderPos(IDC_MASTER), 1);
    for (int i = 0; i < 120; ++i)
        Post(platform::WM_KEYDOWN, kM);
    EXPECT_EQ(m_dlg->MasterVolume(), 0);
    Post(platform::WM_KEYUP, kDown);
    Press(kM);
    EXPECT_EQ(m_dlg->MasterVolume(), 0) << "M alone does nothing";
    Post(platform::WM_KEYDOWN, kUp);
    Press(kM);
    EXPECT_EQ(m_dlg->MasterVolume(), 1);
    Post(platform::WM_KEYUP, kUp);
}

TEST_F(MainDlgKeysTest, GroupKeysStepThroughTheTabsAndStopAtTheEnds) {
    Press(kKeypad1);
    ASSERT_TRUE(m_dlg->Player(0).IsPlay());
    Press(kLeft);
    EXPECT_EQ(Tab(), 0);
    EXPECT_TRUE(m_dlg->Player(0).IsPlay()) << "Left at the first tab does nothing";
    Press(kRight);
    EXPECT_EQ(Tab(), 1);
    EXPECT_FALSE(m_dlg->Player(0).IsPlay()) << "switching stops what played";
    EXPECT_TRUE(m_dlg->Player(0).IsRender()) << "and loads the group's sounds";
    Press(kRight);
    EXPECT_EQ(Tab(), 1) << "Right at the last tab does nothing";
    Press(kLeft);
    EXPECT_EQ(Tab(), 0);
}

// The window's own key events (capture off, or before it holds) act the same, keypad told from digits;
// keys with no role go on to the focused control.
TEST_F(MainDlgKeysTest, OwnKeyEventsActAlikeAndOthersPassOn) {
    m_dlg->show();
    QWidget* focus = m_dlg->focusWidget() ? m_dlg->focusWidget() : m_dlg.get();
    QKeyEvent keypad(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier);
    QCoreApplication::sendEvent(focus, &keypad);
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_dlg->Player(0).IsPlay());
    Press(kSpace);
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier);
    QCoreApplication::sendEvent(focus, &digit);
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_dlg->Player(0).IsPlay()) << "the main block's 1 is not a channel key";

    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCoreApplication::sendEvent(focus, &ctrl);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(focus, &up);
    QKeyEvent pad(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier);
    QCoreApplication::sendEvent(focus, &pad);
    QCoreApplication::processEvents();
    EXPECT_EQ(Ch(0).m_nVolume, 51);
}

// A release that never arrived (Alt+Tab away while holding the key) does not leave a flag stuck: when the
// window becomes active the flags of keys no longer down are cleared.
TEST_F(MainDlgKeysTest, HeldFlagsOfKeysNoLongerDownClearOnActivation) {
    Post(platform::WM_KEYDOWN, kControl);
    Post(platform::WM_KEYDOWN, kUp);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(m_dlg.get(), &activate);
    Press(kKeypad1);
    EXPECT_TRUE(m_dlg->Player(0).IsPlay()) << "neither the stop nor the volume flag is left";
    EXPECT_EQ(Ch(0).m_nVolume, 50);
}

// The shortcuts the menu shows do what its items do when typed into the window.
TEST_F(MainDlgKeysTest, MenuShortcutsActInTheWindow) {
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    int asked = 0;
    m_dlg->SetPathAskers(
        [&](QWidget*) {
            ++asked;
            return QString();
        },
        {});
    QTest::keyClick(m_dlg.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, 1) << "Ctrl+O asks for a set to open";

    const QString path = m_dlg->FilePath();
    QFile(path).remove();
    QTest::keyClick(m_dlg.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(path)) << "Ctrl+S saves the set where it came from";

    QTest::keyClick(m_dlg.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(m_dlg->Groups().GetSize(), 1) << "Ctrl+N starts a new set";
    EXPECT_EQ(m_dlg->Groups()[0].m_strName, QStringLiteral("Group1"));
    EXPECT_TRUE(m_dlg->FilePath().isEmpty());
    EXPECT_EQ(m_responder.Count(), 0);
}

// A menu that the desktop closed on its own leaves the menu bar with the focus and no title lit; keys
// typed then belong to the window again: Esc asks to close (here the question about the changed set),
// and the menu bar gives up the focus.
TEST_F(MainDlgKeysTest, AMenuBarLeftWithTheFocusAndNothingLitHandsKeysOnToTheWindow) {
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    m_dlg->Show().SetModified(TRUE);
    auto* bar = m_dlg->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    bar->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    ASSERT_EQ(bar->activeAction(), nullptr);
    QTest::keyClick(bar, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->hasFocus());
    ASSERT_EQ(m_responder.Count(), 1) << "Esc did not reach the window";
    EXPECT_TRUE(m_dlg->isVisible()) << "the question was not answered yes or no";

    // With a title lit (the bar is being worked from the keyboard) the bar keeps its keys.
    m_responder.Clear();
    bar->setFocus(Qt::OtherFocusReason);
    bar->setActiveAction(bar->actions().front());
    QTest::keyClick(bar, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_responder.Count(), 0) << "Esc left the menu bar's keyboard mode only";
}
