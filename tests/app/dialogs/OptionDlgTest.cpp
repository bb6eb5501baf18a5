#include "app/dialogs/OptionDlg.h"
#include "app/dialogs/KeyEditCtrl.h"
#include "app/dialogs/OptionPage4.h"
#include "app/dialogs/PageTabCtrl.h"
#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/remote/WebRemote.h"
#include "app/res/Resources.h"
#include "app/show/ShowSession.h"
#include "padkit/util/MessageBox.h"

#include "DialogDriver.h"
#include "tests/app/QrReader.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace dialogtest;

namespace {

class FakeRemoteTarget : public IRemoteTarget {
public:
    void RemoteCommandArrived(const RemoteCommand&) override {}
    RemoteState CurrentRemoteState() override { return RemoteState(); }
};

const QByteArray kIni = "[FilePath]\r\nSndFolder=/show\r\n[Option]\r\nVolVal=5\r\nGetNAStop=1\r\n";

class OptionDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strOldTitle = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Padora"));
        ASSERT_TRUE(m_dir.isValid());
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kIni);
        f.close();
        LoadOption(m_option, Settings());
    }
    void TearDown() override { QGuiApplication::setApplicationDisplayName(m_strOldTitle); }

    QString IniPath() const { return m_dir.filePath(QStringLiteral("Padora.INI")); }
    CSettingsFile Settings() const { return CSettingsFile(IniPath()); }
    QByteArray IniBytes() const {
        QFile f(IniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<COptionDlg> Open(CSettingsFile settings) {
        auto dlg = std::make_unique<COptionDlg>(&m_option, nullptr, std::move(settings));
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        return dlg;
    }
    std::unique_ptr<COptionDlg> Open() { return Open(Settings()); }

    static CKeyEditCtrl* Key(const COptionDlg& dlg, int page, int id) {
        return dlg.Page(page)->GetDlgItemAs<CKeyEditCtrl>(id);
    }
    static void ClickTab(const COptionDlg& dlg, int index) {
        QTabBar* bar = dlg.TabCtrl()->TabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    }
    static int VisiblePage(const COptionDlg& dlg) {
        int shown = -1;
        for (int i = 0; i < COptionDlg::kPageCount; ++i) {
            if (dlg.Page(i)->isVisibleTo(&dlg)) {
                EXPECT_EQ(shown, -1) << "two pages shown";
                shown = i;
            }
        }
        return shown;
    }

    QTemporaryDir m_dir;
    OPTIONDATA m_option{};
    CMessageBoxResponder m_responder;
    QString m_strOldTitle;
};

} // namespace

TEST_F(OptionDlgTest, OpensWithItsTabsPagesInsideTheTabControlAndTheRecordShown) {
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("設定"));
    CPageTabCtrl* tab = dlg->TabCtrl();
    ASSERT_EQ(tab->GetItemCount(), 5);
    EXPECT_EQ(tab->TabBar()->tabText(4), QStringLiteral("リモート"));
    EXPECT_EQ(tab->TabBar()->tabText(0), QStringLiteral("キー設定1"));
    EXPECT_EQ(tab->TabBar()->tabText(1), QStringLiteral("キー設定2"));
    EXPECT_EQ(tab->TabBar()->tabText(2), QStringLiteral("ファイル"));
    EXPECT_EQ(tab->TabBar()->tabText(3), QStringLiteral("オーディオ"));
    EXPECT_EQ(tab->GetItemData(2), 2);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(VisiblePage(*dlg), 0);
    const QRect first = tab->GetItemRect(0);
    for (int i = 0; i < COptionDlg::kPageCount; ++i) {
        EXPECT_EQ(dlg->Page(i)->parentWidget(), tab);
        EXPECT_EQ(dlg->Page(i)->pos(), QPoint(first.x() + 1, first.y() + first.height() + 1));
        EXPECT_TRUE(tab->rect().contains(dlg->Page(i)->geometry())) << i;
    }

    EXPECT_EQ(Key(*dlg, 0, IDC_OPT1_KEY1)->text(), QStringLiteral("Num 1"));
    EXPECT_EQ(Key(*dlg, 0, IDC_OPT1_KEY1 + 9)->GetKeyCode(), 96);
    EXPECT_EQ(Key(*dlg, 0, IDC_OPT1_MASTER)->text(), QStringLiteral("M"));
    EXPECT_EQ(Key(*dlg, 1, IDC_OPT2_STOP)->text(), QStringLiteral("Ctrl"));
    EXPECT_TRUE(Key(*dlg, 1, IDC_OPT2_STOP)->isReadOnly());
    EXPECT_EQ(Key(*dlg, 1, IDC_OPT2_GRPBACK)->text(), QStringLiteral("←"));
    EXPECT_EQ(dlg->Page(1)->GetDlgItemText(IDC_OPT2_VOLVAL), QStringLiteral("5"));
    EXPECT_TRUE(dlg->Page(1)->GetDlgItemAs<QCheckBox>(IDC_OPT2_GETNASTOP)->isChecked());
    EXPECT_FALSE(dlg->Page(1)->GetDlgItemAs<QCheckBox>(IDC_OPT2_GETNAGRP)->isChecked());
    EXPECT_TRUE(dlg->Page(1)->GetDlgItem(IDC_OPT2_GETNAKEY)->isEnabled());
    EXPECT_FALSE(dlg->Page(2)->GetDlgItemAs<QCheckBox>(IDC_OPT3_RELATIVE)->isChecked());
}

