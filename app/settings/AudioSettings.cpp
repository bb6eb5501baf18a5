#include "app/settings/AudioSettings.h"

#include "platform/Profile.h"

#include <algorithm>

namespace {
const QString kSectionAudio = QStringLiteral("Audio");
const QString kKeyDevice = QStringLiteral("Device");
const QString kKeyPeriod = QStringLiteral("Period");
const QString kKeyPairs = QStringLiteral("Pairs");
const QString kKeyCueDevice = QStringLiteral("CueDevice");
const QString kKeyCuePair = QStringLiteral("CuePair");
const QString kKeyCueKey = QStringLiteral("CueKey");
constexpr int kNumberBufferBytes = 64;
// Device names are short; a generous bound keeps a damaged file from filling memory.
constexpr int kDeviceBufferBytes = 1024;

// A whole number from lo to hi, or fallback: "4 pairs" or "2x" is a damaged file, not a choice.
int StrictInt(const platform::CProfileFile& profile, const QString& key, int lo, int hi, int fallback) {
    bool ok = false;
    const int n = profile.GetString(kSectionAudio, key, QString(), kNumberBufferBytes).trimmed().toInt(&ok);
    return ok && n >= lo && n <= hi ? n : fallback;
}
} // namespace

void LoadAudioSettings(AUDIOSETTINGS& audio, const CSettingsFile& file) {
    audio = AUDIOSETTINGS{};
    const auto document = file.Document();
    const platform::CProfileFile& profile = *document;
    audio.strDevice = profile.GetString(kSectionAudio, kKeyDevice, QString(), kDeviceBufferBytes);
    const int period = profile.GetInt(kSectionAudio, kKeyPeriod, kDefaultAudioPeriod);
    audio.nPeriod = period >= kMinAudioPeriod && period <= kMaxAudioPeriod ? period : kDefaultAudioPeriod;
    audio.nPairs = StrictInt(profile, kKeyPairs, 1, kMaxAudioPairs, kDefaultAudioPairs);
    audio.strCueDevice = profile.GetString(kSectionAudio, kKeyCueDevice, QString(), kDeviceBufferBytes);
    audio.nCuePair = StrictInt(profile, kKeyCuePair, 0, kMaxAudioPairs, 0);
    const int key = StrictInt(profile, kKeyCueKey, 0, 0xFF, kDefaultCueKey);
    audio.nCueKey = key == 0 || key == kCueKeyShift || key == kCueKeyAlt ? key : kDefaultCueKey;
}

int AudioPairsOf(int channels) {
    return std::clamp(channels / 2, 1, kMaxAudioPairs);
}

bool SaveAudioSettings(const AUDIOSETTINGS& audio, const CSettingsFile& file) {
    platform::CProfileFile profile(file.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!file.LoadForWrite(profile))
        return false;
    profile.SetString(kSectionAudio, kKeyDevice, audio.strDevice);
    profile.SetString(kSectionAudio, kKeyPeriod, QString::number(audio.nPeriod));
    profile.SetString(kSectionAudio, kKeyPairs, QString::number(audio.nPairs));
    // The cue's keys only once they are used: files of sets without a cue keep their lines.
    const auto setCue = [&profile](const QString& key, const QString& value, bool isDefault) {
        if (!isDefault || !profile.GetString(kSectionAudio, key, QString(), kDeviceBufferBytes).isEmpty())
            profile.SetString(kSectionAudio, key, value);
    };
    setCue(kKeyCueDevice, audio.strCueDevice, audio.strCueDevice.isEmpty());
    setCue(kKeyCuePair, QString::number(audio.nCuePair), audio.nCuePair == 0);
    setCue(kKeyCueKey, QString::number(audio.nCueKey), audio.nCueKey == kDefaultCueKey);
    return file.Save(profile);
}

bool AudioOverridden() {
    return !qEnvironmentVariableIsEmpty(kAudioEnvironment);
}

playkit::AdxEngineConfig AudioEngineConfig(const AUDIOSETTINGS& audio) {
    playkit::AdxEngineConfig config;
    if (AudioOverridden()) {
        config = playkit::CAdxEngine::ConfigFromEnvironment();
    } else {
        config.backend = playkit::AdxBackend::PortAudio;
        config.device = audio.strDevice.toStdString();
        config.periodFrames = static_cast<unsigned>(audio.nPeriod);
    }
    config.pairs = static_cast<unsigned>(std::clamp(audio.nPairs, 1, kMaxAudioPairs));
    config.cueDevice = audio.strCueDevice.toStdString();
    config.cuePair = static_cast<unsigned>(std::clamp(audio.nCuePair, 0, kMaxAudioPairs));
    return config;
}
