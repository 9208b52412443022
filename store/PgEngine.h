#pragma once

// The engine for a catalogue kept on a PostgreSQL server, through libpq.

#include <memory>

#include "Engine.h"

namespace store::engine {

class PgLink;

class PgDatabase : public Database {
public:
    // `address` is a postgresql:// URL; a password given here is used to log in and kept only
    // in memory, to log in again after the server or the network dropped the connection.
    PgDatabase(const QString& address, const QString& userId, const QString& password);
    ~PgDatabase() override;

    QString dataSource() const override;
    QStringList userTables() override;
    QString tableReference(const QString& table) const override;
    std::vector<ColumnInfo> tableColumns(const QString& table) override;
    std::unique_ptr<TableAccess> openTable(const QString& name) override;
    std::unique_ptr<Query> query(const QString& sql) override;
    std::unique_ptr<Preview> preview(const QString& table) override;
    void createTable(const Table& table) override;
    void createIndex(Table& table, const Index& index) override;
    void readTable(Table& table) override;
    void copyInto(const Table& table, Query& rows, qint64 total,
                  const std::function<bool(qint64, qint64)>& progress) override;

private:
    void createTableIn(const Table& table);

    std::shared_ptr<PgLink> m_link;
};

}  // namespace store::engine
