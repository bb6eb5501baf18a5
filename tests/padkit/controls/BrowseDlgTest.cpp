#include "padkit/controls/BrowseDlg.h"
#include "padkit/util/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
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

// Lets the picker take up a change of folder it was asked for.
void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

QString Clean(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool Shown(QFileDialog* picker, const char* name) {
    auto* w = picker->findChild<QWidget*>(QLatin1String(name));
    return w && w->isVisible();
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

TEST(BrowseDlg, TheUserStaysAtOrBelowTheRoot) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QDir top(base.path());
    ASSERT_TRUE(top.mkpath(QStringLiteral("root/sub")));
    ASSERT_TRUE(top.mkpath(QStringLiteral("outside")));
    const QString root = Clean(top.filePath(QStringLiteral("root")));
    const QString sub = Clean(top.filePath(QStringLiteral("root/sub")));
    const QString outside = Clean(top.filePath(QStringLiteral("outside")));

    CMessageBoxResponder responder;
    CBrowseDlg dlg(outside, QString()); // an initial folder outside the root is not taken
    dlg.SetRootIDL(root);
    dlg.SetFlag(BIF_EDITBOX);
    bool stayedOpen = false;
    WhenPickerShows([&](QFileDialog* picker) {
        EXPECT_EQ(Clean(picker->directory().absolutePath()), root);
        auto* up = picker->findChild<QToolButton*>(QStringLiteral("toParentButton"));
        ASSERT_NE(up, nullptr);
        EXPECT_FALSE(up->isEnabled()) << "nothing above the root";

        picker->setDirectory(top.path());
        Settle();
        EXPECT_EQ(Clean(picker->directory().absolutePath()), root) << "back to the root";
        picker->setDirectory(outside);
        Settle();
        EXPECT_EQ(Clean(picker->directory().absolutePath()), root);

        picker->setDirectory(sub);
        Settle();
        EXPECT_EQ(Clean(picker->directory().absolutePath()), sub);
        EXPECT_TRUE(up->isEnabled());
        up->click();
        Settle();
        EXPECT_EQ(Clean(picker->directory().absolutePath()), root);
        EXPECT_FALSE(up->isEnabled());

        // A folder outside the root typed as a name is refused like one that cannot be found.
        auto* edit = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral(".."));
        static_cast<QDialog*>(picker)->accept();
        stayedOpen = picker->isVisible();
        edit->setText(QStringLiteral("sub"));
        static_cast<QDialog*>(picker)->accept();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strText, kMustExist);
    EXPECT_EQ(dlg.GetPathName(), sub);

    // Not even without the existence rule.
    dlg.SetRequireExisting(FALSE);
    WhenPickerShows([&](QFileDialog* picker) {
        picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral(".."));
        static_cast<QDialog*>(picker)->accept();
        stayedOpen = picker->isVisible();
        picker->reject();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stayedOpen);
}

TEST(BrowseDlg, FlagsChooseWhatThePickerShows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(QDir(dir.path()).filePath(QStringLiteral("song.wav")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CBrowseDlg dlg(dir.path(), QString());
    struct Seen {
        bool edit, status, newFolder, dirsOnly;
    };
    auto seenWith = [&](UINT flags) {
        Seen seen{};
        dlg.SetFlag(flags);
        WhenPickerShows([&](QFileDialog* picker) {
            seen = {Shown(picker, "fileNameEdit"), Shown(picker, "browseStatus"),
                    Shown(picker, "newFolderButton"), picker->testOption(QFileDialog::ShowDirsOnly)};
            picker->reject();
        });
        dlg.DoModal();
        return seen;
    };
    const Seen plain = seenWith(0);
    EXPECT_FALSE(plain.edit);
    EXPECT_FALSE(plain.status);
    EXPECT_FALSE(plain.newFolder);
    EXPECT_TRUE(plain.dirsOnly);
    const Seen old = seenWith(BIF_EDITBOX | BIF_STATUSTEXT);
    EXPECT_TRUE(old.edit);
    EXPECT_TRUE(old.status);
    EXPECT_FALSE(old.newFolder);
    const Seen fresh = seenWith(BIF_NEWDIALOGSTYLE | BIF_STATUSTEXT);
    EXPECT_TRUE(fresh.newFolder);
    EXPECT_FALSE(fresh.status) << "the new style has no status line";
    EXPECT_FALSE(seenWith(BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON).newFolder);

    // With files listed, a file can be chosen.
    dlg.SetFlag(BIF_BROWSEINCLUDEFILES | BIF_EDITBOX);
    WhenPickerShows([](QFileDialog* picker) {
        EXPECT_FALSE(picker->testOption(QFileDialog::ShowDirsOnly));
        picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("song.wav"));
        static_cast<QDialog*>(picker)->accept();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), Clean(file.fileName()));
}
