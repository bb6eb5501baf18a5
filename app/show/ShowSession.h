#pragma once

#include "app/data/GroupArray.h"
#include "app/remote/RemoteCommand.h"
#include "app/settings/Option.h"
#include "app/show/BackgroundSounds.h"
#include "app/show/CueAudition.h"
#include "app/show/ShowObserver.h"
#include "app/show/ShowRules.h"
#include "platform/Message.h"
#include "platform/WinTypes.h"
#include "playkit/AdxShow.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <bitset>
#include <functional>
#include <memory>
#include <vector>

class CLoudnessMatcher;

enum class EShowSwitch { Repeat, FadeIn, FadeOut };

// Told each operator action as it enters the show, before it acts: pads, stops and the stop key, the
// all-stop, group selections, volumes, pans, speeds, R / FI / FO and the master, whatever brought them
// (the window, the keys, OSC, MIDI). What the show does of itself (fades, repeats, loads) and what an
// operator action does on the way is not told. UI thread.
class IShowActionSink {
public:
    virtual void OnOperatorAction(const RemoteCommand& action) = 0;

protected:
    ~IShowActionSink() = default;
};

// The show without its window: the live set and the settings record, the ten players of the current
// group, the 100 ms loop (play state, time, fades, repeat, meters), the master volume, the held keys and
// what each key does. Operators' commands come in here from the window, the keys, OSC, MIDI and drops;
// observers are told what changed. Every method runs on the UI thread (asserted in debug builds), except
// where the players' notices are posted, which is any thread.
class CShowSession : public QObject, public IRemoteTarget, public IAudition {
public:
    static constexpr int kChannelCount = CGroupData::kChannelCount;
    static constexpr UINT WM_GRAPH_NOTIFY = platform::WM_APP + 1;
    static constexpr UINT WM_PEAK_NOTIFY = platform::WM_APP + 2;
    // How long a group's loader waits for the device to let go of the closed group's players; a stalled
    // device only costs the memory being held a little longer.
    static constexpr unsigned kFreeClosedWaitMs = 200;
    static constexpr UINT kDefaultCueKey = 0x10; // Shift

    // pNoticeTo: where the players post their notices, to hand them to OnPlayerNotice (null: the
    // session takes them itself).
    explicit CShowSession(QObject* pNoticeTo = nullptr);
    ~CShowSession() override;
    CShowSession(const CShowSession&) = delete;
    CShowSession& operator=(const CShowSession&) = delete;

    // Not owned; null: the session loads a group itself and is never busy.
    void SetHost(IShowHost* pHost) { m_pHost = pHost; }
    // Not owned; null: none.
    void SetActionSink(IShowActionSink* pSink) { m_pActionSink = pSink; }
    void AddObserver(IShowObserver* pObserver);
    void RemoveObserver(IShowObserver* pObserver);

    CGroupArray& Set() { return m_aGroup; }
    const CGroupArray& Set() const { return m_aGroup; }
    OPTIONDATA& Options() { return m_Option; }
    const OPTIONDATA& Options() const { return m_Option; }
    BOOL IsModified() const { return m_bModified; }
    void SetModified(BOOL bModified) { m_bModified = bModified; }
    CAdxShow& Player(int i) { return *m_Show[i]; }
    int MasterVolume() const { return m_nMasterVolume; }
    QTimer& Timer() { return m_timer; }
    CLoudnessMatcher* Loudness() const { return m_pLoudness.get(); }

    // The current group, or null (no set, or an index the set does not have).
    CGroupData* CurrentGroup();
    int CurrentGroupIndex() const { return m_nGroup; }
    // Makes group index current without touching the players: for a set just replaced, whose sounds the
    // caller loads next (every sound has been stopped before a set is replaced).
    void SetCurrentGroup(int index) {
        Q_ASSERT(m_background.IsEmpty());
        m_nGroup = index;
    }

    // Whether selecting another group leaves the playing sounds of the one left playing (section
    // "Show" of Padora.INI). Off: a switch stops every sound, as it always did.
    bool KeepPlaying() const { return m_bKeepPlaying; }
    void SetKeepPlaying(bool bKeep) { m_bKeepPlaying = bKeep; }
    // The sounds that play in groups other than the shown one, in all and of group index.
    int BackgroundCount() const { return m_background.Count(); }
    int BackgroundCountIn(int index) const { return m_background.CountIn(index); }

