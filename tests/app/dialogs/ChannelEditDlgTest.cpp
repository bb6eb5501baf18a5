#include "app/dialogs/ChannelEditDlg.h"
#include "app/data/GroupFile.h"
#include "app/data/LoudnessMatcher.h"
#include "app/data/LoudnessMeter.h"
#include "app/res/Resources.h"
#include "app/show/CueAudition.h"
#include "padkit/util/MessageBox.h"
#include "platform/CodePage.h"

#include "DialogDriver.h"
#include "tests/app/OfflineEngine.h"
#include "tests/app/TestSounds.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dialogtest;

namespace {

const QString kTitleText = QStringLiteral("タイトルは半角64文字以内で設定してください。");
const QString kFileText = QStringLiteral("ファイルのパスを指定してください。");
const QString kTitleQuestion = QStringLiteral("ファイル名をタイトルに設定しますか？");

// Runs the window's queue until done holds (at most ms).
bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class ChannelEditDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strOldTitle = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Padora"));
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { QGuiApplication::setApplicationDisplayName(m_strOldTitle); }

    std::unique_ptr<CChannelEditDlg> Open(int nChannel, CChannelData& channel) {
        auto dlg = std::make_unique<CChannelEditDlg>(nChannel, &channel, nullptr, Settings());
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        return dlg;
    }
    CSettingsFile Settings() const { return CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))); }
    QString MakeFile(const QString& relative) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    static QLineEdit* Edit(const CResDialog& dlg, int id) { return dlg.GetDlgItemAs<QLineEdit>(id); }
    static QWidget* Item(const CResDialog& dlg, int id) { return dlg.GetDlgItem(id); }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
    QString m_strOldTitle;
};

} // namespace

TEST_F(ChannelEditDlgTest, OpensWithTheChannelsValuesAndOneDecimalFadeTimes) {
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("ベル");
    channel.m_strFile = QStringLiteral("/show/bell.wav");
    channel.m_dTimeFadeIn = 5;
    channel.m_dTimeFadeOut = 2.25;
    auto dlg = Open(10, channel);

    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("チャンネル編集"));
    EXPECT_EQ(dlg->GetDlgItemAs<QLabel>(IDC_CHEDIT_NUMBER)->text(), QStringLiteral("10"));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_TITLE)->text(), QStringLiteral("ベル"));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FILE)->text(), QStringLiteral("/show/bell.wav"));
    EXPECT_TRUE(Edit(*dlg, IDC_CHEDIT_FILE)->isReadOnly());
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FADEIN)->text(), QStringLiteral("5.0"));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FADEOUT)->text(), QStringLiteral("2.2"));
}

TEST_F(ChannelEditDlgTest, TypedTimesAreDigitsOnlyAndConfirmingWritesFourFieldsAndShowsOneDecimal) {
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("風");
    channel.m_strFile = QStringLiteral("/show/wind.ogg");
    channel.m_nVolume = 33;
    channel.m_nPan = -7;
    channel.m_dRate = 1.5;
    auto dlg = Open(1, channel);

    TypeOver(Edit(*dlg, IDC_CHEDIT_FADEIN), QStringLiteral("1a2-"));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FADEIN)->text(), QStringLiteral("12"));
    TypeOver(Edit(*dlg, IDC_CHEDIT_TITLE), QStringLiteral("強風"));
    Click(Item(*dlg, platform::IDOK));

    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(channel.m_strTitle, QStringLiteral("強風"));
    EXPECT_EQ(channel.m_dTimeFadeIn, 12.0);
    EXPECT_EQ(channel.m_dTimeFadeOut, 5.0);
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FADEIN)->text(), QStringLiteral("12.0"));
    // Nothing else of the channel belongs to this dialog.
    EXPECT_EQ(channel.m_nVolume, 33);
    EXPECT_EQ(channel.m_nPan, -7);
    EXPECT_EQ(channel.m_dRate, 1.5);
}

