#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

// Reading a Jet or ACE file with mdbtools' libmdb, read-only. libmdb trusts its input, so only
// the converting child process uses this; the window never does.
namespace legacy {

enum class JetType {
    Boolean,
    Byte,
    Integer,
    LongInteger,
    Currency,
    Single,
    Double,
    DateTime,
    Binary,
    Text,
    Ole,
    Memo,
    ReplicationId,
    Decimal,
    DateTimeExtended,
    Unsupported
};

struct JetColumn {
    QString name;
    JetType type = JetType::Unsupported;
    int jetType = 0;  // the file's type code
    int size = 0;     // characters, text columns only
    bool autoNumber = false;
    int precision = 0;  // Decimal columns: digits in all, and of them after the point
    int scale = 0;
    QString leftOut = {};  // why it is not converted, for a column of type Unsupported
};

struct JetTable {
    QString name;
    std::vector<JetColumn> columns;
    long rowCount = 0;      // as the table's definition gives it
    int catalogIndex = -1;  // its entry in the file's catalogue (a form may share its name)
};

class JetError : public std::runtime_error {
public:
    explicit JetError(const QString& message)
        : std::runtime_error(message.toStdString()), text(message) {}
    QString text;
};

// Values: Null as a null QVariant; whole numbers qint64; Single float; Double double; Currency
// store::Currency; dates QDateTime (in UTC, the wall time as stored, Date/Time Extended to the
// second); Yes/No bool; text QString; binary QByteArray; replication IDs their "{...}" text;
// Decimal its exact digits as text ("-1234.5600": the column's scale after a '.').
class JetDatabase {
public:
    explicit JetDatabase(const QString& path);  // throws JetError
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    // User tables in the file's order: no system (MSys*) tables, no linked tables.
    const std::vector<JetTable>& tables() const { return m_tables; }
    // Linked tables, which live in other files.
    const QStringList& linkedTables() const { return m_linked; }

    // Every row of the table in stored order; `row` gets the values and the row's number from 1.
    // A column of an unsupported type reads as Null. Throws JetError when a row cannot be read
    // or fewer rows come back than the table holds. Returns the rows read: more than the table's
    // definition counts when that count was not kept up to date.
    // A value that cannot be read whole (a long value, a Decimal or Date/Time Extended whose
    // bytes make no such value) or a Date/Time Extended outside the years 100 to 9999 is given
    // as Null, after `lost` is told its row, column and why.
    enum class Lost { Unreadable, OutOfRange };
    long readRows(const JetTable& table,
                  const std::function<void(long, std::vector<QVariant>&)>& row,
                  const std::function<void(long, size_t, Lost)>& lost);

private:
    void checkCatalogueWhole();

    QString m_path;
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::vector<JetTable> m_tables;
    QStringList m_linked;
};

// Jet 4 and ACE text as stored: UTF-16 (surrogate pairs kept), or compressed after FF FE.
QString jetText(const unsigned char* bytes, int size);

// A column type as Access names it ("Decimal", "Attachment"), for messages.
QString jetTypeName(int code);

// Days since 1899-12-30 as Jet keeps dates: the whole part counts days (back from the base when
// negative), the fraction is the time of day whatever the sign. Rounded to the second.
QDateTime jetDate(double days);

}  // namespace legacy
