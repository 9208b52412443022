#pragma once

// What the Jet tests share: copies of the test files, the program run as the converter, and
// mdb-export (mdbtools) as the reference reader.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <vector>

inline QString jetSample(const char* name) {
    return QStringLiteral(JET_DATA_DIR "/") + QLatin1String(name);
}

// A writable copy of a test file in `folder`.
inline QString copySample(const QString& folder, const char* name, const QString& as = QString()) {
    const QString target = QDir(folder).filePath(as.isEmpty() ? QLatin1String(name) : as);
    QFile::remove(target);
    if (!QFile::copy(jetSample(name), target)) qFatal("cannot copy %s", name);
    QFile::setPermissions(
        target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

// The bytes and the modification time, to tell that a file was not touched.
inline QByteArray fingerprint(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex() + ' ' +
           QByteArray::number(QFileInfo(path).lastModified().toMSecsSinceEpoch());
}

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QString& program, const QStringList& arguments,
                       int timeoutMs = 60000) {
    QProcess p;
    p.start(program, arguments);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline ToolRun convertWithProgram(const QString& in, const QString& out) {
    return runTool(QStringLiteral(COGWRIGHT_BIN), {QStringLiteral("--convert-jet"), in, out});
}

inline QStringList referenceTables(const QString& file) {
    const ToolRun r = runTool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file});
    QStringList names = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& n : names) n = n.trimmed();
    return names;
}

// One value of mdb-export's CSV: its text and whether it stood in quotes (an empty unquoted
// value is Null; an empty quoted one is an empty text).
struct CsvValue {
    QString text;
    bool quoted = false;
};
using CsvRow = std::vector<CsvValue>;

inline std::vector<CsvRow> parseCsv(const QString& csv) {
    std::vector<CsvRow> rows;
    CsvRow row;
    CsvValue value;
    bool inQuotes = false, any = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < csv.size() && csv.at(i + 1) == QLatin1Char('"')) {
                    value.text += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                value.text += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            inQuotes = value.quoted = any = true;
        } else if (c == QLatin1Char(',')) {
            row.push_back(value);
            value = {};
            any = true;
        } else if (c == QLatin1Char('\n')) {
            row.push_back(value);
            rows.push_back(row);
            row.clear();
            value = {};
            any = false;
        } else {
            value.text += c;
            any = true;
        }
    }
    if (any) {
        row.push_back(value);
        rows.push_back(row);
    }
    return rows;
}

// The table as mdb-export gives it: header first. Dates as the catalogue writes them, binary as
// hex.
inline std::vector<CsvRow> referenceRows(const QString& file, const QString& table) {
    const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
    const ToolRun r = runTool(QStringLiteral("mdb-export"),
                              {QStringLiteral("-D"), format, QStringLiteral("-T"), format,
                               QStringLiteral("-b"), QStringLiteral("hex"), file, table});
    return parseCsv(QString::fromUtf8(r.out));
}

// The width and height that the BMP file header inside `bytes` gives, if there is one.
inline QSize bitmapSizeInside(const QByteArray& bytes) {
    for (qsizetype at = bytes.indexOf("BM"); at >= 0 && at + 26 <= bytes.size();
         at = bytes.indexOf("BM", at + 1)) {
        const quint32 info = qFromLittleEndian<quint32>(bytes.constData() + at + 14);
        if (info != 40) continue;
        return QSize(qFromLittleEndian<qint32>(bytes.constData() + at + 18),
                     std::abs(qFromLittleEndian<qint32>(bytes.constData() + at + 22)));
    }
    return {};
}

// The page of the table's definition, as the file's own catalogue (read by mdb-export) gives it.
inline int definitionPage(const QString& file, const QString& table) {
    const auto rows = referenceRows(file, QStringLiteral("MSysObjects"));
    if (rows.empty()) return -1;
    int id = -1, name = -1, type = -1;
    for (size_t i = 0; i < rows[0].size(); ++i) {
        if (rows[0][i].text == QLatin1String("Id")) id = int(i);
        if (rows[0][i].text == QLatin1String("Name")) name = int(i);
        if (rows[0][i].text == QLatin1String("Type")) type = int(i);
    }
    if (id < 0 || name < 0 || type < 0) return -1;
    for (size_t r = 1; r < rows.size(); ++r)  // type 1: a table (a form may have the same name)
        if (rows[r].at(size_t(name)).text == table &&
            rows[r].at(size_t(type)).text == QLatin1String("1"))
            return int(rows[r].at(size_t(id)).text.toLongLong() & 0xffffff);
    return -1;
}

// A Jet 3 file with one page in the middle of the table's rows marked as another kind of page.
inline void damageDataPageOf(const QString& path, const QString& table) {
    const int ps = 2048, owner = definitionPage(path, table);
    QFile f(path);
    if (owner < 3 || !f.open(QIODevice::ReadWrite)) qFatal("cannot damage %s", qPrintable(path));
    QByteArray d = f.readAll();
    std::vector<int> pages;
    for (int p = 0; p < int(d.size() / ps); ++p)
        if (d.at(p * ps) == 1 &&
            qFromLittleEndian<quint32>(d.constData() + p * ps + 4) == quint32(owner))
            pages.push_back(p);
    if (pages.size() < 3) qFatal("no rows of %s to damage", qPrintable(table));
    f.seek(qint64(pages[pages.size() / 2]) * ps);
    f.write("", 1);
}