TEST_F(ChannelEditDlgTest, ChecksRunInOrderWithTheOffendingFieldFocusedAndNothingWrittenUntilAllPass) {
    CChannelData channel;
    auto dlg = Open(3, channel);
    QLineEdit* title = Edit(*dlg, IDC_CHEDIT_TITLE);
    QLineEdit* fadeIn = Edit(*dlg, IDC_CHEDIT_FADEIN);
    QLineEdit* fadeOut = Edit(*dlg, IDC_CHEDIT_FADEOUT);

    // A time out of range is refused first, by the exchange, whatever the title.
    TypeOver(fadeIn, QStringLiteral("0"));
    Click(Item(*dlg, platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText,
              QStringLiteral("0.1 から 60 までの数値を入力してください。"));
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(dlg->focusWidget(), fadeIn);
    EXPECT_EQ(fadeIn->selectedText(), QStringLiteral("0"));

    TypeOver(fadeIn, QStringLiteral("60"));
    TypeOver(fadeOut, QStringLiteral("61"));
    Click(Item(*dlg, platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 2);
    EXPECT_EQ(dlg->focusWidget(), fadeOut);
    EXPECT_EQ(fadeIn->text(), QStringLiteral("60.0"));

    TypeOver(fadeOut, QString());
    Click(Item(*dlg, platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 3);
    EXPECT_EQ(m_responder.Requests()[2].strText, QStringLiteral("数値を入力してください。"));

    // Then the title, before the file.
    TypeOver(fadeOut, QStringLiteral("1"));
    Click(Item(*dlg, platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 4);
    EXPECT_EQ(m_responder.Requests()[3].strText, kTitleText);
    EXPECT_EQ(m_responder.Requests()[3].strCaption, QStringLiteral("Padora"));
    EXPECT_EQ(dlg->focusWidget(), title);

    TypeOver(title, QStringLiteral("開演ベル"));
    Click(Item(*dlg, platform::IDOK));
    ASSERT_EQ(m_responder.Count(), 5);
    EXPECT_EQ(m_responder.Requests()[4].strText, kFileText);
    EXPECT_EQ(dlg->focusWidget(), Edit(*dlg, IDC_CHEDIT_FILE));

    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(channel.m_strTitle.isEmpty());
    EXPECT_EQ(channel.m_dTimeFadeIn, CChannelData::kDefaultFadeTime);
    EXPECT_EQ(channel.m_dTimeFadeOut, CChannelData::kDefaultFadeTime);
}

TEST_F(ChannelEditDlgTest, TitleFieldTakesAtMost64BytesCountedAsFullWidthTwo) {
    CChannelData channel;
    auto dlg = Open(1, channel);
    QLineEdit* title = Edit(*dlg, IDC_CHEDIT_TITLE);
    TypeOver(title, QString(31, QChar(u'あ')) + QStringLiteral("x"));
    EXPECT_EQ(platform::Cp932Length(title->text()), 63);
    TypeText(title, QStringLiteral("い"));
    EXPECT_EQ(title->text(), QString(31, QChar(u'あ')) + QStringLiteral("x"));
    TypeText(title, QStringLiteral("yz"));
    EXPECT_EQ(platform::Cp932Length(title->text()), 64);
}

TEST_F(ChannelEditDlgTest, BrowseStartsInTheSoundFolderStoresItsFolderAndAsksAboutTheTitle) {
    const QString sound = MakeFile(QStringLiteral("sounds/Door Bell.WAV"));
    const QString folder = QFileInfo(sound).absolutePath();
    ASSERT_TRUE(SetSndFolder(folder, Settings()));
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("元の題");
    auto dlg = Open(2, channel);

    m_responder.QueueAnswer(IDNO);
    auto seen = AnswerFileDialog(sound);
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    ASSERT_TRUE(seen->bOpened);
    EXPECT_EQ(seen->strDirectory, folder);
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, kTitleQuestion);
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_TITLE)->text(), QStringLiteral("元の題"));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FILE)->text(), sound);
    EXPECT_EQ(GetSndFolder(Settings()), folder);

    // Yes: the name without folder and extension becomes the title.
    m_responder.QueueAnswer(IDYES);
    AnswerFileDialog(sound);
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_TITLE)->text(), QStringLiteral("Door Bell"));

    Click(Item(*dlg, platform::IDOK));
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(channel.m_strFile, sound);
    EXPECT_EQ(channel.m_strTitle, QStringLiteral("Door Bell"));
}