    // Operator commands. Those on channel i return 1 done, 0 without a current group.
    // The pad: starts (fading in with FI), or with the stop key held stops (fading out with FO); a
    // running fade is not interrupted.
    void Pad(int i);
    // The pad with the stop key held.
    void StopPad(int i);
    // Auditioning on the cue output (ShowSessionCue.cpp). The cue key held turns a pad press into
    // AuditionPad. Channel i's sound starts on the cue, at the channel's volume, pan and speed, or stops
    // when it is already being auditioned; the channel's own player is not touched. 1 done, 0 no sound.
    int AuditionPad(int i);
    // The channel dialog's file, before it is assigned; again with the same file it stops. Whether it
    // is being auditioned now.
    bool AuditionFile(const QString& file) override;
    void StopAudition() override;
    // The pad being auditioned, or CCueAudition::kNoChannel.
    int AuditionedChannel() const { return m_cue.Channel(); }
    bool IsAuditioning() const { return m_cue.IsActive(); }
    // The key that, held, turns pad presses into auditions (0: none).
    void SetCueKey(UINT nVKey) { m_nCueKey = nVKey; }
    UINT CueKey() const { return m_nCueKey; }
    void SetStopKey(BOOL bHeld);
    BOOL StopKeyHeld() const { return m_bStopKey; }
    int PlayChannel(int i);
    int StopChannel(int i);
    // Stops every sound: the shown group's and those playing in the background.
    void StopAll();
    int SetChannelVolume(int i, int volume);
    int SetChannelPan(int i, int pan);
    int SetChannelRate(int i, double rate);
    void SetSwitch(int i, EShowSwitch which, BOOL bOn);
    void SetMasterVolume(int master);
    // Makes group index (-1: the current one again) current: the shown sounds stop and the group's
    // are loaded. With KeepPlaying, the playing sounds of another group left go on in the background,
    // and the new group's own background sounds come back to their strips as they play. 1 done, 0 no
    // such group.
    int SelectGroup(int index);
    void NextGroup();
    void PrevGroup();
    // Loads channel i of the current group into its player: 0 done or no sound, -1 not loaded. A
    // channel whose sound came back from the background as the group was selected keeps it playing.
    int LoadChannel(int i);
    // Loads every channel of the current group (through the host when there is one).
    void LoadGroup();
    // Channel i gets sound (a new file with its settings): the old one stops and the new one loads.
    void LoadSound(int i, const CChannelData& sound);
    // After a set was loaded: when its channels name output pairs the output lacks, the observers are
    // told once for the whole set (those channels play on 1–2). Returns how many channels do.
    int CheckOutputPairs();
    // What a player's Open says of file, without keeping it open: 0 it plays.
    [[nodiscard]] static AdxResult ProbeSound(const QString& file);
    // Why the player did not open file: its message, with %1 where the name (or names) go.
    static QString OpenFailureText(const QString& file, AdxResult result);

    // The keys of the assignments (ShowSessionCommands.cpp). A key down: whether it has a role; a
    // channel key without a volume key held leaves its pad press to the caller, in *pPad (else -1),
    // to be run after the key's message.
    BOOL KeyDown(UINT nVKey, int* pPad);
    BOOL KeyUp(UINT nVKey);
    // Clears the held flags of keys that are no longer physically down.
    void ClearHeldKeys();

    // The loop (ShowSessionLoop.cpp): its 100 ms step and its parts; 1 done, 0 without a current group.
    void Step();
    int RefreshPlayState();
    int RefreshPlayTime();
    int StepFades();
    // A notice of the players (WM_GRAPH_NOTIFY, WM_PEAK_NOTIFY) as it arrives on the UI thread.
    LRESULT OnPlayerNotice(UINT message, WPARAM wParam, LPARAM lParam);

    // The loudness measurements, matched to target LUFS; before the first sound loads.
    void StartLoudness(double target);

    // While one lives, the actions it encloses are not told to the action sink: the outermost action is
    // the operator's, the rest are its parts. Made with an action, it tells it (when bTell) if it is
    // the outermost; made without, everything inside is the show's own doing or already told
    // elsewhere (a backup acting on what its main sent). UI thread.
    class CActionScope {
    public:
        CActionScope(CShowSession& session, const RemoteCommand& action, bool bTell = true);
        explicit CActionScope(CShowSession& session) : m_session(session) { ++m_session.m_nActionDepth; }
        ~CActionScope() { --m_session.m_nActionDepth; }
        CActionScope(const CActionScope&) = delete;
        CActionScope& operator=(const CActionScope&) = delete;

