#include "app/dialogs/GroupDlg.h"
#include "app/data/GroupFile.h"
#include "app/dialogs/ChannelEditDlg.h"
#include "app/dialogs/GroupEditDlg.h"
#include "app/dialogs/GroupInpDlg.h"
#include "app/lists/ChannelListCtrl.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include "DialogDriver.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dialogtest;

namespace {

const QString kLastGroupText = QStringLiteral("グループは最低１つは必要です。");
const QString kDeleteQuestion = QStringLiteral("削除してもよろしいですか？");
const QString kNameRequiredText = QStringLiteral("グループ名を入力してください");
const QString kSelectChannelText = QStringLiteral("チャンネルを選択してください。");

CGroupArray MakeSet(const QStringList& names) {
    CGroupArray set;
    for (const QString& name : names) {
        CGroupData g;
        g.m_strName = name;
        g.m_aChannel[0].m_strTitle = name + QStringLiteral("-1");
        g.m_aChannel[0].m_strFile = QStringLiteral("/show/") + name + QStringLiteral(".wav");
        g.m_aChannel[0].m_nVolume = 40;
        set.Add(g);
    }
    return set;
}

QStringList Names(const CGroupArray& set) {
    QStringList names;
    for (int i = 0; i < set.GetSize(); ++i)
        names << set[i].m_strName;
    return names;
}

// The group list agrees with the set: row i shows group i's name and carries i.
void ExpectListAgrees(const QListWidget* list, const CGroupArray& set) {
    ASSERT_EQ(list->count(), set.GetSize());
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(list->item(i)->text(), set[i].m_strName) << "row " << i;
        EXPECT_EQ(list->item(i)->data(Qt::UserRole).toInt(), i) << "row " << i;
    }
}

int SelectedRow(const QListWidget* list) {
    const auto selected = list->selectedItems();
    return selected.size() == 1 ? list->row(selected.front()) : -1;
}

// Answers the next group-name dialog by typing name and clicking OK (an empty name: Cancel).
void AnswerName(const QString& name) {
    WhenModal([name](QWidget* modal) {
        auto* dlg = qobject_cast<CGroupInpDlg*>(modal);
        ASSERT_TRUE(dlg);
        if (name.isEmpty()) {
            Click(dlg->GetDlgItem(platform::IDCANCEL));
            return;
        }
        TypeOver(dlg->GetDlgItem(IDC_GROUPINP_NAME), name);
        Click(dlg->GetDlgItem(platform::IDOK));
    });
}

class GroupDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strOldTitle = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Padora"));
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { QGuiApplication::setApplicationDisplayName(m_strOldTitle); }

    CSettingsFile Settings() const { return CSettingsFile(m_dir.filePath(QStringLiteral("Padora.INI"))); }
    // The set as a group file writes it: equal bytes, equal sets.
    QByteArray Bytes(const CGroupArray& set) {
        const QString path = m_dir.filePath(QStringLiteral("set.pdg"));
        EXPECT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<CGroupEditDlg> OpenEdit(CGroupArray& set) {
        auto dlg = std::make_unique<CGroupEditDlg>(&set);
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        return dlg;
    }
    std::unique_ptr<CGroupDlg> OpenGroup(CGroupArray& set) {
        auto dlg = std::make_unique<CGroupDlg>(&set, nullptr, Settings());
        EXPECT_TRUE(dlg->Create());
        dlg->show();
        return dlg;
    }
    static void ClickRow(CChannelListCtrl* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->GetItemRect(row).center());
    }
    static QStringList ComboTexts(const QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            EXPECT_EQ(combo->itemData(i).toInt(), i);
            texts << combo->itemText(i);
        }
        return texts;
    }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
    QString m_strOldTitle;
};

} // namespace

