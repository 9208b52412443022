#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>
#include <deque>
#include <vector>

#include "Value.h"

struct csv_parser;

namespace exchange {

// Failures of reading or writing a file, with a number and a description for the user, as the
// store's own errors have.
inline constexpr long kErrFileAccess = 75;    // a file cannot be opened, read or written
inline constexpr long kErrFileFormat = 3001;  // the file is not CSV text as expected

// The text a value is written as: the same on every machine, so that it reads back exactly.
// Numbers with a dot and every digit needed (a single reads back to the same 32-bit value),
// currency to the ten-thousandth, dates as "YYYY-MM-DD HH:MM:SS", True/False; Null is "".
QString csvText(const QVariant& value);

// Adds one field to a line of CSV: quoted where needed (a separator, quote or line break
// inside, or an empty text, which is thereby told from a Null).
void appendCsvField(QByteArray& line, const QString& text, bool isNull);
// The same for a value, written as csvText gives it.
void appendCsvValue(QByteArray& line, const QVariant& value);
// The same for a value as the database keeps it in a column of `type`, written as appendCsvValue
// writes the value read from it: false, with nothing added, for a text (but a date in its plain
// stored form) and a blob, which are written as read.
bool appendStoredCsvValue(QByteArray& line, const store::StoredValue& value,
                          store::DataTypeEnum type);
// A text of ASCII characters only, as its bytes, written as appendCsvField writes it; false,
// with nothing added, for any other text.
bool appendAsciiCsvField(QByteArray& line, QByteArrayView text);

// One field of a record as read: Null is an empty field without quotes. The bytes stay valid
// until the next record is read.
struct CsvField {
    QByteArrayView bytes;
    bool isNull = false;
};

// The longest field read and the most fields a record may have: far more than any column holds,
// and little enough that a hostile file cannot take the memory.
inline constexpr qsizetype kMaxFieldBytes = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxFields = 4096;
inline constexpr qsizetype kMaxRecordBytes = 64 * 1024 * 1024;

// Reads a CSV file record by record, a block at a time: a byte-order mark is passed over,
// lines may end in CRLF or LF, and the separator is ';' when the first line holds more
// semicolons than commas.
class CsvReader {
public:
    // Throws StoreError(kErrFileAccess) when the file cannot be opened or is not an ordinary
    // file (a pipe or a device could be read without end).
    explicit CsvReader(const QString& path);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next record, false past the last one. Throws StoreError(kErrFileFormat) for a file
    // that is not CSV text (a NUL byte, a stray quote).
    // A field longer than kMaxFieldBytes, a record of more than kMaxFields fields or of more
    // than kMaxRecordBytes is refused the same way, with its line and field.
    bool next(std::vector<CsvField>& fields);
    // The line of the file on which the record last read begins, counted from 1.
    qint64 line() const { return m_line; }
    // About how many bytes of the file the records read so far took up.
    qint64 bytesRead() const { return m_consumed; }
    qint64 size() const { return m_size; }
    char separator() const { return m_separator; }

private:
    static void onField(void* data, size_t length, void* self);
    static void onRecordEnd(int terminator, void* self);
    void fill();
    void checkBounds();
    [[noreturn]] void tooLong(qint64 line, qsizetype field) const;

    QFile m_file;
    qint64 m_size = 0;
    csv_parser* m_parser = nullptr;
    char m_separator = ',';
    bool m_atEnd = false;
    bool m_first = true;

    // A record's fields one after another in one block: one allocation a record, not one a field.
    struct Record {
        QByteArray data;
        std::vector<std::pair<qsizetype, qsizetype>>
            spans;  // offset and length; -1 length for Null
        qint64 line = 0;
    };
    // A record read is taken back when the next one is, and filled again: its blocks are kept.
    Record spareRecord();
    std::deque<Record> m_ready;
    std::vector<Record> m_spare;
    Record m_building;
    Record m_current;
    qint64 m_physicalLine = 1;   // the line the parser is on
    int m_lastTerminator = 0;    // the line end last reported, when nothing followed it yet
    bool m_overflow = false;     // the record being built went past a bound, at this field:
    bool m_overflowRow = false;  // the record as a whole, not one field
    qint64 m_overflowLine = 0;
    qsizetype m_overflowField = 0;
    qint64 m_line = 0;
    qint64 m_consumed = 0;
};

// Text of a field read as UTF-8; false when the bytes are not UTF-8.
bool decodeUtf8(QByteArrayView bytes, QString& text);

}  // namespace exchange
