#include "SqliteEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "Catalog.h"
#include "Sqlite.h"

namespace store::engine {

namespace {

// Marks files made by this program ("CGWT"); files without it open all the same.
constexpr int kApplicationId = 0x43475754;
constexpr int kReserveWaitMs = 200;

[[noreturn]] void notADatabase(const QString& path, const QString& why) {
    throw StoreError(
        errFileNotFound,
        Text::tr("The file '%1' cannot be opened as a parts database: %2.").arg(path, why));
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
        throw StoreError(
            errFileNotFound,
            Text::tr("The file '%1' cannot be read: %2.").arg(path, file.errorString()));
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        notADatabase(path, Text::tr("it is not a database file"));
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    quint32 pageSize = qFromBigEndian<quint16>(h + 16);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        notADatabase(path, Text::tr("the file is damaged"));
    const quint32 pageCount = qFromBigEndian<quint32>(h + 28);
    const bool countValid =
        pageCount != 0 && qFromBigEndian<quint32>(h + 24) == qFromBigEndian<quint32>(h + 92);
    if (checkSize && countValid && qint64(pageCount) * pageSize > size)
        notADatabase(path, Text::tr("the file is damaged (it is shorter than it should be)"));
}

// Changes to the file by any connection since the last look; the same number means no change.
unsigned dataVersion(sqlite3* db) {
    unsigned version = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

QString indexSql(const QString& table, const Index& index) {
    QString cols;
    for (const auto& c : index.Columns) {
        if (!cols.isEmpty()) cols += QLatin1Char(',');
        cols +=
            sql::quoteIdent(c.Name) +
            (c.SortOrder == adSortDescending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    }
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(index.Unique ? QStringLiteral("UNIQUE ") : QString(), sql::quoteIdent(index.Name),
             sql::quoteIdent(table), cols);
}

const Index* primaryKeyOf(const Table& table) {
    for (const Index& i : table.Indexes)
        if (i.PrimaryKey) return &i;
    return nullptr;
}

QString tableSql(const QString& tableName, const Table& table) {
    const Index* pk = primaryKeyOf(table);
    bool pkInline = false;
    int autoIncrements = 0;
    QString defs;
    for (const Column& c : table.Columns) {
        QString def = sql::quoteIdent(c.Name) + QLatin1Char(' ') + c.declType();
        if (c.autoIncrement()) {
            if (c.Type != adInteger && c.Type != adBigInt)
                throw StoreError(
                    errInvalidArgument,
                    Text::tr("The column '%1' cannot count up by itself: only whole-number "
                             "columns can.")
                        .arg(c.Name));
            if (++autoIncrements > 1)
                throw StoreError(errInvalidArgument,
                                 Text::tr("A table can have only one counting column."));
            def = sql::quoteIdent(c.Name) + QStringLiteral(" INTEGER");
            if (pk && pk->Columns.size() == 1 &&
                pk->Columns.front().Name.compare(c.Name, Qt::CaseInsensitive) == 0) {
                def += QStringLiteral(" CONSTRAINT ") + sql::quoteIdent(pk->Name);
                pkInline = true;
            }
            def += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
        } else if (!c.nullable()) {
            def += QStringLiteral(" NOT NULL");
        }
        if (!defs.isEmpty()) defs += QStringLiteral(", ");
        defs += def;
    }
    if (pk && !pkInline) {
        if (autoIncrements > 0)
            throw StoreError(
                errInvalidArgument,
                Text::tr("The primary key of '%1' must be its counting column.").arg(tableName));
        QString cols;
        for (const auto& c : pk->Columns) {
            if (!cols.isEmpty()) cols += QLatin1Char(',');
            cols += sql::quoteIdent(c.Name);
        }
        defs +=
            QStringLiteral(", CONSTRAINT %1 PRIMARY KEY (%2)").arg(sql::quoteIdent(pk->Name), cols);
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(sql::quoteIdent(tableName), defs);
}

// ---- a table under a keyset ----------------------------------------------------------------

class SqliteTable : public TableAccess {
public:
    SqliteTable(sqlite3* db, const QString& table);
    std::vector<qint64> readKeys() override;
    bool readRow(qint64 key, std::vector<QVariant>& values) override;
    qint64 reserveKey() override;
    qint64 insert(const std::vector<size_t>& assigned, std::vector<QVariant>& values,
                  QVariant& givenKey) override;
    void update(qint64 key, const std::vector<size_t>& assigned,
                const std::vector<QVariant>& values) override;
    void remove(qint64 key) override;

private:
    qint64 nextKey();
    // `undone` ends the message: what was not done ("nothing was saved").
    void checkRowUnchanged(qint64 key, const QString& undone);

    sqlite3* m_db;
    sql::Stmt m_rowStmt;
    qint64 m_readKey = 0;
    std::vector<sql::RawValue>
        m_raw;  // the row last read, byte for byte, to tell whether it changed since
    unsigned m_dataVersion = 0;  // the file's data version when it was read
};

SqliteTable::SqliteTable(sqlite3* db, const QString& table) : m_db(db) {
    name = table;
    cols = sql::tableColumns(db, table, &keyColumn);
    if (keyColumn >= 0) {
        ColumnInfo& key = cols[size_t(keyColumn)];
        int notNull = 0, pk = 0, autoinc = 0;
        sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(),
                                      key.name.toUtf8().constData(), nullptr, nullptr, &notNull,
                                      &pk, &autoinc);
        key.autoIncrement = autoIncrement = autoinc != 0;
        key.notNull = true;  // a row key is never Null
    }
    QString columnList;
    for (const ColumnInfo& c : cols) {
        if (!columnList.isEmpty()) columnList += QLatin1Char(',');
        columnList += sql::quoteIdent(c.name);
    }
    const QString quoted = sql::quoteIdent(table);
    m_rowStmt = sql::Stmt(
        db, QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_ = ?1").arg(columnList, quoted));
}

std::vector<qint64> SqliteTable::readKeys() {
    sql::Stmt keys;
    try {
        keys = sql::Stmt(
            m_db,
            QStringLiteral("SELECT _rowid_ FROM %1 ORDER BY _rowid_").arg(sql::quoteIdent(name)));
    } catch (const StoreError&) {
        throw StoreError(
            errNotSupported,
            Text::tr("The table '%1' cannot be opened for editing: its rows have no keys.")
                .arg(name));
    }
    std::vector<qint64> result;
    while (keys.step()) result.push_back(keys.int64(0));
    return result;
}

bool SqliteTable::readRow(qint64 key, std::vector<QVariant>& values) {
    sql::Stmt& q = m_rowStmt;
    q.reset();
    q.bindInt64(1, key);
    const bool found = q.step();
    m_readKey = key;
    m_raw.assign(cols.size(), sql::RawValue());
    if (found) {
        for (size_t i = 0; i < cols.size(); ++i) {
            m_raw[i] = sql::readRaw(q.get(), int(i));
            values[i] = sql::fromRaw(m_raw[i], cols[i].type);
        }
        m_dataVersion = dataVersion(m_db);
    }
    q.reset();  // releases the read lock at once
    return found;
}

qint64 SqliteTable::nextKey() {
    qint64 next = 1;
    {
        sql::Stmt q(m_db, QStringLiteral("SELECT max(_rowid_) FROM %1").arg(sql::quoteIdent(name)));
        if (q.step() && !q.isNull(0)) next = q.int64(0) + 1;
    }
    if (autoIncrement) {
        sql::Stmt q(m_db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
        q.bindText(1, name);
        if (q.step()) next = std::max(next, q.int64(0) + 1);
    }
    return next;
}

qint64 SqliteTable::reserveKey() {
    qint64 key = nextKey();
    if (!autoIncrement) return key;
    // The key is reserved in the file at once, so that another program adding a row to
    // the same table meanwhile is given the next one. A file that cannot be written
    // (read-only, locked) is told at the save; here the computed key serves.
    sqlite3* db = m_db;
    // Not worth a long wait: a locked file gets its key checked again at the save.
    sqlite3_busy_timeout(db, kReserveWaitMs);
    try {
        sql::inWriteTransaction(db, [&] {
            key = nextKey();
            sql::Stmt up(db, QStringLiteral("UPDATE sqlite_sequence SET seq = ?1 WHERE name = ?2"));
            up.bindInt64(1, key);
            up.bindText(2, name);
            up.step();
            if (sqlite3_changes(db) == 0) {
                sql::Stmt ins(
                    db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"));
                ins.bindText(1, name);
                ins.bindInt64(2, key);
                ins.step();
            }
        });
    } catch (const StoreError&) {
    }
    sql::configureWait(db);
    return key;
}

qint64 SqliteTable::insert(const std::vector<size_t>& assigned, std::vector<QVariant>& values,
                           QVariant& givenKey) {
    sqlite3* db = m_db;
    const QString table = sql::quoteIdent(name);
    QString names, marks;
    for (size_t i : assigned) {
        if (!names.isEmpty()) {
            names += QLatin1Char(',');
            marks += QLatin1Char(',');
        }
        names += sql::quoteIdent(cols[i].name);
        marks += QLatin1Char('?');
    }
    qint64 rowid = 0;
    sql::inWriteTransaction(db, [&] {
        // A key this recordset gave that another program has taken since is given anew.
        if (keyColumn >= 0 && givenKey.isValid() && values[size_t(keyColumn)] == givenKey) {
            sql::Stmt taken(db, QStringLiteral("SELECT 1 FROM %1 WHERE _rowid_ = ?1").arg(table));
            taken.bindInt64(1, givenKey.toLongLong());
            if (taken.step()) {
                const qint64 key = nextKey();
                givenKey =
                    key <= std::numeric_limits<int>::max() ? QVariant(int(key)) : QVariant(key);
                values[size_t(keyColumn)] = givenKey;
            }
        }
        sql::Stmt ins(
            db, assigned.empty()
                    ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names, marks));
        for (size_t k = 0; k < assigned.size(); ++k) ins.bind(int(k + 1), values[assigned[k]]);
        ins.step();
        rowid = sqlite3_last_insert_rowid(db);
    });
    return rowid;
}

void SqliteTable::checkRowUnchanged(qint64 key, const QString& undone) {
    // Nothing in the file changed since the row was read: it cannot have either.
    if (key == m_readKey && dataVersion(m_db) == m_dataVersion) return;
    sql::Stmt& q = m_rowStmt;
    q.reset();
    q.bindInt64(1, key);
    bool same = q.step();
    const bool found = same;
    for (size_t i = 0; same && i < cols.size(); ++i)
        same = key == m_readKey && sql::readRaw(q.get(), int(i)) == m_raw[i];
    q.reset();
    if (!found)
        throw StoreError(
            errRecordDeleted,
            Text::tr("The record was deleted from the table '%1' by another program since it "
                     "was shown; %2.")
                .arg(name, undone));
    if (!same)
        throw StoreError(
            errRecordChanged,
            Text::tr("The record was changed in the table '%1' by another program since it "
                     "was shown; %2.")
                .arg(name, undone));
}

void SqliteTable::update(qint64 key, const std::vector<size_t>& assigned,
                         const std::vector<QVariant>& values) {
    QString sets;
    for (size_t i : assigned) {
        if (!sets.isEmpty()) sets += QLatin1Char(',');
        sets += sql::quoteIdent(cols[i].name) + QStringLiteral("=?");
    }
    sql::inWriteTransaction(m_db, [&] {
        // Only a row still as it was read is written: another program's save is never lost.
        checkRowUnchanged(key, Text::tr("nothing was saved"));
        sql::Stmt upd(
            m_db,
            QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?").arg(sql::quoteIdent(name), sets));
        for (size_t k = 0; k < assigned.size(); ++k) upd.bind(int(k + 1), values[assigned[k]]);
        upd.bindInt64(int(assigned.size() + 1), key);
        upd.step();
    });
}

void SqliteTable::remove(qint64 key) {
    sql::inWriteTransaction(m_db, [&] {
        // A row another program changed since it was shown is not deleted unseen.
        checkRowUnchanged(key, Text::tr("nothing was deleted"));
        sql::Stmt del(
            m_db, QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?1").arg(sql::quoteIdent(name)));
        del.bindInt64(1, key);
        del.step();
    });
}

// ---- a statement read forward --------------------------------------------------------------

class SqliteQuery : public Query {
public:
    SqliteQuery(sqlite3* db, const QString& sqlText);
    bool next(std::vector<QVariant>* values) override;
    QVariant value(int col) const override {
        return sql::readColumn(m_stmt.get(), col, cols[size_t(col)].type);
    }
    StoredValue stored(int col) const override { return sql::stored(m_stmt.get(), col); }
    void rewind() override { sqlite3_reset(m_stmt.get()); }

private:
    sql::Stmt m_stmt;
};

SqliteQuery::SqliteQuery(sqlite3* db, const QString& sqlText) : m_stmt(db, sqlText) {
    sqlite3_stmt* st = m_stmt.get();
    const int n = sqlite3_column_count(st);
    if (n == 0) {
        // A statement that returns no rows is simply run.
        m_stmt.step();
        return;
    }
    for (int i = 0; i < n; ++i) {
        ColumnInfo c;
        c.name = QString::fromUtf8(sqlite3_column_name(st, i));
        const char* decl = sqlite3_column_decltype(st, i);
        c.declType = decl ? QString::fromUtf8(decl) : QString();
        typeFromDecl(c.declType, c.type, c.definedSize);
        const char* table = sqlite3_column_table_name(st, i);
        const char* origin = sqlite3_column_origin_name(st, i);
        if (table && origin) {
            int notNull = 0, pk = 0, autoinc = 0;
            if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(st, i), table,
                                              origin, nullptr, nullptr, &notNull, &pk,
                                              &autoinc) == SQLITE_OK) {
                c.notNull = notNull != 0 || (pk != 0 && c.type == adInteger);
                c.primaryKey = pk != 0;
                c.autoIncrement = autoinc != 0;
            }
        }
        c.updatable = false;
        cols.push_back(c);
    }
}

bool SqliteQuery::next(std::vector<QVariant>* values) {
    if (!m_stmt.step()) {
        m_stmt.reset();
        return false;
    }
    if (values)
        for (size_t i = 0; i < cols.size(); ++i)
            (*values)[i] = sql::readColumn(m_stmt.get(), int(i), cols[i].type);
    return true;
}

}  // namespace

// ---- the database --------------------------------------------------------------------------

QStringList sqliteUserTables(sqlite3* db) {
    sql::Stmt q(db, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' "
                                   "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    QStringList names;
    while (q.step()) names << q.text(0);
    return names;
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(m_db);
}

QStringList SqliteDatabase::userTables() {
    return sqliteUserTables(m_db);
}

sqlite3* SqliteDatabase::openFile(const QString& path, bool readOnly, const char* vfs) {
    if (path.isEmpty())
        throw StoreError(errFileNotFound,
                         Text::tr("No database file was named in the connection."));
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(errFileNotFound, Text::tr("Could not find file '%1'.").arg(path));
    if (info.isDir())
        throw StoreError(errFileNotFound,
                         Text::tr("'%1' is a folder, not a database file.").arg(path));
    // A pipe or a device would make the first read wait for ever, or read without end.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        throw StoreError(
            errFileNotFound,
            Text::tr("'%1' is not an ordinary file (it is a pipe, a socket or a device), so it "
                     "cannot be a database file.")
                .arg(path));
    const bool journal = hasHotJournal(path);
    checkHeader(path, !journal);

    sqlite3* db = nullptr;
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_EXRESCODE;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, vfs) != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : Text::tr("out of memory");
        sqlite3_close(db);
        throw StoreError(errFileNotFound,
                         Text::tr("The file '%1' cannot be opened: %2.").arg(path, why));
    }
    try {
        sql::configure(db);
        // The first read rolls back a journal left by a crash.
        sql::Stmt check(db, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
        check.step();
    } catch (const StoreError&) {
        // The file is opened with extended result codes (SQLITE_READONLY_ROLLBACK for a journal
        // that cannot be rolled back here); the primary code tells the family.
        const int code = sqlite3_extended_errcode(db) & 0xff;
        sqlite3_close(db);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw StoreError(errFileNotFound,
                             Text::tr("The file '%1' is locked by another program.").arg(path));
        // The file is whole; only the journal of an unfinished save cannot be rolled back here.
        if (journal && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN))
            throw StoreError(
                errFileNotFound,
                Text::tr("The file '%1' has a save left unfinished by a program that stopped, "
                         "and it can be put right only where the file and its folder can be "
                         "written. Open it once with write access.")
                    .arg(path));
        notADatabase(path, Text::tr("it is damaged or not a database"));
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

std::unique_ptr<SqliteDatabase> SqliteDatabase::createFile(const QString& path) {
    if (path.isEmpty())
        throw StoreError(errInvalidArgument,
                         Text::tr("No database file was named for the new database."));
    const QByteArray native = path.toUtf8();  // the bytes SQLite hands to open() too
    const auto inTheWay = [&path] {
        return StoreError(
            errFileExists,
            Text::tr("The file '%1' already exists; a new database never replaces it.").arg(path));
    };
    // The file is made here, in one step that fails on any entry already under the name (a
    // link, even a dangling one, included), so SQLite only ever opens the empty file made here.
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) throw inTheWay();
        throw StoreError(errFileNotFound,
                         Text::tr("The database file '%1' cannot be created: %2.")
                             .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat made {};
    const auto stillOurs = [&] {
        struct stat now {};
        return ::lstat(native.constData(), &now) == 0 && S_ISREG(now.st_mode) &&
               now.st_dev == made.st_dev && now.st_ino == made.st_ino;
    };
    sqlite3* db = nullptr;
    try {
        if (::fstat(fd, &made) != 0)
            throw StoreError(errFileNotFound,
                             Text::tr("The database file '%1' cannot be created: %2.")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        // SQLite deletes or replays an old journal it finds beside a database; it is somebody's
        // file.
        for (const char* companion : {"-journal", "-wal"}) {
            struct stat st {};
            if (::lstat((native + companion).constData(), &st) == 0)
                throw StoreError(errFileExists,
                                 Text::tr("The file '%1%2' already exists; a new database "
                                          "never replaces it.")
                                     .arg(path, QLatin1String(companion)));
        }
        const int rc = sqlite3_open_v2(native.constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
        if (rc != SQLITE_OK)
            sql::fail(db, Text::tr("The database file '%1' cannot be created").arg(path));
        // Nothing is written unless the name still holds the file made above.
        if (!stillOurs()) throw inTheWay();
        sql::configure(db);
        // Writing the header makes the file a database of its own rather than an empty file.
        sql::exec(db, QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
    } catch (...) {
        sqlite3_close(db);
        // The half-made file goes, but only while the name still holds it.
        if (stillOurs()) ::unlink(native.constData());
        ::close(fd);
        throw;
    }
    ::close(fd);
    return std::make_unique<SqliteDatabase>(db, path);
}

QString SqliteDatabase::tableReference(const QString& table) const {
    return sql::quoteIdent(table);
}

std::vector<ColumnInfo> SqliteDatabase::tableColumns(const QString& table) {
    return sql::tableColumns(m_db, table);
}

std::unique_ptr<TableAccess> SqliteDatabase::openTable(const QString& source) {
    QString table;
    {
        sql::Stmt q(m_db, QStringLiteral(
                              "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 "
                              "COLLATE NOCASE AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
        q.bindText(1, source);
        if (!q.step())
            throw StoreError(errTableNotFound,
                             Text::tr("The table '%1' cannot be found in the database '%2'.")
                                 .arg(source, m_path));
        table = q.text(0);
    }
    return std::make_unique<SqliteTable>(m_db, table);
}

std::unique_ptr<Query> SqliteDatabase::query(const QString& sqlText) {
    return std::make_unique<SqliteQuery>(m_db, sqlText);
}

void SqliteDatabase::createTable(const Table& table) {
    if (table.Name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        throw StoreError(
            errInvalidArgument,
            Text::tr("Table names starting with 'sqlite_' are reserved: '%1'.").arg(table.Name));
    sql::inWriteTransaction(m_db, [&] {
        sql::exec(m_db, tableSql(table.Name, table));
        for (const Index& i : table.Indexes)
            if (!i.PrimaryKey) sql::exec(m_db, indexSql(table.Name, i));
    });
}

void SqliteDatabase::createIndex(Table& table, const Index& index) {
    sqlite3* db = m_db;
    if (!index.PrimaryKey) {
        sql::inWriteTransaction(db, [&] { sql::exec(db, indexSql(table.Name, index)); });
        return;
    }
    // SQLite fixes a table's key when the table is made, so the table is made again with the
    // key (and its name) in its definition; its rows, counter and other indexes come along.
    Table rebuilt = table;
    rebuilt.Indexes.push_back(index);
    const QString tmp = table.Name + QStringLiteral("~rebuild");
    sql::inWriteTransaction(db, [&] {
        qint64 seq = -1;
        {
            sql::Stmt q(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
            try {
                q.bindText(1, table.Name);
                if (q.step()) seq = q.int64(0);
            } catch (const StoreError&) {
                // no counting column anywhere yet: no sqlite_sequence
            }
        }
        sql::exec(db, tableSql(tmp, rebuilt));
        sql::exec(db, QStringLiteral("INSERT INTO %1 SELECT * FROM %2")
                          .arg(sql::quoteIdent(tmp), sql::quoteIdent(table.Name)));
        sql::exec(db, QStringLiteral("DROP TABLE %1").arg(sql::quoteIdent(table.Name)));
        sql::exec(db, QStringLiteral("ALTER TABLE %1 RENAME TO %2")
                          .arg(sql::quoteIdent(tmp), sql::quoteIdent(table.Name)));
        for (const Index& i : table.Indexes) sql::exec(db, indexSql(table.Name, i));
        if (seq >= 0) {
            sql::Stmt q(db, QStringLiteral(
                                "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2"));
            q.bindInt64(1, seq);
            q.bindText(2, table.Name);
            q.step();
        }
    });
}

void SqliteDatabase::copyInto(const Table& table, Query& rows, qint64 total,
                              const std::function<bool(qint64, qint64)>& progress) {
    if (table.Name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        throw StoreError(
            errInvalidArgument,
            Text::tr("Table names starting with 'sqlite_' are reserved: '%1'.").arg(table.Name));
    QString names, marks;
    for (const Column& c : table.Columns) {
        if (!names.isEmpty()) {
            names += QLatin1Char(',');
            marks += QLatin1Char(',');
        }
        names += sql::quoteIdent(c.Name);
        marks += QLatin1Char('?');
    }
    std::vector<ColumnInfo> cols;
    for (const Column& c : table.Columns) cols.push_back(c.info());
    sql::inWriteTransaction(m_db, [&] {
        sql::exec(m_db, tableSql(table.Name, table));
        sql::Stmt ins(m_db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(sql::quoteIdent(table.Name), names, marks));
        std::vector<QVariant> values(cols.size());
        qint64 done = 0;
        while (rows.next(&values)) {
            ins.reset();
            for (size_t i = 0; i < cols.size(); ++i)
                ins.bind(int(i + 1), convertForColumn(cols[i], values[i]));
            ins.step();
            if (++done % kCopyProgressRows == 0 && progress && !progress(done, total))
                throw StoreError(errOperationCancelled,
                                 Text::tr("The copy was cancelled; nothing was written."));
        }
        if (progress && !progress(done, total))
            throw StoreError(errOperationCancelled,
                             Text::tr("The copy was cancelled; nothing was written."));
    });
}

void SqliteDatabase::readTable(Table& table) {
    sqlite3* db = m_db;
    table.Columns.clear();
    table.Indexes.clear();
    std::vector<std::pair<int, QString>> pkColumns;
    {
        sql::Stmt q(
            db, QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)"));
        q.bindText(1, table.Name);
        while (q.step()) {
            Column c;
            c.Name = q.text(0);
            const QString declType = q.text(1);
            typeFromDecl(declType, c.Type, c.DefinedSize);
            bool nullable = q.int64(2) == 0;
            int notNull = 0, pk = 0, autoinc = 0;
            sqlite3_table_column_metadata(db, "main", table.Name.toUtf8().constData(),
                                          c.Name.toUtf8().constData(), nullptr, nullptr, &notNull,
                                          &pk, &autoinc);
            if (q.int64(3) > 0) {
                pkColumns.emplace_back(int(q.int64(3)), c.Name);
                if (autoinc != 0) nullable = false;
            }
            c.setStoredState(declType, autoinc != 0, nullable);
            table.Columns.push_back(c);
        }
    }
    if (!pkColumns.empty()) {
        std::sort(pkColumns.begin(), pkColumns.end());
        Index pk;
        pk.Name = QStringLiteral("PrimaryKey");
        pk.Unique = pk.PrimaryKey = true;
        sql::Stmt q(
            db, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1"));
        q.bindText(1, table.Name);
        if (q.step()) {
            static const QRegularExpression named(
                QStringLiteral("CONSTRAINT\\s+\"((?:[^\"]|\"\")*)\"\\s+PRIMARY\\s+KEY"),
                QRegularExpression::CaseInsensitiveOption);
            const auto m = named.match(q.text(0));
            if (m.hasMatch())
                pk.Name = m.captured(1).replace(QLatin1String("\"\""), QLatin1String("\""));
        }
        for (const auto& [order, name] : pkColumns) pk.appendColumn(name, table.column(name)->Type);
        table.Indexes.push_back(pk);
    }
    sql::Stmt list(
        db,
        QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE origin <> 'pk' "
                       "ORDER BY seq DESC"));
    list.bindText(1, table.Name);
    while (list.step()) {
        Index idx;
        idx.Name = list.text(0);
        idx.Unique = list.int64(1) != 0;
        sql::Stmt cols(
            db, QStringLiteral("SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1 "
                               "ORDER BY seqno"));
        cols.bindText(1, idx.Name);
        while (cols.step()) {
            const Column* c = table.column(cols.text(0));
            auto& ic = idx.appendColumn(cols.text(0), c ? c->Type : adInteger);
            ic.SortOrder = cols.int64(1) ? adSortDescending : adSortAscending;
        }
        table.Indexes.push_back(idx);
    }
}

}  // namespace store::engine
