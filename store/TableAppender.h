#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "Value.h"

namespace store {

class Connection;

// Adds many new rows to one table, for imports: each value is converted and checked as a field
// converts an assigned value (Field::Convert), and the insert is prepared once for all rows.
// Inside a transaction of the connection (BeginTrans) the rows reach the file at CommitTrans;
// a row that fails is left out alone, the transaction goes on.
class TableAppender {
public:
    // Throws errTableNotFound for a table the database does not have.
    TableAppender(Connection& connection, const QString& table);
    ~TableAppender();
    TableAppender(const TableAppender&) = delete;
    TableAppender& operator=(const TableAppender&) = delete;

    const std::vector<ColumnInfo>& columns() const { return m_columns; }
    // The column holding the row key, or -1 when the rows have none of their own.
    int keyColumn() const { return m_keyColumn; }

    // What `value` becomes in column `column`; throws the conversion error an assignment would.
    QVariant convert(int column, const QVariant& value) const;
    // Whether a stored row (this transaction's too) has the key. While the connection holds the
    // file's write lock, no other program adds rows: a key above the greatest one in the table
    // when it was last looked at, and above the keys added here since, is free without a look.
    bool keyTaken(qint64 key);
    // Adds one row of converted values, one per column (Null where none is given; a Null key is
    // given the next free one). Returns the new row's key. Throws when the database refuses it;
    // nothing of that row is written then.
    qint64 append(const std::vector<QVariant>& values);

    // The same with the row's values given one at a time, as they are taken: clearRow, then a
    // value for each column that has one (the others are Null), then appendRow. The values are
    // converted for their columns already; the bytes of a text stay where they are, unchanged,
    // until appendRow or clearRow.
    void clearRow();
    void setValue(int column, const QVariant& value);
    void setInteger(int column, qint64 value);
    void setReal(int column, double value);
    void setText(int column, QByteArrayView utf8);
    qint64 appendRow();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    std::vector<ColumnInfo> m_columns;
    int m_keyColumn = -1;
};

}  // namespace store
