#include "XSession.h"

#include "platform/DialogTemplate.h"
#include "tests/app/TestSounds.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

// An operator's session through the menus of the real program: a channel of a new set gets a sound,
// a group is added, the set is saved, a fresh Padora plays the saved set, and a channel key is changed
// in the options.
namespace {

constexpr int kTimeoutMs = 15000;
constexpr unsigned long kKeyReturn = 0xff0d;
constexpr unsigned long kKeyEscape = 0xff1b;
constexpr unsigned long kKeyF9 = 0xffc6;
const QString kMainTitle = QStringLiteral("Padora");
const QString kGroupDlgTitle = QStringLiteral("グループの編集");

// Peak of 16-bit samples in windows of a WAV file's data, one value per window.
std::vector<int> WindowPeaks(const QByteArray& wav, int windowFrames) {
    std::vector<int> peaks;
    const qsizetype data = wav.indexOf("data");
    if (data < 0 || wav.size() < data + 8)
        return peaks;
    const int channels = qFromLittleEndian<quint16>(wav.constData() + 22);
    const char* p = wav.constData() + data + 8;
    const qsizetype samples = (wav.size() - data - 8) / 2;
    const qsizetype perWindow = static_cast<qsizetype>(windowFrames) * channels;
    for (qsizetype start = 0; start + perWindow <= samples; start += perWindow) {
        int peak = 0;
        for (qsizetype i = start; i < start + perWindow; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(qFromLittleEndian<qint16>(p + 2 * i))));
        peaks.push_back(peak);
    }
    return peaks;
}

// How many separate stretches of sound (windows above threshold) the peaks hold.
int Bursts(const std::vector<int>& peaks, int threshold) {
    int bursts = 0;
    bool inBurst = false;
    for (int peak : peaks) {
        const bool loud = peak > threshold;
        if (loud && !inBurst)
            ++bursts;
        inBurst = loud;
    }
    return bursts;
}

class DialogsE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid());
        ASSERT_TRUE(m_runtime.isValid());
        m_base = platform::DialogBaseUnits(platform::DialogFont(QStringLiteral("ＭＳ ゴシック"), 12));
    }

    void TearDown() override {
        for (auto& p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(kTimeoutMs);
            }
        }
    }

    QProcess* Start(const QStringList& args, const QString& audio) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        // OSC off: parallel runs never compete for the default port.
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_AUDIO"), audio);
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_work.path());
        p->start(QStringLiteral(PADORA_BIN), args);
        EXPECT_TRUE(p->waitForStarted(kTimeoutMs));
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    // A mapped window of the process with this title that is not among known.
    XWindow WaitForWindow(QProcess* p, const QString& title, const std::set<XWindow>& known = {}) {
        XWindow found = 0;
        XSession::WaitFor(
            [&] {
                for (XWindow w : m_x.WindowsOf(p->processId(), title)) {
                    if (!known.count(w)) {
                        found = w;
                        return true;
                    }
                }
                return p->state() == QProcess::NotRunning;
            },
            kTimeoutMs);
        if (found)
            QThread::msleep(300); // mapped; let it take its first paint and input
        return found;
    }
    std::set<XWindow> Windows(QProcess* p) const {
        const auto all = m_x.WindowsOf(p->processId());
        return std::set<XWindow>(all.begin(), all.end());
    }
    // The window that opened after known (a file dialog, whose title belongs to Qt).
    XWindow WaitForNewWindow(QProcess* p, const std::set<XWindow>& known) {
        return WaitForWindow(p, QString(), known);
    }
    bool WaitGone(XWindow w, QProcess* p) {
        return XSession::WaitFor(
            [&] {
                const auto all = m_x.WindowsOf(p->processId());
                return std::find(all.begin(), all.end(), w) == all.end();
            },
            kTimeoutMs);
    }

    static void Xdo(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }
    // Clicks the middle of a control placed at rect (dialog units) in the window's client area, which
    // starts yOffset pixels below the window's top (a menu bar).
    void Click(XWindow w, const QRect& units, int yOffset = 0) {
        const QRect r = platform::DialogUnitsToPixels(units, m_base);
        Xdo({"mousemove", "--window", QString::number(w), QString::number(r.center().x()),
             QString::number(r.center().y() + yOffset), "click", "1"});
        QThread::msleep(200);
    }
    void Keys(XWindow w, const QStringList& keys) {
        m_x.SetFocus(w);
        for (const QString& k : keys) {
            Xdo({"key", k});
            QThread::msleep(150);
        }
    }
    void Type(XWindow w, const QString& text) {
        m_x.SetFocus(w);
        Xdo({"type", "--delay", "20", text});
        QThread::msleep(200);
    }
    int MenuHeight(XWindow main) const {
        return m_x.Geometry(main).height() - platform::DialogUnitsToPixels(QSize(397, 313), m_base).height();
    }
    bool WaitForExit(QProcess* p) {
        return XSession::WaitFor([p] { return p->state() == QProcess::NotRunning; }, kTimeoutMs);
    }

    static XSession& Display() {
        static XSession session;
        return session;
    }

    XSession& m_x = Display();
    QTemporaryDir m_work;
    QTemporaryDir m_runtime;
    QSize m_base;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

} // namespace

