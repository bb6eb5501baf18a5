#pragma once

#include "app/remote/TriggerRequest.h"
#include "app/shell/LocaleLanguage.h"

#include <optional>
#include <string>

// The command-line triggers' texts in the user's language without Qt: Japanese as written, English
// from a table taken from the program's catalogue when building (so both say the same). Used on one
// thread at a time.
class CTriggerTexts {
public:
    // The catalogue's context of every trigger text.
    static constexpr const char* kContext = "CTriggerClient";
    // Where the window program reads its settings: the folder it runs in.
    static constexpr const char* kSettingsFile = "Padora.INI";

    // The language the window program would speak here: Language of section UI in the settings file
    // at settingsPath ("ja", "en"; anything else is auto), else the desktop's locale in env. Chosen when
    // the first text is asked for, so that a trigger that succeeds reads no settings.
    static CTriggerTexts ForUser(std::string settingsPath = kSettingsFile,
                                 locale_language::Environment env = &locale_language::ProcessEnvironment);

    explicit CTriggerTexts(bool english) : m_english(english) {}
    bool IsEnglish() const;

    // source (a text marked for the context above) in this language; source itself when untranslated.
    const char* Text(const char* source) const;
    std::string Say(const TriggerMessage& message) const { return message.With(Text(message.source)); }

private:
    CTriggerTexts(std::string settingsPath, locale_language::Environment env)
        : m_strSettingsPath(std::move(settingsPath)), m_env(std::move(env)) {}

    std::string m_strSettingsPath;
    locale_language::Environment m_env;
    mutable std::optional<bool> m_english;
};
