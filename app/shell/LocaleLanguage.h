#pragma once

#include <functional>
#include <string>
#include <string_view>

// Whether the desktop's locale asks for Japanese, read as gettext reads it: the first of LC_ALL,
// LC_MESSAGES and LANG that is set names the locale; LANGUAGE, a list of languages, goes before it
// unless that locale is C or POSIX. Japanese, the texts' own language, for ja and for C and POSIX (with
// or without an encoding, as containers run); English for every other language. Plain C++, so that the
// command-line triggers choose as the window program does without loading Qt. Any thread.
namespace locale_language {

// The value of an environment variable; empty when it is unset.
using Environment = std::function<std::string(const char* name)>;
std::string ProcessEnvironment(const char* name);

bool IsCLocale(std::string_view name);
// The language of one locale or LANGUAGE entry ("ja_JP.UTF-8", "C.UTF-8", "en_GB", "de").
bool IsJapanese(std::string_view name);
bool EnvironmentIsJapanese(const Environment& env = &ProcessEnvironment);

// Key Language in section UI of the settings file at path: "ja", "en", or auto for anything else and
// when the file, the section or the key is missing. Only a regular file is read: a FIFO put in its
// place is not waited on.
enum class Setting { Auto, Japanese, English };
Setting LanguageSettingIn(const std::string& path);

} // namespace locale_language
