#include "app/settings/ShowSettings.h"

#include "platform/Profile.h"

namespace {

const QString kSection = QStringLiteral("Show");
const QString kKeyKeepPlaying = QStringLiteral("KeepPlaying");

CShowSettings Read(const platform::CProfileFile& profile) {
    CShowSettings s;
    s.bKeepPlaying = profile.GetInt(kSection, kKeyKeepPlaying, 0) == 1;
    return s;
}

} // namespace

CShowSettings CShowSettings::Load(const CSettingsFile& settings) {
    return Read(*settings.Document());
}

bool CShowSettings::Save(const CSettingsFile& settings) const {
    platform::CProfileFile profile(settings.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!settings.LoadForWrite(profile))
        return false;
    if (Read(profile) == *this)
        return true;
    profile.SetString(kSection, kKeyKeepPlaying, bKeepPlaying ? QStringLiteral("1") : QStringLiteral("0"));
    return settings.Save(profile);
}
