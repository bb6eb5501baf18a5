#pragma once

#include "platform/WinTypes.h"

// A player's volume and balance are attenuations in hundredths of a decibel: kAdxSilence (or below)
// is silence, and a balance of -kAdxFullBalance or +kAdxFullBalance silences one side.
inline constexpr LONG kAdxSilence = -10000;
inline constexpr LONG kAdxFullBalance = 10000;

// Result codes and event codes of the player. Their values are the ones the program and stored
// diagnostics know, so they keep their desktop numbers.
using HRESULT = LONG;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

// Media event codes handed out by CAdxShow::GetEvent.
inline constexpr LONG EC_COMPLETE = 1;
inline constexpr LONG EC_USERABORT = 2;
inline constexpr LONG EC_ERRORABORT = 3;

// The result Open keeps in m_hr when it refuses a file by its extension.
inline constexpr HRESULT ADX_E_EXTENSION = 1;

// The result a player keeps when the engine took no command: the sound device has stalled.
inline constexpr HRESULT ADX_E_ENGINE_STALLED = static_cast<HRESULT>(0x80040200u);

// Wave format tag of 16-bit integer PCM.
inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The 18-byte wave format header, laid out as stored in files (no padding).
#pragma pack(push, 1)
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// The "window" a player posts its notices to. The program adapts its own window to this; any
// implementation must accept PostMessage from any thread without blocking for long.
class IAdxMessageTarget {
public:
    // Called from Playkit's notifier thread (media events, peak levels).
    virtual void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IAdxMessageTarget() = default;
};