TEST_F(GroupDlgTest, DeletingSelectsTheRowThatTookThePlaceOrTheNewLastAndNeverTheLastGroup) {
    CGroupArray set = MakeSet({"A", "B", "C", "D"});
    auto dlg = OpenEdit(set);
    QListWidget* list = dlg->List();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("グループの編集"));
    EXPECT_FALSE(dlg->GetDlgItem(platform::IDOK)->isVisibleTo(dlg.get()));
    EXPECT_EQ(SelectedRow(list), 0);
    ExpectListAgrees(list, set);

    // Cancelled: nothing happens.
    m_responder.QueueAnswer(IDCANCEL);
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DELETE));
    EXPECT_EQ(Names(set), QStringList({"A", "B", "C", "D"}));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, kDeleteQuestion);
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_OKCANCEL | MB_ICONQUESTION);

    list->setCurrentRow(3);
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DELETE));
    EXPECT_EQ(Names(set), QStringList({"A", "B", "C"}));
    EXPECT_EQ(SelectedRow(list), 2);
    ExpectListAgrees(list, set);

    list->setCurrentRow(1);
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DELETE));
    EXPECT_EQ(Names(set), QStringList({"A", "C"}));
    EXPECT_EQ(SelectedRow(list), 1);
    EXPECT_EQ(set[1].m_aChannel[0].m_strTitle, QStringLiteral("C-1")) << "the whole group went";
    ExpectListAgrees(list, set);

    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DELETE));
    m_responder.Clear();
    EXPECT_EQ(Names(set), QStringList({"A"}));
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DELETE));
    ASSERT_EQ(m_responder.Count(), 1);
    EXPECT_EQ(m_responder.Requests()[0].strText, kLastGroupText);
    EXPECT_EQ(m_responder.Requests()[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(Names(set), QStringList({"A"}));
    ExpectListAgrees(list, set);
}

TEST_F(GroupDlgTest, MovingKeepsTheMovedGroupSelectedAndRenameActsOnIt) {
    CGroupArray set = MakeSet({"A", "B", "C"});
    auto dlg = OpenEdit(set);
    QListWidget* list = dlg->List();

    Click(dlg->GetDlgItem(IDC_GROUPEDIT_UP)); // first row: nothing
    EXPECT_EQ(Names(set), QStringList({"A", "B", "C"}));
    list->setCurrentRow(1);
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_UP));
    EXPECT_EQ(Names(set), QStringList({"B", "A", "C"}));
    EXPECT_EQ(set[0].m_aChannel[0].m_strTitle, QStringLiteral("B-1"));
    EXPECT_EQ(SelectedRow(list), 0);
    ExpectListAgrees(list, set);

    AnswerName(QStringLiteral("Opening"));
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_RENAME));
    EXPECT_EQ(Names(set), QStringList({"Opening", "A", "C"}));
    EXPECT_EQ(set[0].m_aChannel[0].m_strTitle, QStringLiteral("B-1"));
    EXPECT_EQ(SelectedRow(list), 0);
    ExpectListAgrees(list, set);

    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DOWN));
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DOWN));
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_DOWN)); // last row: nothing
    EXPECT_EQ(Names(set), QStringList({"A", "C", "Opening"}));
    EXPECT_EQ(SelectedRow(list), 2);
    ExpectListAgrees(list, set);
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(GroupDlgTest, AddingAsksForANameOfOneTo64Bytes) {
    CGroupArray set = MakeSet({"A"});
    auto dlg = OpenEdit(set);

    AnswerName(QString()); // cancelled
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_ADD));
    EXPECT_EQ(set.GetSize(), 1);

    // An empty name is refused with the dialog left open; then a name of exactly 64 bytes is taken.
    const QString name64 = QString(30, QChar(u'効')) + QStringLiteral("1234");
    WhenModal([this, name64](QWidget* modal) {
        auto* input = qobject_cast<CGroupInpDlg*>(modal);
        ASSERT_TRUE(input);
        EXPECT_EQ(input->windowTitle(), QStringLiteral("グループ名編集"));
        Click(input->GetDlgItem(platform::IDOK));
        ASSERT_EQ(m_responder.Count(), 1);
        EXPECT_EQ(m_responder.Requests()[0].strText, kNameRequiredText);
        EXPECT_TRUE(input->isVisible());
        TypeOver(input->GetDlgItem(IDC_GROUPINP_NAME), name64 + QStringLiteral("5"));
        EXPECT_EQ(input->GetDlgItemText(IDC_GROUPINP_NAME), name64);
        QTest::keyClick(input->GetDlgItem(IDC_GROUPINP_NAME), Qt::Key_Return);
    });
    Click(dlg->GetDlgItem(IDC_GROUPEDIT_ADD));
    ASSERT_EQ(set.GetSize(), 2);
    EXPECT_EQ(set[1].m_strName, name64);
    for (const CChannelData& ch : set[1].m_aChannel) {
        EXPECT_TRUE(ch.m_strFile.isEmpty());
        EXPECT_EQ(ch.m_nVolume, 0);
    }
    EXPECT_EQ(SelectedRow(dlg->List()), 1);
    ExpectListAgrees(dlg->List(), set);
}

