#include "app/shell/UiLanguage.h"

#include "app/shell/LocaleLanguage.h"

#include <QtGlobal>

namespace {

CUiLanguage::Language Of(bool japanese) {
    return japanese ? CUiLanguage::Language::Japanese : CUiLanguage::Language::English;
}

} // namespace

QByteArray CUiLanguage::ProcessEnvironment(const char* name) {
    return qgetenv(name);
}

bool CUiLanguage::IsCLocale(const QByteArray& name) {
    return locale_language::IsCLocale(name.toStdString());
}

CUiLanguage::Language CUiLanguage::FromLocaleName(const QByteArray& name) {
    return Of(locale_language::IsJapanese(name.toStdString()));
}

CUiLanguage::Language CUiLanguage::Choose(Language setting, const Environment& env) {
    if (setting != Language::Auto)
        return setting;
    return Of(
        locale_language::EnvironmentIsJapanese([&env](const char* name) { return env(name).toStdString(); }));
}
