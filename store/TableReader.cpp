#include "TableReader.h"

#include "Connection.h"
#include "Engine.h"

namespace store {

TableReader::TableReader(Connection& connection, const QString& table)
    : m_query(connection.engine().query(QStringLiteral("SELECT * FROM ") +
                                        connection.tableReference(table))) {}

TableReader::TableReader(std::unique_ptr<engine::Query> query) : m_query(std::move(query)) {}

TableReader::~TableReader() = default;

const std::vector<ColumnInfo>& TableReader::columns() const {
    return m_query->cols;
}

bool TableReader::next() {
    return m_query->next(nullptr);
}

QVariant TableReader::value(int column) const {
    return m_query->value(column);
}

StoredValue TableReader::stored(int column) const {
    return m_query->stored(column);
}

}  // namespace store