TEST_F(OptionDlgTest, KeyFieldsStoreAndNameTheLastKeyPressed) {
    auto dlg = Open();
    CKeyEditCtrl* key1 = Key(*dlg, 0, IDC_OPT1_KEY1);
    key1->setFocus();

    // Named at key-down, before any release.
    QTest::keyPress(key1, Qt::Key_Left);
    EXPECT_EQ(key1->GetKeyCode(), 37);
    EXPECT_EQ(key1->text(), QStringLiteral("←"));
    QTest::keyRelease(key1, Qt::Key_Left);

    QTest::keyClick(key1, Qt::Key_Space);
    EXPECT_EQ(key1->GetKeyCode(), 32);
    EXPECT_EQ(key1->text(), QStringLiteral("Space"));

    QTest::keyPress(key1, Qt::Key_F5);
    EXPECT_EQ(key1->GetKeyCode(), 0x74);
    EXPECT_EQ(key1->text(), QStringLiteral("F5"));
    QTest::keyRelease(key1, Qt::Key_F5);

    // Typing never edits the text: a letter shows the key's name, Delete does not delete it.
    QTest::keyClicks(key1, "qa");
    EXPECT_EQ(key1->GetKeyCode(), 'A');
    EXPECT_EQ(key1->text(), QStringLiteral("A"));
    QTest::keyClick(key1, Qt::Key_Delete);
    EXPECT_EQ(key1->GetKeyCode(), 46);
    EXPECT_EQ(key1->text(), QStringLiteral("Delete"));

    QTest::keyClick(key1, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(key1->GetKeyCode(), 99);
    EXPECT_EQ(key1->text(), QStringLiteral("Num 3"));

    // The stop key is shown only.
    CKeyEditCtrl* stop = Key(*dlg, 1, IDC_OPT2_STOP);
    QTest::keyClick(stop, Qt::Key_X);
    QTest::keyClick(stop, Qt::Key_Delete);
    EXPECT_EQ(stop->GetKeyCode(), 17);
    EXPECT_EQ(stop->text(), QStringLiteral("Ctrl"));
}

TEST_F(OptionDlgTest, AltAndF10LeaveAKeyFieldsKeyAsItWas) {
    auto dlg = Open();
    CKeyEditCtrl* key1 = Key(*dlg, 0, IDC_OPT1_KEY1);
    key1->setFocus();
    QTest::keyClick(key1, Qt::Key_F9);
    ASSERT_EQ(key1->GetKeyCode(), 0x78);
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_F10}) {
        QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier);
        QCoreApplication::sendEvent(key1, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(key1, &release);
        EXPECT_EQ(key1->GetKeyCode(), 0x78) << key;
        EXPECT_EQ(key1->text(), QStringLiteral("F9")) << key;
    }
    // Other modifiers are keys like any other.
    QTest::keyClick(key1, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(key1->GetKeyCode(), 0x10);
}

