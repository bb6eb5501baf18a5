#include "app/main/MainDlg.h"

#include "app/dialogs/GroupDlg.h"
#include "app/dialogs/OptionDlg.h"
#include "app/lists/MonitorListCtrl.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>

BOOL CMainDlg::QuerySaveChanges() {
    if (!m_show.IsModified())
        return TRUE;
    const int answer = PADKIT_MessageBox(this, QCoreApplication::translate("CMainDlg", kSaveChangesText),
                                         QCoreApplication::translate("CMainDlg", kConfirmCaption),
                                         MB_YESNOCANCEL | MB_ICONINFORMATION);
    if (answer == IDNO)
        return TRUE;
    if (answer != IDYES)
        return FALSE;
    const int r = SaveGroupFile(FALSE);
    if (r == CGroupFile::kOk) {
        m_show.SetModified(FALSE);
        return TRUE;
    }
    if (r != CGroupFile::kCancelled)
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupFile", CGroupFile::kWriteErrorText),
                          QCoreApplication::translate("CMainDlg", kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
    return FALSE;
}

void CMainDlg::ShowNewSet() {
    FillGroupTab();
    m_listMonitor->SetGroupData(&m_show.Set()[0]);
    m_listMonitor->ShowChannels(FALSE);
    RunLoader();
}

void CMainDlg::OnFileNew() {
    StopAll();
    ReleaseHook();
    if (!QuerySaveChanges()) {
        RestoreHook();
        return;
    }
    m_show.Set().RemoveAll();
    CGroupData group;
    group.m_strName = QCoreApplication::translate("CMainDlg", kNewGroupName);
    m_show.Set().Add(group);
    ShowNewSet();
    m_show.SetModified(FALSE);
    m_strFilePath.clear();
    RestoreHook();
}

void CMainDlg::OnFileOpen() {
    StopAll();
    ReleaseHook();
    if (!QuerySaveChanges()) {
        RestoreHook();
        return;
    }
    const QString path = m_askOpenPath ? m_askOpenPath(this) : CGroupFile(m_Settings).AskOpenPath(this);
    if (path.isEmpty()) {
        RestoreHook();
        return;
    }
    if (LoadGroupFile(path) != CGroupFile::kOk) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupFile", CGroupFile::kReadErrorText),
                          QCoreApplication::translate("CMainDlg", kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
        RestoreHook();
        return;
    }
    ShowNewSet();
    m_show.CheckOutputPairs();
    m_show.SetModified(FALSE);
    RestoreHook();
}

void CMainDlg::OnFileSave(BOOL bSaveAs) {
    // Playback goes on while the set is saved.
    ReleaseHook();
    const int r = SaveGroupFile(bSaveAs);
    if (r == CGroupFile::kOk)
        m_show.SetModified(FALSE);
    else if (r != CGroupFile::kCancelled)
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupFile", CGroupFile::kWriteErrorText),
                          QCoreApplication::translate("CMainDlg", kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
    RestoreHook();
}

void CMainDlg::OnGroupEdit() {
    StopAll();
    ReleaseHook();
    // The group dialog replaces the set the list points into: the list must not paint in between.
    m_listMonitor->SetRedraw(FALSE);
    CGroupDlg dlg(&m_show.Set(), this, m_Settings);
    dlg.SetLoudnessMatcher(m_show.Loudness());
    dlg.SetAudition(&m_show);
    if (dlg.DoModal() == platform::IDOK) {
        FillGroupTab();
        m_listMonitor->SetGroupData(&m_show.Set()[0]);
        RunLoader();
        m_show.SetModified(TRUE);
    }
    m_listMonitor->SetRedraw(TRUE);
    RestoreHook();
}

void CMainDlg::OnOption() {
    StopAll();
    ReleaseHook();
    COptionDlg dlg(&m_show.Options(), this, m_Settings);
    dlg.SetMidiControl(Midi());
    dlg.SetWebRemote(Web());
    if (dlg.DoModal() == platform::IDOK) {
        StartRemote(); // a changed OSC port or MIDI setting acts at once
        m_show.SetKeepPlaying(dlg.m_Show.bKeepPlaying);
        m_show.SetCueKey(static_cast<UINT>(dlg.m_Audio.nCueKey));
    }
    // Judged by the setting as the dialog left it: switching capture on or off acts at once.
    RestoreHook();
}
