#pragma once

#include "app/settings/Option.h"

// The language of the program's texts: section "UI" of Padora.INI, key Language. auto (the default)
// follows the desktop's locale; ja and en choose it whatever the desktop says. Read once at the start:
// a change takes effect at the next start.
class CUiSettings {
public:
    enum class Language { Auto, Japanese, English };

    Language language = Language::Auto;

    // Reads the section; a missing key or an unknown word gives auto. UI thread.
    static CUiSettings Load(const CSettingsFile& settings);
    // The same from the file at path, before the program's own load of its settings (which reports a
    // refused file): a refused file gives auto without a word. UI thread.
    static CUiSettings LoadQuietly(const QString& path);
    // One atomic rewrite keeping the file's other lines, only when the file does not already read as
    // these values. False when the file could not be written. UI thread.
    bool Save(const CSettingsFile& settings) const;

    // The word stored for a language ("auto", "ja", "en") and back; unknown words read as auto.
    static QString LanguageWord(Language language);
    static Language LanguageFromWord(const QString& word);

    bool operator==(const CUiSettings&) const = default;
};
