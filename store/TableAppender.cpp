#include "TableAppender.h"

#include <limits>

#include "Connection.h"
#include "Sqlite.h"

namespace store {

struct TableAppender::Impl {
    sqlite3* db = nullptr;
    sql::Stmt insert;
    sql::Stmt taken;
    sql::Stmt greatest;
    // The greatest key a stored row may have, known while the file's data version and the rows
    // this connection changed are as they were then, and its write lock is held.
    bool ceilingKnown = false;
    qint64 ceiling = 0;
    unsigned dataVersion = 0;
    sqlite3_int64 changes = 0;

    unsigned fileVersion() const {
        unsigned version = 0;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
        return version;
    }
    bool ceilingHolds() const {
        return ceilingKnown && sqlite3_txn_state(db, "main") == SQLITE_TXN_WRITE &&
               sqlite3_total_changes64(db) == changes && fileVersion() == dataVersion;
    }
    // After a row was added here: the ceiling rises with it, if nothing else changed meanwhile.
    void added(qint64 key, sqlite3_int64 changesBefore, unsigned versionBefore) {
        if (ceilingKnown && changesBefore == changes && versionBefore == dataVersion &&
            sqlite3_total_changes64(db) == changes + 1 && fileVersion() == dataVersion) {
            changes += 1;
            ceiling = std::max(ceiling, key);
        } else {
            ceilingKnown = false;
        }
    }
    qint64 step() {
        const sqlite3_int64 changesBefore = sqlite3_total_changes64(db);
        const unsigned versionBefore = ceilingKnown ? fileVersion() : 0;
        // One statement: refused, it leaves nothing of the row behind.
        try {
            insert.step();
        } catch (...) {
            insert.reset();
            ceilingKnown = false;
            throw;
        }
        insert.reset();
        const qint64 key = sqlite3_last_insert_rowid(db);
        if (ceilingKnown) added(key, changesBefore, versionBefore);
        return key;
    }
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
    if (m_keyColumn >= 0) {
        d->taken =
            sql::Stmt(d->db, QStringLiteral("SELECT 1 FROM %1 WHERE _rowid_ = ?1").arg(quoted));
        d->greatest = sql::Stmt(d->db, QStringLiteral("SELECT max(_rowid_) FROM %1").arg(quoted));
    }
}

TableAppender::~TableAppender() = default;

QVariant TableAppender::convert(int column, const QVariant& value) const {
    return convertForColumn(m_columns.at(size_t(column)), value);
}

bool TableAppender::keyTaken(qint64 key) {
    if (!d->taken) return false;
    if (!d->ceilingHolds() && sqlite3_txn_state(d->db, "main") == SQLITE_TXN_WRITE) {
        d->greatest.reset();
        d->ceiling = d->greatest.step() && !d->greatest.isNull(0)
                         ? d->greatest.int64(0)
                         : std::numeric_limits<qint64>::min();
        d->greatest.reset();
        d->changes = sqlite3_total_changes64(d->db);
        d->dataVersion = d->fileVersion();
        d->ceilingKnown = true;
    }
    if (d->ceilingHolds() && key > d->ceiling) return false;
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
    clearRow();
    for (size_t i = 0; i < values.size(); ++i) d->insert.bind(int(i + 1), values[i]);
    return appendRow();
}

void TableAppender::clearRow() {
    d->insert.reset();
}

void TableAppender::setValue(int column, const QVariant& value) {
    d->insert.bind(column + 1, value);
}

void TableAppender::setInteger(int column, qint64 value) {
    sqlite3_bind_int64(d->insert.get(), column + 1, value);
}

void TableAppender::setReal(int column, double value) {
    sqlite3_bind_double(d->insert.get(), column + 1, value);
}

void TableAppender::setText(int column, QByteArrayView utf8) {
    // An empty text, not Null, for no bytes.
    sqlite3_bind_text(d->insert.get(), column + 1, utf8.data() ? utf8.data() : "", int(utf8.size()),
                      SQLITE_STATIC);
}

qint64 TableAppender::appendRow() {
    return d->step();
}

}  // namespace store
