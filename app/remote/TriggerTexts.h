#pragma once

#include "app/remote/TriggerRequest.h"
#include "app/shell/LocaleLanguage.h"

#include <string>

// The command-line triggers' texts in the user's language without Qt: Japanese as written, English
// from a table taken from the program's catalogue when building (so both say the same). Any thread.
class CTriggerTexts {
public:
    // The catalogue's context of every trigger text.
    static constexpr const char* kContext = "CTriggerClient";

    // The language the window program would speak here: Language of section UI in the settings file
    // at settingsPath ("ja", "en"; anything else is auto), else the desktop's locale in env.
    static CTriggerTexts
    ForUser(const std::string& settingsPath,
            const locale_language::Environment& env = &locale_language::ProcessEnvironment);

    explicit CTriggerTexts(bool english) : m_bEnglish(english) {}
    bool IsEnglish() const { return m_bEnglish; }

    // source (a text marked for the context above) in this language; source itself when untranslated.
    const char* Text(const char* source) const;
    std::string Say(const TriggerMessage& message) const { return message.With(Text(message.source)); }

private:
    bool m_bEnglish;
};
