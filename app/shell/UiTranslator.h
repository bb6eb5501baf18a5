#pragma once

#include "app/settings/UiSettings.h"

#include <QTranslator>

// The texts of one language for the program and for Qt's own windows (file dialogs, standard buttons,
// the edit fields' menu). The program's texts are written in Japanese, so Japanese needs only Qt's
// catalogue and English only the program's. Works before the application object exists (Text) and
// takes effect for every tr() once installed; the translators leave the application when this goes.
class CUiTranslator {
public:
    using Language = CUiSettings::Language;

    // Where the compiled English catalogue lives in the program's resources.
    static constexpr const char* kEnglishCatalogue = ":/i18n/padora_en.qm";

    // Loads the catalogues of language (Japanese or English). UI thread.
    explicit CUiTranslator(Language language);
    CUiTranslator(const CUiTranslator&) = delete;
    CUiTranslator& operator=(const CUiTranslator&) = delete;

    Language GetLanguage() const { return m_language; }
    // Whether the program's own catalogue was found (always true for Japanese).
    bool HasProgramTexts() const;

    // The text in this language, also before the application exists; the source when untranslated.
    QString Text(const char* context, const char* source) const;

    // Installs the catalogues into the application, which must exist by now. UI thread.
    void Install();

private:
    Language m_language;
    QTranslator m_program;
    QTranslator m_qt;
};
