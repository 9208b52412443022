#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "Value.h"

namespace store {

class Connection;
namespace engine {
class Query;
}

// Reads every row of one table forward, for exports: each value as a recordset's field holds
// it, or, where the database can show it so (a file's), as the database keeps it, without a
// QVariant made of it.
class TableReader {
public:
    // Throws what a query of the table throws (a table the database does not have).
    TableReader(Connection& connection, const QString& table);
    ~TableReader();
    TableReader(const TableReader&) = delete;
    TableReader& operator=(const TableReader&) = delete;

    const std::vector<ColumnInfo>& columns() const;
    // Steps to the next row; false past the last one.
    bool next();
    // Column `column` of the row stepped to.
    QVariant value(int column) const;
    StoredValue stored(int column) const;

private:
    friend class TablePreview;
    explicit TableReader(std::unique_ptr<engine::Query> query);

    std::unique_ptr<engine::Query> m_query;
};

}  // namespace store