    private:
        CShowSession& m_session;
    };

    void RemoteCommandArrived(const RemoteCommand& command) override;
    RemoteState CurrentRemoteState() override;
    bool RemoteBusy() override { return m_pHost && m_pHost->IsBusy(); }

protected:
    bool event(QEvent* e) override;

private:
    // Hands the players' notices to the UI thread; any thread.
    class CNotifyTarget : public IAdxMessageTarget {
    public:
        explicit CNotifyTarget(QObject* pTo) : m_pTo(pTo) {}
        void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        QObject* m_pTo;
    };

    template <typename F> void Tell(F&& f) {
        for (IShowObserver* o : m_observers)
            f(*o);
    }
    // The commands' entry check: the players and the set belong to the UI thread.
    void AssertUiThread() const { Q_ASSERT(QThread::currentThread() == thread()); }
    bool IsChannel(int i) const { return i >= 0 && i < kChannelCount; }
    void ApplyMasterVolume();
    // The player's attenuation for ch at volume.
    LONG PlayerAttenuation(const CChannelData& ch, int volume) const;
    // One 100 ms step of a fade on ch: setVolume and stop act on its player.
    void StepFade(CChannelData& ch, const std::function<void(int)>& setVolume,
                  const std::function<void()>& stop);

    // The sounds kept playing in the background (ShowSessionBackground.cpp).
    // The playing sounds of group left go to the background; the oldest beyond the limit stop.
    void KeepPlayingSounds(int left);
    // The background sounds of group index come back to the shown players (marked in m_handedBack).
    void HandBackSounds(int index);
    // Shows channel i's sound that came back from the background: it plays on.
    void ShowHandedBack(int i);
    CChannelData* BackgroundChannel(const CBackgroundSounds::Sound& sound);
    void StepBackground();
    void OnBackgroundEvents();
    // Closes the background sounds that no longer play (ended, stopped, failed).
    void ReapBackground();
    void StopBackground();
    void StepAudition();
    // sound stops for good: its player closes and a fade of it ends with the channel's volume back.
    void EndBackgroundSound(CBackgroundSounds::Sound& sound);
    void ApplyMasterVolumeToBackground();
    void ApplyLoudnessToBackground(const QString& file, double lufs);
    LRESULT OnPlayerEvents();
    LRESULT OnPeak(WPARAM wParam, LPARAM lParam);
    void RefreshOutputLost();
    // The player's attenuation for ch: the fader's figure with the channel's loudness gain on top.
    LONG LoudnessAttenuation(const CChannelData& ch, LONG attenuation) const;
    // Asks for the loudness of channel i's sound once it is loaded.
    void RequestLoudness(int i);
    void OnLoudnessMeasured(const QString& file, double lufs, bool failed);

    IShowHost* m_pHost = nullptr;
    IShowActionSink* m_pActionSink = nullptr;
    int m_nActionDepth = 0;
    std::vector<IShowObserver*> m_observers;
    OPTIONDATA m_Option{};
    CGroupArray m_aGroup;
    int m_nGroup = -1;
    BOOL m_bModified = FALSE;
    // Before the players: they post to it until they are closed.
    CCueAudition m_cue;
    UINT m_nCueKey = kDefaultCueKey;
    BOOL m_bCueKey = FALSE;
    CNotifyTarget m_notifyTarget;
    std::unique_ptr<CAdxShow> m_Show[kChannelCount];
    // After the players of the shown group: closed before the notices' target goes, as they are.
    CBackgroundSounds m_background;
    // The channels whose playing sound came back from the background at the last group selection.
    std::bitset<kChannelCount> m_handedBack;
    bool m_bKeepPlaying = false;
    int m_nMasterVolume = show::kMaxVolume;
    BOOL m_bStopKey = FALSE;
    BOOL m_bVolUpKey = FALSE;
    BOOL m_bVolDownKey = FALSE;
    bool m_bOutputLost = false;
    QTimer m_timer;
    std::unique_ptr<CLoudnessMatcher> m_pLoudness;
};
