#pragma once

// The engine for catalogue files: SQLite through its C API.

#include <memory>

#include "Engine.h"

struct sqlite3;

namespace store::engine {

class SqliteDatabase : public Database {
public:
    SqliteDatabase(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {}
    ~SqliteDatabase() override;

    // Opens an existing file: the checks and settings every open goes through; `vfs` names the
    // SQLite file layer to read it through, the default one when null.
    static sqlite3* openFile(const QString& path, bool readOnly, const char* vfs = nullptr);
    // Makes a new, empty database file; never replaces anything already under the name.
    static std::unique_ptr<SqliteDatabase> createFile(const QString& path);

    sqlite3* handle() const { return m_db; }

    QString dataSource() const override { return m_path; }
    QStringList userTables() override;
    QString tableReference(const QString& table) const override;
    std::vector<ColumnInfo> tableColumns(const QString& table) override;
    std::unique_ptr<TableAccess> openTable(const QString& name) override;
    std::unique_ptr<Query> query(const QString& sql) override;
    void createTable(const Table& table) override;
    void createIndex(Table& table, const Index& index) override;
    void readTable(Table& table) override;
    void copyInto(const Table& table, Query& rows, qint64 total,
                  const std::function<bool(qint64, qint64)>& progress) override;

private:
    sqlite3* m_db;
    QString m_path;
};

// The user tables of a database, in creation order.
QStringList sqliteUserTables(sqlite3* db);

}  // namespace store::engine
