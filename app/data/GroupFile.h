#pragma once

#include "app/data/GroupArray.h"
#include "app/settings/Option.h"
#include "platform/WinTypes.h"

#include <QString>
#include <functional>

class QWidget;

// Reading and writing sound sets as group files (.pdg, also .dat): an initialization-file layout
// with section "GroupData" (GroupNum, GrpName<gg>) and section "SoundData" (ten keys per channel
// that has a title and a file, named Snd...<gg>-<cc>; an eleventh, SndLoudness<gg>-<cc>=1, only for a
// channel with loudness matching on, which the Windows version passes over). Files written on Windows load:
// CP932 text, CRLF lines and relative sound paths with '\'. Decimals are read and written with a point
// whatever the process locale.
//
// The main window's operations are one-liners on top of this class:
//   int CMainDlg::LoadGroupFile(const QString& path)
//       { return CGroupFile(m_Settings).Load(path, m_aGroup, m_strFilePath); }
//   int CMainDlg::SaveGroupFile(BOOL bSaveAs)
//       { return CGroupFile(m_Settings).Save(this, m_strFilePath, m_aGroup, m_Option.bRelative, bSaveAs); }
// The caller shows, with PADKIT_MessageBox, caption "エラー" and MB_ICONEXCLAMATION,
// kReadErrorText when Load is not kOk, kWriteErrorText when Save is neither kOk nor kCancelled,
// and nothing for kCancelled. All of it runs on the UI thread.
class CGroupFile {
public:
    static constexpr int kOk = 0;
    static constexpr int kReadError = -1;  // no group: missing, unreadable or foreign file
    static constexpr int kWriteError = -2; // the file could not be written; the old one is intact
    static constexpr int kCancelled = -99; // the save dialog was cancelled

    static constexpr const char* kReadErrorText =
        QT_TRANSLATE_NOOP("CGroupFile", "ファイル読込中にエラーが発生しました。");
    static constexpr const char* kWriteErrorText =
        QT_TRANSLATE_NOOP("CGroupFile", "ファイル書込中にエラーが発生しました。");

    // Said with the name of a sound file a group file cannot hold.
    static constexpr const char* kUnstorableNameText =
        QT_TRANSLATE_NOOP("CGroupFile", "このファイル名は保存できません。");

    // Group numbers in key names have at most three digits.
    static constexpr int kMaxGroups = 999;

    // Asks for the path to save to, starting in initialFolder; empty when cancelled.
    using PathAsker = std::function<QString(QWidget* pParent, const QString& initialFolder)>;

    // settings: where "FilePath"/"GrpFolder" lives. askSavePath: the save dialog; when empty, the
    // QFileDialog of AskSavePath. Tests pass their own.
    explicit CGroupFile(CSettingsFile settings = CSettingsFile(), PathAsker askSavePath = {});

    // Reads the group file at path (relative paths against the current directory). kOk when it
    // yields at least one group: aGroup then holds the file's groups, strFilePath is path and
    // "GrpFolder" path's folder. kReadError otherwise, and nothing has changed.
    int Load(const QString& path, CGroupArray& aGroup, QString& strFilePath) const;

    // Writes aGroup. Shows the save dialog when bSaveAs is set or strFilePath is empty, otherwise
    // writes to strFilePath. kOk after writing (strFilePath becomes the path written, "GrpFolder"
    // its folder); kCancelled when the dialog was cancelled; kWriteError when writing failed, with
    // the old file, strFilePath and "GrpFolder" unchanged.
    int Save(QWidget* pParent, QString& strFilePath, const CGroupArray& aGroup, BOOL bRelative,
             BOOL bSaveAs) const;

    // The file format alone, without settings or dialogs. Read: kOk or kReadError (aGroup
    // untouched then). Write: kOk or kWriteError (error, when given, gets the reason); a channel
    // whose path CanStorePath refuses is a write error, and nothing is written.
    static int Read(const QString& path, CGroupArray& aGroup);
    static int Write(const QString& path, const CGroupArray& aGroup, BOOL bRelative,
                     QString* error = nullptr);

    // False for a sound path that a group file cannot hold so that it reads back the same: a line
    // break in it would end its line. Such a sound is refused where it is assigned, and Write refuses
    // a set that holds one rather than store another name.
    static bool CanStorePath(const QString& path);
    // path with its line breaks shown as "\n" and "\r", for messages that name it.
    static QString ShownPath(const QString& path);

    // The save and open dialogs of group files, starting in "GrpFolder" (or the current directory
    // when it is not set); the current directory is put back afterwards. Empty when cancelled.
    QString AskSavePath(QWidget* pParent) const;
    QString AskOpenPath(QWidget* pParent) const;

    // The dialogs' filter, "ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat)|*.pdg;*.dat|" in the file dialog's syntax.
    static QString DialogFilter();

    // "GrpFolder" for a group file path: the part before its last separator, empty without one.
    static QString FolderOf(const QString& path);

private:
    CSettingsFile m_Settings;
    PathAsker m_askSavePath;
};