TEST_F(OptionDlgTest, EnterInAKeyFieldConfirmsAndSavesTheStoredCodes) {
    auto dlg = Open();
    CKeyEditCtrl* key2 = Key(*dlg, 0, IDC_OPT1_KEY1 + 1);
    key2->setFocus();
    QTest::keyClick(key2, Qt::Key_F2);
    ClickTab(*dlg, 1);
    CKeyEditCtrl* allStop = Key(*dlg, 1, IDC_OPT2_ALLSTOP);
    QTest::keyClick(allStop, Qt::Key_End);
    TypeOver(dlg->Page(1)->GetDlgItem(IDC_OPT2_VOLVAL), QStringLiteral("12"));
    ClickTab(*dlg, 2);
    Click(dlg->Page(2)->GetDlgItem(IDC_OPT3_RELATIVE));
    ClickTab(*dlg, 0);
    QTest::keyClick(key2, Qt::Key_Return);

    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(key2->GetKeyCode(), 0x71) << "Enter is not stored";
    EXPECT_EQ(m_option.nVKey[1], 0x71);
    EXPECT_EQ(m_option.nVKey[0], 97);
    EXPECT_EQ(m_option.nAllStopKey, 35);
    EXPECT_EQ(m_option.nVolVal, 12);
    EXPECT_EQ(m_option.bRelative, 1);
    EXPECT_EQ(m_option.bGetNAStop, 1);

    OPTIONDATA written;
    LoadOption(written, Settings());
    EXPECT_EQ(std::memcmp(&written, &m_option, sizeof written), 0);
    EXPECT_TRUE(IniBytes().startsWith("[FilePath]\r\nSndFolder=/show\r\n")) << "the other keys stay";
}

TEST_F(OptionDlgTest, TheKeepPlayingBoxStoresSectionShowAndALeftAloneOneWritesNothing) {
    const auto confirm = [&](bool click) {
        auto dlg = Open();
        ClickTab(*dlg, 2);
        auto* box = dlg->Page(2)->GetDlgItemAs<QCheckBox>(IDC_OPT3_KEEPPLAYING);
        EXPECT_EQ(box->text(), QStringLiteral("グループを切り替えても再生中の音を止めない"));
        const bool was = box->isChecked();
        if (click)
            Click(box);
        Click(dlg->GetDlgItem(platform::IDOK));
        EXPECT_EQ(dlg->m_Show.bKeepPlaying, click ? !was : was);
        return was;
    };
    EXPECT_FALSE(confirm(false));
    EXPECT_FALSE(IniBytes().contains("[Show]")) << "the default stays out of the file";
    EXPECT_FALSE(confirm(true));
    EXPECT_TRUE(IniBytes().contains("[Show]\r\nKeepPlaying=1\r\n")) << IniBytes().toStdString();
    EXPECT_TRUE(CShowSettings::Load(Settings()).bKeepPlaying);
    EXPECT_TRUE(confirm(true)) << "shown checked";
    EXPECT_TRUE(IniBytes().contains("KeepPlaying=0\r\n"));
    EXPECT_TRUE(IniBytes().startsWith("[FilePath]\r\nSndFolder=/show\r\n")) << "the other keys stay";

    // Only 1 is on: a hand-edited or foreign value leaves the show as it always was.
    for (const char* value : {"yes", "2", "-1", ""}) {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[Show]\r\nKeepPlaying=") + value + "\r\n");
        f.close();
        EXPECT_FALSE(CShowSettings::Load(Settings()).bKeepPlaying) << value;
    }
}

