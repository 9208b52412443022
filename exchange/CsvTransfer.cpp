#include "CsvTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "Connection.h"
#include "CsvFile.h"
#include "ExchangeText.h"
#include "PictureFile.h"
#include "Recordset.h"
#include "StoreError.h"
#include "TableAppender.h"
#include "TableReader.h"
#include "Value.h"

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

bool isNumberType(store::DataTypeEnum type) {
    return type == store::adInteger || type == store::adSmallInt || type == store::adBigInt ||
           type == store::adCurrency || type == store::adSingle || type == store::adDouble;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// What a field in the plain form of a number (as this program writes it) is in a numeric
// column. The plain form goes first in every column: a dot is the decimal point wherever it
// stands, so "1.234" is the same number in each column whatever the user's locale.
enum class Plain { No, Number, NotWhole };

Plain plainNumber(store::DataTypeEnum type, QByteArrayView bytes, QVariant& number) {
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    const char* digits = first != last && *first == '-' ? first + 1 : first;
    if (digits == last || !isDigit(*digits)) return Plain::No;
    switch (type) {
        case store::adInteger:
        case store::adSmallInt:
        case store::adBigInt: {
            qint64 n = 0;
            const auto res = std::from_chars(first, last, n);
            if (res.ec == std::errc() && res.ptr == last) {
                number = QVariant::fromValue(n);
                return Plain::Number;
            }
            const char* p = digits;
            while (p != last && isDigit(*p)) ++p;
            if (p != last && *p == '.' && std::all_of(p + 1, last, isDigit)) return Plain::NotWhole;
            return Plain::No;
        }
        case store::adCurrency: {
            // Exact to the ten-thousandth over the whole range, not through a double.
            const char* p = digits;
            quint64 whole = 0;
            int wholeDigits = 0;
            for (; p != last && isDigit(*p); ++p, ++wholeDigits)
                whole = whole * 10 + quint64(*p - '0');
            if (wholeDigits > 15) return Plain::No;
            quint64 frac = 0;
            int fracDigits = 0;
            if (p != last && *p == '.')
                for (++p; p != last && isDigit(*p) && fracDigits < 4; ++p, ++fracDigits)
                    frac = frac * 10 + quint64(*p - '0');
            if (p != last) return Plain::No;
            for (int i = fracDigits; i < 4; ++i) frac *= 10;
            const quint64 scaled = whole * quint64(store::Currency::kScale) + frac;
            const bool negative = digits != first;
            const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
            if (scaled > limit) return Plain::No;
            number = QVariant::fromValue(
                store::Currency{negative ? qint64(0 - scaled) : qint64(scaled)});
            return Plain::Number;
        }
        case store::adSingle:
        case store::adDouble: {
            for (const char* p = first; p != last; ++p)
                if (!isDigit(*p) && *p != '.' && *p != 'e' && *p != 'E' && *p != '-' && *p != '+')
                    return Plain::No;
            double d = 0;
            const auto res = std::from_chars(first, last, d);
            if (res.ec != std::errc() || res.ptr != last || !std::isfinite(d)) return Plain::No;
            number = d;
            return Plain::Number;
        }
        default:
            return Plain::No;
    }
}

// A plain number handed to its column as convertForColumn converts it and the statement binds
// the result; false where the number does not fit, or is too large for convertForColumn's way
// through a double to keep it exact, and only convertForColumn tells what becomes of it.
bool setPlainNumber(store::TableAppender& target, int column, store::DataTypeEnum type,
                    const QVariant& plain) {
    switch (type) {
        case store::adSmallInt:
        case store::adInteger:
        case store::adBigInt: {
            constexpr qint64 kExact = qint64(1) << 53;
            const qint64 n = plain.toLongLong();
            const qint64 lo = type == store::adSmallInt  ? -32768
                              : type == store::adInteger ? std::numeric_limits<qint32>::min()
                                                         : -kExact;
            const qint64 hi = type == store::adSmallInt  ? 32767
                              : type == store::adInteger ? std::numeric_limits<qint32>::max()
                                                         : kExact;
            if (n < lo || n > hi) return false;
            target.setInteger(column, n);
            return true;
        }
        case store::adCurrency:
            target.setInteger(column, plain.value<store::Currency>().scaled);
            return true;
        case store::adDouble:
            target.setReal(column, plain.toDouble());
            return true;
        case store::adSingle: {
            constexpr double kBeyondSingle = 0x1.ffffffp127;
            const double d = plain.toDouble();
            if (std::fabs(d) >= kBeyondSingle) return false;
            target.setValue(column, QVariant::fromValue(float(d)));
            return true;
        }
        default:
            return false;
    }
}

// A text of ASCII characters handed to its text column as convertForColumn takes the text read
// from it (formulaUnguarded), unless it is too long for the column (told by convertForColumn).
bool setAsciiText(store::TableAppender& target, int column, const store::ColumnInfo& info,
                  QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    qsizetype quotes = 0;
    while (quotes < bytes.size() && bytes[quotes] == '\'') ++quotes;
    if (quotes > 0 && quotes < bytes.size() && isFormulaStart(QLatin1Char(bytes[quotes])))
        bytes = bytes.sliced(1);
    if (info.type == store::adVarWChar && info.definedSize > 0 && bytes.size() > info.definedSize)
        return false;
    target.setText(column, bytes);
    return true;
}

// The row key as written: any whole number the table's keys may be, not only those of the
// column's declared size (new keys count on past it).
std::optional<qint64> keyNumber(const QString& text) {
    bool ok = false;
    const qint64 key = text.trimmed().toLongLong(&ok);
    if (ok) return key;
    return store::parseInteger(text);
}

bool isInside(const QString& path, const QString& folder) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

namespace {}  // namespace

bool isProcessTarget(const QString& csvPath) {
    static const QRegularExpression stream(
        QStringLiteral("^(/dev/(stdout|stderr|fd/\\d+)|/proc/(self|thread-self|\\d+)/fd/\\d+)$"));
    return stream.match(QFileInfo(csvPath).absoluteFilePath()).hasMatch();
}

QString picturesFolder(const QString& csvPath) {
    const QFileInfo info(csvPath);
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) base.chop(4);
    // The pictures of a CSV written to the standard output or a terminal go into the current
    // folder: there is none beside such a target.
    struct stat st {};
    const bool device =
        ::stat(QFile::encodeName(csvPath).constData(), &st) == 0 && S_ISCHR(st.st_mode);
    const QDir folder = isProcessTarget(csvPath) || device ? QDir::current() : info.absoluteDir();
    return folder.filePath(base + QStringLiteral("_pictures"));
}

