#include "app/shell/LocaleLanguage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace locale_language {

namespace {

constexpr std::array<const char*, 3> kLocaleVariables = {"LC_ALL", "LC_MESSAGES", "LANG"};
constexpr const char* kLanguageList = "LANGUAGE";
// A settings file is a few kilobytes; a larger one is read only this far.
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// "ja_JP.UTF-8@mod" -> "ja_JP": the part before the encoding and the modifier.
std::string_view WithoutCodeset(std::string_view name) {
    name = Trimmed(name);
    return name.substr(0, std::min(name.find('.'), name.find('@')));
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool IsCLocale(std::string_view name) {
    const std::string_view n = WithoutCodeset(name);
    return n == "C" || n == "POSIX";
}

bool IsJapanese(std::string_view name) {
    if (IsCLocale(name))
        return true;
    const std::string_view n = WithoutCodeset(name);
    return SameWord(n.substr(0, n.find('_')), "ja");
}

bool EnvironmentIsJapanese(const Environment& env) {
    // An empty variable counts as unset; with none set the locale is C.
    std::string locale = "C";
    for (const char* var : kLocaleVariables) {
        const std::string value(Trimmed(env(var)));
        if (!value.empty()) {
            locale = value;
            break;
        }
    }
    if (!IsCLocale(locale)) {
        const std::string list = env(kLanguageList);
        std::string_view rest(list);
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view entry = Trimmed(rest.substr(0, colon));
            if (!entry.empty())
                return IsJapanese(entry);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    return IsJapanese(locale);
}

Setting LanguageSettingIn(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Setting::Auto;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.resize(std::min(static_cast<std::size_t>(st.st_size), kMaxSettingsBytes));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    // Sections and keys as the settings file has them: any case, blanks around them allowed.
    bool inSection = false;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            inSection = close != std::string_view::npos && SameWord(Trimmed(line.substr(1, close - 1)), "UI");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (inSection && eq != std::string_view::npos && SameWord(Trimmed(line.substr(0, eq)), "Language")) {
            const std::string_view word = Trimmed(line.substr(eq + 1));
            return SameWord(word, "ja")   ? Setting::Japanese
                   : SameWord(word, "en") ? Setting::English
                                          : Setting::Auto;
        }
    }
    return Setting::Auto;
}

} // namespace locale_language