TEST_F(OptionDlgTest, CancelAndEscAfterChangesLeaveTheRecordAndTheFileAsTheyWere) {
    const OPTIONDATA before = m_option;
    {
        auto dlg = Open();
        QTest::keyClick(Key(*dlg, 0, IDC_OPT1_KEY1), Qt::Key_Z);
        ClickTab(*dlg, 1);
        Click(dlg->Page(1)->GetDlgItem(IDC_OPT2_GETNOACTIVE));
        Click(dlg->GetDlgItem(platform::IDCANCEL));
        EXPECT_EQ(dlg->result(), platform::IDCANCEL);
    }
    {
        auto dlg = Open();
        CKeyEditCtrl* master = Key(*dlg, 0, IDC_OPT1_MASTER);
        QTest::keyClick(master, Qt::Key_Q);
        QTest::keyClick(master, Qt::Key_Escape);
        EXPECT_EQ(dlg->result(), platform::IDCANCEL);
        EXPECT_EQ(master->GetKeyCode(), 'Q');
    }
    EXPECT_EQ(std::memcmp(&before, &m_option, sizeof before), 0);
    EXPECT_EQ(IniBytes(), kIni);
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(OptionDlgTest, VolumeStepOutside1To100IsRefusedOnOkAndOnChangingTheTab) {
    auto dlg = Open();
    ClickTab(*dlg, 1);
    QWidget* step = dlg->Page(1)->GetDlgItem(IDC_OPT2_VOLVAL);
    const QString range = QStringLiteral("1 から 100 までの整数を入力してください。");

    for (const QString& bad : {QStringLiteral("0"), QStringLiteral("101"), QString()}) {
        m_responder.Clear();
        TypeOver(step, bad);
        Click(dlg->GetDlgItem(platform::IDOK));
        ASSERT_EQ(m_responder.Count(), 1) << bad.toStdString();
        EXPECT_EQ(m_responder.Requests()[0].strText,
                  bad.isEmpty() ? QStringLiteral("整数を入力してください。") : range);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), step);
    }
    EXPECT_EQ(IniBytes(), kIni);

    // Leaving the page with a bad step brings the operator back to it.
    m_responder.Clear();
    TypeOver(step, QStringLiteral("200"));
    ClickTab(*dlg, 2);
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(dlg->TabCtrl()->GetCurSel(), 1);
    EXPECT_EQ(VisiblePage(*dlg), 1);
    EXPECT_EQ(dlg->focusWidget(), step);

    // From page 1 the refusal of OK also brings up page 2.
    TypeOver(step, QStringLiteral("100"));
    ClickTab(*dlg, 0);
    EXPECT_EQ(VisiblePage(*dlg), 0);
    dlg->Page(1)->SetDlgItemText(IDC_OPT2_VOLVAL, QStringLiteral("0"));
    m_responder.Clear();
    Click(dlg->GetDlgItem(platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(VisiblePage(*dlg), 1);
    EXPECT_EQ(dlg->TabCtrl()->GetCurSel(), 1);

    TypeOver(step, QStringLiteral("100"));
    Click(dlg->GetDlgItem(platform::IDOK));
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(m_option.nVolVal, 100);
}

TEST_F(OptionDlgTest, CaptureBoxEnablesItsScopeBoxesWhichKeepTheirTicks) {
    auto dlg = Open();
    ClickTab(*dlg, 1);
    CResDialog* page = dlg->Page(1);
    Click(page->GetDlgItem(IDC_OPT2_GETNOACTIVE));
    for (int id : {IDC_OPT2_GETNAKEY, IDC_OPT2_GETNASTOP, IDC_OPT2_GETNAGRP})
        EXPECT_FALSE(page->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_TRUE(page->GetDlgItemAs<QCheckBox>(IDC_OPT2_GETNASTOP)->isChecked());
    Click(dlg->GetDlgItem(platform::IDOK));
    EXPECT_EQ(m_option.bGetNoActive, 0);
    EXPECT_EQ(m_option.bGetNAKey, 1);
    EXPECT_EQ(m_option.bGetNAStop, 1);
    EXPECT_EQ(m_option.bGetNAGrp, 0);

    auto again = Open();
    page = again->Page(1);
    EXPECT_FALSE(page->GetDlgItem(IDC_OPT2_GETNAKEY)->isEnabled());
    Click(page->GetDlgItem(IDC_OPT2_GETNOACTIVE));
    EXPECT_TRUE(page->GetDlgItem(IDC_OPT2_GETNAGRP)->isEnabled());
}

TEST_F(OptionDlgTest, AFailedWriteIsReportedAndTheNewValuesStayForThisRun) {
    const QString nowhere = m_dir.filePath(QStringLiteral("gone/Padora.INI"));
    auto dlg = Open(CSettingsFile(nowhere));
    QTest::keyClick(Key(*dlg, 0, IDC_OPT1_KEY1 + 4), Qt::Key_F9);
    Click(dlg->GetDlgItem(platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, QStringLiteral("ファイル書込中にエラーが発生しました。"));
    EXPECT_EQ(m_responder.Requests()[0].strCaption, QStringLiteral("エラー"));
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(m_option.nVKey[4], 0x78);
    EXPECT_FALSE(QFile::exists(nowhere));
}

namespace {
// The engine's configuration and PADORA_AUDIO as they were, put back after a test of the audio page.
class CAudioScope {
public:
    CAudioScope() : m_config(playkit::CAdxEngine::Current()) {
        const char* env = std::getenv(kAudioEnvironment);
        m_hadEnv = env != nullptr;
        m_env = env ? env : "";
        unsetenv(kAudioEnvironment);
    }
    ~CAudioScope() {
        playkit::CAdxEngine::Configure(m_config);
        if (m_hadEnv)
            setenv(kAudioEnvironment, m_env.c_str(), 1);
        else
            unsetenv(kAudioEnvironment);
    }

private:
    playkit::AdxEngineConfig m_config;
    bool m_hadEnv = false;
    std::string m_env;
};
} // namespace

// The stored device is not plugged in: it stays chosen (marked), the default device comes first, and
// OK with another period stores both and hands them to the engine at once.
TEST_F(OptionDlgTest, AudioPageKeepsAnAbsentDeviceAndAppliesAChangeAtOk) {
    CAudioScope scope;
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("[Audio]\r\nDevice=USB Interface 2x2\r\nPeriod=100\r\n");
    f.close();
    auto dlg = Open();
    ClickTab(*dlg, 3);
    EXPECT_EQ(VisiblePage(*dlg), 3);
    auto* page = static_cast<COptionPage4*>(dlg->Page(3));
    auto* device = page->GetDlgItemAs<QComboBox>(IDC_OPT4_DEVICE);
    auto* period = page->GetDlgItemAs<QComboBox>(IDC_OPT4_PERIOD);
    EXPECT_EQ(device->itemText(0), QStringLiteral("既定のデバイス"));
    EXPECT_EQ(device->currentText(), QStringLiteral("USB Interface 2x2 (見つかりません)"));
    EXPECT_EQ(device->currentData().toString(), QStringLiteral("USB Interface 2x2"));
    // A period of the file outside the list is kept as it is.
    EXPECT_EQ(period->currentText(), QStringLiteral("100"));
    for (int frames : {64, 128, 256, 512, 1024})
        EXPECT_GE(period->findText(QString::number(frames)), 0) << frames;

    // "テスト" on the absent device says why in the page, without a message box.
    EXPECT_FALSE(page->PlayTestTone());
    EXPECT_TRUE(page->GetDlgItemText(IDC_OPT4_NOTE).contains(QStringLiteral("USB Interface 2x2")));
    EXPECT_EQ(m_responder.Count(), 0);

    period->setCurrentIndex(period->findText(QStringLiteral("512")));
    Click(dlg->GetDlgItem(platform::IDOK));
    EXPECT_TRUE(IniBytes().contains("[Audio]\r\nDevice=USB Interface 2x2\r\nPeriod=512\r\n"))
        << IniBytes().constData();
    const playkit::AdxEngineConfig config = playkit::CAdxEngine::Current();
    EXPECT_EQ(config.device, "USB Interface 2x2");
    EXPECT_EQ(config.periodFrames, 512u);
}

TEST_F(OptionDlgTest, AudioUnchangedOrOverriddenLeavesTheEngineAlone) {
    CAudioScope scope;
    const playkit::AdxEngineConfig before = playkit::CAdxEngine::Current();
    {
        auto dlg = Open();
        Click(dlg->GetDlgItem(platform::IDOK));
    }
    EXPECT_FALSE(IniBytes().contains("[Audio]")); // nothing changed, nothing written
    EXPECT_EQ(playkit::CAdxEngine::Current().backend, before.backend);

    setenv(kAudioEnvironment, "null", 1);
    auto dlg = Open();
    auto* page = dlg->Page(3);
    EXPECT_TRUE(page->GetDlgItemText(IDC_OPT4_NOTE).contains(QStringLiteral("PADORA_AUDIO")));
    auto* period = page->GetDlgItemAs<QComboBox>(IDC_OPT4_PERIOD);
    period->setCurrentIndex(period->findText(QStringLiteral("64")));
    Click(dlg->GetDlgItem(platform::IDOK));
    // Stored for a start without the variable; the output stays the variable's.
    EXPECT_TRUE(IniBytes().contains("Period=64")) << IniBytes().constData();
    EXPECT_EQ(playkit::CAdxEngine::Current().backend, before.backend);
    EXPECT_EQ(playkit::CAdxEngine::Current().periodFrames, before.periodFrames);
}

TEST_F(OptionDlgTest, RemotePageShowsAndStoresTheOscSettingsAndLearnsOnlyWhileAsked) {
    FakeRemoteTarget target;
    CMidiControl midi(&target); // not opened: MIDI is off
    CMidiMap map;
    map.Set(CMidiMap::kPadFirst, CMidiMap::Binding::FromText(QStringLiteral("note 1 60")));
    midi.SetMap(map);
    {
        auto dlg = std::make_unique<COptionDlg>(&m_option, nullptr, Settings());
        dlg->SetMidiControl(&midi);
        ASSERT_TRUE(dlg->Create());
        dlg->show();
        ClickTab(*dlg, 4);
        EXPECT_EQ(VisiblePage(*dlg), 4);
        CResDialog* page = dlg->Page(4);
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_OSCPORT), QStringLiteral("9000"));
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_OSCBIND), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_MIDI), QStringLiteral("MIDI は使われていません"));
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_BINDING1), QStringLiteral("note 1 60"));
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_LEARN1 + 21), QStringLiteral("学習"));
        EXPECT_FALSE(page->GetDlgItem(IDC_OPT5_LEARN1)->isEnabled());
        // Learning is asked for by the button (a second click gives up) ...
        page->SendCommand(IDC_OPT5_LEARN1 + 11);
        EXPECT_TRUE(midi.IsLearning());
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_LEARN1 + 11), QStringLiteral("操作待ち"));
        page->SendCommand(IDC_OPT5_LEARN1 + 11);
        EXPECT_FALSE(midi.IsLearning());
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_LEARN1 + 11), QStringLiteral("学習"));
        page->SendCommand(IDC_OPT5_LEARN1 + 5);
        // ... and a port out of range is refused on OK.
        TypeOver(page->GetDlgItem(IDC_OPT5_OSCPORT), QStringLiteral("70000"));
        Click(dlg->GetDlgItem(platform::IDOK));
        EXPECT_EQ(m_responder.Count(), 1);
        EXPECT_FALSE(dlg->isHidden());
        TypeOver(page->GetDlgItem(IDC_OPT5_OSCPORT), QStringLiteral("9123"));
        TypeOver(page->GetDlgItem(IDC_OPT5_OSCBIND), QStringLiteral("0.0.0.0"));
        Click(dlg->GetDlgItem(platform::IDOK));
        EXPECT_EQ(dlg->result(), platform::IDOK);
    }
    // Closing the dialog ends learning.
    EXPECT_FALSE(midi.IsLearning());
    const auto config = CRemoteControl::ReadConfig(Settings());
    EXPECT_EQ(config.nPort, 9123);
    EXPECT_EQ(config.strBind, QStringLiteral("0.0.0.0"));
    EXPECT_TRUE(IniBytes().contains("MidiPad1=note 1 60"));
    EXPECT_TRUE(IniBytes().contains("VolVal=5"));
}

