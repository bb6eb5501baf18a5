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
};

inline constexpr int kAudioPeriods[] = {64, 128, 256, 512, 1024};
inline constexpr int kDefaultAudioPeriod = 256;
inline constexpr int kMinAudioPeriod = 64;
inline constexpr int kMaxAudioPeriod = 1024;

// The environment variable that overrides the stored choice.
inline constexpr const char* kAudioEnvironment = "PADORA_AUDIO";

// Reads section "Audio"; a missing key, or a period outside 64..1024, gives the default. UI thread.
void LoadAudioSettings(AUDIOSETTINGS& audio, const CSettingsFile& file = CSettingsFile());
// Writes both keys in one atomic rewrite of the file, keeping its other lines. False when the file
// could not be written (it is then left as it was). UI thread.
bool SaveAudioSettings(const AUDIOSETTINGS& audio, const CSettingsFile& file = CSettingsFile());

// True when PADORA_AUDIO is set: it then chooses the output, whatever is stored.
bool AudioOverridden();
// The engine's configuration: PADORA_AUDIO's when set, else the stored device and period.
playkit::AdxEngineConfig AudioEngineConfig(const AUDIOSETTINGS& audio);