TEST_F(ChannelEditDlgTest, BrowseRefusesAFileWhoseNameCannotBeSaved) {
    const QString sound = MakeFile(QStringLiteral("sounds/two\nlines.wav"));
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("元の題");
    auto dlg = Open(2, channel);
    AnswerFileDialog(sound);
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText,
              QFileInfo(sound).absolutePath() +
                  QStringLiteral("/two\\nlines.wav\nこのファイル名は保存できません。"));
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FILE)->text(), QString());
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_TITLE)->text(), QStringLiteral("元の題"));
}

TEST_F(ChannelEditDlgTest, BrowseStartsAtTheHeldFileAndCancellingItChangesNothing) {
    const QString sound = MakeFile(QStringLiteral("show/a/kick.mp3"));
    const QString other = MakeFile(QStringLiteral("show/b/other.mp3"));
    ASSERT_TRUE(SetSndFolder(QFileInfo(other).absolutePath(), Settings()));
    QFile ini(Settings().Path());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();

    CChannelData channel;
    channel.m_strTitle = QStringLiteral("キック");
    channel.m_strFile = sound;
    auto dlg = Open(4, channel);
    auto seen = AnswerFileDialog(QString());
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    ASSERT_TRUE(seen->bOpened);
    EXPECT_EQ(seen->strDirectory, QFileInfo(sound).absolutePath());
    EXPECT_EQ(seen->aSelected, QStringList{sound});
    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FILE)->text(), sound);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), before);
    ini.close();

    // Cancelling the dialog after a browse leaves the channel as it was.
    m_responder.QueueAnswer(IDYES);
    AnswerFileDialog(other);
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    EXPECT_EQ(Edit(*dlg, IDC_CHEDIT_FILE)->text(), other);
    Click(Item(*dlg, platform::IDCANCEL));
    EXPECT_EQ(dlg->result(), platform::IDCANCEL);
    EXPECT_EQ(channel.m_strFile, sound);
    EXPECT_EQ(channel.m_strTitle, QStringLiteral("キック"));
}

TEST_F(ChannelEditDlgTest, SoundFilterOffersThePlayersKindsInAnyCaseThenAllFiles) {
    CChannelData channel;
    auto dlg = Open(1, channel);
    auto seen = AnswerFileDialog(QString());
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    ASSERT_EQ(seen->aFilter.size(), 2);
    const QString shown =
        QStringLiteral("Media File(*.mp3;*.wav;*.ogg;*.mid;*.midi;*.avi;*.mpg;*.mpeg;*.mp4)");
    EXPECT_TRUE(seen->aFilter[0].startsWith(shown));
    EXPECT_TRUE(seen->strSelectedFilter.startsWith(shown));
    EXPECT_TRUE(seen->aFilter[1].startsWith(QStringLiteral("All Files (*.*)")));

    const auto matches = [](const QString& filter, const QString& name) {
        const QString patterns = filter.mid(filter.lastIndexOf(u'(') + 1).chopped(1);
        for (const QString& p : patterns.split(u' ', Qt::SkipEmptyParts)) {
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)).match(name).hasMatch())
                return true;
        }
        return false;
    };
    for (const char* name :
         {"a.mp3", "B.WAV", "c.Ogg", "d.mid", "e.MIDI", "f.avi", "g.mpg", "h.MPEG", "i.mp4"})
        EXPECT_TRUE(matches(seen->aFilter[0], QString::fromLatin1(name))) << name;
    for (const char* name : {"a.wma", "b.flac", "c.mp3.txt", "wav"})
        EXPECT_FALSE(matches(seen->aFilter[0], QString::fromLatin1(name))) << name;
    EXPECT_TRUE(matches(seen->aFilter[1], QStringLiteral("README")));
}

