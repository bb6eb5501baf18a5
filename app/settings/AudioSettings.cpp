#include "app/settings/AudioSettings.h"

#include "platform/Profile.h"

namespace {
const QString kSectionAudio = QStringLiteral("Audio");
const QString kKeyDevice = QStringLiteral("Device");
const QString kKeyPeriod = QStringLiteral("Period");
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
}

bool SaveAudioSettings(const AUDIOSETTINGS& audio, const CSettingsFile& file) {
    platform::CProfileFile profile(file.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!file.LoadForWrite(profile))
        return false;
    profile.SetString(kSectionAudio, kKeyDevice, audio.strDevice);
    profile.SetString(kSectionAudio, kKeyPeriod, QString::number(audio.nPeriod));
    return file.Save(profile);
}

bool AudioOverridden() {
    return !qEnvironmentVariableIsEmpty(kAudioEnvironment);
}

playkit::AdxEngineConfig AudioEngineConfig(const AUDIOSETTINGS& audio) {
    if (AudioOverridden())
        return playkit::CAdxEngine::ConfigFromEnvironment();
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::PortAudio;
    config.device = audio.strDevice.toStdString();
    config.periodFrames = static_cast<unsigned>(audio.nPeriod);
    return config;
}
