#pragma once

// SQLite plumbing shared by the store's classes; not part of the store's interface.

#include <sqlite3.h>

#include <QString>
#include <QVariant>
#include <vector>

#include "StoreError.h"
#include "Value.h"

namespace store::sql {

QString quoteIdent(const QString& name);

[[noreturn]] void fail(sqlite3* db, const QString& what);

// One prepared statement, finalized with its owner.
class Stmt {
public:
    Stmt() = default;
    Stmt(sqlite3* db, const QString& sql);
    ~Stmt();
    Stmt(Stmt&& other) noexcept;
    Stmt& operator=(Stmt&& other) noexcept;
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    sqlite3_stmt* get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

    // Binds a value already converted for its column (see convertForColumn).
    void bind(int index, const QVariant& value);
    void bindText(int index, const QString& text);
    void bindInt64(int index, qint64 value);
    // True while a row is there; throws on any engine error.
    bool step();
    void reset();
    void finalize();

    qint64 int64(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const;
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// A column exactly as stored: its storage class and bytes, so that a row read earlier can be
// compared with the row in the file now.
struct RawValue {
    int storage = SQLITE_NULL;
    qint64 integer = 0;
    double real = 0;
    QByteArray bytes;  // text as UTF-8, or a blob

    bool operator==(const RawValue& other) const;
};
RawValue readRaw(sqlite3_stmt* stmt, int col);

// The same seen in place, valid until the statement steps on.
StoredValue stored(sqlite3_stmt* stmt, int col);

// A stored value in the value type of its column.
QVariant fromRaw(const RawValue& raw, DataTypeEnum type);
QVariant readColumn(sqlite3_stmt* stmt, int col, DataTypeEnum type);

// A table's columns as its definition gives them, in table order; `keyColumn`, where asked for,
// gets the one INTEGER PRIMARY KEY column that holds the row key, or -1.
std::vector<ColumnInfo> tableColumns(sqlite3* db, const QString& table, int* keyColumn = nullptr);

// The settings every connection gets: a file from elsewhere is untrusted (no schema tricks,
// no extensions, and its triggers and views never run on our statements), commits are
// durable, and a writer waits a while for another program's lock.
void configure(sqlite3* db);
// The usual wait for another program's lock, put back after a shorter one.
void configureWait(sqlite3* db);

// Runs statements that return nothing.
void exec(sqlite3* db, const QString& sql);

// Runs `work` inside one write transaction: all of it reaches the file, or none. Inside a
// transaction the connection has begun, the work joins it: a failing piece is undone alone,
// and the file sees it only when that transaction commits.
template <typename F>
void inWriteTransaction(sqlite3* db, F work) {
    if (!sqlite3_get_autocommit(db)) {
        exec(db, QStringLiteral("SAVEPOINT piece"));
        try {
            work();
            exec(db, QStringLiteral("RELEASE piece"));
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK TO piece; RELEASE piece", nullptr, nullptr, nullptr);
            throw;
        }
        return;
    }
    exec(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace store::sql
