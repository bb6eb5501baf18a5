#include "padkit/util/PathUtil.h"
#include "padkit/util/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(PathUtilTest, AbsolutePathsFromStoredOnes) {
    const QString current = QDir::currentPath();
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "./s/x.wav"), "/A/s/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", ".\\s\\x.wav"), "/A/s/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "..\\b\\c.wav"), "/b/c.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "x.wav"), "/A/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "/B/./y/../x.wav"), "/B/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", ""), "");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "C:\\Show\\x.wav"), "C:\\Show\\x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "\\\\server\\x.wav"), "\\\\server\\x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/dir/", "x.wav"), "/A/dir/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("rel/g.pdg", "x.wav"), current + "/rel/x.wav");
    // Above the root is the root, as the system resolves it.
    EXPECT_EQ(PADKIT_GetAbsPath("/g.pdg", "../../x.wav"), "/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "..\\..\\..\\s\\x.wav"), "/s/x.wav");
    EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", "/../B/x.wav"), "/B/x.wav");
    EXPECT_EQ(QDir::currentPath(), current);
}

TEST(PathUtilTest, RelativePathsToTargets) {
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", "/A/s/x.wav"), "./s/x.wav");
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", "/A/x.wav"), "./x.wav");
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", "/B/x.wav"), "../B/x.wav");
    EXPECT_EQ(PADKIT_GetIncPath("/A/b/g.pdg", "/x.wav"), "../../x.wav");
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", ""), "");
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", "D:\\x.wav"), "D:\\x.wav");
    // A backslash belongs to the name here; relative, it would read back as a separator.
    EXPECT_EQ(PADKIT_GetIncPath("/A/g.pdg", "/A/s\\x.wav"), "/A/s\\x.wav");
    for (const char* target : {"/A/s/x.wav", "/B/c/x.wav", "/x.wav", "/A/s\\x.wav", "/A/ x .wav"})
        EXPECT_EQ(PADKIT_GetAbsPath("/A/g.pdg", PADKIT_GetIncPath("/A/g.pdg", target)), QString(target));
}

TEST(PathUtilTest, MakeDirCreatesParentsFirstAndAsks) {
    QTemporaryDir dir;
    CMessageBoxResponder responder(IDCANCEL);
    EXPECT_EQ(PADKIT_MakeDir(dir.path(), TRUE), TRUE);
    EXPECT_EQ(PADKIT_MakeDir(dir.path() + "/", TRUE), TRUE);
    EXPECT_EQ(responder.Count(), 0) << "an existing folder needs no question";

    const QString target = dir.filePath("new/a/b");
    EXPECT_EQ(PADKIT_MakeDir(target, TRUE), FALSE);
    ASSERT_EQ(responder.Count(), 1);
    EXPECT_EQ(responder.Requests()[0].strText,
              "下記のフォルダが見つかりません。作成しますか？\n\n" + target + "/");
    EXPECT_EQ(responder.Requests()[0].strCaption, "確認");
    EXPECT_EQ(responder.Requests()[0].nType, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("new")));

    responder.SetAnswer(IDOK);
    EXPECT_EQ(PADKIT_MakeDir(target, TRUE), TRUE);
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_EQ(PADKIT_MakeDir(dir.filePath("quiet/x"), FALSE), TRUE);
    EXPECT_EQ(responder.Count(), 2);

    // A file in the way: creation fails and, when asked, the error is shown.
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(PADKIT_MakeDir(dir.filePath("file/sub"), TRUE), FALSE);
    EXPECT_EQ(responder.Requests().back().strText, "ディリクトリー作成中にエラーが発生しました。");
    EXPECT_EQ(responder.Requests().back().strCaption, "エラー");
    EXPECT_EQ(responder.Requests().back().nType, MB_ICONEXCLAMATION);
}

TEST(PathUtilTest, CopyFileReplacesAndClearsReadOnly) {
    QTemporaryDir dir;
    const QString source = dir.filePath("src.wav");
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("new content");
    }
    QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    const QString dest = dir.filePath("dest.wav");
    {
        QFile file(dest);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    EXPECT_EQ(PADKIT_CopyFile(source, dest), TRUE);
    QFile copy(dest);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "new content");
    EXPECT_TRUE(QFile::permissions(dest) & QFileDevice::WriteOwner) << "the copy is writable";

    const QString hidden = dir.filePath(".hidden.wav");
    EXPECT_EQ(PADKIT_CopyFile(source, hidden), TRUE);
    EXPECT_FALSE(QFile::permissions(hidden) & QFileDevice::WriteOwner) << "read-only and hidden keeps both";

    ASSERT_TRUE(QDir(dir.path()).mkdir("into"));
    EXPECT_EQ(PADKIT_CopyFile(source, dir.filePath("into")), TRUE);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("into/src.wav")));
    EXPECT_EQ(PADKIT_CopyFile(dir.filePath("missing.wav"), dest), FALSE);
    EXPECT_EQ(PADKIT_CopyFile(source, dir.filePath("no/such/folder.wav")), FALSE);
}

} // namespace
