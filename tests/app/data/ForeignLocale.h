#pragma once

#include "tests/app/RunProgram.h"

#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

// Switches the C library and Qt to a locale whose decimal separator is a comma (German, else
// French) for the lifetime of the object. When the locale is not installed it is compiled with
// localedef into a temporary folder. Active() tells whether the C library really switched.
class CForeignLocale {
public:
    CForeignLocale() : m_strOld(std::setlocale(LC_ALL, nullptr)), m_oldQt(QLocale()) {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) || (Compile(name) && std::setlocale(LC_ALL, name))) {
                m_bActive = *std::localeconv()->decimal_point == ',';
                if (m_bActive)
                    return;
            }
        }
    }
    ~CForeignLocale() {
        if (m_pDir) {
            // The old locale, and programs the later tests start, are found in the usual places.
            if (m_bHadLocPath)
                setenv("LOCPATH", m_strOldLocPath.c_str(), 1);
            else
                unsetenv("LOCPATH");
        }
        std::setlocale(LC_ALL, m_strOld.c_str());
        QLocale::setDefault(m_oldQt);
    }
    CForeignLocale(const CForeignLocale&) = delete;
    CForeignLocale& operator=(const CForeignLocale&) = delete;

    bool Active() const { return m_bActive; }

private:
    bool Compile(const char* name) {
        if (!m_pDir) {
            if (const char* old = std::getenv("LOCPATH")) {
                m_bHadLocPath = true;
                m_strOldLocPath = old;
            }
            m_pDir = std::make_unique<QTemporaryDir>();
            setenv("LOCPATH", m_pDir->path().toLocal8Bit().constData(), 1);
        }
        const QString locale = QString::fromLatin1(name);
        const QString source = locale.section('.', 0, 0);
        return RunProgram({"localedef", "-i", source.toStdString(), "-f", "UTF-8",
                           m_pDir->filePath(locale).toStdString()}) == 0;
    }

    std::string m_strOld;
    QLocale m_oldQt;
    std::unique_ptr<QTemporaryDir> m_pDir;
    bool m_bHadLocPath = false;
    std::string m_strOldLocPath;
    bool m_bActive = false;
};
