#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "Connection.h"
#include "Sqlite.h"
#include "Value.h"

namespace store {

// Appends many rows to one table of a file that nothing else is using (a catalogue being filled
// from another source): one prepared statement, each value converted for its column as every
// write is, committed in batches. Rows of an unfinished batch are rolled back on destruction.
class BulkInsert {
public:
    // `columns` names the table's columns that each row gives, in that order.
    BulkInsert(Connection& connection, const QString& table, const QStringList& columns,
               int batchRows = 10000);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    const std::vector<ColumnInfo>& columns() const { return m_columns; }
    // Throws StoreError (errDataConversion) for a value that does not fit its column.
    void add(const std::vector<QVariant>& row);
    // Commits what is left.
    void finish();

private:
    sqlite3* m_db;
    std::vector<ColumnInfo> m_columns;
    sql::Stmt m_insert;
    int m_batchRows;
    int m_inBatch = 0;
    bool m_open = false;
};

// While a new file is filled, its commits skip the journal's syncs: until it is complete and
// synced it is nobody's catalogue. finishFilling puts the durable settings back and syncs it.
void startFilling(Connection& connection);
void finishFilling(Connection& connection);

}  // namespace store
