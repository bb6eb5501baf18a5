#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QPointer>
#include <QString>

class QFileDialog;
class QWidget;

namespace padkit {

// What the folder picker tells its callback.
inline constexpr UINT BFFM_INITIALIZED = 1;
inline constexpr UINT BFFM_SELCHANGED = 2;
inline constexpr UINT BFFM_VALIDATEFAILED = 3;

inline constexpr UINT BIF_STATUSTEXT = 0x0004;
inline constexpr UINT BIF_EDITBOX = 0x0010;
inline constexpr UINT BIF_VALIDATE = 0x0020;
inline constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
inline constexpr UINT BIF_NONEWFOLDERBUTTON = 0x0200;
inline constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
inline constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;
inline constexpr UINT BIF_BROWSEINCLUDEFILES = 0x4000;
// Extended flag: close the picker as soon as the selection changes while it is shown.
inline constexpr UINT BROWSE_EX_CLOSE_ON_SELECT = 0x0001;

// Characters a folder name may not contain, in the order the message lists them.
inline constexpr char kInvalidNameChars[] = "\\/:*?\"<>|";

} // namespace padkit

// The folder picker as a modal dialog object: opens at an initial folder, shows the selected path,
// checks names typed into it, and hands back the chosen folder.
class PADKIT_API CBrowseDlg {
public:
    CBrowseDlg();
    CBrowseDlg(const QString& initialFolder, const QString& title, QWidget* owner = nullptr);
    CBrowseDlg(const CBrowseDlg&) = default;
    CBrowseDlg& operator=(const CBrowseDlg&) = default;
    virtual ~CBrowseDlg();

    // IDOK when a folder was chosen, IDCANCEL otherwise. UI thread.
    virtual int DoModal();
    // The picker's callback. For BFFM_VALIDATEFAILED, param is the name typed into the picker and a
    // result of 1 keeps the picker open; for BFFM_SELCHANGED it is the newly selected path.
    virtual int BrowseCallbackImp(QFileDialog* picker, UINT message, const QString& param);
    // The folder chosen by the last DoModal; "" after a cancel.
    virtual QString GetPathName() const;
    // The top of the tree: the picker opens there when no initial folder inside it is given, and
    // nothing above or beside it can be entered or chosen.
    virtual void SetRootIDL(const QString& root);
    // BIF_ flags: BIF_EDITBOX shows the name field, BIF_STATUSTEXT the status line (not with
    // BIF_NEWDIALOGSTYLE), BIF_NEWDIALOGSTYLE the new-folder button (unless BIF_NONEWFOLDERBUTTON),
    // BIF_BROWSEINCLUDEFILES lists files and lets one be chosen.
    virtual void SetFlag(UINT flags);
    virtual void SetFlagEx(UINT flags);
    virtual void SetRequireExisting(BOOL require);

protected:
    // The absolute form of an existing folder, or "" for an empty path or one that is no folder.
    virtual QString GetItemIDList(const QString& path) const;

private:
    QString m_strInitialFolder;
    QString m_strTitle;
    QPointer<QWidget> m_pOwner;
    UINT m_nFlags = 0;
    UINT m_nFlagsEx = 0;
    QString m_strRoot;
    BOOL m_bRequireExisting = TRUE;
    QString m_strPath;
};
