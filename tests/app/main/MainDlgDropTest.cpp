#include "app/data/GroupFile.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "tests/app/TestSounds.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using app_test::SineWav;
using app_test::WriteTestFile;

// What a file manager's drag carries and how the window answered it.
struct DragResult {
    bool enterAccepted = false;
    bool moveAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

class MainDlgDropTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // A set of one group: channels 0, 2 and 4 with sounds, the rest empty.
    std::unique_ptr<CMainDlg> MakeDlg() {
        m_tone = Sound(QStringLiteral("tone.wav"));
        CGroupArray set;
        CGroupData g;
        g.m_strName = QStringLiteral("開演");
        for (int i : {0, 2, 4}) {
            g.m_aChannel[i].m_strTitle = QStringLiteral("元の音%1").arg(i);
            g.m_aChannel[i].m_strFile = m_tone;
            g.m_aChannel[i].m_nVolume = 100;
        }
        set.Add(g);
        const QString path = m_dir.filePath(QStringLiteral("show.pdg"));
        EXPECT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);

        auto dlg = std::make_unique<CMainDlg>(nullptr, nullptr,
                                              CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))));
        dlg->Create({path});
        dlg->PlayTimer().stop();
        QCoreApplication::processEvents();
        EXPECT_EQ(m_responder.Count(), 0);
        return dlg;
    }

    QString Sound(const QString& name) { return WriteTestFile(m_dir.filePath(name), SineWav(1.0)); }

    // Enter, move and drop at pos of target, as Qt delivers a drag from another program; then the
    // window's queue runs, where the drop is taken.
    static DragResult Drag(QWidget* target, QPoint pos, const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        DragResult result;
        QDragEnterEvent enter(pos, actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        result.enterAccepted = enter.isAccepted();
        if (!result.enterAccepted)
            return result;
        QDragMoveEvent move(pos, actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        result.moveAccepted = move.isAccepted();
        QDropEvent drop(QPointF(pos), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        result.dropAccepted = drop.isAccepted();
        result.action = drop.dropAction();
        QCoreApplication::processEvents();
        return result;
    }
    static DragResult DragOnPad(CMainDlg& dlg, int i, const QList<QUrl>& urls) {
        QWidget* pad = platform::GetDlgItem(&dlg, IDC_PAD1 + i);
        return Drag(pad, pad->rect().center(), urls);
    }
    static CMonitorListCtrl* List(CMainDlg& dlg) {
        return dynamic_cast<CMonitorListCtrl*>(platform::GetDlgItem(&dlg, IDC_LIST_MONITOR));
    }
    static QList<QUrl> Urls(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        return urls;
    }
    static CChannelData& Ch(CMainDlg& dlg, int i) { return dlg.GetCurGroup()->m_aChannel[i]; }

    QTemporaryDir m_dir;
    QString m_tone;
    CMessageBoxResponder m_responder;
};

} // namespace

TEST_F(MainDlgDropTest, AFileDroppedOnAPadBecomesItsSoundAsTheChannelDialogMakesIt) {
    auto dlg = MakeDlg();
    ASSERT_FALSE(dlg->IsModified());
    // An empty channel whose strip was set up before a sound came.
    CChannelData& before = Ch(*dlg, 1);
    before.m_nVolume = 35;
    before.m_nPan = -20;
    before.m_bFadeIn = TRUE;
    before.m_dTimeFadeIn = 3.0;
    before.m_dTimeFadeOut = 7.5;
    const QString street = Sound(QStringLiteral("sounds/街の音.wav"));
    // The path as a file manager may give it: not clean.
    const QString unclean = m_dir.filePath(QStringLiteral("sounds/../sounds/街の音.wav"));

    const DragResult r = DragOnPad(*dlg, 1, Urls({unclean}));
    EXPECT_TRUE(r.enterAccepted);
    EXPECT_TRUE(r.moveAccepted);
    EXPECT_TRUE(r.dropAccepted);
    EXPECT_EQ(r.action, Qt::CopyAction); // the file manager keeps its file

    const CChannelData& ch = Ch(*dlg, 1);
    EXPECT_EQ(ch.m_strTitle, QStringLiteral("街の音"));
    EXPECT_EQ(ch.m_strFile, street);
    EXPECT_EQ(ch.m_nVolume, 70);
    EXPECT_EQ(ch.m_dTimeFadeIn, 3.0);
    EXPECT_EQ(ch.m_dTimeFadeOut, 7.5);
    EXPECT_TRUE(ch.m_bFadeIn);
    EXPECT_EQ(ch.m_nPan, -20);
    // Loaded at once: the pad plays it.
    EXPECT_EQ(ch.m_nPlayState, CChannelData::kStopped);
    EXPECT_TRUE(dlg->Player(1).IsRender());
    EXPECT_GT(ch.m_dEndTime, 0.9);
    EXPECT_EQ(platform::GetDlgItemAs<QSlider>(dlg.get(), IDC_FADER1 + 1)->value(), 30);
    EXPECT_TRUE(dlg->IsModified());
    EXPECT_EQ(m_responder.Count(), 0);
    EXPECT_EQ(List(*dlg)->GetItemText(1, 2), QStringLiteral("街の音"));

    // Saved as any edit is.
    ASSERT_EQ(dlg->SaveGroupFile(FALSE), CGroupFile::kOk);
    CGroupArray reread;
    QString readPath;
    ASSERT_EQ(CGroupFile(CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))))
                  .Load(dlg->FilePath(), reread, readPath),
              CGroupFile::kOk);
    EXPECT_EQ(reread[0].m_aChannel[1].m_strFile, street);
    EXPECT_EQ(reread[0].m_aChannel[1].m_nVolume, 70);
}

