#pragma once

#include "app/settings/UiSettings.h"

#include <QByteArray>

#include <functional>

// Which language the program speaks. The desktop's choice is read as gettext reads it: the first of
// LC_ALL, LC_MESSAGES and LANG that is set names the locale; LANGUAGE, a list of languages, goes before
// it unless that locale is C or POSIX. Japanese, the texts' own language, for ja and for C and POSIX
// (with or without an encoding, as containers run); English for every other language.
class CUiLanguage {
public:
    using Language = CUiSettings::Language;
    // The value of an environment variable; empty when it is unset.
    using Environment = std::function<QByteArray(const char* name)>;

    // The process's own environment. Any thread.
    static QByteArray ProcessEnvironment(const char* name);

    // Japanese or English (never Auto) for the setting and the environment. Any thread.
    static Language Choose(Language setting, const Environment& env = &ProcessEnvironment);

    // The language of one locale or LANGUAGE entry ("ja_JP.UTF-8", "C.UTF-8", "en_GB", "de").
    static Language FromLocaleName(const QByteArray& name);
    static bool IsCLocale(const QByteArray& name);
};
