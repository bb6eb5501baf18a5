#include "app/shell/UiTranslator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

CUiTranslator::CUiTranslator(Language language)
    : m_language(language == Language::English ? Language::English : Language::Japanese) {
    if (m_language == Language::English) {
        // Qt's own texts are English already.
        (void)m_program.load(QString::fromLatin1(kEnglishCatalogue));
    } else {
        (void)m_qt.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
}

bool CUiTranslator::HasProgramTexts() const {
    return m_language == Language::Japanese || !m_program.isEmpty();
}

QString CUiTranslator::Text(const char* context, const char* source) const {
    if (!m_program.isEmpty()) {
        const QString t = m_program.translate(context, source);
        if (!t.isEmpty())
            return t;
    }
    return QString::fromUtf8(source);
}

void CUiTranslator::Install() {
    if (!m_program.isEmpty())
        QCoreApplication::installTranslator(&m_program);
    if (!m_qt.isEmpty())
        QCoreApplication::installTranslator(&m_qt);
}