TEST_F(MainDlgDropTest, ADropOnAPlayingPadReplacesItsSoundAndStopsTheOldOne) {
    auto dlg = MakeDlg();
    dlg->PlayChannel(0);
    ASSERT_TRUE(dlg->Player(0).IsPlay());
    const QString bell = Sound(QStringLiteral("bell.wav"));

    DragOnPad(*dlg, 0, Urls({bell}));
    EXPECT_EQ(Ch(*dlg, 0).m_strFile, bell);
    EXPECT_EQ(Ch(*dlg, 0).m_nPlayState, CChannelData::kStopped);
    EXPECT_TRUE(dlg->Player(0).IsRender());
    EXPECT_FALSE(dlg->Player(0).IsPlay());
}

TEST_F(MainDlgDropTest, AFileDroppedOnAMonitorRowFillsThatRowsChannelAndOnlyRowsTakeIt) {
    auto dlg = MakeDlg();
    CMonitorListCtrl* list = List(*dlg);
    const QString wind = Sound(QStringLiteral("wind.wav"));

    const DragResult r = Drag(list->viewport(), list->GetItemRect(6).center(), Urls({wind}));
    EXPECT_TRUE(r.moveAccepted);
    EXPECT_TRUE(r.dropAccepted);
    EXPECT_EQ(Ch(*dlg, 6).m_strTitle, QStringLiteral("wind"));
    EXPECT_EQ(Ch(*dlg, 6).m_nPlayState, CChannelData::kStopped);
    EXPECT_EQ(list->GetItemText(6, 2), QStringLiteral("wind"));
    EXPECT_EQ(list->GetCurSel(), 6); // the row showed where it would go
    EXPECT_TRUE(dlg->IsModified());

    // Past the last row nothing takes the file.
    const QPoint below(list->GetItemRect(9).center().x(), list->GetItemRect(9).bottom() + 5);
    const DragResult none = Drag(list->viewport(), below, Urls({Sound(QStringLiteral("x.wav"))}));
    EXPECT_TRUE(none.enterAccepted);
    EXPECT_FALSE(none.moveAccepted);
    EXPECT_FALSE(none.dropAccepted);
}