// The browser remote's part of the page: address and code, the QR window that reads back as the
// address, and revoking (a new code). Without a running remote both buttons are off.
TEST_F(OptionDlgTest, RemotePageShowsTheBrowserRemotesAddressAndOpensItsQrCode) {
    CShowSession show;
    CWebRemote web(&show);
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const int port = probe.serverPort();
    probe.close();
    ASSERT_TRUE(web.Start({port, QStringLiteral("127.0.0.1"), false})) << web.Message().toStdString();
    for (CWebRemote* running : {&web, static_cast<CWebRemote*>(nullptr)}) {
        SCOPED_TRACE(running ? "running" : "none");
        auto dlg = std::make_unique<COptionDlg>(&m_option, nullptr, Settings());
        dlg->SetWebRemote(running);
        ASSERT_TRUE(dlg->Create());
        dlg->show();
        ClickTab(*dlg, 4);
        CResDialog* page = dlg->Page(4);
        QWidget* qrButton = page->GetDlgItem(IDC_OPT5_WEBQR);
        ASSERT_TRUE(qrButton);
        if (!running) {
            EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_WEBURL),
                      QStringLiteral("ブラウザ リモートは使われていません"));
            EXPECT_FALSE(qrButton->isEnabled());
            EXPECT_FALSE(page->GetDlgItem(IDC_OPT5_WEBREVOKE)->isEnabled());
            continue;
        }
        const QString code = web.Code();
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_WEBURL),
                  QStringLiteral("%1  コード %2").arg(web.Url(), code));
        std::optional<QString> read;
        QString text;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<CResDialog*>(modal);
            if (box && box->TemplateId() == IDD_WEB_REMOTE) {
                text = box->GetDlgItemText(IDC_WEBREMOTE_TEXT);
                read = ReadQrCode(box->GetDlgItemAs<QLabel>(IDC_WEBREMOTE_QR)->grab().toImage());
            }
            modal->close();
        });
        Click(qrButton);
        EXPECT_EQ(read, web.Url());
        EXPECT_TRUE(text.contains(web.Url()) && text.contains(code)) << text.toStdString();
        page->SendCommand(IDC_OPT5_WEBREVOKE);
        EXPECT_NE(web.Code(), code);
        EXPECT_TRUE(page->GetDlgItemText(IDC_OPT5_WEBURL).endsWith(web.Code()));
    }
}

