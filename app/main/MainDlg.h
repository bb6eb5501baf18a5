#pragma once

#include "app/data/GroupFile.h"
#include "app/res/WindowColors.h"
#include "app/show/ShowSession.h"
#include "padkit/controls/VolumeCtrl.h"
#include "platform/NestedLoop.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QSlider>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class CBaseTabCtrl;
class CGdiColorButton;
class CLevelFaderCtrl;
class CMonitorListCtrl;
class COM;
class CMidiControl;
class CRemoteControl;
class CShowRemotes;
class CTriggerControl;
class CWebRemote;
class QKeyEvent;
class QMenuBar;

// The classes of the channel strips' controls; each line names the class put at those controls' ids.
using CPadButtonCtrl = CGdiColorButton; // pads, R / FI / FO switches, all-stop
using CKnobCtrl = CVolumeCtrl;          // PAN and SPD knobs
using CFaderCtrl = CLevelFaderCtrl;     // channel faders with level meter
using CGroupTabCtrl = CBaseTabCtrl;     // group tabs

// The main sampler window: the tabs of the live sound set, the monitor list, ten channel strips and the
// master strip. It owns the live set, the settings record and the ten players of the current group
// through its show session, and paints the session's state. Everything here runs on the UI thread.
class CMainDlg : public QDialog, private IShowObserver, private IShowHost {
    Q_OBJECT
public:
    static constexpr COLORREF kBackColor = wincolor::kBack;
    static constexpr COLORREF kStaticTextColor = wincolor::kStaticText;
    static constexpr int kChannelCount = CGroupData::kChannelCount;
    static constexpr int kTimerPeriodMs = show::kTimerPeriodMs;
    static constexpr const char* kNoOutputMark = QT_TRANSLATE_NOOP("CMainDlg", "（出力なし）");
    // In the caption while sounds play in other groups than the shown one (%1: how many).
    static constexpr const char* kBackgroundMark =
        QT_TRANSLATE_NOOP("CMainDlg", "（他のグループで再生中: %1）");
    static constexpr UINT WM_GRAPH_NOTIFY = CShowSession::WM_GRAPH_NOTIFY;
    static constexpr UINT WM_PEAK_NOTIFY = CShowSession::WM_PEAK_NOTIFY;
    static constexpr const char* kNewGroupName = "Group1";
    static constexpr const char* kErrorCaption = QT_TRANSLATE_NOOP("CMainDlg", "エラー");
    static constexpr const char* kSaveChangesText =
        QT_TRANSLATE_NOOP("CMainDlg", "変更があります。保存しますか？");
    static constexpr const char* kConfirmCaption = QT_TRANSLATE_NOOP("CMainDlg", "確認");

    // pCom: the frame's window-pointer holder (not owned). settings: where Padora.INI lives.
    explicit CMainDlg(COM* pCom, QWidget* parent = nullptr, CSettingsFile settings = CSettingsFile());
    ~CMainDlg() override;

    // Builds the window from its dialog resource and initialises it; pieces is the split command line,
    // whose first piece names the group file to load. Does not show the window.
    BOOL Create(const QStringList& pieces);

    // The group of the selected tab, or null.
    CGroupData* GetCurGroup() { return m_show.CurrentGroup(); }
    // Rebuilds the tabs from the set.
    void FillGroupTab();
    // Makes tab index (-1: the selected one) current and loads its sounds: 1 done, 0 no such tab.
    int SelectGroup(int index);
    // The sounds playing in other groups than the shown one, and whether a switch keeps them.
    int BackgroundCount() const { return m_show.BackgroundCount(); }
    bool KeepPlaying() const { return m_show.KeepPlaying(); }

    // Transport and mixing of channel i of the current group; 1 done, 0 without a current group.
    int PlayChannel(int i) { return m_show.PlayChannel(i); }
    int StopChannel(int i) { return m_show.StopChannel(i); }
    void StopAll() { m_show.StopAll(); }
    int SetChannelVolume(int i, int volume) { return m_show.SetChannelVolume(i, volume); }
    int SetChannelPan(int i, int pan) { return m_show.SetChannelPan(i, pan); }
    int SetChannelRate(int i, double rate) { return m_show.SetChannelRate(i, rate); }
    void InitControls();

    // The steps of the 100 ms timer; 1 done, 0 without a current group.
    int RefreshPlayState() { return m_show.RefreshPlayState(); }
    int RefreshPlayTime() { return m_show.RefreshPlayTime(); }
    int StepFades() { return m_show.StepFades(); }

