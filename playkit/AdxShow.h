#pragma once

#include "playkit/AdxResult.h"
#include "playkit/AdxThreadRole.h"
#include "playkit/AdxTypes.h"
#include "playkit/PlaykitExport.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace playkit {
class CAdxEngineCore;
class CAdxVoice;
} // namespace playkit

// The sample callback of a player: receives the decoded 16-bit frames as they are played and posts
// the peak of the first channel to the window chosen with CAdxShow::SetVolumeNotifyWindow.
// Owned through its reference count; the player's engine voice holds the only reference.
class PLAYKIT_API CSGCallback {
public:
    CSGCallback() = default;
    CSGCallback(const CSGCallback&) = delete;
    CSGCallback& operator=(const CSGCallback&) = delete;

    // Any thread. Hands out nothing: there are no other interfaces.
    virtual HRESULT QueryInterface(const void* riid, void** ppv);
    // Any thread.
    virtual std::uint32_t AddRef();
    // Any thread; deletes the object when the count reaches 0.
    virtual std::uint32_t Release();
    // Notifier thread. Does nothing.
    virtual HRESULT SampleCB(double sampleTime, void* pSample);
    // Notifier thread. Posts the peak of the buffer's first channel (at most 125 frames looked at).
    virtual HRESULT BufferCB(double sampleTime, std::uint8_t* pBuffer, LONG bufferLen);

    // UI thread. A null window stops the messages.
    void SetNotify(IAdxMessageTarget* pWnd, UINT msg, UINT id);

protected:
    virtual ~CSGCallback() = default;

    std::atomic<std::uint32_t> m_nRef{0};
    std::atomic<IAdxMessageTarget*> m_hNotifyWnd{nullptr};
    std::atomic<UINT> m_nNotifyMsg{0};
    std::atomic<UINT> m_nId{0};
};

// One player for one sound file. All members are called on the thread that owns the player (the
// program's UI thread): the first call makes its thread the owner, and debug builds assert on a call
// from any other until HandOver. Notices reach the owner only as posted messages.
class PLAYKIT_API CAdxShow {
public:
    CAdxShow();
    virtual ~CAdxShow();
    CAdxShow(const CAdxShow&) = delete;
    CAdxShow& operator=(const CAdxShow&) = delete;

    [[nodiscard]] AdxResult Open(const char* path, UINT userData);
    // Always kOk: closing cannot fail, so its result may go unread.
    AdxResult Close();
    BOOL IsRender() const { return m_bRender; }
    HRESULT GetErrorCode() const { return m_hr; }

    [[nodiscard]] AdxResult Play();
    [[nodiscard]] AdxResult Pause();
    [[nodiscard]] AdxResult Stop();
    BOOL IsPlay();

    double GetTotalTime();
    double GetTickCount();
    double GetStopTime();
    double GetRate();
    [[nodiscard]] AdxResult SetCurrentTime(double seconds);
    [[nodiscard]] AdxResult SetStopTime(double seconds);
    [[nodiscard]] AdxResult SetRate(double rate);

    LONG GetVolume();
    LONG GetBalance();
    [[nodiscard]] AdxResult SetVolume(LONG volume);
    [[nodiscard]] AdxResult SetBalance(LONG balance);
    // The stereo output pair the player plays on, 0-based (0 after Open). kBadValue beyond the most
    // pairs an output can have; a pair the running output lacks plays on pair 0. Takes effect from
    // the next block; volume, balance, rate and peaks are the same on every pair.
    [[nodiscard]] AdxResult SetOutputPair(int pair);
    int GetOutputPair();
    // An auditioned player is heard on the cue output only (nowhere while there is none), never on the
    // main output; set it before Play.
    [[nodiscard]] AdxResult SetAudition(BOOL audition);

    [[nodiscard]] AdxResult SetNotifyWindow(IAdxMessageTarget* hWnd, UINT msg);
    [[nodiscard]] AdxResult GetEvent(LONG* lEventCode, LONG* lParam1, LONG* lParam2, LONG msTimeout);

    [[nodiscard]] AdxResult SetVolumeNotifyWindow(IAdxMessageTarget* hWnd, UINT msg);
    [[nodiscard]] AdxResult GetVolumePeak(LONG* pLeft, LONG* pRight);

    // Owner thread, done with the player: the next call, from whichever thread, makes that thread
    // the owner (a player opened by a worker and then played by the UI).
    void HandOver() { m_owner.Release(); }

    // Play, Pause, Stop and SetCurrentTime return this when the engine took no command because the
    // sound device has stopped taking blocks (GetErrorCode() is then ADX_E_ENGINE_STALLED); the
    // player is as it was. The engine replaces a stalled device within seconds.
    static constexpr AdxResult kEngineStalled = AdxResult::kEngineStalled;
    // Play returns this once the player's media has failed for good after the open (a SoundFont
    // that did not load) and EC_ERRORABORT has said so; GetErrorCode() is then the failure's code.
    // IsPlay() is FALSE from then on.
    static constexpr AdxResult kMediaFailed = AdxResult::kMediaFailed;

protected:
    int Init();
    void Destroy();
    AdxResult Stalled();

    std::string m_strPath;
    UINT m_nUserData = 0;
    BOOL m_bInit = FALSE;
    BOOL m_bRender = FALSE;
    int m_nFormat = -1;
    HRESULT m_hr = S_OK;
    int m_nPeakBufSize = 0;
    std::unique_ptr<std::uint8_t[]> m_pPeakBuf;
    // The engine and this player's voice in it: what the media graph was on the desktop.
    std::shared_ptr<playkit::CAdxEngineCore> m_pEngine;
    std::shared_ptr<playkit::CAdxVoice> m_pVoice;
    BOOL m_bEvents = FALSE; // the event source is present (released when notification setup fails)
    CSGCallback* m_pCallback = nullptr; // no counted reference: the voice holds the only one
    playkit::CAdxThreadRole m_owner;
    WAVEFORMATEX m_wfx{};
};