// The page learns into its own copy of the map: the controller acts on the map it has until OK.
TEST_F(OptionDlgTest, LearntControlsReachTheControllerOnlyOnOk) {
    FakeRemoteTarget target;
    CMidiControl midi(&target); // not opened: its intake still hears what is pushed
    CMidiMap map;
    map.Set(CMidiMap::kPadFirst, CMidiMap::Binding::FromText(QStringLiteral("note 1 60")));
    midi.SetMap(map);
    auto learn = [&](CResDialog* page, int role, unsigned char status, unsigned char number) {
        page->SendCommand(IDC_OPT5_LEARN1 + role);
        ASSERT_TRUE(midi.IsLearning());
        midi.Intake().Push({{RemoteCommand::Kind::Raw, status, (number << 8) | 100}});
        for (int i = 0; i < 200 && midi.IsLearning(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_FALSE(midi.IsLearning());
    };
    auto open = [&] {
        auto dlg = std::make_unique<COptionDlg>(&m_option, nullptr, Settings());
        dlg->SetMidiControl(&midi);
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        ClickTab(*dlg, 4);
        return dlg;
    };
    {
        auto dlg = open();
        CResDialog* page = dlg->Page(4);
        learn(page, CMidiMap::kPadFirst + 1, 0x90, 60); // pad 1's note, now pad 2's
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_BINDING1 + 1), QStringLiteral("note 1 60"));
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_BINDING1), QString());
        EXPECT_EQ(page->GetDlgItemText(IDC_OPT5_LEARN1 + 1), QStringLiteral("学習"));
        EXPECT_EQ(midi.Map().RoleOf(CMidiMap::Binding::FromText(QStringLiteral("note 1 60"))),
                  CMidiMap::kPadFirst);
        Click(dlg->GetDlgItem(platform::IDCANCEL));
    }
    EXPECT_EQ(midi.Map().At(CMidiMap::kPadFirst).ToText(), QStringLiteral("note 1 60"));
    EXPECT_EQ(midi.Map().At(CMidiMap::kPadFirst + 1).kind, CMidiMap::Binding::Kind::None);
    EXPECT_FALSE(IniBytes().contains("Midi"));
    {
        auto dlg = open();
        learn(dlg->Page(4), CMidiMap::kMaster, 0xB1, 7);
        EXPECT_EQ(midi.Map().At(CMidiMap::kMaster).kind, CMidiMap::Binding::Kind::None);
        Click(dlg->GetDlgItem(platform::IDOK));
        EXPECT_EQ(dlg->result(), platform::IDOK);
    }
    EXPECT_EQ(midi.Map().At(CMidiMap::kMaster).ToText(), QStringLiteral("cc 2 7"));
    EXPECT_EQ(midi.Map().At(CMidiMap::kPadFirst).ToText(), QStringLiteral("note 1 60"));
    EXPECT_TRUE(IniBytes().contains("MidiPad1=note 1 60\r\nMidiMaster=cc 2 7\r\n"))
        << IniBytes().toStdString();
}

