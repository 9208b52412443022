#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "Platform.h"

namespace translations {

namespace {

// "de_DE.UTF-8@euro" -> "de_DE"
QString bareName(const QString& locale) {
    QString name = locale.trimmed();
    for (const QChar end : {QLatin1Char('@'), QLatin1Char('.')})
        if (const qsizetype at = name.indexOf(end); at >= 0) name.truncate(at);
    return name;
}

bool needsNone(const QString& language) {
    return language == QLatin1String("C") || language == QLatin1String("POSIX") ||
           language == QLatin1String("en") || language.startsWith(QLatin1String("en_"));
}

// Loaded and installed with the application as its parent, or nothing when there is no such file.
bool load(const QString& base, const QString& language, const QString& where) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // load() also tries the shorter names: "cogwright_de_AT" finds cogwright_de.qm.
    if (translator->load(base + language, where) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

}  // namespace

QStringList userLanguages() {
    QStringList languages;
    for (const QString& l :
         qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (const QString name = bareName(l); !name.isEmpty()) languages << name;
    // A LANGUAGE list is the whole choice: when none of it is there, the texts stay English.
    if (!languages.isEmpty()) return languages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const QString name = bareName(qEnvironmentVariable(variable)); !name.isEmpty())
            return {name};
    return {};
}

QString folder() {
    return ProgramFolders(QCoreApplication::applicationDirPath()).sharedFolder() +
           QStringLiteral("/translations");
}

QString install(const QString& qmFolder) {
    if (!QCoreApplication::instance()) return {};
    for (const QString& language : userLanguages()) {
        if (needsNone(language)) return {};
        if (!load(QStringLiteral("cogwright_"), language, qmFolder)) continue;
        // Qt's own buttons and dialogs; the program's texts are German even without them.
        load(QStringLiteral("qtbase_"), language,
             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        return language;
    }
    return {};
}

}  // namespace translations
