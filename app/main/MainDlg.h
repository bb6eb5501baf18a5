#pragma once

#include "app/data/GroupArray.h"
#include "app/data/GroupFile.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/remote/MidiControl.h"
#include "app/remote/RemoteCommand.h"
#include "app/remote/RemoteControl.h"
#include "app/settings/Option.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/VolumeCtrl.h"
#include "platform/Message.h"
#include "platform/NestedLoop.h"
#include "platform/WinTypes.h"
#include "playkit/AdxShow.h"

#include <QDialog>
#include <QIcon>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

class COM;
class CLoudnessMatcher;
class CMidiControl;
class CRemoteControl;
class QMenuBar;

// The classes of the channel strips' controls; each line names the class put at those controls' ids.
using CPadButtonCtrl = CGdiColorButton; // pads, R / FI / FO switches, all-stop
using CKnobCtrl = CVolumeCtrl;          // PAN and SPD knobs
using CFaderCtrl = CLevelFaderCtrl;     // channel faders with level meter
using CGroupTabCtrl = CBaseTabCtrl;     // group tabs

// The player's attenuation in hundredths of a decibel (0 to -10000) for a channel volume 0 to 100 under
// the master volume 0 to 100: 2000 log10 of the product, truncated; -10000 when either is 0.
LONG ChannelAttenuation(int volume, int master);
// The player's balance for a pan of -50 (left) to 50 (right): the far side is attenuated by
// 2000 log10 of the distance from the edge, truncated; +-10000 at the edges.
LONG ChannelBalance(int pan);
// The SPD knob's position for a speed: tenths, truncated.
int SpeedKnobPos(double rate);
// The meter position for a peak sample 0 to 32768 at a channel volume: its dB below full scale (floor
// -48) with the 48 dB above the floor scaled by the volume, truncated.
int MeterLevel(int peak, int volume);
// How far one 100 ms timer step moves a fade to target over seconds: at least 1; a fade shorter
// than one step (or a bad time) covers the whole distance at once.
int FadeStep(int target, double seconds);

// The main sampler window: the tabs of the live sound set, the monitor list, ten channel strips and the
// master strip. It owns the live set, the settings record and the ten players of the current group.
// Everything here runs on the UI thread.
class CMainDlg : public QDialog, public IRemoteTarget {
    Q_OBJECT
public:
    static constexpr COLORREF kBackColor = RGB(64, 64, 64);
    static constexpr COLORREF kStaticTextColor = RGB(191, 191, 191);
    static constexpr int kChannelCount = CGroupData::kChannelCount;
    static constexpr int ID_TIMER_PLAY = 1000;
    static constexpr int kTimerPeriodMs = 100;
    static constexpr const char* kNoOutputMark = "（出力なし）";
    static constexpr UINT WM_GRAPH_NOTIFY = platform::WM_APP + 1;
    static constexpr UINT WM_PEAK_NOTIFY = platform::WM_APP + 2;
    static constexpr const char* kNewGroupName = "Group1";
    static constexpr const char* kErrorCaption = "エラー";
    static constexpr const char* kSaveChangesText = "変更があります。保存しますか？";
    static constexpr const char* kConfirmCaption = "確認";

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
    // Makes tab index (-1: the selected one) current and loads its sounds: 1 done, 0 no such tab.
    int SelectGroup(int index);

    // Transport and mixing of channel i of the current group; 1 done, 0 without a current group.
    int PlayChannel(int i);
    int StopChannel(int i);
    void StopAll();
    int SetChannelVolume(int i, int volume);
    int SetChannelPan(int i, int pan);
    int SetChannelRate(int i, double rate);
    void InitControls();

    // The steps of the 100 ms timer; 1 done, 0 without a current group.
    int RefreshPlayState();
    int RefreshPlayTime();
    int StepFades();

    // The group file operations on the live set (0 done, -1 read error, -99 save cancelled, else a write
    // error).
    int LoadGroupFile(const QString& path);
    int SaveGroupFile(BOOL bSaveAs);

    const CGroupArray& Groups() const { return m_aGroup; }
    const OPTIONDATA& Option() const { return m_Option; }
    const QString& FilePath() const { return m_strFilePath; }
    BOOL IsModified() const { return m_bModified; }
    int MasterVolume() const { return m_nMasterVolume; }
    CAdxShow& Player(int i) { return m_Show[i]; }
    QTimer& PlayTimer() { return m_timerPlay; }

    // True while one of the window's handlers runs, that is while a modal window it opened (loader,
    // message box, file dialog) runs a nested loop on its stack: the window must not be destroyed then.
    bool IsInHandler() const { return m_nHandlerDepth > 0; }

