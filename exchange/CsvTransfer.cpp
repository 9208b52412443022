#include "CsvTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>

#include "Connection.h"
#include "CsvFile.h"
#include "PictureFile.h"
#include "Recordset.h"
#include "StoreError.h"
#include "TableAppender.h"

namespace exchange {

namespace {

constexpr qint64 kProgressEvery = 256;      // rows between two reports of progress
constexpr qsizetype kWriteBlock = 1 << 20;  // bytes gathered before they are written
const QString kKeyColumn = QStringLiteral("PartID");

[[noreturn]] void fileError(long number, const QString& text) {
    throw store::StoreError(number, text);
}

bool isTextType(store::DataTypeEnum type) {
    return type == store::adVarWChar || type == store::adLongVarWChar;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The plain form of a number, as this program writes it, read straight from the field's bytes;
// the store then checks it as any value. Anything else (the user's locale, blanks, a plus sign)
// is handed to the store as text. A file of many rows is mostly numbers.
QVariant plainNumber(store::DataTypeEnum type, QByteArrayView bytes) {
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    const char* digits = first != last && *first == '-' ? first + 1 : first;
    if (digits == last || !isDigit(*digits)) return QVariant();
    switch (type) {
        case store::adInteger:
        case store::adSmallInt: {
            qint64 n = 0;
            const auto res = std::from_chars(first, last, n);
            if (res.ec != std::errc() || res.ptr != last) return QVariant();
            return QVariant::fromValue(n);
        }
        case store::adCurrency: {
            const char* p = digits;
            qint64 whole = 0;
            int wholeDigits = 0;
            for (; p != last && isDigit(*p); ++p, ++wholeDigits) whole = whole * 10 + (*p - '0');
            if (wholeDigits > 14) return QVariant();
            qint64 frac = 0;
            int fracDigits = 0;
            if (p != last && *p == '.')
                for (++p; p != last && isDigit(*p) && fracDigits < 4; ++p, ++fracDigits)
                    frac = frac * 10 + (*p - '0');
            if (p != last) return QVariant();
            for (int i = fracDigits; i < 4; ++i) frac *= 10;
            const qint64 scaled = whole * store::Currency::kScale + frac;
            return QVariant::fromValue(store::Currency{digits != first ? -scaled : scaled});
        }
        case store::adSingle:
        case store::adDouble: {
            for (const char* p = first; p != last; ++p)
                if (!isDigit(*p) && *p != '.' && *p != 'e' && *p != 'E' && *p != '-' && *p != '+')
                    return QVariant();
            double d = 0;
            const auto res = std::from_chars(first, last, d);
            if (res.ec != std::errc() || res.ptr != last || !std::isfinite(d)) return QVariant();
            return d;
        }
        default:
            return QVariant();
    }
}

}  // namespace

QString picturesFolder(const QString& csvPath) {
    const QFileInfo info(csvPath);
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) base.chop(4);
    return info.absoluteDir().filePath(base + QStringLiteral("_pictures"));
}

ExportResult exportCsv(store::Connection& connection, const QString& table, const QString& csvPath,
                       const Progress& progress) {
    // Replacing the database with its own export would lose it.
    const QString database = QFileInfo(connection.dataSource()).canonicalFilePath();
    if (!database.isEmpty() && QFileInfo(csvPath).canonicalFilePath() == database)
        fileError(kErrFileAccess,
                  QStringLiteral("The CSV file '%1' would replace the database it is written from; "
                                 "choose another file.")
                      .arg(csvPath));
    const QString source = connection.tableReference(table);
    qint64 total = 0;
    {
        auto count = connection.Execute(QStringLiteral("SELECT count(*) FROM ") + source);
        total = count->fields()[0].Value().toLongLong();
    }
    auto rs = connection.Execute(QStringLiteral("SELECT * FROM ") + source);

    QSaveFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly))
        fileError(kErrFileAccess, QStringLiteral("The file '%1' cannot be written (%2).")
                                      .arg(csvPath, out.errorString()));

    const QString folder = picturesFolder(csvPath);
    const QString folderName = QFileInfo(folder).fileName();
    const bool folderExisted = QFileInfo::exists(folder);
    bool folderMade = false;
    QStringList picturesWritten;
    // Nothing of a failed or cancelled export stays behind: the CSV is only put in place at the
    // end, and the pictures written so far go again.
    auto undoPictures = [&] {
        if (folderMade)
            QDir(folder).removeRecursively();
        else
            for (const QString& file : picturesWritten) QFile::remove(file);
    };

    ExportResult result;
    try {
        store::Fields& fields = rs->fields();
        const int k = fields.Count();
        int keyColumn = -1;
        int imageColumn = -1;
        QByteArray buffer;
        for (int i = 0; i < k; ++i) {
            const QString name = rs->fields()[i].Name();
            if (keyColumn < 0 && name.compare(kKeyColumn, Qt::CaseInsensitive) == 0) keyColumn = i;
            if (imageColumn < 0 && name.compare(QLatin1String("Image"), Qt::CaseInsensitive) == 0)
                imageColumn = i;
            if (i > 0) buffer += ',';
            appendCsvField(buffer, name, false);
        }
        buffer += "\r\n";
        auto flush = [&] {
            if (out.write(buffer) != buffer.size())
                fileError(kErrFileAccess, QStringLiteral("The file '%1' cannot be written (%2).")
                                              .arg(csvPath, out.errorString()));
            buffer.clear();
        };
        if (progress && !progress(0, total)) result.cancelled = true;
        while (!result.cancelled && !rs->EOF_()) {
            ++result.rows;
            for (int i = 0; i < k; ++i) {
                if (i > 0) buffer += ',';
                const QVariant value = fields[i].Value();
                if (value.typeId() != QMetaType::QByteArray) {
                    appendCsvValue(buffer, value);
                    continue;
                }
                // A picture: a file of its own, named by the record's key.
                const QByteArray bytes = value.toByteArray();
                const QVariant key = keyColumn >= 0 ? rs->fields()[keyColumn].Value() : QVariant();
                QString name = key.isNull() ? QString::number(result.rows) : csvText(key);
                if (i != imageColumn) name += QLatin1Char('-') + QString::number(i);
                QString extension = pictureExtension(bytes);
                name +=
                    QLatin1Char('.') + (extension.isEmpty() ? QStringLiteral("bin") : extension);
                if (!folderExisted && !folderMade) {
                    if (!QDir().mkpath(folder))
                        fileError(kErrFileAccess,
                                  QStringLiteral("The folder '%1' cannot be made.").arg(folder));
                    folderMade = true;
                }
                QFile picture(QDir(folder).filePath(name));
                picturesWritten << picture.fileName();
                if (!picture.open(QIODevice::WriteOnly) || picture.write(bytes) != bytes.size() ||
                    !picture.flush())
                    fileError(kErrFileAccess,
                              QStringLiteral("The picture file '%1' cannot be written (%2).")
                                  .arg(picture.fileName(), picture.errorString()));
                ++result.pictures;
                appendCsvField(buffer, folderName + QLatin1Char('/') + name, false);
            }
            buffer += "\r\n";
            if (buffer.size() >= kWriteBlock) flush();
            if (progress && result.rows % kProgressEvery == 0 && !progress(result.rows, total))
                result.cancelled = true;
            rs->MoveNext();
        }
        if (!result.cancelled) {
            flush();
            if (progress) progress(result.rows, total);
            if (!out.commit())
                fileError(kErrFileAccess, QStringLiteral("The file '%1' cannot be written (%2).")
                                              .arg(csvPath, out.errorString()));
        }
    } catch (...) {
        out.cancelWriting();
        undoPictures();
        throw;
    }
    if (result.cancelled) {
        out.cancelWriting();
        undoPictures();
    }
    return result;
}