bool isFormulaStart(QChar c) {
    const char16_t u = c.unicode();
    return u == '=' || u == '+' || u == '-' || u == '@' || u == '\t' || u == '\r';
}

QString formulaGuarded(const QString& text, bool guard) {
    qsizetype quotes = 0;
    while (quotes < text.size() && text.at(quotes) == QLatin1Char('\'')) ++quotes;
    // Text that already begins with quotes before a formula sign gets one more whatever the
    // choice, so that reading takes exactly one off again.
    if (quotes < text.size() && isFormulaStart(text.at(quotes)) && (guard || quotes > 0))
        return QLatin1Char('\'') + text;
    return text;
}

QString formulaUnguarded(const QString& text) {
    qsizetype quotes = 0;
    while (quotes < text.size() && text.at(quotes) == QLatin1Char('\'')) ++quotes;
    if (quotes > 0 && quotes < text.size() && isFormulaStart(text.at(quotes))) return text.mid(1);
    return text;
}

namespace {

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Where the CSV goes: an ordinary file is replaced whole when the export is done; a pipe, a
// terminal or the standard output is written as the rows come. Nothing else is written to.
std::unique_ptr<QFileDevice> openCsvTarget(const QString& csvPath) {
    const QByteArray native = QFile::encodeName(csvPath);
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (!exists || (S_ISREG(st.st_mode) && !isProcessTarget(csvPath))) {
        auto out = std::make_unique<QSaveFile>(csvPath);
        if (!out->open(QIODevice::WriteOnly))
            fileError(
                kErrFileAccess,
                Text::tr("The file '%1' cannot be written (%2).").arg(csvPath, out->errorString()));
        return out;
    }
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode))
        fileError(kErrFileAccess, Text::tr("'%1' is a folder or a device that is not a file; "
                                           "the CSV cannot be written there.")
                                      .arg(csvPath));
    // Not waiting for a reader that may never come.
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fileError(kErrFileAccess,
                  errno == ENXIO
                      ? Text::tr("No program reads from the pipe '%1'.").arg(csvPath)
                      : Text::tr("'%1' cannot be written (%2).").arg(csvPath, errnoText()));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto out = std::make_unique<QFile>();
    out->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    return out;
}

