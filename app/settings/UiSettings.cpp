#include "app/settings/UiSettings.h"

#include "platform/Profile.h"

namespace {

const QString kSection = QStringLiteral("UI");
const QString kKeyLanguage = QStringLiteral("Language");
const QString kWordAuto = QStringLiteral("auto");
const QString kWordJapanese = QStringLiteral("ja");
const QString kWordEnglish = QStringLiteral("en");

CUiSettings Read(const platform::CProfileFile& profile) {
    CUiSettings s;
    s.language = CUiSettings::LanguageFromWord(profile.GetString(kSection, kKeyLanguage, kWordAuto));
    return s;
}

} // namespace

QString CUiSettings::LanguageWord(Language language) {
    switch (language) {
    case Language::Japanese:
        return kWordJapanese;
    case Language::English:
        return kWordEnglish;
    case Language::Auto:
        break;
    }
    return kWordAuto;
}

CUiSettings::Language CUiSettings::LanguageFromWord(const QString& word) {
    const QString w = word.trimmed();
    if (w.compare(kWordJapanese, Qt::CaseInsensitive) == 0)
        return Language::Japanese;
    if (w.compare(kWordEnglish, Qt::CaseInsensitive) == 0)
        return Language::English;
    return Language::Auto;
}

CUiSettings CUiSettings::Load(const CSettingsFile& settings) {
    return Read(*settings.Document());
}

CUiSettings CUiSettings::LoadQuietly(const QString& path) {
    platform::CProfileFile profile(path);
    if (profile.Load(CSettingsFile::kMaxBytes) != platform::CProfileFile::LoadStatus::Ok)
        return CUiSettings();
    return Read(profile);
}

bool CUiSettings::Save(const CSettingsFile& settings) const {
    platform::CProfileFile profile(settings.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!settings.LoadForWrite(profile))
        return false;
    if (Read(profile) == *this)
        return true;
    profile.SetString(kSection, kKeyLanguage, LanguageWord(language));
    return settings.Save(profile);
}
