#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>

// The first page of a Jet (.mdb) or ACE (.accdb) file, read without the Jet reader: enough to
// recognise such a file by its content and to refuse one that cannot be read whole.
namespace legacy {

// The translation context of the converter's messages, which the windows show as they are.
class Text {
    Q_DECLARE_TR_FUNCTIONS(legacy)
};

struct JetHeader {
    int version = 0;      // 0 Jet 3, 1 Jet 4, 2 ACE 12, 3 ACE 14, 4 to 6 later ACE
    qint64 pageSize = 0;  // 2048 for Jet 3, 4096 otherwise
    qint64 fileSize = 0;
    bool ace = false;       // "Standard ACE DB"
    bool password = false;  // a database password is set
    bool encoded = false;   // the pages are encrypted

    QString formatName() const;
};

// The header, when the file starts with the Jet or ACE signature; nothing for any other file.
std::optional<JetHeader> readJetHeader(const QString& path);
inline bool isJetFile(const QString& path) {
    return readJetHeader(path).has_value();
}

// Why the file cannot be converted as it stands (a sentence naming the file), or an empty text
// when its header and size hold together.
QString jetFileProblem(const QString& path);

}  // namespace legacy