// The file name of a picture: the record's key in a form that stays inside the folder (no
// separator, no leading dot, not too long), unique for each key.
QString pictureBaseName(const QString& key) {
    QString name = QString::fromLatin1(QUrl::toPercentEncoding(key));
    if (name.startsWith(QLatin1Char('.'))) name.replace(0, 1, QStringLiteral("%2E"));
    if (name.size() > 120)
        name = name.left(80) + QLatin1Char('~') +
               QString::fromLatin1(
                   QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex());
    return name;
}

// The folder of an export's pictures. Only ever a new or empty folder, so that no file the user
// has there is replaced; files are made, never opened, and a link in their place is refused.
class PictureFolder {
public:
    explicit PictureFolder(const QString& path) : m_path(path) {}
    PictureFolder(const PictureFolder&) = delete;
    PictureFolder& operator=(const PictureFolder&) = delete;
    ~PictureFolder() {
        if (m_dir >= 0) ::close(m_dir);
    }

    // Makes the file `name`, or `ifTaken` when this export already made one of that name (keys
    // that are not unique). Returns the name used.
    QString write(const QString& name, const QString& ifTaken, const QByteArray& bytes) {
        if (m_dir < 0) open();
        QByteArray native = QFile::encodeName(name);
        int fd = create(native);
        if (fd < 0 && errno == EEXIST &&
            std::find(m_written.begin(), m_written.end(), native) != m_written.end()) {
            native = QFile::encodeName(ifTaken);
            fd = create(native);
        }
        const QString used = QFile::decodeName(native);
        if (fd < 0)
            fileError(kErrFileAccess, Text::tr("The picture file '%1' cannot be made (%2).")
                                          .arg(filePath(used), errnoText()));
        m_written.push_back(native);
        QFile file;
        file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
        if (file.write(bytes) != bytes.size() || !file.flush())
            fileError(kErrFileAccess, Text::tr("The picture file '%1' cannot be written (%2).")
                                          .arg(filePath(used), file.errorString()));
        return used;
    }

    // Takes away what this export made, and nothing else.
    void undo() {
        if (m_dir < 0) return;
        for (const QByteArray& name : m_written) ::unlinkat(m_dir, name.constData(), 0);
        m_written.clear();
        if (m_made) ::rmdir(QFile::encodeName(m_path).constData());
    }

    QString filePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }

private:
    // Only ever a new file, and never through a link.
    int create(const QByteArray& name) const {
        return ::openat(m_dir, name.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }

    void open() {
        const QByteArray native = QFile::encodeName(m_path);
        if (::mkdir(native.constData(), 0777) == 0) {
            m_made = true;
        } else if (errno != EEXIST) {
            fileError(kErrFileAccess,
                      Text::tr("The folder '%1' cannot be made (%2).").arg(m_path, errnoText()));
        }
        m_dir = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (m_dir < 0 && m_made) {
            const QString why = errnoText();
            ::rmdir(native.constData());
            fileError(kErrFileAccess,
                      Text::tr("The folder '%1' cannot be opened (%2).").arg(m_path, why));
        }
        if (m_dir < 0 || (!m_made && !QDir(m_path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                           QDir::Hidden | QDir::System)))
            fileError(kErrFileAccess,
                      Text::tr("'%1' already exists and is not an empty folder. The pictures "
                               "go into a new or empty folder, so that none of your files "
                               "is replaced: choose another name for the CSV file, or move "
                               "that folder away.")
                          .arg(m_path));
    }

    QString m_path;
    int m_dir = -1;
    bool m_made = false;
    std::vector<QByteArray> m_written;
};

