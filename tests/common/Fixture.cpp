#include "Fixture.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QKeySequence>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <algorithm>

#include "Catalog.h"
#include "PartsLayout.h"
#include "Recordset.h"

ProgramFolder::ProgramFolder() {
    QVERIFY(m_dir.isValid());
}

QString ProgramFolder::makeDatabase(const QString& fileName, const QString& table,
                                    const std::vector<int>& boxes) {
    const QString path = file(fileName);
    store::Catalog catalog;
    catalog.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
                   store::Connection::quoteValue(path));
    store::parts::createPartsTable(catalog, table, boxes);
    catalog.ActiveConnection().Close();
    return path;
}

void ProgramFolder::writeLogo() {
    writeFile(file(QStringLiteral("logo.jpg")), pictureBytes("jpg", 60, 60, Qt::red));
}

void addPart(const QString& databasePath, const QString& table, const Row& row) {
    store::Connection cn;
    cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
            store::Connection::quoteValue(databasePath));
    store::Recordset rs;
    rs.Open(table, cn);
    rs.AddNew();
    for (const auto& [name, value] : row) {
        if (value.typeId() == QMetaType::QByteArray)
            rs[name].AppendChunk(value.toByteArray());
        else
            rs[name].setValue(value);
    }
    rs.Update();
}

void addParts(const QString& databasePath, const QString& table, int count) {
    store::Connection cn;
    cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
            store::Connection::quoteValue(databasePath));
    // One transaction in a file: a thousand rows take a moment, not a thousand disk syncs.
    const bool file = !store::Connection::isServerAddress(databasePath);
    if (file) cn.BeginTrans();
    store::Recordset rs;
    rs.Open(table, cn);
    for (int i = 1; i <= count; ++i) {
        rs.AddNew();
        rs["PartNumber"].setValue(QStringLiteral("P-%1").arg(i, 3, 10, QLatin1Char('0')));
        rs["PartName"].setValue(QStringLiteral("Part number %1").arg(i));
        rs["Category"].setValue(QStringLiteral("Category %1").arg(i % 3));
        rs["Description"].setValue(QStringLiteral("Description of part %1").arg(i));
        rs["CreationDate"].setValue(QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addDays(i));
        rs.Update();
    }
    if (file) cn.CommitTrans();
}

QByteArray pictureBytes(const char* format, int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setBrush(colour);
    p.drawEllipse(2, 2, width - 4, height - 4);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool ok = image.save(&buffer, format);
    Q_ASSERT(ok);
    return bytes;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

QString sqliteShell(const QString& databasePath, const QString& sql) {
    return QString::fromUtf8(runProgram(QStringLiteral("sqlite3"), {databasePath, sql}).out)
        .trimmed();
}

ProgramRun runProgram(const QString& program, const QStringList& args, const QString& folder,
                      const QStringList& env, int timeoutMs) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env)
        e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    if (!folder.isEmpty()) p.setWorkingDirectory(folder);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("(%1 did not end within %2 s)")
                    .arg(program)
                    .arg(timeoutMs / 1000)
                    .toUtf8();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

ScriptedPlatform::ScriptedPlatform(QString folder) : m_folder(std::move(folder)) {
    Platform::install(this);
}

ScriptedPlatform::~ScriptedPlatform() {
    Platform::install(nullptr);
}

void ScriptedPlatform::information(QWidget*, const QString& caption, const QString& text) {
    messages.push_back({caption, text});
}

void ScriptedPlatform::warning(QWidget*, const QString& caption, const QString& text) {
    warnings.push_back({caption, text});
}

bool ScriptedPlatform::question(QWidget*, const QString& caption, const QString& text,
                                bool defaultYes) {
    questions.push_back({caption, text, defaultYes});
    if (answers.empty()) {
        QTest::qFail("a question was asked that the test did not script", __FILE__, __LINE__);
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

Platform::SaveChoice ScriptedPlatform::saveChanges(QWidget*, const QString& caption,
                                                   const QString& text) {
    questions.push_back({caption, text, true});
    if (saveChoices.empty()) {
        QTest::qFail("a Save / Discard / Cancel question the test did not script", __FILE__,
                     __LINE__);
        return SaveChoice::Cancel;
    }
    const SaveChoice choice = saveChoices.front();
    saveChoices.pop_front();
    return choice;
}

void ScriptedPlatform::errorReport(QWidget*, long number, const QString& description) {
    reports.push_back({number, description});
}

QString ScriptedPlatform::openFileName(QWidget*, const QString& title, const QString& folder,
                                       const QString& filter) {
    fileDialogs.push_back({title, filter});
    lastDialogFolder = folder;
    if (fileChoices.empty()) return QString();
    const QString choice = fileChoices.front();
    fileChoices.pop_front();
    return choice;
}

std::unique_ptr<QPrinter> ScriptedPlatform::defaultPrinter() {
    if (systemPrinter) {
        ++printJobs;
        return Platform::defaultPrinter();
    }
    if (printToPdf.isEmpty()) return nullptr;
    ++printJobs;
    auto printer = std::make_unique<QPrinter>();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(printToPdf);
    return printer;
}

void ScriptedPlatform::endProgram(int code) {
    ended = true;
    exitCode = code;
}

QStringList accessKeyProblems(const QWidget* window, const QStringList& prefixes) {
    QStringList problems;
    QHash<QChar, QString> taken;
    for (auto* b : window->findChildren<QAbstractButton*>()) {
        // A tool window over this one (the find bar) has access keys of its own.
        if (b->window() != window) continue;
        if (std::none_of(prefixes.begin(), prefixes.end(),
                         [b](const QString& p) { return b->objectName().startsWith(p); }))
            continue;
        const QKeySequence key = QKeySequence::mnemonic(b->text());
        if (key.isEmpty()) {
            problems << b->objectName() + QStringLiteral(" has no access key");
            continue;
        }
        if (!b->isEnabled()) continue;
        const QChar letter = QKeySequence(key[0].key()).toString().at(0);
        if (taken.contains(letter))
            problems << taken.value(letter) + QStringLiteral(" and ") + b->objectName() +
                            QStringLiteral(" share Alt+") + letter;
        taken.insert(letter, b->objectName());
    }
    return problems;
}