TEST_F(MainDlgDropTest, SeveralFilesFillTheTargetThenTheNextEmptyChannelsAndTellWhatDidNotFit) {
    auto dlg = MakeDlg();
    const QStringList files = {Sound(QStringLiteral("a.wav")), Sound(QStringLiteral("b.wav")),
                               Sound(QStringLiteral("c.wav"))};
    // Channel 2 has a sound (replaced), 3 is empty, 4 has a sound (kept), 5 is empty.
    DragOnPad(*dlg, 2, Urls(files));
    EXPECT_EQ(Ch(*dlg, 2).m_strTitle, QStringLiteral("a"));
    EXPECT_EQ(Ch(*dlg, 3).m_strTitle, QStringLiteral("b"));
    EXPECT_EQ(Ch(*dlg, 4).m_strTitle, QStringLiteral("元の音4"));
    EXPECT_EQ(Ch(*dlg, 5).m_strTitle, QStringLiteral("c"));
    for (int i : {2, 3, 5}) {
        EXPECT_EQ(Ch(*dlg, i).m_nVolume, 70) << i;
        EXPECT_TRUE(dlg->Player(i).IsRender()) << i;
    }
    EXPECT_EQ(m_responder.Count(), 0);

    // At the group's end: pad "9" and "0" take two, the third is told; a folder and a web address
    // among them are passed over and told too.
    const QString folder = m_dir.filePath(QStringLiteral("sounds"));
    QDir().mkpath(folder);
    QList<QUrl> urls = Urls({files[0], folder, files[1]});
    urls.insert(2, QUrl(QStringLiteral("https://example.org/jingle.mp3")));
    urls << QUrl::fromLocalFile(files[2]);
    DragOnPad(*dlg, 8, urls);
    EXPECT_EQ(Ch(*dlg, 8).m_strTitle, QStringLiteral("a"));
    EXPECT_EQ(Ch(*dlg, 9).m_strTitle, QStringLiteral("b"));
    ASSERT_EQ(m_responder.Count(), 1);
    const auto& box = m_responder.Requests()[0];
    EXPECT_EQ(box.nType, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(box.strText,
              QStringLiteral(
                  "次のものはサウンドファイルではないため使いませんでした。\n%1（フォルダ）\n"
                  "https://example.org/jingle.mp3（ファイルではありません）\n\n"
                  "このグループの後ろのチャンネルに空きがないため、次のファイルは割り当てませんでした。\n%2")
                  .arg(folder, files[2]));
}

TEST_F(MainDlgDropTest, AFileThePlayerRefusesIsReportedAndTheChannelKeepsItsSound) {
    auto dlg = MakeDlg();
    dlg->PlayChannel(0);
    const QString notes = WriteTestFile(m_dir.filePath(QStringLiteral("notes.txt")), "cue list");
    const QString broken = WriteTestFile(m_dir.filePath(QStringLiteral("broken.wav")), "RIFF....WAVE");

    DragOnPad(*dlg, 0, Urls({notes, broken}));
    // One message, each file under the reason it was refused.
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText,
              notes + QStringLiteral("\nこのファイルには対応していません。\n\n") + broken +
                  QStringLiteral("\nこのファイルを再生できません。"));
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_ICONEXCLAMATION | MB_OK);
    const CChannelData& ch = Ch(*dlg, 0);
    EXPECT_EQ(ch.m_strTitle, QStringLiteral("元の音0"));
    EXPECT_EQ(ch.m_strFile, m_tone);
    EXPECT_EQ(ch.m_nVolume, 100);
    EXPECT_TRUE(dlg->Player(0).IsPlay()); // the show goes on
    EXPECT_FALSE(dlg->IsModified());

    // A refused first file does not use up the channel: the next file takes it.
    m_responder.Clear();
    const QString good = Sound(QStringLiteral("good.wav"));
    DragOnPad(*dlg, 1, Urls({notes, good}));
    EXPECT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(Ch(*dlg, 1).m_strFile, good);
    EXPECT_TRUE(Ch(*dlg, 3).m_strFile.isEmpty());
}

