#include "Connection.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>

#include "Recordset.h"
#include "Sqlite.h"

namespace store {

namespace {

[[noreturn]] void notADatabase(const QString& path, const QString& why) {
    throw StoreError(errFileNotFound,
                     QStringLiteral("The file '%1' cannot be opened as a parts database: %2.").arg(path, why));
}

// A journal left by a program that died mid-save: the engine rolls it back when it opens the
// file, and until then the file may look shorter than its header says.
bool hasHotJournal(const QString& path) {
    const QFileInfo journal(path + QStringLiteral("-journal"));
    return journal.exists() && journal.size() > 0;
}

// Looks at the file's header before the engine does: an empty file would otherwise be taken
// as a new database, and a truncated one only fail much later. `checkSize` is off while a
// journal may still put the file back to its full length.
void checkHeader(const QString& path, bool checkSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(errFileNotFound, QStringLiteral("The file '%1' cannot be read: %2.")
                                              .arg(path, file.errorString()));
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        notADatabase(path, QStringLiteral("it is not a database file"));
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    quint32 pageSize = qFromBigEndian<quint16>(h + 16);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        notADatabase(path, QStringLiteral("the file is damaged"));
    const quint32 pageCount = qFromBigEndian<quint32>(h + 28);
    const bool countValid = pageCount != 0 && qFromBigEndian<quint32>(h + 24) == qFromBigEndian<quint32>(h + 92);
    if (checkSize && countValid && qint64(pageCount) * pageSize > size)
        notADatabase(path, QStringLiteral("the file is damaged (it is shorter than it should be)"));
}

}  // namespace

Connection::~Connection() { Close(); }

void Connection::setConnectionString(const QString& connectionString) {
    if (isOpen())
        throw StoreError(errObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
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
        if (i < n && (connectionString.at(i) == QLatin1Char('"') || connectionString.at(i) == QLatin1Char('\''))) {
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

QString Connection::quoteValue(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

sqlite3* Connection::openFile(const QString& path, bool readOnly) {
    if (path.isEmpty())
        throw StoreError(errFileNotFound, QStringLiteral("No database file was named in the connection."));
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(errFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    if (info.isDir())
        throw StoreError(errFileNotFound,
                         QStringLiteral("'%1' is a folder, not a database file.").arg(path));
    const bool journal = hasHotJournal(path);
    checkHeader(path, !journal);

    sqlite3* db = nullptr;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_EXRESCODE;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw StoreError(errFileNotFound, QStringLiteral("The file '%1' cannot be opened: %2.").arg(path, why));
    }
    try {
        sql::configure(db);
        // The first read rolls back a journal left by a crash.
        sql::Stmt check(db, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
        check.step();
    } catch (const StoreError&) {
        const int code = sqlite3_errcode(db);
        sqlite3_close(db);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw StoreError(errFileNotFound,
                             QStringLiteral("The file '%1' is locked by another program.").arg(path));
        // The file is whole; only the journal of an unfinished save cannot be rolled back here.
        if (journal && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN))
            throw StoreError(errFileNotFound,
                             QStringLiteral("The file '%1' has a save left unfinished by a program that stopped, "
                                            "and it can be put right only where the file and its folder can be "
                                            "written. Open it once with write access.")
                                 .arg(path));
        notADatabase(path, QStringLiteral("it is damaged or not a database"));
    }
    if (journal) {
        try {
            checkHeader(path, true);
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
    }
    return db;
}

void Connection::Open(const QString& connectionString, const QString& userId, const QString& password,
                      long options) {
    Q_UNUSED(userId);
    Q_UNUSED(password);
    Q_UNUSED(options);
    if (isOpen())
        throw StoreError(errObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    if (!connectionString.isEmpty()) m_connectionString = connectionString;
    const QString path = connectionValue(m_connectionString, QStringLiteral("Data Source"));
    const QString mode = connectionValue(m_connectionString, QStringLiteral("Mode"));
    m_db = openFile(path, mode.compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0);
    m_path = path;
}

void Connection::adopt(sqlite3* db, const QString& path) {
    Close();
    m_db = db;
    m_path = path;
}

void Connection::Close() {
    // Recordsets detach themselves as they close.
    while (!m_recordsets.empty()) m_recordsets.back()->Close();
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

sqlite3* Connection::handle() const {
    if (!m_db)
        throw StoreError(errObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    return m_db;
}

void Connection::BeginTrans() {
    if (inTransaction())
        throw StoreError(errOperationNotAllowed, QStringLiteral("A transaction is already open on this connection."));
    sql::exec(handle(), QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::CommitTrans() {
    if (!inTransaction())
        throw StoreError(errOperationNotAllowed, QStringLiteral("No transaction is open on this connection."));
    sql::exec(handle(), QStringLiteral("COMMIT"));
}

void Connection::RollbackTrans() {
    if (!inTransaction())
        throw StoreError(errOperationNotAllowed, QStringLiteral("No transaction is open on this connection."));
    sql::exec(handle(), QStringLiteral("ROLLBACK"));
}

bool Connection::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }

void Connection::attach(Recordset* rs) { m_recordsets.push_back(rs); }

void Connection::detach(Recordset* rs) {
    m_recordsets.erase(std::remove(m_recordsets.begin(), m_recordsets.end(), rs), m_recordsets.end());
}

std::unique_ptr<Recordset> Connection::Execute(const QString& commandText, long options) {
    Q_UNUSED(options);
    auto rs = std::make_unique<Recordset>();
    rs->openForward(*this, commandText);
    return rs;
}

QString quoteIdentifier(const QString& name) { return sql::quoteIdent(name); }

QStringList userTables(sqlite3* db) {
    sql::Stmt q(db, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' "
                                   "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    QStringList names;
    while (q.step()) names << q.text(0);
    return names;
}

std::unique_ptr<Recordset> Connection::OpenSchema(SchemaEnum schema, const QStringList& restrictions) {
    sqlite3* db = handle();
    auto restriction = [&](int i) { return i < restrictions.size() ? restrictions.at(i) : QString(); };
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
        columns = {textColumn("TABLE_CATALOG"), textColumn("TABLE_SCHEMA"), textColumn("TABLE_NAME"),
                   textColumn("TABLE_TYPE")};
        const QString type = restriction(3);
        // Only ordinary tables exist in a parts database; any other type asked for finds none.
        if (type.isEmpty() || type.compare(QLatin1String("TABLE"), Qt::CaseInsensitive) == 0) {
            for (const QString& name : userTables(db)) {
                if (!restriction(2).isEmpty() && restriction(2).compare(name, Qt::CaseInsensitive) != 0)
                    continue;
                rows.push_back({QVariant(), QVariant(), name, QStringLiteral("TABLE")});
            }
        }
    } else if (schema == adSchemaColumns) {
        columns = {textColumn("TABLE_CATALOG"), textColumn("TABLE_SCHEMA"),  textColumn("TABLE_NAME"),
                   textColumn("COLUMN_NAME"),   intColumn("ORDINAL_POSITION"), intColumn("DATA_TYPE"),
                   intColumn("CHARACTER_MAXIMUM_LENGTH"), textColumn("IS_NULLABLE")};
        for (const QString& table : userTables(db)) {
            if (!restriction(2).isEmpty() && restriction(2).compare(table, Qt::CaseInsensitive) != 0)
                continue;
            sql::Stmt q(db, QStringLiteral("SELECT name, type, \"notnull\" FROM pragma_table_info(?1)"));
            q.bindText(1, table);
            int ordinal = 1;
            while (q.step()) {
                const QString name = q.text(0);
                DataTypeEnum type;
                long size;
                typeFromDecl(q.text(1), type, size);
                if (restriction(3).isEmpty() || restriction(3).compare(name, Qt::CaseInsensitive) == 0) {
                    rows.push_back({QVariant(), QVariant(), table, name, ordinal, int(type),
                                    size > 0 ? QVariant(int(size)) : QVariant(),
                                    q.int64(2) ? QStringLiteral("NO") : QStringLiteral("YES")});
                }
                ++ordinal;
            }
        }
    } else {
        throw StoreError(errNotSupported,
                         QStringLiteral("The schema query %1 is not supported.").arg(int(schema)));
    }
    auto rs = std::make_unique<Recordset>();
    rs->openStatic(*this, std::move(columns), std::move(rows));
    return rs;
}

}  // namespace store
