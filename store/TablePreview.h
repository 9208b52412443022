#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "TableReader.h"
#include "Value.h"

namespace store {

class Connection;
namespace engine {
class Preview;
}

// A whole table of a server shown a page at a time, as a preview shows it: its count at once,
// and its rows by their number, in the order a query of the whole table gives them, each read
// when it is shown. A read-only transaction on a connection of the preview's own holds one
// snapshot of the table while the preview lasts, so that its count, its rows and its pictures
// agree.
class TablePreview {
public:
    // Null for a table of a file, whose rows a keyset reaches as cheaply. Throws for a table
    // that cannot be read.
    static std::unique_ptr<TablePreview> open(Connection& connection, const QString& table);
    ~TablePreview();
    TablePreview(const TablePreview&) = delete;
    TablePreview& operator=(const TablePreview&) = delete;

    // As a query of the whole table gives them.
    const std::vector<ColumnInfo>& columns() const;
    qint64 count() const;
    // Row `row` (from 0) into `values`, one per column; a long binary value comes as its size in
    // bytes (a qint64). False past the last row.
    bool row(qint64 row, std::vector<QVariant>& values);
    // The long binary value of a column in row `row`, Null where there is none.
    QVariant picture(qint64 row, int column);

    // The rows again, forward, with the columns given only, in the same snapshot on a connection
    // of their own: for another thread, which calls the function and reads what it returns.
    using RowsOpener = std::function<std::unique_ptr<TableReader>()>;
    RowsOpener rowsAgain(const std::vector<int>& columns) const;

private:
    explicit TablePreview(std::unique_ptr<engine::Preview> preview);
    std::unique_ptr<engine::Preview> m_preview;
};

}  // namespace store
