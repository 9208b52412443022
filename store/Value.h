#pragma once

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

// A value as quoted in a message: at most `chars` characters of it, and its length when cut.
QString abridged(const QString& text, qsizetype chars = 60);

// Dates are kept as ISO-8601 text that SQLite's own date functions understand.
QString dateToStorage(const QDateTime& dt);
std::optional<QDateTime> dateFromStorage(const QString& text);

}  // namespace store