TEST_F(DialogsE2e, EditAChannelAddAGroupSaveAndPlayItInAFreshPadora) {
    const QString sound =
        app_test::WriteTestFile(m_work.filePath(QStringLiteral("sounds/tone.wav")), app_test::SineWav(0.6));
    const QString setPath = m_work.filePath(QStringLiteral("show.pdg"));

    // A new set: グループの編集 on channel 1, with the sound taken through 参照 and its name as title.
    QProcess* padora = Start({}, QStringLiteral("null"));
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    Keys(main, {"alt+e", "g"});
    const XWindow groupDlg = WaitForWindow(padora, kGroupDlgTitle);
    ASSERT_NE(groupDlg, 0u);
    Click(groupDlg, QRect(270, 22, 50, 20)); // 編集: the first row is selected
    const XWindow channelDlg = WaitForWindow(padora, QStringLiteral("チャンネル編集"));
    ASSERT_NE(channelDlg, 0u);
    m_x.Capture(groupDlg).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-group-dialog.png"));
    m_x.Capture(channelDlg).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-channel-dialog.png"));
    std::set<XWindow> known = Windows(padora);
    Click(channelDlg, QRect(185, 38, 30, 14)); // 参照
    const XWindow fileDlg = WaitForNewWindow(padora, known);
    ASSERT_NE(fileDlg, 0u);
    Type(fileDlg, sound);
    Keys(fileDlg, {"Return"});
    ASSERT_TRUE(WaitGone(fileDlg, padora));
    const XWindow question = WaitForWindow(padora, kMainTitle, {main});
    ASSERT_NE(question, 0u) << "the title question";
    Keys(question, {"Return"}); // はい
    ASSERT_TRUE(WaitGone(question, padora));
    // The answered box hands the keys back to the dialog it came from.
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == channelDlg; }, kTimeoutMs));
    Click(channelDlg, QRect(112, 115, 50, 20)); // 設定
    ASSERT_TRUE(WaitGone(channelDlg, padora));

    // グループ編集 → 追加 "SE" → 終了, then OK.
    known = Windows(padora);
    Click(groupDlg, QRect(197, 4, 69, 14));
    const XWindow groupList = WaitForWindow(padora, kGroupDlgTitle, known);
    ASSERT_NE(groupList, 0u);
    m_x.Capture(groupList).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-group-list.png"));
    Click(groupList, QRect(99, 5, 50, 20)); // 追加
    const XWindow nameDlg = WaitForWindow(padora, QStringLiteral("グループ名編集"));
    ASSERT_NE(nameDlg, 0u);
    Type(nameDlg, QStringLiteral("SE"));
    Keys(nameDlg, {"Return"});
    ASSERT_TRUE(WaitGone(nameDlg, padora));
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == groupList; }, kTimeoutMs));
    Xdo({"key", "Escape"}); // 終了
    ASSERT_TRUE(WaitGone(groupList, padora));
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == groupDlg; }, kTimeoutMs));
    Click(groupDlg, QRect(270, 157, 50, 20)); // OK
    ASSERT_TRUE(WaitGone(groupDlg, padora));
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == main; }, kTimeoutMs))
        << "the main window has the keys again once the group's sounds are loaded";

    // 名前を付けて保存.
    known = Windows(padora);
    Keys(main, {"alt+f", "a"});
    const XWindow saveDlg = WaitForNewWindow(padora, known);
    ASSERT_NE(saveDlg, 0u);
    Type(saveDlg, setPath);
    Keys(saveDlg, {"Return"});
    ASSERT_TRUE(XSession::WaitFor([&] { return QFile::exists(setPath); }, kTimeoutMs));
    QFile saved(setPath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("GroupNum=2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("=SE"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("=tone"))) << text.toStdString();
    EXPECT_TRUE(text.contains(sound)) << text.toStdString();
    m_x.SetFocus(main);
    m_x.PressKey(kKeyEscape);
    ASSERT_TRUE(WaitForExit(padora));

    // A fresh Padora on the saved set plays the sound from pad 1.
    const QString record = m_work.filePath(QStringLiteral("heard.wav"));
    QProcess* second = Start({setPath}, QStringLiteral("record:") + record);
    const XWindow main2 = WaitForWindow(second, kMainTitle);
    ASSERT_NE(main2, 0u) << second->readAllStandardError().toStdString();
    QThread::msleep(500);
    Click(main2, QRect(6, 278, 32, 29), MenuHeight(main2));
    QThread::msleep(1200);

    // The options: channel key 1 becomes F9 (click its field, press F9, Enter confirms).
    Keys(main2, {"alt+o", "s"});
    const XWindow options = WaitForWindow(second, QStringLiteral("設定"));
    ASSERT_NE(options, 0u);
    m_x.Capture(options).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-options-dialog.png"));
    // Key field "1" of the first page: the tab control at (3, 3), the page below its tabs.
    const QRect field = platform::DialogUnitsToPixels(QRect(3 + 24, 3 + 18, 72, 14), m_base);
    const int tabs = platform::DialogUnitsToPixels(QRect(0, 0, 1, 13), m_base).height();
    Xdo({"mousemove", "--window", QString::number(options), QString::number(field.center().x()),
         QString::number(field.center().y() + tabs), "click", "1"});
    QThread::msleep(200);
    Keys(options, {"F9", "Return"});
    ASSERT_TRUE(WaitGone(options, second));
    QFile ini(m_work.filePath(QStringLiteral("Padora.INI")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("VKey=120,98,")) << "the new key is saved";

    // The new key plays channel 1 at once.
    m_x.SetFocus(main2);
    QThread::msleep(200);
    m_x.PressKey(kKeyF9);
    QThread::msleep(1200);
    m_x.PressKey(kKeyEscape);
    ASSERT_TRUE(WaitForExit(second));

    QFile heard(record);
    ASSERT_TRUE(heard.open(QIODevice::ReadOnly)) << "nothing recorded";
    // The tone peaks at -6 dBFS, played at the edited channel's volume 70; windows of 10 ms.
    const std::vector<int> peaks = WindowPeaks(heard.readAll(), 480);
    ASSERT_FALSE(peaks.empty());
    EXPECT_GT(*std::max_element(peaks.begin(), peaks.end()), 1000);
    EXPECT_EQ(Bursts(peaks, 300), 2) << "once from the pad, once from the new key";
}

// Padora.INI's language English through the real start: the windows come up with their English titles,
// and their screenshots join the others.
TEST_F(DialogsE2e, InEnglishTheWindowsAndDialogsShowTheirEnglishTexts) {
    QFile ini(m_work.filePath(QStringLiteral("Padora.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[UI]\r\nLanguage=en\r\n");
    ini.close();

    QProcess* padora = Start({}, QStringLiteral("null"));
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    m_x.Capture(main).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-main-window-en.png"));

    Keys(main, {"alt+e", "g"});
    const XWindow groupDlg = WaitForWindow(padora, QStringLiteral("Edit Group"));
    ASSERT_NE(groupDlg, 0u) << "the group dialog in English";
    Click(groupDlg, QRect(270, 22, 50, 20)); // Edit: the first row is selected
    const XWindow channelDlg = WaitForWindow(padora, QStringLiteral("Edit Channel"));
    ASSERT_NE(channelDlg, 0u) << "the channel dialog in English";
    m_x.Capture(groupDlg).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-group-dialog-en.png"));
    m_x.Capture(channelDlg).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-channel-dialog-en.png"));
    Keys(channelDlg, {"Escape"});
    ASSERT_TRUE(WaitGone(channelDlg, padora));
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == groupDlg; }, kTimeoutMs));
    Keys(groupDlg, {"Escape"});
    ASSERT_TRUE(WaitGone(groupDlg, padora));

    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Focus() == main; }, kTimeoutMs));
    Keys(main, {"alt+o", "s"});
    const XWindow options = WaitForWindow(padora, QStringLiteral("Settings"));
    ASSERT_NE(options, 0u) << "the options in English";
    m_x.Capture(options).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-options-dialog-en.png"));
    Keys(options, {"Escape"});
    ASSERT_TRUE(WaitGone(options, padora));
    m_x.SetFocus(main);
    m_x.PressKey(kKeyEscape);
    ASSERT_TRUE(WaitForExit(padora));
}

