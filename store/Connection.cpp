#include "Connection.h"

#include <algorithm>

#include "Engine.h"
#include "Recordset.h"
#include "Sqlite.h"
#include "SqliteEngine.h"
#include "StoreError.h"

namespace store {

Connection::Connection() = default;

Connection::~Connection() {
    Close();
}

void Connection::setConnectionString(const QString& connectionString) {
    if (isOpen())
        throw StoreError(errObjectOpen,
                         Text::tr("Operation is not allowed when the object is open."));
    m_connectionString = connectionString;
}

QString Connection::connectionValue(const QString& connectionString, const QString& key) {
    const qsizetype n = connectionString.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = connectionString.indexOf(QLatin1Char('='), i);
        if (eq < 0) break;
        const QString name = connectionString.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && connectionString.at(i).isSpace()) ++i;
        QString value;
        if (i < n && (connectionString.at(i) == QLatin1Char('"') ||
                      connectionString.at(i) == QLatin1Char('\''))) {
            const QChar quote = connectionString.at(i++);
            while (i < n) {
                if (connectionString.at(i) == quote) {
                    if (i + 1 < n && connectionString.at(i + 1) == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connectionString.at(i++);
            }
            while (i < n && connectionString.at(i) != QLatin1Char(';')) ++i;
        } else {
            const qsizetype end = connectionString.indexOf(QLatin1Char(';'), i);
            value = connectionString.mid(i, (end < 0 ? n : end) - i).trimmed();
            i = end < 0 ? n : end;
        }
        ++i;  // past the ';'
        if (name.compare(key, Qt::CaseInsensitive) == 0) return value;
    }
    return QString();
}

bool Connection::isServerAddress(const QString& dataSource) {
    return engine::isServerAddress(dataSource);
}

QString Connection::quoteValue(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

sqlite3* Connection::openFile(const QString& path, bool readOnly) {
    return engine::SqliteDatabase::openFile(path, readOnly);
}

void Connection::Open(const QString& connectionString, const QString& userId,
                      const QString& password, long options) {
    Q_UNUSED(options);
    if (isOpen())
        throw StoreError(errObjectOpen,
                         Text::tr("Operation is not allowed when the object is open."));
    if (!connectionString.isEmpty()) m_connectionString = connectionString;
    m_db = engine::open(m_connectionString, userId, password);
    m_path = m_db->dataSource();
}

void Connection::adopt(std::unique_ptr<engine::Database> db) {
    Close();
    m_db = std::move(db);
    m_path = m_db->dataSource();
}

void Connection::Close() {
    // Recordsets detach themselves as they close.
    while (!m_recordsets.empty()) m_recordsets.back()->Close();
    m_db.reset();
}

engine::Database& Connection::engine() const {
    if (!m_db)
        throw StoreError(errObjectClosed,
                         Text::tr("Operation is not allowed when the object is closed."));
    return *m_db;
}

sqlite3* Connection::handle() const {
    auto* file = dynamic_cast<engine::SqliteDatabase*>(&engine());
    if (!file)
        throw StoreError(errNotSupported, Text::tr("This operation works on database files only."));
    return file->handle();
}

void Connection::BeginTrans() {
    if (inTransaction())
        throw StoreError(errOperationNotAllowed,
                         Text::tr("A transaction is already open on this connection."));
    sql::exec(handle(), QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::CommitTrans() {
    if (!inTransaction())
        throw StoreError(errOperationNotAllowed,
                         Text::tr("No transaction is open on this connection."));
    sql::exec(handle(), QStringLiteral("COMMIT"));
}

void Connection::RollbackTrans() {
    if (!inTransaction())
        throw StoreError(errOperationNotAllowed,
                         Text::tr("No transaction is open on this connection."));
    sql::exec(handle(), QStringLiteral("ROLLBACK"));
}

bool Connection::inTransaction() const {
    auto* file = dynamic_cast<engine::SqliteDatabase*>(m_db.get());
    return file && !sqlite3_get_autocommit(file->handle());
}

void Connection::attach(Recordset* rs) {
    m_recordsets.push_back(rs);
}

void Connection::detach(Recordset* rs) {
    m_recordsets.erase(std::remove(m_recordsets.begin(), m_recordsets.end(), rs),
                       m_recordsets.end());
}

std::unique_ptr<Recordset> Connection::Execute(const QString& commandText, long options) {
    Q_UNUSED(options);
    auto rs = std::make_unique<Recordset>();
    rs->openForward(*this, commandText);
    return rs;
}

QString Connection::tableReference(const QString& table) const {
    return engine().tableReference(table);
}

QString quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QStringList userTables(sqlite3* db) {
    return engine::sqliteUserTables(db);
}

std::unique_ptr<Recordset> Connection::OpenSchema(SchemaEnum schema,
                                                  const QStringList& restrictions) {
    engine::Database& db = engine();
    auto restriction = [&](int i) {
        return i < restrictions.size() ? restrictions.at(i) : QString();
    };
    auto textColumn = [](const char* name) {
        ColumnInfo c;
        c.name = QString::fromLatin1(name);
        c.type = adVarWChar;
        c.definedSize = 255;
        c.updatable = false;
        return c;
    };
    auto intColumn = [](const char* name) {
        ColumnInfo c;
        c.name = QString::fromLatin1(name);
        c.type = adInteger;
        c.updatable = false;
        return c;
    };
    std::vector<std::vector<QVariant>> rows;
    std::vector<ColumnInfo> columns;

    if (schema == adSchemaTables) {
        columns = {textColumn("TABLE_CATALOG"), textColumn("TABLE_SCHEMA"),
                   textColumn("TABLE_NAME"), textColumn("TABLE_TYPE")};
        const QString type = restriction(3);
        // Only ordinary tables exist in a parts database; any other type asked for finds none.
        if (type.isEmpty() || type.compare(QLatin1String("TABLE"), Qt::CaseInsensitive) == 0) {
            for (const QString& name : db.userTables()) {
                if (!restriction(2).isEmpty() &&
                    restriction(2).compare(name, Qt::CaseInsensitive) != 0)
                    continue;
                rows.push_back({QVariant(), QVariant(), name, QStringLiteral("TABLE")});
            }
        }
    } else if (schema == adSchemaColumns) {
        columns = {textColumn("TABLE_CATALOG"),
                   textColumn("TABLE_SCHEMA"),
                   textColumn("TABLE_NAME"),
                   textColumn("COLUMN_NAME"),
                   intColumn("ORDINAL_POSITION"),
                   intColumn("DATA_TYPE"),
                   intColumn("CHARACTER_MAXIMUM_LENGTH"),
                   textColumn("IS_NULLABLE")};
        for (const QString& table : db.userTables()) {
            if (!restriction(2).isEmpty() &&
                restriction(2).compare(table, Qt::CaseInsensitive) != 0)
                continue;
            int ordinal = 1;
            for (const ColumnInfo& c : db.tableColumns(table)) {
                if (restriction(3).isEmpty() ||
                    restriction(3).compare(c.name, Qt::CaseInsensitive) == 0) {
                    rows.push_back({QVariant(), QVariant(), table, c.name, ordinal, int(c.type),
                                    c.definedSize > 0 ? QVariant(int(c.definedSize)) : QVariant(),
                                    c.notNull ? QStringLiteral("NO") : QStringLiteral("YES")});
                }
                ++ordinal;
            }
        }
    } else {
        throw StoreError(errNotSupported,
                         Text::tr("The schema query %1 is not supported.").arg(int(schema)));
    }
    auto rs = std::make_unique<Recordset>();
    rs->openStatic(*this, std::move(columns), std::move(rows));
    return rs;
}

}  // namespace store
