#pragma once

// SQLite plumbing shared by the store's classes; not part of the store's interface.

#include <sqlite3.h>

#include <QString>
#include <QVariant>

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

// A column of a row read back into the value type of the column.
QVariant readColumn(sqlite3_stmt* stmt, int col, DataTypeEnum type);

// Runs statements that return nothing.
void exec(sqlite3* db, const QString& sql);

}  // namespace store::sql
