#include "BulkInsert.h"

namespace store {

BulkInsert::BulkInsert(Connection& connection, const QString& table, const QStringList& columns,
                       int batchRows)
    : m_db(connection.handle()), m_batchRows(std::max(1, batchRows)) {
    const std::vector<ColumnInfo> all = sql::tableColumns(m_db, table);
    if (all.empty())
        throw StoreError(errTableNotFound, Text::tr("The table '%1' does not exist.").arg(table));
    QStringList names, marks;
    for (const QString& name : columns) {
        auto it = std::find_if(all.begin(), all.end(), [&](const ColumnInfo& c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == all.end())
            throw StoreError(errItemNotFound,
                             Text::tr("The table '%1' has no column '%2'.").arg(table, name));
        m_columns.push_back(*it);
        names << sql::quoteIdent(it->name);
        marks << QStringLiteral("?");
    }
    m_insert = sql::Stmt(m_db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(sql::quoteIdent(table), names.join(QLatin1Char(',')),
                                        marks.join(QLatin1Char(','))));
}

BulkInsert::~BulkInsert() {
    if (m_open) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void BulkInsert::add(const std::vector<QVariant>& row) {
    if (row.size() != m_columns.size())
        throw StoreError(errInvalidArgument,
                         Text::tr("A row needs %1 values.").arg(m_columns.size()));
    if (!m_open) {
        sql::exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
        m_open = true;
    }
    m_insert.reset();
    for (size_t i = 0; i < row.size(); ++i)
        m_insert.bind(int(i) + 1, convertForColumn(m_columns[i], row[i]));
    m_insert.step();
    if (++m_inBatch >= m_batchRows) finish();
}

void BulkInsert::finish() {
    if (!m_open) return;
    m_insert.reset();
    sql::exec(m_db, QStringLiteral("COMMIT"));
    m_open = false;
    m_inBatch = 0;
}

void startFilling(Connection& connection) {
    sql::exec(connection.handle(),
              QStringLiteral("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF"));
}

void finishFilling(Connection& connection) {
    sqlite3* db = connection.handle();
    sql::exec(db, QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL"));
    // An empty write transaction with full syncs writes nothing; the file itself is synced here.
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
        file->pMethods)
        if (file->pMethods->xSync(file, SQLITE_SYNC_FULL) != SQLITE_OK)
            sql::fail(db, Text::tr("The new database file could not be written to the disk"));
}

}  // namespace store