struct ExportRun {
    store::TableReader& rs;
    QFileDevice& out;
    const QString& csvPath;
    bool guardFormulas;
    PictureFolder pictures;
    QString folderName;
    QByteArray buffer;
    int keyColumn = -1;
    int imageColumn = -1;

    void flush() {
        if (out.write(buffer) != buffer.size())
            fileError(
                kErrFileAccess,
                Text::tr("The file '%1' cannot be written (%2).").arg(csvPath, out.errorString()));
        buffer.resize(0);  // its room is kept for the next block
    }

    void header() {
        const auto& columns = rs.columns();
        const int k = int(columns.size());
        for (int i = 0; i < k; ++i) {
            const QString& name = columns[size_t(i)].name;
            if (keyColumn < 0 && name.compare(kKeyColumn, Qt::CaseInsensitive) == 0) keyColumn = i;
            if (imageColumn < 0 && name.compare(QLatin1String("Image"), Qt::CaseInsensitive) == 0)
                imageColumn = i;
            if (i > 0) buffer += ',';
            appendCsvField(buffer, formulaGuarded(name, guardFormulas), false);
        }
        buffer += "\r\n";
    }

    // One row; returns the number of pictures written.
    int row(qint64 rowNumber) {
        const auto& columns = rs.columns();
        const int k = int(columns.size());
        int written = 0;
        for (int i = 0; i < k; ++i) {
            if (i > 0) buffer += ',';
            // Most values are written as the file keeps them, without being read into a QVariant.
            const store::StoredValue stored = rs.stored(i);
            if (appendStoredCsvValue(buffer, stored, columns[size_t(i)].type)) continue;
            if (stored.kind == store::StoredValue::Text &&
                columns[size_t(i)].type != store::adDate && appendAsciiText(stored.bytes))
                continue;
            const QVariant value = rs.value(i);
            if (value.typeId() == QMetaType::QString) {
                appendCsvField(buffer, formulaGuarded(value.toString(), guardFormulas), false);
            } else if (value.typeId() != QMetaType::QByteArray) {
                appendCsvValue(buffer, value);
            } else {
                appendCsvField(buffer, picture(rowNumber, i, value.toByteArray()), false);
                ++written;
            }
        }
        buffer += "\r\n";
        return written;
    }

    // A text of ASCII characters as formulaGuarded and appendCsvField write it, the leading quote
    // of a guarded formula added; false for any other text.
    bool appendAsciiText(QByteArrayView text) {
        qsizetype quotes = 0;
        while (quotes < text.size() && text[quotes] == '\'') ++quotes;
        const bool guarded = quotes < text.size() && isFormulaStart(QLatin1Char(text[quotes])) &&
                             (guardFormulas || quotes > 0);
        if (!guarded) return appendAsciiCsvField(buffer, text);
        const qsizetype at = buffer.size();
        QByteArray quoted;
        quoted.reserve(text.size() + 1);
        quoted += '\'';
        quoted += text;
        if (appendAsciiCsvField(buffer, quoted)) return true;
        buffer.truncate(at);
        return false;
    }

    // A picture: a file of its own, named by the record's key; the field names the file. The
    // key is percent-encoded, which never gives a '+': what follows one tells names apart, "+r"
    // and the row for a record without a key or with a key used before, '+' and the column for
    // a second picture column.
    QString picture(qint64 rowNumber, int column, const QByteArray& bytes) {
        const QVariant key = keyColumn >= 0 ? rs.value(keyColumn) : QVariant();
        const QString byRow = QStringLiteral("+r") + QString::number(rowNumber);
        QString name = keyColumn < 0                            ? QString::number(rowNumber)
                       : key.isNull() || csvText(key).isEmpty() ? byRow
                                                                : pictureBaseName(csvText(key));
        QString suffix;
        if (column != imageColumn) suffix += QLatin1Char('+') + QString::number(column);
        const QString extension = pictureExtension(bytes);
        suffix += QLatin1Char('.') + (extension.isEmpty() ? QStringLiteral("bin") : extension);
        const QString used = pictures.write(name + suffix, name + byRow + suffix, bytes);
        return formulaGuarded(folderName + QLatin1Char('/') + used, guardFormulas);
    }
};

}  // namespace