CsvImport::CsvImport(store::Connection& connection, const QString& table, const QString& csvPath)
    : m_connection(connection), m_table(table), m_path(csvPath) {
    const store::TableAppender target(connection, table);
    const auto& columns = target.columns();
    if (columns.size() < 2 || columns[1].name != QLatin1String("PartNumber") ||
        target.keyColumn() != 0)
        fileError(
            store::errOperationNotAllowed,
            QStringLiteral(
                "The table '%1' is not a parts table: only a parts table takes parts from a CSV "
                "file.")
                .arg(table));
    CsvReader reader(csvPath);
    std::vector<CsvField> fields;
    if (!reader.next(fields))
        fileError(kErrFileFormat,
                  QStringLiteral("The file '%1' is empty: it has no header row naming the columns.")
                      .arg(csvPath));
    for (const CsvField& f : fields) {
        QString name;
        if (!decodeUtf8(f.bytes, name))
            fileError(kErrFileFormat,
                      QStringLiteral("The header row of '%1' is not UTF-8 text, so the file is "
                                     "not a CSV file the program reads.")
                          .arg(csvPath));
        int column = -1;
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(name.trimmed(), Qt::CaseInsensitive) == 0) column = int(i);
        if (column >= 0 &&
            std::find(m_columnOf.begin(), m_columnOf.end(), column) != m_columnOf.end())
            fileError(kErrFileFormat,
                      QStringLiteral("The header row of '%1' names the column \"%2\" twice.")
                          .arg(csvPath, columns[size_t(column)].name));
        if (column < 0)
            m_unknown << (name.isEmpty() ? QStringLiteral("(a column without a name)") : name);
        m_header << name;
        m_columnOf.push_back(column);
    }
    if (m_unknown.size() == m_header.size())
        fileError(
            kErrFileFormat,
            QStringLiteral("The header row of '%1' names none of the columns of the table '%2', "
                           "so nothing can be imported from it.")
                .arg(csvPath, table));
}

CsvImport::~CsvImport() = default;

void CsvImport::refuse(qint64 line, const QString& column, const QString& value,
                       const QString& reason) {
    if (m_refusals.size() < kRefusalsKept) m_refusals.push_back({line, column, value, reason});
}