TEST_F(GroupDlgTest, ShowsTheWorkingCopyInStepAndHandsItBackWholeOnOk) {
    CGroupArray live = MakeSet({"開演", "効果音"});
    auto dlg = OpenGroup(live);
    QComboBox* combo = dlg->Combo();
    CChannelListCtrl* list = dlg->List();
    EXPECT_EQ(ComboTexts(combo), QStringList({"開演", "効果音"}));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(list->GetRowHeight(), 32);
    EXPECT_EQ(list->GetItemCount(), 10);
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(list->GetItemText(0, 2), QStringLiteral("開演-1"));
    EXPECT_EQ(list->GetItemText(9, 1), QStringLiteral("0"));

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(list->GetItemText(0, 2), QStringLiteral("効果音-1"));
    EXPECT_EQ(list->GetCurSel(), 0);

    // Clearing an empty channel asks nothing; one with a file is asked about first.
    ClickRow(list, 4);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR));
    EXPECT_EQ(m_responder.Count(), 0);
    ClickRow(list, 0);
    m_responder.QueueAnswer(IDCANCEL);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR));
    EXPECT_EQ(dlg->WorkingCopy()[1].m_aChannel[0].m_nVolume, 40);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR));
    ASSERT_EQ(m_responder.Count(), 2);
    EXPECT_EQ(m_responder.Requests()[1].strText, kDeleteQuestion);
    const CChannelData& cleared = dlg->WorkingCopy()[1].m_aChannel[0];
    EXPECT_TRUE(cleared.m_strFile.isEmpty());
    EXPECT_EQ(cleared.m_nVolume, 0);
    EXPECT_EQ(cleared.m_dTimeFadeIn, CChannelData::kDefaultFadeTime);
    EXPECT_EQ(list->GetItemText(0, 2), QString());
    EXPECT_EQ(live[1].m_aChannel[0].m_strFile, QStringLiteral("/show/効果音.wav"))
        << "the live set waits for OK";

    Click(dlg->GetDlgItem(platform::IDOK));
    EXPECT_EQ(dlg->result(), platform::IDOK);
    EXPECT_EQ(Bytes(live), Bytes(dlg->WorkingCopy()));
}