TEST_F(OptionDlgTest, OkWritesOnlyTheRemoteKeysThatChangedOrThatTheFileHad) {
    FakeRemoteTarget target;
    CMidiControl midi(&target); // not opened, nothing learnt
    auto confirm = [&](const QString& port) {
        auto dlg = std::make_unique<COptionDlg>(&m_option, nullptr, Settings());
        dlg->SetMidiControl(&midi);
        ASSERT_TRUE(dlg->Create());
        dlg->show();
        if (!port.isEmpty()) {
            ClickTab(*dlg, 4);
            TypeOver(dlg->Page(4)->GetDlgItem(IDC_OPT5_OSCPORT), port);
        }
        Click(dlg->GetDlgItem(platform::IDOK));
        EXPECT_EQ(dlg->result(), platform::IDOK);
    };
    confirm(QString());
    EXPECT_FALSE(IniBytes().contains("[Remote]")) << IniBytes().toStdString();
    EXPECT_TRUE(IniBytes().contains("VolVal=5"));

    confirm(QStringLiteral("9100"));
    EXPECT_TRUE(IniBytes().contains("[Remote]\r\nOscPort=9100\r\n")) << IniBytes().toStdString();
    EXPECT_FALSE(IniBytes().contains("OscBind"));
    EXPECT_FALSE(IniBytes().contains("Midi"));

    // Keys the file has are kept, and written as the dialog leaves them.
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("OscBind=127.0.0.1\r\nMidiPad3=note 1 62\r\n");
    f.close();
    CMidiMap map = CRemoteSettings::Load(Settings()).map;
    map.Set(CMidiMap::kPadFirst + 2, CMidiMap::Binding());
    midi.SetMap(map);
    confirm(QStringLiteral("9000"));
    EXPECT_TRUE(IniBytes().contains("OscPort=9000\r\nOscBind=127.0.0.1\r\nMidiPad3=\r\n"))
        << IniBytes().toStdString();
    EXPECT_FALSE(IniBytes().contains("MidiPad1"));
}

