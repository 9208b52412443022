#pragma once

// What lies under Connection and Recordset: one engine per kind of database. Not part of the
// store's interface; the windows see only Connection, Recordset, Field and Catalog.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "Types.h"
#include "Value.h"

namespace store {
class Table;
class Index;
}  // namespace store

namespace store::engine {

// A table opened for a keyset: its columns, its keys, and rows read and written by key.
class TableAccess {
public:
    virtual ~TableAccess() = default;

    QString name;                  // as the database spells it
    std::vector<ColumnInfo> cols;  // in table order
    int keyColumn = -1;            // the column that holds the row key, if any
    bool autoIncrement = false;

    // Every key, in key order.
    virtual std::vector<qint64> readKeys() = 0;
    // The row with this key into `values` (one per column); false when it is gone. The row as
    // read here is what the next update of that key is compared with.
    virtual bool readRow(qint64 key, std::vector<QVariant>& values) = 0;
    // A key for a new row, reserved where the database can, so another writer gets the next one.
    virtual qint64 reserveKey() = 0;
    // Writes a new row of the assigned columns in one transaction; returns its key. A key given
    // by reserveKey that another writer has taken since is replaced (in `values` and `givenKey`)
    // first.
    virtual qint64 insert(const std::vector<size_t>& assigned, std::vector<QVariant>& values,
                          QVariant& givenKey) = 0;
    // Writes the assigned columns of the row with this key in one transaction, only while the
    // row is as readRow last saw it (errRecordChanged / errRecordDeleted otherwise).
    virtual void update(qint64 key, const std::vector<size_t>& assigned,
                        const std::vector<QVariant>& values) = 0;
    virtual void remove(qint64 key) = 0;
};

// The rows of one statement, read forward.
class Query {
public:
    virtual ~Query() = default;
    std::vector<ColumnInfo> cols;  // empty for a statement that returns no rows
    // Steps to the next row; fills `values` unless it is null (rows passed over stay unread).
    virtual bool next(std::vector<QVariant>* values) = 0;
    // Column `col` of the row stepped to: as `next` reads it, and as the database keeps it where
    // it can show it so (Unseen where not).
    virtual QVariant value(int col) const = 0;
    virtual StoredValue stored(int col) const {
        Q_UNUSED(col);
        return {};
    }
    // Back before the first row.
    virtual void rewind() = 0;
};

// A whole table shown a page at a time (a preview of it): its rows by their number, in the order
// a query of the whole table gives them, read as they are shown. One snapshot of the table is
// held while the preview lasts, so that its count, its rows and its pictures agree.
class Preview {
public:
    virtual ~Preview() = default;
    std::vector<ColumnInfo> cols;  // as a query of the whole table gives them
    qint64 count = 0;
    // Row `row` (from 0) into `values`, one per column; a long binary value comes as its size in
    // bytes. False past the last row.
    virtual bool row(qint64 row, std::vector<QVariant>& values) = 0;
    // The long binary value of column `col` in row `row`, Null where there is none.
    virtual QVariant picture(qint64 row, int col) = 0;
    // Opens the rows again, forward, with the columns given only (long binary ones as their sizes),
    // on a connection of their own and in the same snapshot: the function is called on the thread
    // that reads them, and may throw there.
    virtual std::function<std::unique_ptr<Query>()> rowsAgain(
        const std::vector<int>& columns) const = 0;
};

// One open database.
class Database {
public:
    virtual ~Database() = default;

    // The file's path or the server's address, as shown to the user (never a password).
    virtual QString dataSource() const = 0;
    // User tables in creation order.
    virtual QStringList userTables() = 0;
    // A table of userTables() as a statement names it: in the schema its tables live in, never
    // in whatever the login happens to search first.
    virtual QString tableReference(const QString& table) const = 0;
    // The columns of one table, as OpenSchema lists them.
    virtual std::vector<ColumnInfo> tableColumns(const QString& table) = 0;
    virtual std::unique_ptr<TableAccess> openTable(const QString& name) = 0;
    virtual std::unique_ptr<Query> query(const QString& sql) = 0;
    // A preview of a table where the rows are best read a page at a time by their number (on a
    // server); null where a keyset over the table serves (a file).
    virtual std::unique_ptr<Preview> preview(const QString& table) {
        Q_UNUSED(table);
        return nullptr;
    }

    // Schema changes for Catalog.
    virtual void createTable(const Table& table) = 0;
    virtual void createIndex(Table& table, const Index& index) = 0;
    virtual void readTable(Table& table) = 0;

    // Makes `table` (new here) and writes every row of `rows` into it, in one transaction;
    // `progress(done, total)` returning false rolls it all back with errOperationCancelled.
    virtual void copyInto(const Table& table, Query& rows, qint64 total,
                          const std::function<bool(qint64, qint64)>& progress) = 0;
};

// How often a copy says how far it has come.
inline constexpr qint64 kCopyProgressRows = 500;

// The one place that tells the kinds of database apart: a "Data Source" that is a
// postgresql:// address is a server, anything else a file.
bool isServerAddress(const QString& dataSource);

// Opens the database a connection string names, with the engine for its kind.
std::unique_ptr<Database> open(const QString& connectionString, const QString& userId,
                               const QString& password);

}  // namespace store::engine