ExportResult exportCsv(store::Connection& connection, const QString& table, const QString& csvPath,
                       const Progress& progress, bool guardFormulas) {
    // Replacing the database with its own export would lose it.
    const QString database = QFileInfo(connection.dataSource()).canonicalFilePath();
    if (!database.isEmpty() && QFileInfo(csvPath).canonicalFilePath() == database)
        fileError(kErrFileAccess,
                  Text::tr("The CSV file '%1' would replace the database it is written from; "
                           "choose another file.")
                      .arg(csvPath));
    const QString source = connection.tableReference(table);
    qint64 total = 0;
    {
        auto count = connection.Execute(QStringLiteral("SELECT count(*) FROM ") + source);
        total = count->fields()[0].Value().toLongLong();
    }
    store::TableReader rows(connection, table);

    const std::unique_ptr<QFileDevice> out = openCsvTarget(csvPath);
    auto* replaced = qobject_cast<QSaveFile*>(out.get());
    const QString folder = picturesFolder(csvPath);
    ExportRun run{
        rows, *out, csvPath, guardFormulas, PictureFolder(folder), QFileInfo(folder).fileName(),
        {}};
    // Nothing of a failed or cancelled export stays behind: the CSV is only put in place at the
    // end, and the pictures written so far go again.
    ExportResult result;
    try {
        run.header();
        if (progress && !progress(0, total)) result.cancelled = true;
        while (!result.cancelled && rows.next()) {
            ++result.rows;
            result.pictures += run.row(result.rows);
            if (run.buffer.size() >= kWriteBlock) run.flush();
            if (progress && result.rows % kProgressEvery == 0 && !progress(result.rows, total))
                result.cancelled = true;
        }
        if (!result.cancelled) {
            run.flush();
            if (progress) progress(result.rows, total);
            if (replaced ? !replaced->commit() : !out->flush())
                fileError(kErrFileAccess, Text::tr("The file '%1' cannot be written (%2).")
                                              .arg(csvPath, out->errorString()));
        }
    } catch (...) {
        if (replaced) replaced->cancelWriting();
        run.pictures.undo();
        throw;
    }
    if (result.cancelled) {
        if (replaced) replaced->cancelWriting();
        run.pictures.undo();
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
            Text::tr(
                "The table '%1' is not a parts table: only a parts table takes parts from a CSV "
                "file.")
                .arg(table));
    CsvReader reader(csvPath);
    std::vector<CsvField> fields;
    if (!reader.next(fields))
        fileError(kErrFileFormat,
                  Text::tr("The file '%1' is empty: it has no header row naming the columns.")
                      .arg(csvPath));
    for (const CsvField& f : fields) {
        QString name;
        if (!decodeUtf8(f.bytes, name))
            fileError(kErrFileFormat,
                      Text::tr("The header row of '%1' is not UTF-8 text, so the file is "
                               "not a CSV file the program reads.")
                          .arg(csvPath));
        name = formulaUnguarded(name);
        int column = -1;
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(name.trimmed(), Qt::CaseInsensitive) == 0) column = int(i);
        if (column >= 0 &&
            std::find(m_columnOf.begin(), m_columnOf.end(), column) != m_columnOf.end())
            fileError(kErrFileFormat,
                      Text::tr("The header row of '%1' names the column \"%2\" twice.")
                          .arg(csvPath, columns[size_t(column)].name));
        if (column < 0 && m_unknown.size() < kUnknownListed)
            m_unknown << (name.isEmpty() ? Text::tr("(a column without a name)")
                                         : store::abridged(name));
        else if (column < 0)
            ++m_moreUnknown;
        m_header << name;
        m_columnOf.push_back(column);
    }
    if (m_unknown.size() + m_moreUnknown == m_header.size())
        fileError(kErrFileFormat,
                  Text::tr("The header row of '%1' names none of the columns of the table '%2', "
                           "so nothing can be imported from it.")
                      .arg(csvPath, table));
}

