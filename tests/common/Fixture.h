#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>
#include <QVersionNumber>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "Platform.h"
#include "StoreError.h"

// A program folder of its own for one test: its database files, logo and unpack file.
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // A parts database with the given optional boxes; returns its path.
    QString makeDatabase(const QString& fileName = QStringLiteral("Parts.mdb"),
                         const QString& table = QStringLiteral("Parts"),
                         const std::vector<int>& boxes = {1, 4, 10, 13});
    void writeLogo();

private:
    QTemporaryDir m_dir;
};

// One row for addPart: column name -> value (Image takes a QByteArray).
using Row = std::map<QString, QVariant>;
void addPart(const QString& databasePath, const QString& table, const Row& row);
// `count` parts numbered P-001... with names, categories and descriptions.
void addParts(const QString& databasePath, const QString& table, int count);

// Picture files made here, in a format chosen by extension (jpg, bmp, png, ico).
QByteArray pictureBytes(const char* format, int width = 40, int height = 30,
                        QColor colour = Qt::darkCyan);
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// What the sqlite3 shell prints for one statement, trimmed.
QString sqliteShell(const QString& databasePath, const QString& sql);

// A program run to its end in `folder`, with `env` ("NAME=value") added to the environment.
// One that has not ended after `timeoutMs` is killed, and `err` says so.
struct ProgramRun {
    int code = -1;  // -1 when it did not end by itself
    QByteArray out;
    QByteArray err;
};
ProgramRun runProgram(const QString& program, const QStringList& args,
                      const QString& folder = QString(), const QStringList& env = {},
                      int timeoutMs = 60000);
// What is wrong with the access keys of a window's buttons (those named with one of `prefixes`):
// a button without one, or two enabled buttons sharing one. Empty when nothing is.
QStringList accessKeyProblems(const QWidget* window, const QStringList& prefixes);

// The platform as a test scripts it: answers queued, messages recorded, nothing shown.
// What the scripted platform recorded. back() and front() of an empty record fail the test
// instead of crashing it.
template <typename T>
class Recorded : public std::vector<T> {
public:
    const T& back() const { return this->empty() ? nothing() : std::vector<T>::back(); }
    const T& front() const { return this->empty() ? nothing() : std::vector<T>::front(); }

private:
    static const T& nothing() {
        QTest::qFail("nothing of the kind was shown", __FILE__, __LINE__);
        static const T none{};
        return none;
    }
};

class ScriptedPlatform : public Platform {
public:
    explicit ScriptedPlatform(QString folder);
    ~ScriptedPlatform() override;

    struct Message {
        QString caption;
        QString text;
        bool defaultYes = true;  // questions only
    };
    struct Report {
        long number;
        QString description;
    };

    void information(QWidget*, const QString& caption, const QString& text) override;
    void warning(QWidget*, const QString& caption, const QString& text) override;
    bool question(QWidget*, const QString& caption, const QString& text,
                  bool defaultYes = true) override;
    SaveChoice saveChanges(QWidget*, const QString& caption, const QString& text) override;
    void errorReport(QWidget*, long number, const QString& description) override;
    QString openFileName(QWidget*, const QString& title, const QString& folder,
                         const QString& filter) override;
    // Save dialogs take their answers from fileChoices too.
    QString saveFileName(QWidget*, const QString& title, const QString& folder,
                         const QString& filter) override {
        return openFileName(nullptr, title, folder, filter);
    }
    QString programFolder() override { return m_folder; }
    QString sharedFolder() override { return m_folder; }
    QString unpackFolder() override { return m_folder; }
    // No printer unless a test gives a PDF file to print into, or asks for the system's.
    std::unique_ptr<QPrinter> defaultPrinter() override;
    QString printToPdf;
    bool systemPrinter = false;
    int printJobs = 0;
    QVersionNumber programVersion() override { return Platform::programVersion(); }
    void endProgram(int exitCode) override;

    std::deque<bool> answers;            // questions; an unscripted question fails the test
    std::deque<SaveChoice> saveChoices;  // Save / Discard / Cancel questions, kept in questions
    std::deque<QString> fileChoices;     // open-file dialogs; "" is Cancel
    Recorded<Message> messages;
    Recorded<Message> warnings;
    Recorded<Message> questions;
    Recorded<Report> reports;
    std::vector<Message> fileDialogs;  // title and filter of each dialog shown
    QString lastDialogFolder;
    bool ended = false;
    int exitCode = -1;

private:
    QString m_folder;
};

// The number of the store error that `f` throws, or 0 when it throws none.
template <typename F>
long errorOf(F f, QString* description = nullptr) {
    try {
        f();
    } catch (const store::StoreError& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}
