#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTranslator>
#include <array>

#include "Translations.h"

// The program's translations as the program loads them at start-up, for as long as this lives:
// the language variables are set as a user's desktop sets them, and put back afterwards.
class InLanguage {
public:
    static constexpr std::array<const char*, 4> kVariables{"LANGUAGE", "LC_ALL", "LC_MESSAGES",
                                                           "LANG"};

    // LANGUAGE, LC_ALL, LC_MESSAGES and LANG in that order; an empty value is unset.
    explicit InLanguage(const std::array<QByteArray, 4>& values) {
        for (size_t i = 0; i < kVariables.size(); ++i) {
            m_before[i] = qgetenv(kVariables[i]);
            m_was[i] = qEnvironmentVariableIsSet(kVariables[i]);
            if (values[i].isEmpty())
                qunsetenv(kVariables[i]);
            else
                qputenv(kVariables[i], values[i]);
        }
        loaded = translations::install(QStringLiteral(COGWRIGHT_QM_DIR));
    }
    // The user's language as LANGUAGE names it ("de"), or English for "en".
    explicit InLanguage(const char* language) : InLanguage({language, "", "", "C.UTF-8"}) {}
    ~InLanguage() {
        // A translator removes itself from the application as it goes.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
        for (size_t i = 0; i < kVariables.size(); ++i) {
            if (m_was[i])
                qputenv(kVariables[i], m_before[i]);
            else
                qunsetenv(kVariables[i]);
        }
    }
    InLanguage(const InLanguage&) = delete;
    InLanguage& operator=(const InLanguage&) = delete;

    QString loaded;  // what install() gave: the language, or empty for English

private:
    std::array<QByteArray, 4> m_before;
    std::array<bool, 4> m_was{};
};