CsvImport::~CsvImport() = default;

void CsvImport::refuse(qint64 line, const QString& column, const QString& value,
                       const QString& reason) {
    if (m_refusals.size() < kRefusalsKept)
        m_refusals.push_back({line, column, store::abridged(value), reason});
}

bool CsvImport::run(bool newKeys, const Progress& progress) {
    m_rowsRead = m_rowsAdded = m_rowsRefused = m_takenKeyRows = m_outsideRows = 0;
    m_refusals.clear();
    store::TableAppender target(m_connection, m_table);
    m_folder = QFileInfo(QFileInfo(m_path).absolutePath()).canonicalFilePath();

    CsvReader reader(m_path);
    std::vector<CsvField> fields;
    reader.next(fields);  // the header, read before
    auto estimate = [&] {
        const qint64 read = std::max<qint64>(reader.bytesRead(), 1);
        return std::max(m_rowsRead,
                        qint64(double(m_rowsRead) * double(reader.size()) / double(read)));
    };
    if (progress && !progress(0, 0)) return false;
    while (reader.next(fields)) {
        ++m_rowsRead;
        const qint64 line = reader.line();
        if (qsizetype(fields.size()) != m_header.size()) {
            refuse(line, QString(), QString(),
                   Text::tr("The row has %1 fields; the header row names %2 columns.")
                       .arg(fields.size())
                       .arg(m_header.size()));
            ++m_rowsRefused;
            continue;
        }
        target.clearRow();
        RowState row;
        for (size_t j = 0; j < fields.size(); ++j)
            if (m_columnOf[j] >= 0) takeField(target, m_columnOf[j], fields[j], line, newKeys, row);
        if (row.refused || row.keyTaken) {
            ++m_rowsRefused;
            if (!row.refused) ++m_takenKeyRows;
            if (row.outside) ++m_outsideRows;
        } else {
            try {
                target.appendRow();
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

void CsvImport::takeField(store::TableAppender& target, int column, const CsvField& f, qint64 line,
                          bool newKeys, RowState& row) {
    const store::ColumnInfo& info = target.columns()[size_t(column)];
    // A number in the plain form needs no text made of it. A dot is the decimal point in every
    // numeric column, the key's too: it never groups thousands, whatever the locale.
    const bool isKey = column == target.keyColumn();
    if ((isKey || isNumberType(info.type)) && !f.isNull) {
        QVariant plain;
        const Plain kind = plainNumber(isKey ? store::adBigInt : info.type, f.bytes, plain);
        const bool dotGroups = kind == Plain::No && f.bytes.contains('.') &&
                               QLocale().groupSeparator() == QLatin1String(".");
        if (kind == Plain::NotWhole || dotGroups) {
            refuse(line, info.name,
                   QString::fromLatin1(
                       f.bytes.first(std::min<qsizetype>(f.bytes.size(), 200)).toByteArray()),
                   kind == Plain::NotWhole
                       ? Text::tr("The column takes whole numbers, and a dot is read as a "
                                  "decimal point in every column (write numbers without "
                                  "thousands separators).")
                       : Text::tr("A dot is read as the decimal point in every column, so "
                                  "it cannot group thousands (write 1234,5, not 1.234,5)."));
            row.refused = true;
            return;
        }
        if (kind == Plain::Number && isKey) {
            // keyNumber reads the same number from the text; a key taken is told below.
            const qint64 key = plain.toLongLong();
            if (!target.keyTaken(key)) {
                target.setInteger(column, key);
                return;
            }
        }
        if (kind == Plain::Number && !isKey) {
            if (setPlainNumber(target, column, info.type, plain)) return;
            try {
                target.setValue(column, target.convert(column, plain));
                return;
            } catch (const store::StoreError&) {
                // told below, with the text as written
            }
        }
    }
    // A text of ASCII characters and a date in the stored form are written as they are.
    if (!f.isNull && isTextType(info.type) && setAsciiText(target, column, info, f.bytes)) return;
    if (!f.isNull && info.type == store::adDate && store::isPlainStoredDate(f.bytes)) {
        target.setText(column, f.bytes);
        return;
    }
    QString text;
    if (!f.isNull && !decodeUtf8(f.bytes, text)) {
        refuse(line, info.name,
               QString::fromLatin1(
                   f.bytes.first(std::min<qsizetype>(f.bytes.size(), 200)).toByteArray()),
               Text::tr("The text is not UTF-8 (save the file as CSV UTF-8)."));
        row.refused = true;
        return;
    }
    text = formulaUnguarded(text);
    try {
        if (column == target.keyColumn()) {
            takeKey(target, column, text, line, newKeys, row);
        } else if (info.type == store::adLongVarBinary) {
            if (!text.isEmpty()) takePicture(target, column, text, line, row);
        } else if (!f.isNull && (!text.isEmpty() || isTextType(info.type))) {
            // An empty field is Null; quotes around nothing make an empty text.
            target.setValue(column, target.convert(column, text));
        }
    } catch (const store::StoreError& e) {
        refuse(line, info.name, text, e.description());
        row.refused = true;
    }
}

void CsvImport::takeKey(store::TableAppender& target, int column, const QString& text, qint64 line,
                        bool newKeys, RowState& row) {
    // The file's key, where it is free.
    if (text.trimmed().isEmpty()) return;
    const std::optional<qint64> key = keyNumber(text);
    if (!key) {
        refuse(line, target.columns()[size_t(column)].name, text,
               Text::tr("The key needs a whole number."));
        row.refused = true;
    } else if (!target.keyTaken(*key)) {
        target.setInteger(column, *key);
    } else if (!newKeys) {
        refuse(line, target.columns()[size_t(column)].name, text,
               Text::tr("The key %1 is taken by another record.").arg(*key));
        row.keyTaken = true;
    }
}

void CsvImport::takePicture(store::TableAppender& target, int column, const QString& text,
                            qint64 line, RowState& row) {
    const QString& name = target.columns()[size_t(column)].name;
    const QString path = QDir::cleanPath(QDir(m_folder).filePath(text));
    QString why = pictureFileRefusal(path);
    if (why.isEmpty() && !m_picturesFromAnywhere && !isInside(path, m_folder)) {
        why = Text::tr(
                  "The picture is outside the folder of the CSV file ('%1'); only "
                  "pictures in that folder or below it are read unless others are "
                  "allowed.")
                  .arg(m_folder);
        row.outside = true;
    }
    if (!why.isEmpty()) {
        refuse(line, name, text, why);
        row.refused = true;
        return;
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kPictureFileLimit + 1);
    if (bytes.size() != file.size() || file.error() != QFileDevice::NoError) {
        refuse(line, name, text,
               Text::tr("The file '%1' cannot be read (%2).").arg(path, file.errorString()));
        row.refused = true;
    } else if (pictureExtension(bytes).isEmpty()) {
        refuse(line, name, text,
               Text::tr("The file '%1' does not appear to be a picture (JPEG, BMP, GIF, PNG "
                        "or icon).")
                   .arg(path));
        row.refused = true;
    } else {
        target.setValue(column, target.convert(column, bytes));
    }
}

QStringList refusalLines(const CsvImport& import, int limit) {
    QStringList lines;
    for (const Refusal& r : import.refusals()) {
        if (lines.size() >= limit) break;
        QString where = Text::tr("line %1").arg(r.line);
        if (!r.column.isEmpty())
            where += QStringLiteral(", \"%1\" = \"%2\"").arg(r.column, r.value);
        lines << where + QStringLiteral(": ") + r.reason;
    }
    return lines;
}

}  // namespace exchange