bool CsvImport::run(bool newKeys, const Progress& progress) {
    m_rowsRead = m_rowsAdded = m_rowsRefused = m_takenKeyRows = 0;
    m_refusals.clear();
    store::TableAppender target(m_connection, m_table);
    const auto& columns = target.columns();
    const int keyColumn = target.keyColumn();
    const QDir base = QFileInfo(m_path).absoluteDir();

    CsvReader reader(m_path);
    std::vector<CsvField> fields;
    reader.next(fields);  // the header, read before
    auto estimate = [&] {
        const qint64 read = std::max<qint64>(reader.bytesRead(), 1);
        return std::max(m_rowsRead,
                        qint64(double(m_rowsRead) * double(reader.size()) / double(read)));
    };
    std::vector<QVariant> values(columns.size());
    if (progress && !progress(0, 0)) return false;
    while (reader.next(fields)) {
        ++m_rowsRead;
        const qint64 line = reader.line();
        if (qsizetype(fields.size()) > m_header.size()) {
            refuse(line, QString(), QString(),
                   QStringLiteral("The row has %1 fields; the header row names %2 columns.")
                       .arg(fields.size())
                       .arg(m_header.size()));
            ++m_rowsRefused;
            continue;
        }
        std::fill(values.begin(), values.end(), QVariant());
        bool refused = false;
        bool keyWasTaken = false;
        for (size_t j = 0; j < fields.size(); ++j) {
            const int column = m_columnOf[j];
            if (column < 0) continue;
            const store::ColumnInfo& info = columns[size_t(column)];
            const CsvField& f = fields[j];
            // A number in the plain form needs no text made of it.
            if (column != keyColumn && !f.isNull) {
                const QVariant plain = plainNumber(info.type, f.bytes);
                if (plain.isValid()) {
                    try {
                        values[size_t(column)] = target.convert(column, plain);
                        continue;
                    } catch (const store::StoreError&) {
                        // told below, with the text as written
                    }
                }
            }
            QString text;
            if (!f.isNull && !decodeUtf8(f.bytes, text)) {
                refuse(line, info.name, QString::fromLatin1(f.bytes.toByteArray()),
                       QStringLiteral("The text is not UTF-8 (save the file as CSV UTF-8)."));
                refused = true;
                continue;
            }
            try {
                if (column == keyColumn) {
                    // The file's key, where it is free.
                    if (text.trimmed().isEmpty()) continue;
                    const QVariant key = target.convert(column, text);
                    if (!target.keyTaken(key.toLongLong())) {
                        values[size_t(column)] = key;
                    } else if (!newKeys) {
                        refuse(line, info.name, text,
                               QStringLiteral("The key %1 is taken by another record.")
                                   .arg(key.toLongLong()));
                        keyWasTaken = true;
                    }
                } else if (info.type == store::adLongVarBinary) {
                    if (text.isEmpty()) continue;
                    const QString path = QDir::isAbsolutePath(text) ? text : base.filePath(text);
                    if (const QString why = pictureFileRefusal(path); !why.isEmpty()) {
                        refuse(line, info.name, text, why);
                        refused = true;
                        continue;
                    }
                    QFile file(path);
                    QByteArray bytes;
                    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kPictureFileLimit + 1);
                    if (bytes.size() != file.size() || file.error() != QFileDevice::NoError) {
                        refuse(line, info.name, text,
                               QStringLiteral("The file '%1' cannot be read (%2).")
                                   .arg(path, file.errorString()));
                        refused = true;
                    } else if (pictureExtension(bytes).isEmpty()) {
                        refuse(line, info.name, text,
                               QStringLiteral("The file '%1' does not appear to be a picture "
                                              "(JPEG, BMP, GIF, PNG or "
                                              "icon).")
                                   .arg(path));
                        refused = true;
                    } else {
                        values[size_t(column)] = target.convert(column, bytes);
                    }
                } else if (!f.isNull && (!text.isEmpty() || isTextType(info.type))) {
                    // An empty field is Null; quotes around nothing make an empty text.
                    values[size_t(column)] = target.convert(column, text);
                }
            } catch (const store::StoreError& e) {
                refuse(line, info.name, text, e.description());
                refused = true;
            }
        }
        if (refused || keyWasTaken) {
            ++m_rowsRefused;
            if (!refused) ++m_takenKeyRows;
        } else {
            try {
                target.append(values);
                ++m_rowsAdded;
            } catch (const store::StoreError& e) {
                refuse(line, QString(), QString(), e.description());
                ++m_rowsRefused;
            }
        }
        if (progress && m_rowsRead % kProgressEvery == 0 && !progress(m_rowsRead, estimate()))
            return false;
    }
    if (progress) progress(m_rowsRead, m_rowsRead);
    return true;
}

QStringList refusalLines(const CsvImport& import, int limit) {
    QStringList lines;
    for (const Refusal& r : import.refusals()) {
        if (lines.size() >= limit) break;
        QString where = QStringLiteral("line %1").arg(r.line);
        if (!r.column.isEmpty())
            where += QStringLiteral(", \"%1\" = \"%2\"").arg(r.column, r.value);
        lines << where + QStringLiteral(": ") + r.reason;
    }
    return lines;
}

}  // namespace exchange
