#include "playkit/AdxShow.h"

#include "playkit/AdxDecodeWorker.h"
#include "playkit/AdxEngineCore.h"
#include "playkit/AdxFfmpegSource.h"
#include "playkit/AdxMediaKinds.h"
#include "playkit/AdxMidiSource.h"
#include "playkit/AdxVoice.h"
#include "playkit/AdxWavSource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

extern "C" {
#include <libavutil/error.h>
}

namespace {
using playkit::CAdxVoice;

constexpr LONG kSilentVolume = kAdxSilence;
constexpr LONG kMaxBalance = kAdxFullBalance;
constexpr double kMinRate = 0.1;
constexpr double kMaxRate = 10.0;
// What reading a buffered sample answers before anything has been played.
constexpr HRESULT kNothingBuffered = static_cast<HRESULT>(0x80040227u);
// At most this many 16-bit values of a buffer are looked at for its peak, every second one.
constexpr LONG kPeakScanValues = 250;

enum class Kind { Refused, Pcm, Other };

Kind KindOf(const char* path) {
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    std::string ext = dot ? dot + 1 : "";
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const playkit::MediaExtension& kind : playkit::kMediaExtensions)
        if (ext == kind.ext)
            return kind.bPcm ? Kind::Pcm : Kind::Other;
    return Kind::Refused;
}

// A standard MIDI file (or one wrapped in RIFF) is recognised by its content, whatever its name.
bool LooksLikeMidi(const char* path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    in.read(head, sizeof head);
    return std::memcmp(head, "MThd", 4) == 0 ||
           (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0);
}

float LevelOf(LONG hundredthsDb) {
    return hundredthsDb <= kSilentVolume ? 0.f : static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

// Volume times balance: a negative balance lowers the right side, a positive one the left.
void GainsOf(LONG volume, LONG balance, float& left, float& right) {
    const float g = LevelOf(volume);
    left = right = g;
    if (balance < 0)
        right *= LevelOf(balance);
    else if (balance > 0)
        left *= LevelOf(-balance);
}
} // namespace

HRESULT CSGCallback::QueryInterface(const void*, void** ppv) {
    if (ppv)
        *ppv = nullptr;
    return E_NOINTERFACE;
}

std::uint32_t CSGCallback::AddRef() {
    return ++m_nRef;
}

std::uint32_t CSGCallback::Release() {
    const std::uint32_t n = --m_nRef;
    if (n == 0)
        delete this;
    return n;
}

HRESULT CSGCallback::SampleCB(double, void*) {
    return S_OK;
}

