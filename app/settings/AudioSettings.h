#pragma once

#include "app/settings/Option.h"
#include "platform/WinTypes.h"
#include "playkit/AdxEngine.h"

#include <QString>

// The audio output: section "Audio" of Padora.INI. The device is stored by its name (as
// padora --list-devices prints it), not by a number, so that a re-plugged interface is found again.
struct AUDIOSETTINGS {
    QString strDevice; // "Device": empty for the system's default device
    int nPeriod = 256; // "Period": frames per device block
    int nPairs = 1;    // "Pairs": stereo output pairs, 1 to kMaxAudioPairs
    // The cue, where auditioned sounds are heard: "CueDevice", a second device by name (empty: none),
    // or else "CuePair", a pair of the output (0: none); "CueKey", the key that, held, turns a pad
    // into an audition (a key code: Shift, Alt, or 0 for none).
    QString strCueDevice;
    int nCuePair = 0;
    int nCueKey = 0x10;
};

inline constexpr int kCueKeyShift = 0x10;
inline constexpr int kCueKeyAlt = 0x12;
inline constexpr int kDefaultCueKey = kCueKeyShift;

inline constexpr int kAudioPeriods[] = {64, 128, 256, 512, 1024};
inline constexpr int kDefaultAudioPeriod = 256;
inline constexpr int kMinAudioPeriod = 64;
inline constexpr int kMaxAudioPeriod = 1024;
inline constexpr int kDefaultAudioPairs = 1;
inline constexpr int kMaxAudioPairs = static_cast<int>(playkit::kAdxMaxOutputPairs);

// The pairs to offer for a device of that many output channels: one per two, 1 to kMaxAudioPairs.
int AudioPairsOf(int channels);

// The environment variable that overrides the stored choice.
inline constexpr const char* kAudioEnvironment = "PADORA_AUDIO";

// Reads section "Audio"; a missing key, a period outside 64..1024, or pairs that are not a whole number
// from 1 to 16, give the default. UI thread.
void LoadAudioSettings(AUDIOSETTINGS& audio, const CSettingsFile& file = CSettingsFile());
// Writes the keys in one atomic rewrite of the file, keeping its other lines. False when the file
// could not be written (it is then left as it was). UI thread.
bool SaveAudioSettings(const AUDIOSETTINGS& audio, const CSettingsFile& file = CSettingsFile());

// True when PADORA_AUDIO is set: it then chooses the output, whatever is stored.
bool AudioOverridden();
// The engine's configuration: PADORA_AUDIO's output when set, else the stored device and period; the
// stored pairs either way.
playkit::AdxEngineConfig AudioEngineConfig(const AUDIOSETTINGS& audio);