TEST_F(ChannelEditDlgTest, TheLoudnessSwitchTravelsFromTheCheckBoxToTheChannelAndTheGroupFile) {
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("ベル");
    channel.m_strFile = QStringLiteral("/show/bell.wav");
    channel.m_bLoudness = TRUE;
    auto check = [](const CResDialog& dlg) { return dlg.GetDlgItemAs<QAbstractButton>(IDC_CHEDIT_LOUDNESS); };
    {
        auto dlg = Open(1, channel);
        ASSERT_NE(check(*dlg), nullptr);
        EXPECT_EQ(check(*dlg)->text(), QStringLiteral("ラウドネスを合わせる"));
        EXPECT_TRUE(check(*dlg)->isChecked());
        Click(check(*dlg));
        Click(Item(*dlg, platform::IDOK));
        EXPECT_FALSE(channel.m_bLoudness);
    }
    {
        auto dlg = Open(1, channel);
        EXPECT_FALSE(check(*dlg)->isChecked());
        Click(check(*dlg));
        Click(Item(*dlg, platform::IDCANCEL));
        EXPECT_FALSE(channel.m_bLoudness); // nothing is written on Cancel
    }
    {
        auto dlg = Open(1, channel);
        Click(check(*dlg));
        Click(Item(*dlg, platform::IDOK));
        EXPECT_TRUE(channel.m_bLoudness);
    }

    // Stored under its own key only where it is on; a set read back has it where it was.
    CGroupArray set;
    CGroupData g;
    g.m_strName = QStringLiteral("開演");
    g.m_aChannel[0] = channel;
    g.m_aChannel[0].m_bLoudness = FALSE;
    g.m_aChannel[1] = channel;
    set.Add(g);
    const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("SndLoudness01-02=1"));
    EXPECT_FALSE(text.contains("SndLoudness01-01"));
    CGroupArray reread;
    QString readPath;
    ASSERT_EQ(CGroupFile(Settings()).Load(path, reread, readPath), CGroupFile::kOk);
    EXPECT_FALSE(reread[0].m_aChannel[0].m_bLoudness);
    EXPECT_TRUE(reread[0].m_aChannel[1].m_bLoudness);
}

TEST_F(ChannelEditDlgTest, ShowsTheMeasuredLoudnessOnceTheBackgroundMeasurementAnswers) {
    CLoudnessMatcher matcher(m_dir.filePath(QStringLiteral("loudness.tsv")));
    // A 1 kHz sine peaking at -18 dBFS has a programme loudness of -18 LUFS.
    const QString tone =
        app_test::WriteTestFile(m_dir.filePath(QStringLiteral("tone.wav")), app_test::SineWav(20.0, -18.0));
    const QString broken =
        app_test::WriteTestFile(m_dir.filePath(QStringLiteral("broken.mp3")), QByteArray(4000, 'x'));
    auto openWith = [&](CChannelData& channel) {
        auto dlg = std::make_unique<CChannelEditDlg>(1, &channel, nullptr, Settings());
        dlg->SetLoudnessMatcher(&matcher);
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        return dlg;
    };
    auto shown = [](const CResDialog& dlg) { return dlg.GetDlgItemAs<QLabel>(IDC_CHEDIT_LUFS)->text(); };
    const QString measuring = QStringLiteral("測定中…");

    CChannelData channel;
    channel.m_strTitle = QStringLiteral("トーン");
    channel.m_strFile = tone;
    auto dlg = openWith(channel);
    // The dialog is up before the sound is measured: twenty seconds of audio are not decoded on the
    // window's thread.
    EXPECT_EQ(shown(*dlg), measuring);
    ASSERT_TRUE(WaitUntil([&] { return shown(*dlg) != measuring; }));
    static const QRegularExpression figure(QStringLiteral("^(-?\\d+\\.\\d) LUFS$"));
    const QRegularExpressionMatch m = figure.match(shown(*dlg));
    ASSERT_TRUE(m.hasMatch()) << shown(*dlg).toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), -18.0, 0.5);

    // Choosing a file the player cannot decode: measured anew, and said so.
    m_responder.QueueAnswer(IDNO);
    AnswerFileDialog(broken);
    Click(Item(*dlg, IDC_CHEDIT_BROWSE));
    EXPECT_EQ(shown(*dlg), measuring);
    ASSERT_TRUE(WaitUntil([&] { return shown(*dlg) != measuring; }));
    EXPECT_EQ(shown(*dlg), QStringLiteral("測定できません"));
    dlg.reset();

    // Known from before: shown at once. A channel without a sound shows nothing.
    auto again = openWith(channel);
    EXPECT_EQ(shown(*again), m.captured(0));
    CChannelData empty;
    EXPECT_EQ(shown(*openWith(empty)), QString());
    EXPECT_EQ(CChannelEditDlg::LoudnessText(CLoudnessMeter::kSilent, false), QStringLiteral("-∞ LUFS"));
}

