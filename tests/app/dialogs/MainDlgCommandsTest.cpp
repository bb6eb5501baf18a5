#include "app/dialogs/GroupDlg.h"
#include "app/dialogs/GroupEditDlg.h"
#include "app/dialogs/GroupInpDlg.h"
#include "app/dialogs/KeyEditCtrl.h"
#include "app/dialogs/OptionDlg.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include "DialogDriver.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenuBar>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dialogtest;

// The main window's "グループの編集" and "設定" run the editing dialogs on its live set and settings.
namespace {

class MainDlgCommandsTest : public ::testing::Test {
protected:
    std::unique_ptr<CMainDlg> MakeDlg() {
        auto dlg = std::make_unique<CMainDlg>(nullptr, nullptr, CSettingsFile(IniPath()));
        dlg->Create({});
        QCoreApplication::processEvents();
        return dlg;
    }
    QString IniPath() const { return m_dir.filePath(QStringLiteral("Padora.INI")); }
    static void RunMenu(CMainDlg& dlg, const QString& text) {
        for (QAction* action : dlg.findChildren<QMenuBar*>().front()->findChildren<QAction*>()) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
    }
    static QStringList TabTexts(const CMainDlg& dlg) {
        auto* tabs = platform::GetDlgItemAs<QTabBar>(&dlg, IDC_TAB_GROUP);
        QStringList texts;
        for (int i = 0; tabs && i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts;
    }
    // In the group dialog: add a group named name through the group list, then end with button.
    static void AddGroupAndEnd(const QString& name, int button) {
        WhenModal([name, button](QWidget* modal) {
            auto* groups = qobject_cast<CGroupDlg*>(modal);
            ASSERT_TRUE(groups);
            WhenModal([name](QWidget* list) {
                auto* edit = qobject_cast<CGroupEditDlg*>(list);
                ASSERT_TRUE(edit);
                WhenModal([name](QWidget* input) {
                    auto* inp = qobject_cast<CGroupInpDlg*>(input);
                    ASSERT_TRUE(inp);
                    TypeOver(inp->GetDlgItem(IDC_GROUPINP_NAME), name);
                    Click(inp->GetDlgItem(platform::IDOK));
                });
                Click(edit->GetDlgItem(IDC_GROUPEDIT_ADD));
                Click(edit->GetDlgItem(platform::IDCANCEL));
            });
            Click(groups->GetDlgItem(IDC_GROUPDLG_GROUPS));
            Click(groups->GetDlgItem(button));
        });
    }

    QTemporaryDir m_dir;
    CMessageBoxResponder m_responder;
};

} // namespace

TEST_F(MainDlgCommandsTest, GroupEditRebuildsTheTabsAndMarksTheSetChangedOnlyOnOk) {
    auto dlg = MakeDlg();
    const QString edit = QStringLiteral("グループの編集(&G)");

    AddGroupAndEnd(QStringLiteral("SE"), platform::IDCANCEL);
    RunMenu(*dlg, edit);
    EXPECT_EQ(TabTexts(*dlg), QStringList{QStringLiteral("Group1")});
    EXPECT_EQ(dlg->Groups().GetSize(), 1);
    EXPECT_FALSE(dlg->IsModified());

    AddGroupAndEnd(QStringLiteral("SE"), platform::IDOK);
    RunMenu(*dlg, edit);
    EXPECT_EQ(TabTexts(*dlg), (QStringList{QStringLiteral("Group1"), QStringLiteral("SE")}));
    EXPECT_EQ(dlg->Groups().GetSize(), 2);
    EXPECT_EQ(dlg->GetCurGroup(), &dlg->Groups()[0]);
    EXPECT_TRUE(dlg->IsModified());
    EXPECT_EQ(m_responder.Count(), 0);
}

TEST_F(MainDlgCommandsTest, OptionsChangeTheRunningSettingsAndThePadoraIniOnlyOnOk) {
    auto dlg = MakeDlg();
    const QString options = QStringLiteral("設定(&S)");
    const auto pressF9AndEnd = [](int button) {
        WhenModal([button](QWidget* modal) {
            auto* opt = qobject_cast<COptionDlg*>(modal);
            ASSERT_TRUE(opt);
            auto* key = opt->Page(0)->GetDlgItemAs<CKeyEditCtrl>(IDC_OPT1_KEY1);
            QTest::keyClick(key, Qt::Key_F9);
            Click(opt->Page(2)->GetDlgItem(IDC_OPT3_KEEPPLAYING));
            Click(opt->GetDlgItem(button));
        });
    };

    pressF9AndEnd(platform::IDCANCEL);
    RunMenu(*dlg, options);
    EXPECT_EQ(dlg->Option().nVKey[0], 97);
    EXPECT_FALSE(dlg->KeepPlaying());
    EXPECT_FALSE(QFile::exists(IniPath()));

    pressF9AndEnd(platform::IDOK);
    RunMenu(*dlg, options);
    EXPECT_EQ(dlg->Option().nVKey[0], 0x78);
    EXPECT_TRUE(dlg->KeepPlaying()) << "the running show switches over at once";
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray written = ini.readAll();
    EXPECT_TRUE(written.contains("VKey=120,98,"));
    EXPECT_TRUE(written.contains("[Show]") && written.contains("KeepPlaying=1")) << written.toStdString();
}
