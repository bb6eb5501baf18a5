#include "app/remote/TriggerTexts.h"

#include <string_view>

namespace {

struct Translation {
    const char* source;
    const char* english;
};

constexpr Translation kEnglish[] = {
#include "TriggerTexts_en.inc"
};

} // namespace

CTriggerTexts CTriggerTexts::ForUser(std::string settingsPath, locale_language::Environment env) {
    return CTriggerTexts(std::move(settingsPath), std::move(env));
}

bool CTriggerTexts::IsEnglish() const {
    if (!m_english) {
        switch (locale_language::LanguageSettingIn(m_strSettingsPath)) {
        case locale_language::Setting::Japanese:
            m_english = false;
            break;
        case locale_language::Setting::English:
            m_english = true;
            break;
        case locale_language::Setting::Auto:
            m_english = !locale_language::EnvironmentIsJapanese(m_env);
            break;
        }
    }
    return *m_english;
}

const char* CTriggerTexts::Text(const char* source) const {
    if (!source || !IsEnglish())
        return source;
    const std::string_view wanted(source);
    for (const Translation& t : kEnglish)
        if (wanted == t.source)
            return t.english;
    return source;
}
