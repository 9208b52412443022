#pragma once

#include <QString>
#include <QStringList>

// The program in the user's language: its own messages and Qt's standard buttons and dialogs.
// English is the language the texts are written in; it needs no translation.
namespace translations {

// The languages the user asked for, first choice first, read as gettext reads them: the list in
// LANGUAGE (separated by colons) when it is set, else the first of LC_ALL, LC_MESSAGES and LANG
// that is. Each is a bare name such as "de" or "de_AT" (no ".UTF-8", no "@euro"); "C" and
// "POSIX" stay as they are.
QStringList userLanguages();

// Where the program's .qm files are: beside the program, or in its installed data folder.
QString folder();

// Loads into the running application the program's translation for the first of the user's
// languages that it has (English, C and POSIX end the search: they need none), and Qt's own
// translation of the same language. Gives the language loaded, or an empty text for English.
QString install(const QString& qmFolder = folder());

}  // namespace translations
