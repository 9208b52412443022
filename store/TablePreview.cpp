#include "TablePreview.h"

#include "Connection.h"
#include "Engine.h"

namespace store {

std::unique_ptr<TablePreview> TablePreview::open(Connection& connection, const QString& table) {
    std::unique_ptr<engine::Preview> preview = connection.engine().preview(table);
    if (!preview) return nullptr;
    return std::unique_ptr<TablePreview>(new TablePreview(std::move(preview)));
}

TablePreview::TablePreview(std::unique_ptr<engine::Preview> preview)
    : m_preview(std::move(preview)) {}

TablePreview::~TablePreview() = default;

const std::vector<ColumnInfo>& TablePreview::columns() const {
    return m_preview->cols;
}

qint64 TablePreview::count() const {
    return m_preview->count;
}

bool TablePreview::row(qint64 row, std::vector<QVariant>& values) {
    return m_preview->row(row, values);
}

QVariant TablePreview::picture(qint64 row, int column) {
    return m_preview->picture(row, column);
}

TablePreview::RowsOpener TablePreview::rowsAgain(const std::vector<int>& columns) const {
    return [open = m_preview->rowsAgain(columns)] {
        return std::unique_ptr<TableReader>(new TableReader(open()));
    };
}

}  // namespace store
