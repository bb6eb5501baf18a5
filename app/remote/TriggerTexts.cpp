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

CTriggerTexts CTriggerTexts::ForUser(const std::string& settingsPath,
                                     const locale_language::Environment& env) {
    switch (locale_language::LanguageSettingIn(settingsPath)) {
    case locale_language::Setting::Japanese:
        return CTriggerTexts(false);
    case locale_language::Setting::English:
        return CTriggerTexts(true);
    case locale_language::Setting::Auto:
        break;
    }
    return CTriggerTexts(!locale_language::EnvironmentIsJapanese(env));
}

const char* CTriggerTexts::Text(const char* source) const {
    if (!m_bEnglish || !source)
        return source;
    const std::string_view wanted(source);
    for (const Translation& t : kEnglish)
        if (wanted == t.source)
            return t.english;
    return source;
}
