#include "app/shell/UiLanguage.h"

#include <QByteArrayList>
#include <QtGlobal>

#include <array>

namespace {

constexpr std::array<const char*, 3> kLocaleVariables = {"LC_ALL", "LC_MESSAGES", "LANG"};
constexpr const char* kLanguageList = "LANGUAGE";

// "ja_JP.UTF-8@mod" -> "ja_JP": the part before the encoding and the modifier.
QByteArray WithoutCodeset(const QByteArray& name) {
    QByteArray n = name.trimmed();
    for (const char stop : {'.', '@'}) {
        const qsizetype at = n.indexOf(stop);
        if (at >= 0)
            n.truncate(at);
    }
    return n;
}

} // namespace

QByteArray CUiLanguage::ProcessEnvironment(const char* name) {
    return qgetenv(name);
}

bool CUiLanguage::IsCLocale(const QByteArray& name) {
    const QByteArray n = WithoutCodeset(name);
    return n == "C" || n == "POSIX";
}

CUiLanguage::Language CUiLanguage::FromLocaleName(const QByteArray& name) {
    if (IsCLocale(name))
        return Language::Japanese;
    const QByteArray n = WithoutCodeset(name);
    const qsizetype territory = n.indexOf('_');
    const QByteArray code = (territory >= 0 ? n.left(territory) : n).toLower();
    return code == "ja" ? Language::Japanese : Language::English;
}

CUiLanguage::Language CUiLanguage::Choose(Language setting, const Environment& env) {
    if (setting != Language::Auto)
        return setting;
    // An empty variable counts as unset; with none set the locale is C.
    QByteArray locale = "C";
    for (const char* var : kLocaleVariables) {
        const QByteArray value = env(var).trimmed();
        if (!value.isEmpty()) {
            locale = value;
            break;
        }
    }
    if (!IsCLocale(locale)) {
        for (const QByteArray& entry : env(kLanguageList).split(':')) {
            if (!entry.trimmed().isEmpty())
                return FromLocaleName(entry);
        }
    }
    return FromLocaleName(locale);
}
