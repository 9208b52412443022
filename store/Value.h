#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QVariant>
#include <optional>

#include "Types.h"

namespace store {

// What the store knows of one column of a table or of a statement's result.
struct ColumnInfo {
    QString name;
    QString declType;  // as written in the table definition
    DataTypeEnum type = adVarWChar;
    long definedSize = 0;  // characters, text columns only
    bool notNull = false;
    bool primaryKey = false;
    bool autoIncrement = false;
    bool updatable = true;

    long attributes() const;
};

// Declared type text <-> data type code and defined size.
void typeFromDecl(const QString& decl, DataTypeEnum& type, long& definedSize);
QString declForType(DataTypeEnum type, long definedSize);

// The value a column keeps when `value` is assigned to it: a QVariant of the column's own
// C++ type (int, float, double, Currency, QDateTime, bool, QString, QByteArray) or Null.
// Throws StoreError(errDataConversion) when the value does not fit the column.
QVariant convertForColumn(const ColumnInfo& column, const QVariant& value);

// Text typed by a user: the plain form ("12.50") first, then the user's locale.
std::optional<qint64> parseInteger(const QString& text, const QLocale& locale = QLocale());
std::optional<double> parseNumber(const QString& text, const QLocale& locale = QLocale());
std::optional<Currency> parseCurrency(const QString& text, const QLocale& locale = QLocale());
std::optional<QDateTime> parseDateTime(const QString& text, const QLocale& locale = QLocale());

// A value as the user reads it, in the locale's format; Null gives "".
QString valueText(const QVariant& value, const QLocale& locale = QLocale());
// What valueText gives for a long binary value (a picture) of `bytes` bytes.
QString binaryText(qint64 bytes, const QLocale& locale = QLocale());

// A value as quoted in a message: at most `chars` characters of it, and its length when cut.
QString abridged(const QString& text, qsizetype chars = 60);

// Dates are kept as ISO-8601 text that SQLite's own date functions understand.
QString dateToStorage(const QDateTime& dt);
std::optional<QDateTime> dateFromStorage(const QString& text);
// Whether `text` is a date in the stored form ("YYYY-MM-DD HH:MM:SS", years 1000 to 9999) that
// dateFromStorage reads as that very date and time, so that dateToStorage gives the same text
// back: told without a QDateTime for each value, by looking once at each day whether the local
// clock keeps to 24 hours on it (it does not where daylight saving time begins or ends; such
// days are left to QDateTime).
bool isPlainStoredDate(QByteArrayView text);

// Currency::toPlainString's text written at `out`, which has room for 24 characters; returns
// where it ends.
char* writePlainCurrency(char* out, qint64 scaled);

// A value as the database keeps it, seen where it lies until the next row is read: the way a
// table of many rows is read and written without a QVariant made of every value. Unseen where
// the database cannot show its values so (a server's).
struct StoredValue {
    enum Kind { Unseen, Null, Integer, Real, Text, Blob };
    Kind kind = Unseen;
    qint64 integer = 0;
    double real = 0;
    QByteArrayView bytes;  // a text as UTF-8, or a blob
};

}  // namespace store
