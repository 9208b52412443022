#include "TableAppender.h"

#include "Connection.h"
#include "Sqlite.h"

namespace store {

struct TableAppender::Impl {
    sqlite3* db = nullptr;
    sql::Stmt insert;
    sql::Stmt taken;
};

TableAppender::TableAppender(Connection& connection, const QString& table)
    : d(std::make_unique<Impl>()) {
    d->db = connection.handle();
    QString name;
    {
        sql::Stmt q(d->db, QStringLiteral(
                               "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 "
                               "COLLATE NOCASE AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
        q.bindText(1, table);
        if (!q.step())
            throw StoreError(errTableNotFound,
                             Text::tr("The table '%1' cannot be found in the database '%2'.")
                                 .arg(table, connection.dataSource()));
        name = q.text(0);
    }
    m_columns = sql::tableColumns(d->db, name, &m_keyColumn);
    QString names, marks;
    for (const ColumnInfo& c : m_columns) {
        if (!names.isEmpty()) {
            names += QLatin1Char(',');
            marks += QLatin1Char(',');
        }
        names += sql::quoteIdent(c.name);
        marks += QLatin1Char('?');
    }
    const QString quoted = sql::quoteIdent(name);
    d->insert = sql::Stmt(
        d->db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted, names, marks));
    if (m_keyColumn >= 0)
        d->taken =
            sql::Stmt(d->db, QStringLiteral("SELECT 1 FROM %1 WHERE _rowid_ = ?1").arg(quoted));
}

TableAppender::~TableAppender() = default;

QVariant TableAppender::convert(int column, const QVariant& value) const {
    return convertForColumn(m_columns.at(size_t(column)), value);
}

bool TableAppender::keyTaken(qint64 key) {
    if (!d->taken) return false;
    d->taken.reset();
    d->taken.bindInt64(1, key);
    const bool found = d->taken.step();
    d->taken.reset();
    return found;
}

qint64 TableAppender::append(const std::vector<QVariant>& values) {
    if (values.size() != m_columns.size())
        throw StoreError(errInvalidArgument,
                         Text::tr("A row of %1 values cannot be added to a table of %2 "
                                  "columns.")
                             .arg(values.size())
                             .arg(m_columns.size()));
    sql::Stmt& ins = d->insert;
    ins.reset();
    for (size_t i = 0; i < values.size(); ++i) ins.bind(int(i + 1), values[i]);
    // One statement: refused, it leaves nothing of the row behind.
    try {
        ins.step();
    } catch (...) {
        ins.reset();
        throw;
    }
    ins.reset();
    return sqlite3_last_insert_rowid(d->db);
}

}  // namespace store