TEST_F(GroupDlgTest, EditingAChannelSetsVolume70AndWithoutARowAsksForOne) {
    CGroupArray live = MakeSet({"A"});
    live[0].m_aChannel[2].m_nVolume = 100;
    const QString sound = m_dir.filePath(QStringLiteral("gong.wav"));
    QFile(sound).open(QIODevice::WriteOnly);
    auto dlg = OpenGroup(live);
    CChannelListCtrl* list = dlg->List();

    ClickRow(list, 2);
    WhenModal([sound](QWidget* modal) {
        auto* edit = qobject_cast<CChannelEditDlg*>(modal);
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->GetDlgItemText(IDC_CHEDIT_NUMBER), QStringLiteral("3"));
        AnswerFileDialog(sound);
        Click(edit->GetDlgItem(IDC_CHEDIT_BROWSE)); // the title question is answered Yes
        Click(edit->GetDlgItem(platform::IDOK));
    });
    m_responder.SetAnswer(IDYES);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_EDIT));
    m_responder.SetAnswer(IDOK);
    const CChannelData& edited = dlg->WorkingCopy()[0].m_aChannel[2];
    EXPECT_EQ(edited.m_strTitle, QStringLiteral("gong"));
    EXPECT_EQ(edited.m_strFile, sound);
    EXPECT_EQ(edited.m_nVolume, 70);
    EXPECT_EQ(list->GetItemText(2, 2), QStringLiteral("gong"));
    EXPECT_EQ(list->GetCurSel(), 2);

    // A cancelled edit leaves the volume as it was.
    ClickRow(list, 0);
    WhenModal([](QWidget* modal) { modal->close(); });
    Click(dlg->GetDlgItem(IDC_GROUPDLG_EDIT));
    EXPECT_EQ(dlg->WorkingCopy()[0].m_aChannel[0].m_nVolume, 40);

    m_responder.Clear();
    list->SetItemState(-1, 0, LVIS_SELECTED);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_EDIT));
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR));
    ASSERT_EQ(m_responder.Count(), 2);
    EXPECT_EQ(m_responder.Requests()[0].strText, kSelectChannelText);
    EXPECT_EQ(m_responder.Requests()[1].strText, kSelectChannelText);
}

TEST_F(GroupDlgTest, CancelUndoesEverythingDoneInTheGroupListAndChannelDialogs) {
    CGroupArray live = MakeSet({"A", "B"});
    const QByteArray before = Bytes(live);
    auto dlg = OpenGroup(live);

    // In the group list: add "C", move it to the top, delete "B".
    WhenModal([](QWidget* modal) {
        auto* edit = qobject_cast<CGroupEditDlg*>(modal);
        ASSERT_TRUE(edit);
        AnswerName(QStringLiteral("C"));
        Click(edit->GetDlgItem(IDC_GROUPEDIT_ADD));
        Click(edit->GetDlgItem(IDC_GROUPEDIT_UP));
        Click(edit->GetDlgItem(IDC_GROUPEDIT_UP));
        edit->List()->setCurrentRow(2);
        Click(edit->GetDlgItem(IDC_GROUPEDIT_DELETE));
        Click(edit->GetDlgItem(platform::IDCANCEL));
    });
    Click(dlg->GetDlgItem(IDC_GROUPDLG_GROUPS));
    EXPECT_EQ(Names(dlg->WorkingCopy()), QStringList({"C", "A"}));
    EXPECT_EQ(ComboTexts(dlg->Combo()), QStringList({"C", "A"}));
    EXPECT_EQ(dlg->Combo()->currentIndex(), 0);
    EXPECT_EQ(dlg->List()->GetItemText(0, 2), QString()) << "the new first group's channels";
    EXPECT_EQ(dlg->List()->GetCurSel(), 0);

    ClickRow(dlg->List(), 0);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR)); // empty: nothing to ask
    QTest::keyClick(dlg->Combo(), Qt::Key_Down);
    Click(dlg->GetDlgItem(IDC_GROUPDLG_CLEAR)); // "A-1" cleared after OK to the question
    EXPECT_TRUE(dlg->WorkingCopy()[1].m_aChannel[0].m_strFile.isEmpty());

    Click(dlg->GetDlgItem(platform::IDCANCEL));
    EXPECT_EQ(dlg->result(), platform::IDCANCEL);
    EXPECT_EQ(Bytes(live), before);
}