    // The group file operations on the live set (0 done, -1 read error, -99 save cancelled, else a write
    // error).
    int LoadGroupFile(const QString& path);
    int SaveGroupFile(BOOL bSaveAs);

    const CGroupArray& Groups() const { return m_show.Set(); }
    const OPTIONDATA& Option() const { return m_show.Options(); }
    const QString& FilePath() const { return m_strFilePath; }
    BOOL IsModified() const { return m_show.IsModified(); }
    int MasterVolume() const { return m_show.MasterVolume(); }
    CAdxShow& Player(int i) { return m_show.Player(i); }
    QTimer& PlayTimer() { return m_show.Timer(); }
    CShowSession& Show() { return m_show; }

    // True while one of the window's handlers runs, that is while a modal window it opened (loader,
    // message box, file dialog) runs a nested loop on its stack: the window must not be destroyed then.
    bool IsInHandler() const { return m_nHandlerDepth > 0; }

    // Where Open and Save As ask for a path (tests answer without a dialog); empty: the file dialogs.
    using OpenPathAsker = std::function<QString(QWidget* pParent)>;
    void SetPathAskers(OpenPathAsker askOpen, CGroupFile::PathAsker askSave);
    // Where "収集して保存" asks for its folder (tests answer without a dialog); empty: the folder picker.
    using FolderAsker = std::function<QString(QWidget* pParent)>;
    void SetCollectFolderAsker(FolderAsker askFolder);

    // Keyboard control (MainDlgKeys.cpp). A key message before it is dispatched: the window's own key
    // events and the messages the system-wide capture posts. TRUE when it was consumed.
    BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Esc, the caption's close box and the hidden "終了" button.
    void reject() override;
    // The OK button is hidden and disabled: Enter does not end the window.
    void accept() override {}

private:
    BOOL OnInitDialog(const QStringList& pieces);
    QWidget* MakeControl(int id, QWidget* parent);
    void BindControls();
    void OnCommand(UINT id);
    void OnCancel();
    // Esc, the close box, the hidden "終了" button (how: 0) and the exit command (ID_APP_EXIT):
    // the save question, then the frame is asked to close; deferred while a nested loop runs.
    void RequestClose(UINT how);
    void CloseNow();
    void ForwardToFrame(UINT id);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Commands and notifications (MainDlg.cpp).
    void OnSwitch(UINT id);
    void OnFaderScroll(int id, int position);
    LRESULT OnKnobChanged(WPARAM wParam, LPARAM lParam);
    void RunLoader();

    // The session's state painted (MainDlgView.cpp).
    void OnChannelChanged(int i, EShowChange what) override;
    void OnPadChanged(int i, int state) override;
    void OnAuditionChanged(int i, bool on) override;
    // The key that turns a pad into an audition is held now.
    bool CueKeyHeld() const;
    void OnMeterChanged(int i, int level) override;
    void OnMasterChanged(int master) override;
    void OnGroupChanged(int index, bool loaded) override;
    // The message for a sound the player did not open (result: what Open returned).
    void OnOpenFailed(const QString& file, AdxResult result) override;
    void OnOutputPairsMissing(const QString& text) override;
    // The caption gains kNoOutputMark while the sound card is lost (the engine plays on the clock and
    // tries the card again), and loses it when the card is back.
    void OnOutputLost(bool lost) override;
    // The tabs of groups with sounds playing in the background are marked, and the caption gains
    // kBackgroundMark with their count.
    void OnBackgroundChanged() override;
    void ShowCaption();
    void RunLoad() override;
    bool IsBusy() const override { return IsInHandler(); }
    void SetPadColor(int i, int playState);
    void SetSwitch(CPadButtonCtrl* sw, BOOL on);
    void ShowSwitches(int i);
    void RedrawChannelRow(int i);

    // The set and its files (MainDlgFile.cpp).
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave(BOOL bSaveAs);
    // The set as it is in the window, with its sounds, copied into a folder the operator picks; the
    // copying runs on a worker thread behind a progress dialog (MainDlgCollect.cpp).
    void OnFileCollect();
    void OnGroupEdit();
    void OnOption();
    // The save prompt of New, Open and closing: TRUE to go on, FALSE when the operator cancelled or the
    // save failed (then reported). The hook is released by the caller.
    BOOL QuerySaveChanges();
    void ShowNewSet();

