#include "app/settings/AudioSettings.h"

#include "platform/Profile.h"

#include <algorithm>

namespace {
const QString kSectionAudio = QStringLiteral("Audio");
const QString kKeyDevice = QStringLiteral("Device");
const QString kKeyPeriod = QStringLiteral("Period");
const QString kKeyPairs = QStringLiteral("Pairs");
constexpr int kNumberBufferBytes = 64;
// Device names are short; a generous bound keeps a damaged file from filling memory.
constexpr int kDeviceBufferBytes = 1024;
} // namespace

void LoadAudioSettings(AUDIOSETTINGS& audio, const CSettingsFile& file) {
    audio = AUDIOSETTINGS{};
    const auto document = file.Document();
    const platform::CProfileFile& profile = *document;
    audio.strDevice = profile.GetString(kSectionAudio, kKeyDevice, QString(), kDeviceBufferBytes);
    const int period = profile.GetInt(kSectionAudio, kKeyPeriod, kDefaultAudioPeriod);
    audio.nPeriod = period >= kMinAudioPeriod && period <= kMaxAudioPeriod ? period : kDefaultAudioPeriod;
    // The whole value must be the number: "4 pairs" or "2x" is a damaged file, not a choice.
    bool ok = false;
    const int pairs =
        profile.GetString(kSectionAudio, kKeyPairs, QString(), kNumberBufferBytes).trimmed().toInt(&ok);
    audio.nPairs = ok && pairs >= 1 && pairs <= kMaxAudioPairs ? pairs : kDefaultAudioPairs;
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
    return config;
}
