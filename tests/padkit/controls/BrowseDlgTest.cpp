#include "padkit/controls/BrowseDlg.h"
#include "padkit/util/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace padkit;

namespace {

const QString kMustExist = QStringLiteral("既存の項目を選択してください");
const QString kBadChars = QStringLiteral("次の文字は名前として使用できません:\n\n\\/:*?\"<>|");

// Runs what once the picker is shown.
void WhenPickerShows(std::function<void(QFileDialog*)> what) {
    QTimer::singleShot(0, [what] {
        auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        what(picker);
    });
}

} // namespace

TEST(BrowseDlg, TypedNamesAreChecked) {
    CMessageBoxResponder responder;
    CBrowseDlg dlg;
    EXPECT_EQ(dlg.BrowseCallbackImp(nullptr, BFFM_VALIDATEFAILED, QStringLiteral("nothing-here")), 1);
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strText, kMustExist);

    responder.Clear();
    EXPECT_EQ(dlg.BrowseCallbackImp(nullptr, BFFM_VALIDATEFAILED, QStringLiteral("a:b")), 1);
    ASSERT_EQ(responder.Count(), 2);
    EXPECT_EQ(responder.Requests()[0].strText, kMustExist);
    EXPECT_EQ(responder.Requests()[1].strText, kBadChars);

    responder.Clear();
    dlg.SetRequireExisting(FALSE);
    EXPECT_EQ(dlg.BrowseCallbackImp(nullptr, BFFM_VALIDATEFAILED, QStringLiteral("new folder")), 0);
    EXPECT_EQ(responder.Count(), 0);
    EXPECT_EQ(dlg.BrowseCallbackImp(nullptr, BFFM_VALIDATEFAILED, QStringLiteral("a|b")), 1);
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strText, kBadChars);
}

TEST(BrowseDlg, OpensAtTheInitialFolderAndReturnsIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CBrowseDlg dlg(dir.path(), QStringLiteral("フォルダの選択"));
    WhenPickerShows([&](QFileDialog* picker) {
        EXPECT_EQ(QDir(picker->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(picker->windowTitle(), QStringLiteral("フォルダの選択"));
        static_cast<QDialog*>(picker)->accept();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), QDir(dir.path()).absolutePath());

    WhenPickerShows([](QFileDialog* picker) { picker->reject(); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetPathName(), QString());

    // A copy carries the settings.
    CBrowseDlg copy = dlg;
    WhenPickerShows([](QFileDialog* picker) { static_cast<QDialog*>(picker)->accept(); });
    EXPECT_EQ(copy.DoModal(), IDOK);
    EXPECT_EQ(copy.GetPathName(), QDir(dir.path()).absolutePath());
}

TEST(BrowseDlg, AMissingTypedFolderKeepsThePickerOpen) {
    QTemporaryDir dir;
    CMessageBoxResponder responder;
    CBrowseDlg dlg(dir.path(), QString());
    bool stayedOpen = false;
    WhenPickerShows([&](QFileDialog* picker) {
        auto* edit = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("missing"));
        static_cast<QDialog*>(picker)->accept();
        stayedOpen = picker->isVisible();
        picker->reject();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strText, kMustExist);

    // Without the existence rule a new name is taken as it is.
    dlg.SetRequireExisting(FALSE);
    WhenPickerShows([&](QFileDialog* picker) {
        picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("fresh"));
        static_cast<QDialog*>(picker)->accept();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), QDir(dir.path()).absoluteFilePath(QStringLiteral("fresh")));
}

TEST(BrowseDlg, AnUnknownInitialFolderLeavesTheDefault) {
    CBrowseDlg dlg(QStringLiteral("/no/such/folder/here"), QString());
    QString shown;
    WhenPickerShows([&](QFileDialog* picker) {
        shown = picker->directory().absolutePath();
        picker->reject();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(shown.startsWith(QStringLiteral("/no/such")));
}