// Enter and Esc answer the dialog from whichever field of a page holds the focus.
TEST_F(OptionDlgTest, EnterAndEscFromAnyPageFieldAnswerTheDialog) {
    {
        auto dlg = Open();
        ClickTab(*dlg, 1);
        QWidget* step = dlg->Page(1)->GetDlgItem(IDC_OPT2_VOLVAL);
        TypeOver(step, QStringLiteral("7"));
        QTest::keyClick(step, Qt::Key_Return);
        EXPECT_EQ(dlg->result(), platform::IDOK);
        EXPECT_EQ(m_option.nVolVal, 7);
    }
    {
        auto dlg = Open();
        ClickTab(*dlg, 2);
        QWidget* relative = dlg->Page(2)->GetDlgItem(IDC_OPT3_RELATIVE);
        relative->setFocus();
        QTest::keyClick(relative, Qt::Key_Space);
        QTest::keyClick(relative, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(dlg->result(), platform::IDOK);
        EXPECT_EQ(m_option.bRelative, 1);
    }
    {
        const OPTIONDATA before = m_option;
        const QByteArray ini = IniBytes();
        auto dlg = Open();
        ClickTab(*dlg, 1);
        QWidget* capture = dlg->Page(1)->GetDlgItem(IDC_OPT2_GETNOACTIVE);
        capture->setFocus();
        QTest::keyClick(capture, Qt::Key_Space);
        QTest::keyClick(capture, Qt::Key_Escape);
        EXPECT_EQ(dlg->result(), platform::IDCANCEL);
        EXPECT_EQ(std::memcmp(&before, &m_option, sizeof before), 0);
        EXPECT_EQ(IniBytes(), ini);
    }
}

// Text from the clipboard or the X11 selection never lands in a key field.
TEST_F(OptionDlgTest, KeyFieldsTakeNoPastedTextNorTheX11Selection) {
    auto dlg = Open();
    CKeyEditCtrl* key1 = Key(*dlg, 0, IDC_OPT1_KEY1);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"), QClipboard::Clipboard);
    if (QGuiApplication::clipboard()->supportsSelection())
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"), QClipboard::Selection);
    key1->setFocus();
    QTest::mouseClick(key1, Qt::MiddleButton, Qt::NoModifier, key1->rect().center());
    EXPECT_EQ(key1->text(), QStringLiteral("Num 1"));
    EXPECT_EQ(key1->GetKeyCode(), 97);
    QTest::keyClick(key1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(key1->text(), QStringLiteral("V"));
    QTest::keyClick(key1, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(key1->text(), QStringLiteral("Insert"));
    EXPECT_EQ(key1->GetKeyCode(), 45);
}

// The cue: no device and no pair at first, the pairs of the output offered, Shift the key; a choice is
// stored and reaches the engine at OK.
TEST_F(OptionDlgTest, AudioPageChoosesTheCueAndItsKey) {
    CAudioScope scope;
    auto dlg = Open();
    ClickTab(*dlg, 3);
    auto* page = static_cast<COptionPage4*>(dlg->Page(3));
    auto* cueDevice = page->GetDlgItemAs<QComboBox>(IDC_OPT4_CUEDEVICE);
    auto* cuePair = page->GetDlgItemAs<QComboBox>(IDC_OPT4_CUEPAIR);
    auto* cueKey = page->GetDlgItemAs<QComboBox>(IDC_OPT4_CUEKEY);
    EXPECT_EQ(cueDevice->currentText(), QStringLiteral("なし"));
    EXPECT_EQ(cuePair->currentText(), QStringLiteral("なし"));
    EXPECT_EQ(cueKey->currentText(), QStringLiteral("Shift"));
    const int pairs = page->GetDlgItemAs<QComboBox>(IDC_OPT4_PAIRS)->currentData().toInt();
    EXPECT_EQ(cuePair->count(), 1 + pairs);
    EXPECT_EQ(cuePair->itemText(1), QStringLiteral("1–2"));
    cuePair->setCurrentIndex(1);
    cueKey->setCurrentIndex(cueKey->findText(QStringLiteral("Alt")));
    Click(dlg->GetDlgItem(platform::IDOK));
    EXPECT_TRUE(IniBytes().contains("CuePair=1\r\nCueKey=18\r\n")) << IniBytes().constData();
    EXPECT_FALSE(IniBytes().contains("CueDevice")) << IniBytes().constData();
    EXPECT_EQ(playkit::CAdxEngine::Current().cuePair, 1u);
}