HRESULT CSGCallback::BufferCB(double, std::uint8_t* pBuffer, LONG bufferLen) {
    IAdxMessageTarget* wnd = m_hNotifyWnd.load(std::memory_order_acquire);
    if (bufferLen < 1 || !wnd || !pBuffer)
        return S_OK;
    const LONG n = std::min(bufferLen / 4, kPeakScanValues);
    if (n < 2)
        return S_OK;
    int peak = 0;
    for (LONG i = 0; i < n; i += 2) {
        std::int16_t s;
        std::memcpy(&s, pBuffer + 2 * i, sizeof s);
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    wnd->PostMessage(m_nNotifyMsg.load(std::memory_order_relaxed), static_cast<WPARAM>(peak),
                     static_cast<LPARAM>(m_nId.load(std::memory_order_relaxed)));
    return S_OK;
}

void CSGCallback::SetNotify(IAdxMessageTarget* pWnd, UINT msg, UINT id) {
    m_nNotifyMsg.store(msg, std::memory_order_relaxed);
    m_nId.store(id, std::memory_order_relaxed);
    // Release: a notifier that sees the window also sees its message number and id.
    m_hNotifyWnd.store(pWnd, std::memory_order_release);
}

CAdxShow::CAdxShow() {
    Init();
}

CAdxShow::~CAdxShow() {
    Destroy();
}

int CAdxShow::Init() {
    m_bInit = TRUE;
    return 0;
}

void CAdxShow::Destroy() {
    Close();
    m_bInit = FALSE;
}

AdxResult CAdxShow::Open(const char* path, UINT userData) {
    m_owner.Check();
    if (!m_bInit)
        return AdxResult::kNotReady;
    if (m_bRender)
        Close();
    auto engine = playkit::CAdxEngineCore::Acquire();
    if (!engine) {
        m_hr = E_OUTOFMEMORY;
        return AdxResult::kNoEngine;
    }
    const Kind kind = KindOf(path);
    if (kind == Kind::Refused) {
        m_hr = ADX_E_EXTENSION;
        return AdxResult::kRefusedExtension;
    }
    // Only a regular file is opened: opening a FIFO named like a sound would block until someone
    // writes to it, a device may never end, and a directory reads as nothing.
    struct stat st {};
    if (::stat(path, &st) != 0) {
        m_hr = AVERROR(errno);
        return AdxResult::kCannotRender;
    }
    if (!S_ISREG(st.st_mode)) {
        m_hr = AVERROR(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return AdxResult::kCannotRender;
    }
    if (engine->VoiceCount() >= playkit::CAdxMixer::kMaxVoices) { // no need to open the file
        m_hr = E_OUTOFMEMORY;
        return AdxResult::kCannotRender;
    }
    int error = 0;
    std::unique_ptr<playkit::CAdxSource> source;
    if (LooksLikeMidi(path))
        source = playkit::CAdxMidiSource::Open(path, engine->Synths(), error);
    else
        source = playkit::CAdxWavSource::Open(path);
    if (!source && error == 0)
        source = playkit::CAdxFfmpegSource::Open(path, error);
    if (!source) {
        m_hr = error ? error : AVERROR_INVALIDDATA;
        return AdxResult::kCannotRender;
    }
    auto voice = std::make_shared<CAdxVoice>(std::move(source));
    if (!voice->Ready()) {
        // Nothing decodable: an empty or damaged file.
        const auto* ff = dynamic_cast<const playkit::CAdxFfmpegSource*>(voice->m_source.get());
        m_hr = ff && ff->LastError() ? ff->LastError() : AVERROR_INVALIDDATA;
        return AdxResult::kCannotRender;
    }
    // The format is the player's only once the open has succeeded: a failed open leaves it closed.
    WAVEFORMATEX wfx{};
    if (kind == Kind::Pcm) {
        const auto ch = static_cast<std::uint16_t>(voice->Channels());
        const auto rate = static_cast<std::uint32_t>(voice->SourceRate());
        wfx = {WAVE_FORMAT_PCM, ch, rate, rate * ch * 2u, static_cast<std::uint16_t>(ch * 2u), 16, 0};
    }
    voice->m_volume = 0;
    // Checked again as the voice goes in: another thread may have taken the last place meanwhile.
    switch (engine->AddVoice(voice)) {
    case playkit::CAdxEngineCore::AddResult::kAdded:
        break;
    case playkit::CAdxEngineCore::AddResult::kTableFull:
        m_hr = E_OUTOFMEMORY;
        return AdxResult::kCannotRender;
    case playkit::CAdxEngineCore::AddResult::kStalled:
        m_hr = ADX_E_ENGINE_STALLED;
        return AdxResult::kCannotRender;
    }
    m_pCallback = new CSGCallback;
    m_pCallback->AddRef(); // the voice's reference, the only one
    {
        std::lock_guard lock(voice->m_callbackMutex);
        voice->m_callback = m_pCallback;
    }
    m_pEngine = std::move(engine);
    m_pVoice = std::move(voice);
    m_nFormat = kind == Kind::Pcm ? 0 : -1;
    m_wfx = wfx;
    m_bEvents = TRUE;
    m_strPath = path;
    m_nUserData = userData;
    m_bRender = TRUE;
    // A new voice is already cued at 0 with its first frames decoded and the volume untouched.
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::Close() {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kOk;
    // Stopped where it is: rewinding a voice that goes away would only send the decoder to work.
    m_pVoice->m_running = false;
    m_pVoice->m_closed.store(true, std::memory_order_relaxed);
    m_pEngine->Mixer().Pause(m_pVoice.get());
    {
        std::lock_guard lock(m_pVoice->m_callbackMutex);
        if (m_pVoice->m_callback)
            m_pVoice->m_callback->Release();
        m_pVoice->m_callback = nullptr;
    }
    {
        std::lock_guard lock(m_pVoice->m_eventMutex);
        m_pVoice->m_notifyWnd = nullptr;
        m_pVoice->m_notifyMsg = 0;
    }
    m_pEngine->RemoveVoice(std::move(m_pVoice));
    m_pVoice.reset();
    m_pEngine.reset();
    m_bRender = FALSE;
    m_bEvents = FALSE;
    m_hr = S_OK;
    m_pCallback = nullptr;
    m_pPeakBuf.reset();
    m_nPeakBufSize = 0;
    m_wfx = {};
    m_strPath.clear();
    m_nUserData = 0;
    m_nFormat = -1;
    return AdxResult::kOk;
}

AdxResult CAdxShow::Play() {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    // Its media failed for good (the instrument did not load) and EC_ERRORABORT said so: it stays
    // stopped, so that a repeating channel does not fail on every pass.
    if (const int failure = m_pVoice->m_brokenWith.load(std::memory_order_relaxed)) {
        m_hr = failure;
        return kMediaFailed;
    }
    if (m_pEngine->Mixer().Play(m_pVoice.get()) == playkit::CAdxMixer::kRefused)
        return Stalled();
    m_pVoice->m_running = true;
    return AdxResult::kOk;
}

AdxResult CAdxShow::Pause() {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (m_pEngine->Mixer().Pause(m_pVoice.get()) == playkit::CAdxMixer::kRefused)
        return Stalled();
    m_pVoice->m_running = false;
    return AdxResult::kOk;
}

AdxResult CAdxShow::Stop() {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    // Both commands go in, or neither.
    if (m_pEngine->Mixer().Room() < 2)
        return Stalled();
    m_pVoice->m_running = false;
    m_pEngine->Mixer().Pause(m_pVoice.get());
    return SetCurrentTime(0.0);
}

AdxResult CAdxShow::Stalled() {
    m_hr = ADX_E_ENGINE_STALLED;
    return kEngineStalled;
}

BOOL CAdxShow::IsPlay() {
    m_owner.Check();
    if (!m_bRender)
        return FALSE;
    m_hr = S_OK;
    return m_pVoice->m_running && m_pVoice->m_brokenWith.load(std::memory_order_relaxed) == 0 ? TRUE : FALSE;
}

double CAdxShow::GetTotalTime() {
    m_owner.Check();
    if (!m_bRender)
        return -1.0;
    // The length comes from what the source learnt at open (or its own scan of the file), never
    // from the decoder's state: no lock against the decoder worker is needed.
    return m_pVoice->m_source->Duration();
}

double CAdxShow::GetTickCount() {
    m_owner.Check();
    if (!m_bRender)
        return -1.0;
    CAdxVoice& v = *m_pVoice;
    // Acquire pairs with the mixer's release of the position.
    const std::uint64_t pos = v.m_position.load(std::memory_order_acquire);
    const std::int64_t frame = playkit::GenOf(pos) == v.m_uiGen.load(std::memory_order_relaxed)
                                   ? static_cast<std::int64_t>(playkit::IndexOf(pos))
                                   : v.m_seekFrame; // the mixer has not taken up the latest seek yet
    return static_cast<double>(frame) / v.SourceRate();
}

double CAdxShow::GetStopTime() {
    m_owner.Check();
    if (!m_bRender)
        return -1.0;
    return m_pVoice->m_stopSeconds >= 0.0 ? m_pVoice->m_stopSeconds : GetTotalTime();
}

double CAdxShow::GetRate() {
    m_owner.Check();
    if (!m_bRender)
        return 0.0;
    return m_pVoice->m_rateFactor;
}

AdxResult CAdxShow::SetCurrentTime(double seconds) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    if (m_pEngine->Mixer().Room() == 0)
        return Stalled();
    CAdxVoice& v = *m_pVoice;
    // Beyond the end plays as at the end; the cap keeps the frame inside what a position holds
    // (some 260 days at 48 kHz) instead of overflowing into negative frames.
    const double frames = std::min(seconds * v.SourceRate(), static_cast<double>(playkit::kIndexMask));
    const auto frame = static_cast<std::int64_t>(std::llround(frames));
    const std::uint32_t gen = (v.m_uiGen.load(std::memory_order_relaxed) + 1) & playkit::kGenMask;
    // Positions inside the head play from memory; the decoder then continues after the head.
    // Acquire: a head the decoder made after the open is complete once its count is seen.
    const std::int64_t head = v.m_headFrames.load(std::memory_order_acquire);
    const std::int64_t decodeFrom = frame < head ? head : frame;
    v.m_seekFrame = frame;
    // Release: the notifier and the decoder that see the new gen see the request behind it.
    v.m_uiGen.store(gen, std::memory_order_release);
    v.m_seekRequest.store(playkit::PackGen(gen, static_cast<std::uint64_t>(decodeFrom)),
                          std::memory_order_release);
    {
        // Events of the old position are void now.
        std::lock_guard lock(v.m_eventMutex);
        std::erase_if(v.m_events, [](const playkit::AdxEvent& e) { return e.code == EC_COMPLETE; });
    }
    const bool taken = m_pEngine->Mixer().Seek(&v, gen, frame, head) != playkit::CAdxMixer::kRefused;
    m_pEngine->WakeDecoder();
    if (!taken) // another thread took the last place in the queue since the check above
        return Stalled();
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetStopTime(double seconds) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!(seconds >= 0.0)) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    CAdxVoice& v = *m_pVoice;
    v.m_stopSeconds = seconds;
    const double frames = seconds * v.SourceRate();
    v.m_stopFrame.store(frames >= 9.0e18 ? INT64_MAX : static_cast<std::int64_t>(std::llround(frames)),
                        std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetRate(double rate) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!(rate > 0.0) || !std::isfinite(rate)) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    rate = std::clamp(rate, kMinRate, kMaxRate);
    m_pVoice->m_rateFactor = rate;
    m_pVoice->m_speed.store(rate, std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

LONG CAdxShow::GetVolume() {
    m_owner.Check();
    if (!m_bRender)
        return kSilentVolume;
    return m_pVoice->m_volume;
}

LONG CAdxShow::GetBalance() {
    m_owner.Check();
    if (!m_bRender)
        return 0;
    return m_pVoice->m_balance;
}

AdxResult CAdxShow::SetVolume(LONG volume) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (volume > 0 || volume < kSilentVolume) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    CAdxVoice& v = *m_pVoice;
    v.m_volume = volume;
    float l, r;
    GainsOf(v.m_volume, v.m_balance, l, r);
    v.m_gains.store(playkit::PackGains(l, r), std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetBalance(LONG balance) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (balance > kMaxBalance || balance < -kMaxBalance) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    CAdxVoice& v = *m_pVoice;
    v.m_balance = balance;
    float l, r;
    GainsOf(v.m_volume, v.m_balance, l, r);
    v.m_gains.store(playkit::PackGains(l, r), std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetOutputPair(int pair) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (pair < 0 || pair >= static_cast<int>(playkit::kAdxMaxOutputPairs)) {
        m_hr = E_INVALIDARG;
        return AdxResult::kBadValue;
    }
    m_pVoice->m_outputPair.store(static_cast<unsigned>(pair), std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetAudition(BOOL audition) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    m_pVoice->m_audition.store(audition != FALSE, std::memory_order_relaxed);
    m_hr = S_OK;
    return AdxResult::kOk;
}

int CAdxShow::GetOutputPair() {
    m_owner.Check();
    if (!m_bRender)
        return 0;
    return static_cast<int>(m_pVoice->m_outputPair.load(std::memory_order_relaxed));
}

AdxResult CAdxShow::SetNotifyWindow(IAdxMessageTarget* hWnd, UINT msg) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!m_bEvents)
        return AdxResult::kNoEvents;
    std::lock_guard lock(m_pVoice->m_eventMutex);
    m_pVoice->m_notifyWnd = hWnd;
    m_pVoice->m_notifyMsg = msg;
    // Events already waiting are announced at once, as they would be had the window been set earlier.
    if (hWnd && !m_pVoice->m_events.empty())
        hWnd->PostMessage(msg, 0, 0);
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::GetEvent(LONG* lEventCode, LONG* lParam1, LONG* lParam2, LONG msTimeout) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!m_bEvents)
        return AdxResult::kNoEvents;
    if (!lEventCode || !lParam1 || !lParam2) {
        m_hr = E_POINTER;
        return AdxResult::kNoEvent;
    }
    CAdxVoice& v = *m_pVoice;
    std::unique_lock lock(v.m_eventMutex);
    const auto ready = [&v] { return !v.m_events.empty(); };
    if (msTimeout < 0)
        v.m_eventCv.wait(lock, ready);
    else if (msTimeout > 0)
        v.m_eventCv.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
    if (v.m_events.empty()) {
        m_hr = E_ABORT;
        return AdxResult::kNoEvent;
    }
    const playkit::AdxEvent e = v.m_events.front();
    v.m_events.pop_front();
    *lEventCode = e.code;
    *lParam1 = e.param1;
    *lParam2 = e.param2;
    m_hr = S_OK;
    return AdxResult::kOk;
}

AdxResult CAdxShow::SetVolumeNotifyWindow(IAdxMessageTarget* hWnd, UINT msg) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (!m_pCallback)
        return AdxResult::kNoCallback;
    // Under the notifier's lock: once this returns, no message goes to a window that was replaced.
    std::lock_guard lock(m_pVoice->m_callbackMutex);
    m_pCallback->SetNotify(hWnd, msg, m_nUserData);
    return AdxResult::kOk;
}

AdxResult CAdxShow::GetVolumePeak(LONG* pLeft, LONG* pRight) {
    m_owner.Check();
    if (!m_bRender)
        return AdxResult::kNotReady;
    if (m_nFormat < 0)
        return AdxResult::kNotPcm;
    CAdxVoice& v = *m_pVoice;
    std::size_t size = 0;
    {
        std::lock_guard lock(v.m_lastMutex);
        if (!v.m_haveLast) {
            m_hr = kNothingBuffered;
            return AdxResult::kNoBuffer;
        }
        size = v.m_lastBuffer.size();
        if (!m_pPeakBuf || static_cast<std::size_t>(m_nPeakBufSize) < size) {
            m_pPeakBuf.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(size, 1)]);
            if (!m_pPeakBuf) {
                m_nPeakBufSize = 0;
                m_hr = E_OUTOFMEMORY;
                return AdxResult::kNoBuffer;
            }
            m_nPeakBufSize = static_cast<int>(std::max<std::size_t>(size, 1));
        }
        std::memset(m_pPeakBuf.get(), 0, static_cast<std::size_t>(m_nPeakBufSize));
        std::memcpy(m_pPeakBuf.get(), v.m_lastBuffer.data(), size);
    }
    m_hr = S_OK;
    int peakL = 1, peakR = 1;
    if (m_wfx.nBlockAlign == 4) {
        const std::size_t frames = size / 4;
        for (std::size_t f = 0; f < frames; ++f) {
            std::int16_t s[2];
            std::memcpy(s, m_pPeakBuf.get() + 4 * f, sizeof s);
            peakL = std::max(peakL, std::abs(static_cast<int>(s[0])));
            peakR = std::max(peakR, std::abs(static_cast<int>(s[1])));
        }
    }
    LONG left = 100 * static_cast<LONG>(std::trunc(20.0 * std::log10(peakL / 32768.0)));
    LONG right = 100 * static_cast<LONG>(std::trunc(20.0 * std::log10(peakR / 32768.0)));
    const LONG volume = GetVolume();
    left += volume;
    right += volume;
    // The balance lowers the side it silences: a negative balance the right, a positive the left.
    const LONG balance = GetBalance();
    if (balance < 0)
        right += balance;
    else if (balance > 0)
        left -= balance;
    if (pLeft)
        *pLeft = std::clamp<LONG>(left, kSilentVolume, 0);
    if (pRight)
        *pRight = std::clamp<LONG>(right, kSilentVolume, 0);
    return AdxResult::kOk;
}