    // Where Open and Save As ask for a path (tests answer without a dialog); empty: the file dialogs.
    using OpenPathAsker = std::function<QString(QWidget* pParent)>;
    void SetPathAskers(OpenPathAsker askOpen, CGroupFile::PathAsker askSave);

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
    void OnPad(int i);
    void OnSwitch(UINT id);
    void OnFaderScroll(int id, int position);
    LRESULT OnKnobChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnLoadChannel(int i);
    // The message for a sound the player did not open (result: what Open returned).
    void ReportOpenFailure(const QString& file, AdxResult result);
    // Why the player did not open file: its message, with %1 where the name (or names) go.
    static QString OpenFailureText(const QString& file, AdxResult result);
    void SetPadColor(int i, int playState);
    void SetSwitch(CPadButtonCtrl* sw, BOOL on);
    void RedrawChannelRow(int i);
    void RunLoader();
    void ApplyMasterVolume();

    // The set and its files (MainDlgFile.cpp).
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave(BOOL bSaveAs);
    void OnGroupEdit();
    void OnOption();
    // The save prompt of New, Open and closing: TRUE to go on, FALSE when the operator cancelled or the
    // save failed (then reported). The hook is released by the caller.
    BOOL QuerySaveChanges();
    void ShowNewSet();

    // Keyboard control and background capture (MainDlgKeys.cpp).
    void InitKeys();
    bool FilterKeyEvent(QObject* watched, QEvent* e);
    LRESULT OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Ctrl and Shift as the captured keys have left them.
    void TrackCapturedModifier(UINT message, UINT nVKey);
    // Clears the held flags of keys that are no longer physically down.
    void ClearHeldKeys();
    // Capture around modal windows: removed before, installed again after (with GetNoActive on).
    void ReleaseHook();
    void RestoreHook();

    // The 100 ms loop, media events and meters (MainDlgLoop.cpp).
    void OnTimer(int id);
    // The caption gains kNoOutputMark while the sound card is lost (the engine plays on the clock and
    // tries the card again), and loses it when the card is back.
    void RefreshOutputMark();
    LRESULT OnGraphNotify();
    LRESULT OnPeakNotify(WPARAM wParam, LPARAM lParam);

    // Remote control and loudness matching (MainDlgRemote.cpp).
public:
    void RemoteCommandArrived(const RemoteCommand& command) override;
    RemoteState CurrentRemoteState() override;
    bool RemoteBusy() override { return IsInHandler(); }
    CRemoteControl* Remote() const { return m_pRemote.get(); }
    CMidiControl* Midi() const { return m_pMidi.get(); }

private:
    // Starts OSC and MIDI as Padora.INI says (again after the options changed), and the loudness
    // measurements; failures are told once and Padora goes on without them.
    void StartRemote();
    // The loudness measurements, with the target Padora.INI sets; before the first sound loads.
    void StartLoudness();
    // Shows text in a message box as soon as the window is idle.
    void TellOnceIdle(const QString& text);
    // The player's attenuation for channel i: the fader's figure with the channel's loudness gain on top.
    LONG LoudnessAttenuation(int i, LONG attenuation);
    // Asks for the loudness of channel i's sound once it is loaded.
    void RequestLoudness(int i);
    void OnLoudnessMeasured(const QString& file, double lufs, bool failed);

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

    // Hands the players' notices to this window's queue; any thread.
    class CNotifyTarget : public IAdxMessageTarget {
    public:
        explicit CNotifyTarget(QObject* pWnd) : m_pWnd(pWnd) {}
        void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        QObject* m_pWnd;
    };

    COM* m_pCom;
    // Before the players: they post to it until they are closed.
    CNotifyTarget m_notifyTarget{this};
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
    CMonitorListCtrl* m_listMonitor = nullptr;
    CGroupTabCtrl* m_tabGroup = nullptr;

    CSettingsFile m_Settings;
    QWidget* m_pClient = nullptr; // the dialog's client area under the menu bar
    QMenuBar* m_pMenuBar = nullptr;
    QTimer m_timerPlay;
    bool m_bOutputLost = false; // the caption carries kNoOutputMark
    int m_nHandlerDepth = 0;
    platform::CAfterNestedLoops m_closeRequest{[this] { CloseNow(); }};
    UINT m_nCloseHow = 0;                   // ID_APP_EXIT, or 0 for the cancel command
    std::unique_ptr<QObject> m_pKeyFilter;  // sees the application's key events for this window
    std::unique_ptr<QObject> m_pDropFilter; // sees drags over the pads and the monitor list's rows
    QList<QUrl> m_dragUrls;                 // what the drag over the window carried when it came in
    bool m_bSendingKey = false;
    Qt::KeyboardModifiers m_capturedModifiers; // Ctrl and Shift held, as the capture told             // a
                                               // captured key is being handed to the focused control
    OpenPathAsker m_askOpenPath;
    CGroupFile::PathAsker m_askSavePath;
    std::unique_ptr<CLoudnessMatcher> m_pLoudness;
    std::unique_ptr<CRemoteControl> m_pRemote;
    std::unique_ptr<CMidiControl> m_pMidi;
    bool m_bRemoteStarted = false;
    CRemoteControl::Config m_oscConfig; // as last started
    CMidiControl::Config m_midiConfig;
};