TEST_F(MainDlgDropTest, HundredsOfRefusedFilesAreToldInOneMessageGroupedByReason) {
    auto dlg = MakeDlg();
    constexpr int kMissing = 300;
    constexpr int kUnsupported = 200;
    constexpr int kListed = 10;
    QStringList missing;
    QStringList unsupported;
    QStringList paths;
    for (int n = 0; n < kMissing + kUnsupported; ++n) {
        if (n % 5 < 3) {
            missing << m_dir.filePath(QStringLiteral("gone%1.wav").arg(n));
            paths << missing.back();
        } else {
            unsupported << WriteTestFile(m_dir.filePath(QStringLiteral("notes%1.txt").arg(n)), "cue");
            paths << unsupported.back();
        }
    }

    DragOnPad(*dlg, 1, Urls(paths));
    ASSERT_EQ(m_responder.Count(), 1);
    const auto lines = [](const QStringList& names, int more) {
        return (names.mid(0, kListed) << QStringLiteral("ほか %1 件").arg(more)).join(u'\n');
    };
    EXPECT_EQ(m_responder.Requests()[0].strText, lines(missing, kMissing - kListed) +
                                                     QStringLiteral("\nファイルが見つかりません。\n\n") +
                                                     lines(unsupported, kUnsupported - kListed) +
                                                     QStringLiteral("\nこのファイルには対応していません。"));
    EXPECT_TRUE(Ch(*dlg, 1).m_strFile.isEmpty());
    EXPECT_FALSE(dlg->IsModified());
}

TEST_F(MainDlgDropTest, AFileWhoseNameCannotBeSavedIsRefusedWithItsName) {
    auto dlg = MakeDlg();
    const QString odd = Sound(QStringLiteral("two\nlines.wav"));
    const QString good = Sound(QStringLiteral("good.wav"));
    DragOnPad(*dlg, 1, Urls({odd, good}));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, QStringLiteral("このファイル名は保存できません。\n") +
                                                     m_dir.filePath(QStringLiteral("two\\nlines.wav")));
    EXPECT_EQ(Ch(*dlg, 1).m_strFile, good) << "the file after it takes the channel";
    EXPECT_TRUE(Ch(*dlg, 3).m_strFile.isEmpty());
}

TEST_F(MainDlgDropTest, DragsWithoutAFileAreRefusedAtTheDoor) {
    auto dlg = MakeDlg();
    const QString folder = m_dir.filePath(QStringLiteral("show"));
    QDir().mkpath(folder);
    EXPECT_FALSE(DragOnPad(*dlg, 5, Urls({folder})).enterAccepted);
    EXPECT_FALSE(DragOnPad(*dlg, 5, {QUrl(QStringLiteral("https://example.org/a.wav"))}).enterAccepted);
    EXPECT_FALSE(DragOnPad(*dlg, 5, {}).enterAccepted);
    EXPECT_TRUE(Ch(*dlg, 5).m_strFile.isEmpty());
    EXPECT_FALSE(dlg->IsModified());
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(MainDlgDropTest, ADropWhoseSourceNoLongerHandsOverItsDataTakesWhatTheDragCarried) {
    // Seen with X11 sources: the data comes with the drag's entry, the drop itself arrives empty.
    auto dlg = MakeDlg();
    QWidget* pad = platform::GetDlgItem(dlg.get(), IDC_PAD1 + 7);
    const QString gong = Sound(QStringLiteral("gong.wav"));
    QMimeData carried;
    carried.setUrls(Urls({gong}));
    QMimeData empty;
    const QPoint pos = pad->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &move);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &empty, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &drop);
    EXPECT_TRUE(drop.isAccepted());
    QCoreApplication::processEvents();
    EXPECT_EQ(Ch(*dlg, 7).m_strFile, gong);

    // A drag that left the window is forgotten: an empty drop after it takes nothing.
    QDragEnterEvent again(pos, Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &again);
    QDragLeaveEvent leave;
    QApplication::sendEvent(pad, &leave);
    QDropEvent late(QPointF(pos), Qt::CopyAction, &empty, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &late);
    EXPECT_FALSE(late.isAccepted());
}
