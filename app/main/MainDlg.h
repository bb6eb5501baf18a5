#pragma once

#include "app/data/GroupArray.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/settings/Option.h"
#include "padkit/controls/BaseListCtrl.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/VolumeCtrl.h"
#include "platform/WinTypes.h"
#include "playkit/AdxShow.h"

#include <QDialog>
#include <QIcon>
#include <QSlider>
#include <QStringList>

class COM;
class QMenuBar;

// The classes of the channel strips' controls; each line names the class put at those controls' ids.
using CPadButtonCtrl = CGdiColorButton;    // pads, R / FI / FO switches, all-stop
using CKnobCtrl = CVolumeCtrl;             // PAN and SPD knobs
using CFaderCtrl = CLevelFaderCtrl;        // channel faders with level meter
using CGroupTabCtrl = CBaseTabCtrl;        // group tabs
using CMonitorListArea = CMonitorListCtrl; // monitor list

// The main sampler window: the tabs of the live sound set, the monitor list, ten channel strips and the
// master strip. It owns the live set, the settings record and the ten players of the current group.
// Everything here runs on the UI thread.
class CMainDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr COLORREF kBackColor = RGB(64, 64, 64);
    static constexpr COLORREF kStaticTextColor = RGB(191, 191, 191);
    static constexpr int kChannelCount = CGroupData::kChannelCount;

    // pCom: the frame's window-pointer holder (not owned). settings: where Padora.INI lives.
    explicit CMainDlg(COM* pCom, QWidget* parent = nullptr, CSettingsFile settings = CSettingsFile());
    ~CMainDlg() override;

    // Builds the window from its dialog resource and initialises it; pieces is the split command line,
    // whose first piece names the group file to load. Does not show the window.
    BOOL Create(const QStringList& pieces);

    // The group of the selected tab, or null.
    CGroupData* GetCurGroup();
    // Rebuilds the tabs from the set.
    void FillGroupTab();

    // The group file operations on the live set (0 done, -1 read error, -99 save cancelled, else a write
    // error).
    int LoadGroupFile(const QString& path);
    int SaveGroupFile(BOOL bSaveAs);

    const CGroupArray& Groups() const { return m_aGroup; }
    const OPTIONDATA& Option() const { return m_Option; }
    const QString& FilePath() const { return m_strFilePath; }
    BOOL IsModified() const { return m_bModified; }
    int MasterVolume() const { return m_nMasterVolume; }

protected:
    bool event(QEvent* e) override;
    // Esc, the caption's close box and the hidden "終了" button.
    void reject() override;
    // The OK button is hidden and disabled: Enter does not end the window.
    void accept() override {}

private:
    BOOL OnInitDialog(const QStringList& pieces);
    QWidget* MakeControl(int id, QWidget* parent);
    void BindControls();
    void InitControls();
    void OnCommand(UINT id);
    void OnCancel();
    void OnFileNew();
    void ForwardToFrame(UINT id);

    COM* m_pCom;
    OPTIONDATA m_Option;
    CGroupArray m_aGroup;
    CAdxShow m_Show[kChannelCount];
    CKnobCtrl* m_ctrlPan[kChannelCount] = {};
    CKnobCtrl* m_ctrlSpeed[kChannelCount] = {};
    CFaderCtrl* m_ctrlFader[kChannelCount] = {};
    QSlider* m_ctrlMaster = nullptr;
    int m_nMasterVolume = 100;
    CPadButtonCtrl* m_btnPad[kChannelCount] = {};
    CPadButtonCtrl* m_btnRepeat[kChannelCount] = {};
    CPadButtonCtrl* m_btnFadeIn[kChannelCount] = {};
    CPadButtonCtrl* m_btnFadeOut[kChannelCount] = {};
    CPadButtonCtrl* m_btnAllStop = nullptr;
    BOOL m_bStopKey = FALSE;
    BOOL m_bVolUpKey = FALSE;
    BOOL m_bVolDownKey = FALSE;
    BOOL m_bModified = FALSE;
    QString m_strFilePath;
    QIcon m_hIcon;
    CMonitorListArea* m_listMonitor = nullptr;
    CGroupTabCtrl* m_tabGroup = nullptr;

    CSettingsFile m_Settings;
    QWidget* m_pClient = nullptr; // the dialog's client area under the menu bar
    QMenuBar* m_pMenuBar = nullptr;
};