TEST_F(DialogsE2e, CollectFromTheFileMenuCopiesTheSetIntoAPickedFolder) {
    const QString tone =
        app_test::WriteTestFile(m_work.filePath(QStringLiteral("src/tone.wav")), app_test::SineWav(0.4));
    const QString other = app_test::WriteTestFile(m_work.filePath(QStringLiteral("elsewhere/tone.wav")),
                                                  app_test::SineWav(0.2));
    const QString setPath =
        app_test::WriteTestFile(m_work.filePath(QStringLiteral("src/gala.pdg")),
                                "[GroupData]\r\nGroupNum=1\r\nGrpName01=Opening\r\n[SoundData]\r\n"
                                "SndName01-01=one\r\nSndFName01-01=./tone.wav\r\n"
                                "SndName01-02=two\r\nSndFName01-02=../elsewhere/tone.wav\r\n");
    const QString usb = m_work.filePath(QStringLiteral("usb"));
    QDir().mkpath(usb);

    QProcess* padora = Start({setPath}, QStringLiteral("null"));
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    std::set<XWindow> known = Windows(padora);
    Keys(main, {"alt+f", "c"});
    const XWindow picker = WaitForNewWindow(padora, known);
    ASSERT_NE(picker, 0u) << "the folder picker";
    Type(picker, usb);
    Keys(picker, {"Return"});
    const QString collected = usb + QStringLiteral("/gala.pdg");
    ASSERT_TRUE(XSession::WaitFor([&] { return QFile::exists(collected); }, kTimeoutMs));
    const XWindow told = WaitForWindow(padora, QStringLiteral("収集して保存"), known);
    ASSERT_NE(told, 0u) << "the report";
    Keys(told, {"Return"});
    ASSERT_TRUE(WaitGone(told, padora));

    QFile set(collected);
    ASSERT_TRUE(set.open(QIODevice::ReadOnly));
    const QByteArray text = set.readAll();
    EXPECT_TRUE(text.contains("SndFName01-01=./sounds/tone.wav")) << text.toStdString();
    EXPECT_TRUE(text.contains("SndFName01-02=./sounds/tone-2.wav")) << text.toStdString();
    QFile copy(usb + QStringLiteral("/sounds/tone-2.wav")), source(other);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), source.readAll());
    EXPECT_TRUE(QFileInfo::exists(tone));

    m_x.SetFocus(main);
    m_x.PressKey(kKeyEscape);
    ASSERT_TRUE(WaitForExit(padora));
}