// The output choice offers the pairs the output has; a stored pair it lacks stays chosen and marked,
// and only "設定" writes the choice into the channel.
TEST_F(ChannelEditDlgTest, TheOutputPairOffersWhatTheOutputHasAndKeepsAMissingChoice) {
    app_test::UseOfflineEngine(2);
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("ベル");
    channel.m_strFile = QStringLiteral("/show/bell.wav");
    channel.m_nOutPair = 5;
    {
        auto dlg = Open(1, channel);
        auto* combo = dlg->GetDlgItemAs<QComboBox>(IDC_CHEDIT_OUTPUT);
        ASSERT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->itemText(0), QStringLiteral("1–2"));
        EXPECT_EQ(combo->itemText(1), QStringLiteral("3–4"));
        EXPECT_EQ(combo->currentText(), QStringLiteral("9–10 (この出力にはありません)"));
        combo->setCurrentIndex(1);
        Click(Item(*dlg, platform::IDCANCEL));
    }
    EXPECT_EQ(channel.m_nOutPair, 5) << "cancel changes nothing";
    {
        auto dlg = Open(1, channel);
        dlg->GetDlgItemAs<QComboBox>(IDC_CHEDIT_OUTPUT)->setCurrentIndex(1);
        Click(Item(*dlg, platform::IDOK));
        EXPECT_EQ(dlg->result(), platform::IDOK);
    }
    EXPECT_EQ(channel.m_nOutPair, 2);
    app_test::UseOfflineEngine();
}

// "試聴" plays the file the dialog holds, before it is assigned, and what it plays stops with the dialog.
TEST_F(ChannelEditDlgTest, AuditionPlaysTheChosenFileAndStopsWhenTheDialogCloses) {
    struct Audition : IAudition {
        QStringList files;
        int stops = 0;
        bool AuditionFile(const QString& file) override {
            files << file;
            return true;
        }
        void StopAudition() override { ++stops; }
    } audition;
    CChannelData channel;
    channel.m_strTitle = QStringLiteral("ベル");
    channel.m_strFile = QStringLiteral("/show/bell.wav");
    {
        auto dlg = Open(1, channel);
        EXPECT_FALSE(Item(*dlg, IDC_CHEDIT_AUDITION)->isEnabled()) << "no cue to play it on";
    }
    {
        auto dlg = std::make_unique<CChannelEditDlg>(1, &channel, nullptr, Settings());
        dlg->SetAudition(&audition);
        ASSERT_TRUE(dlg->Create());
        dlg->show();
        ASSERT_TRUE(Item(*dlg, IDC_CHEDIT_AUDITION)->isEnabled());
        Click(Item(*dlg, IDC_CHEDIT_AUDITION));
        EXPECT_EQ(audition.files, QStringList{QStringLiteral("/show/bell.wav")});
        Click(Item(*dlg, platform::IDCANCEL));
    }
    EXPECT_EQ(audition.stops, 1);
    EXPECT_EQ(channel.m_strFile, QStringLiteral("/show/bell.wav"));
}