    // Keyboard control and background capture (MainDlgKeys.cpp).
    void InitKeys();
    bool FilterKeyEvent(QObject* watched, QEvent* e);
    bool HandOnFromIdleMenuBar(const QKeyEvent& key);
    LRESULT OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Ctrl and Shift as the captured keys have left them.
    void TrackCapturedModifier(UINT message, UINT nVKey);
    // Clears the held flags of keys that are no longer physically down.
    void ClearHeldKeys();
    // Capture around modal windows: removed before, installed again after (with GetNoActive on).
    void ReleaseHook();
    void RestoreHook();

    // Remote control and loudness matching (MainDlgRemote.cpp).
public:
    CRemoteControl* Remote() const;
    CMidiControl* Midi() const;
    // The command-line triggers; none before the show's remotes are started.
    CTriggerControl* Triggers() const;
    // The browser remote; none before the show's remotes are started.
    CWebRemote* Web() const;

private:
    // The browser remote's address and pairing code in a message box (menu オプション).
    void OnWebRemote();
    // Starts OSC and MIDI as Padora.INI says (again after the options changed), and the loudness
    // measurements; failures are told once and Padora goes on without them.
    void StartRemote();
    // The loudness measurements, with the target Padora.INI sets; before the first sound loads.
    void StartLoudness();
    // Shows text in a message box as soon as the window is idle.
    void TellOnceIdle(const QString& text);

    // Sound files dropped on a pad or a row of the monitor list (MainDlgDrop.cpp).
    void InitDrop();
    bool FilterDropEvent(QObject* watched, QEvent* e);
    // The channel a drop at pos (in watched's coordinates) would fill: -1 outside a pad or a row.
    int DropChannel(const QObject* watched, const QPoint& pos) const;
    // Fills channel i of the current group with the first dropped file and the next empty channels
    // with the others; tab: the tab the drop was made on.
    void DropSoundFiles(int tab, int i, const QList<QUrl>& urls);

    struct HandlerScope {
        explicit HandlerScope(int& depth) : m_depth(depth) { ++m_depth; }
        ~HandlerScope() { --m_depth; }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
        int& m_depth;
    };

    COM* m_pCom;
    // The players post their notices to this window, which hands them to the session.
    CShowSession m_show{this};
    CKnobCtrl* m_ctrlPan[kChannelCount] = {};
    CKnobCtrl* m_ctrlSpeed[kChannelCount] = {};
    CFaderCtrl* m_ctrlFader[kChannelCount] = {};
    QSlider* m_ctrlMaster = nullptr;
    CPadButtonCtrl* m_btnPad[kChannelCount] = {};
    CPadButtonCtrl* m_btnRepeat[kChannelCount] = {};
    CPadButtonCtrl* m_btnFadeIn[kChannelCount] = {};
    CPadButtonCtrl* m_btnFadeOut[kChannelCount] = {};
    CPadButtonCtrl* m_btnAllStop = nullptr;
    QString m_strFilePath;
    QString m_strCaption; // the caption without its marks
    bool m_bOutputLost = false;
    QIcon m_hIcon;
    CMonitorListCtrl* m_listMonitor = nullptr;
    CGroupTabCtrl* m_tabGroup = nullptr;

    CSettingsFile m_Settings;
    QWidget* m_pClient = nullptr; // the dialog's client area under the menu bar
    QMenuBar* m_pMenuBar = nullptr;
    int m_nHandlerDepth = 0;
    platform::CAfterNestedLoops m_closeRequest{[this] { CloseNow(); }};
    UINT m_nCloseHow = 0;                      // ID_APP_EXIT, or 0 for the cancel command
    std::unique_ptr<QObject> m_pKeyFilter;     // sees the application's key events for this window
    std::unique_ptr<QObject> m_pDropFilter;    // sees drags over the pads and the monitor list's rows
    QList<QUrl> m_dragUrls;                    // what the drag over the window carried when it came in
    bool m_bSendingKey = false;                // a captured key is being handed to the focused control
    QPointer<QWidget> m_pLastFocus;            // the control of this window that last had the focus
    Qt::KeyboardModifiers m_capturedModifiers; // Ctrl and Shift held, as the capture told
    OpenPathAsker m_askOpenPath;
    CGroupFile::PathAsker m_askSavePath;
    FolderAsker m_askCollectFolder;
    // After the session: OSC and MIDI command it until they are gone.
    std::unique_ptr<CShowRemotes> m_pRemotes;
};
