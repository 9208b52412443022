#include "Catalog.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Sqlite.h"
#include "StoreError.h"

namespace store {

namespace {

// Marks files made by this program ("CGWT"); files without it open all the same.
constexpr int kApplicationId = 0x43475754;

QString indexSql(const QString& table, const Index& index) {
    QString cols;
    for (const auto& c : index.Columns) {
        if (!cols.isEmpty()) cols += QLatin1Char(',');
        cols += sql::quoteIdent(c.Name) + (c.SortOrder == adSortDescending ? QStringLiteral(" DESC")
                                                                           : QStringLiteral(" ASC"));
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

}  // namespace

// ---- Column, Index, Table ------------------------------------------------------------------

void Column::setProperty(const QString& name, const QVariant& value) {
    if (!ParentCatalog)
        throw StoreError(errItemNotFound,
                         QStringLiteral("The property '%1' of the column '%2' can only be set once the "
                                        "column belongs to a catalogue.")
                             .arg(name, Name));
    if (name.compare(QLatin1String("AutoIncrement"), Qt::CaseInsensitive) == 0)
        m_autoIncrement = value.toBool();
    else if (name.compare(QLatin1String("Nullable"), Qt::CaseInsensitive) == 0)
        m_nullable = value.toBool();
    else
        throw StoreError(errItemNotFound, QStringLiteral("The column has no property '%1'.").arg(name));
}

QVariant Column::property(const QString& name) const {
    if (name.compare(QLatin1String("AutoIncrement"), Qt::CaseInsensitive) == 0) return m_autoIncrement;
    if (name.compare(QLatin1String("Nullable"), Qt::CaseInsensitive) == 0) return m_nullable;
    throw StoreError(errItemNotFound, QStringLiteral("The column has no property '%1'.").arg(name));
}

QString Column::declType() const { return m_declType.isEmpty() ? declForType(Type, DefinedSize) : m_declType; }

Index::IndexColumn& Index::appendColumn(const QString& name, DataTypeEnum type) {
    Columns.push_back(IndexColumn{name, type, adSortAscending});
    return Columns.back();
}

void Table::appendColumn(const Column& column) {
    if (m_catalog)
        throw StoreError(errOperationNotAllowed,
                         QStringLiteral("Columns cannot be added to the table '%1' once it exists.").arg(Name));
    for (const Column& c : Columns)
        if (c.Name.compare(column.Name, Qt::CaseInsensitive) == 0)
            throw StoreError(errInvalidArgument,
                             QStringLiteral("The table already has a column named '%1'.").arg(column.Name));
    if (column.Name.trimmed().isEmpty())
        throw StoreError(errInvalidArgument, QStringLiteral("A column needs a name."));
    Columns.push_back(column);
}

void Table::appendColumn(const QString& name, DataTypeEnum type, long definedSize) {
    appendColumn(Column(name, type, definedSize));
}

void Table::appendIndex(const Index& index) {
    if (index.Columns.empty())
        throw StoreError(errInvalidArgument, QStringLiteral("The index '%1' has no column.").arg(index.Name));
    if (m_catalog)
        m_catalog->writeIndex(*this, index);
    else
        Indexes.push_back(index);
}

void Table::refreshColumns() {
    if (m_catalog) m_catalog->readTable(*this);
}

const Column* Table::column(const QString& name) const {
    for (const Column& c : Columns)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

// ---- Catalog -------------------------------------------------------------------------------

Connection& Catalog::Create(const QString& connectionString) {
    const QString path = Connection::connectionValue(connectionString, QStringLiteral("Data Source"));
    if (path.isEmpty())
        throw StoreError(errInvalidArgument, QStringLiteral("No database file was named for the new database."));
    const QByteArray native = path.toUtf8();  // the bytes SQLite hands to open() too
    const auto inTheWay = [&path] {
        return StoreError(errFileExists,
                          QStringLiteral("The file '%1' already exists; a new database never replaces it.").arg(path));
    };
    // The file is made here, in one step that fails on any entry already under the name (a
    // link, even a dangling one, included), so SQLite only ever opens the empty file made here.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) throw inTheWay();
        throw StoreError(errFileNotFound, QStringLiteral("The database file '%1' cannot be created: %2.")
                                              .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat made {};
    const auto stillOurs = [&] {
        struct stat now {};
        return ::lstat(native.constData(), &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == made.st_dev &&
               now.st_ino == made.st_ino;
    };
    sqlite3* db = nullptr;
    try {
        if (::fstat(fd, &made) != 0)
            throw StoreError(errFileNotFound,
                             QStringLiteral("The database file '%1' cannot be created: %2.")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        // SQLite deletes or replays an old journal it finds beside a database; it is somebody's file.
        for (const char* companion : {"-journal", "-wal"}) {
            struct stat st {};
            if (::lstat((native + companion).constData(), &st) == 0)
                throw StoreError(errFileExists, QStringLiteral("The file '%1%2' already exists; a new database "
                                                               "never replaces it.")
                                                    .arg(path, QLatin1String(companion)));
        }
        const int rc = sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
        if (rc != SQLITE_OK) sql::fail(db, QStringLiteral("The database file '%1' cannot be created").arg(path));
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
    m_connection.Close();
    m_connection.setConnectionString(connectionString);
    m_connection.adopt(db, path);
    m_tables.clear();
    return m_connection;
}

void Catalog::setActiveConnection(const QString& connectionString) {
    m_connection.Close();
    m_connection.setConnectionString(connectionString);
    m_connection.Open();
    refreshTables();
}

Table* Catalog::table(const QString& name) const {
    for (const auto& t : m_tables)
        if (t->Name.compare(name, Qt::CaseInsensitive) == 0) return t.get();
    return nullptr;
}

QString Catalog::tableSql(const QString& tableName, const Table& table) const {
    const Index* pk = primaryKeyOf(table);
    bool pkInline = false;
    int autoIncrements = 0;
    QString defs;
    for (const Column& c : table.Columns) {
        QString def = sql::quoteIdent(c.Name) + QLatin1Char(' ') + c.declType();
        if (c.autoIncrement()) {
            if (c.Type != adInteger && c.Type != adBigInt)
                throw StoreError(errInvalidArgument,
                                 QStringLiteral("The column '%1' cannot count up by itself: only whole-number "
                                                "columns can.")
                                     .arg(c.Name));
            if (++autoIncrements > 1)
                throw StoreError(errInvalidArgument, QStringLiteral("A table can have only one counting column."));
            def = sql::quoteIdent(c.Name) + QStringLiteral(" INTEGER");
            if (pk && pk->Columns.size() == 1 && pk->Columns.front().Name.compare(c.Name, Qt::CaseInsensitive) == 0) {
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
            throw StoreError(errInvalidArgument,
                             QStringLiteral("The primary key of '%1' must be its counting column.").arg(tableName));
        QString cols;
        for (const auto& c : pk->Columns) {
            if (!cols.isEmpty()) cols += QLatin1Char(',');
            cols += sql::quoteIdent(c.Name);
        }
        defs += QStringLiteral(", CONSTRAINT %1 PRIMARY KEY (%2)").arg(sql::quoteIdent(pk->Name), cols);
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(sql::quoteIdent(tableName), defs);
}

Table& Catalog::appendTable(const Table& table) {
    sqlite3* db = m_connection.handle();
    if (table.Name.trimmed().isEmpty())
        throw StoreError(errInvalidArgument, QStringLiteral("A table needs a name."));
    if (table.Columns.empty())
        throw StoreError(errInvalidArgument, QStringLiteral("The table '%1' has no column.").arg(table.Name));
    for (const QString& existing : userTables(db))
        if (existing.compare(table.Name, Qt::CaseInsensitive) == 0)
            throw StoreError(errInvalidArgument,
                             QStringLiteral("The database already has a table named '%1'.").arg(table.Name));
    if (table.Name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        throw StoreError(errInvalidArgument,
                         QStringLiteral("Table names starting with 'sqlite_' are reserved: '%1'.").arg(table.Name));
    for (const Index& i : table.Indexes)
        for (const auto& ic : i.Columns)
            if (!table.column(ic.Name))
                throw StoreError(errItemNotFound, QStringLiteral("The table '%1' has no column '%2' to index.")
                                                      .arg(table.Name, ic.Name));
    sql::inWriteTransaction(db, [&] {
        sql::exec(db, tableSql(table.Name, table));
        for (const Index& i : table.Indexes)
            if (!i.PrimaryKey) sql::exec(db, indexSql(table.Name, i));
    });
    auto copy = std::make_unique<Table>(table);
    copy->m_catalog = this;
    for (Column& c : copy->Columns) c.ParentCatalog = this;
    m_tables.push_back(std::move(copy));
    return *m_tables.back();
}

void Catalog::writeIndex(Table& table, const Index& index) {
    sqlite3* db = m_connection.handle();
    // The engine would take an unknown name as a quoted text and index that.
    for (const auto& ic : index.Columns)
        if (!table.column(ic.Name))
            throw StoreError(errItemNotFound,
                             QStringLiteral("The table '%1' has no column '%2' to index.").arg(table.Name, ic.Name));
    if (!index.PrimaryKey) {
        sql::inWriteTransaction(db, [&] { sql::exec(db, indexSql(table.Name, index)); });
        table.Indexes.push_back(index);
        return;
    }
    for (const Index& i : table.Indexes)
        if (i.PrimaryKey)
            throw StoreError(errInvalidArgument,
                             QStringLiteral("The table '%1' already has a primary key.").arg(table.Name));
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
            sql::Stmt q(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2"));
            q.bindInt64(1, seq);
            q.bindText(2, table.Name);
            q.step();
        }
    });
    table.Indexes.push_back(index);
}

void Catalog::readTable(Table& table) {
    sqlite3* db = m_connection.handle();
    table.Columns.clear();
    table.Indexes.clear();
    std::vector<std::pair<int, QString>> pkColumns;
    {
        sql::Stmt q(db, QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)"));
        q.bindText(1, table.Name);
        while (q.step()) {
            Column c;
            c.Name = q.text(0);
            c.m_declType = q.text(1);
            typeFromDecl(c.m_declType, c.Type, c.DefinedSize);
            c.m_nullable = q.int64(2) == 0;
            c.ParentCatalog = this;
            int notNull = 0, pk = 0, autoinc = 0;
            sqlite3_table_column_metadata(db, "main", table.Name.toUtf8().constData(), c.Name.toUtf8().constData(),
                                          nullptr, nullptr, &notNull, &pk, &autoinc);
            c.m_autoIncrement = autoinc != 0;
            if (q.int64(3) > 0) {
                pkColumns.emplace_back(int(q.int64(3)), c.Name);
                if (c.m_autoIncrement) c.m_nullable = false;
            }
            table.Columns.push_back(c);
        }
    }
    if (!pkColumns.empty()) {
        std::sort(pkColumns.begin(), pkColumns.end());
        Index pk;
        pk.Name = QStringLiteral("PrimaryKey");
        pk.Unique = pk.PrimaryKey = true;
        sql::Stmt q(db, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1"));
        q.bindText(1, table.Name);
        if (q.step()) {
            static const QRegularExpression named(
                QStringLiteral("CONSTRAINT\\s+\"((?:[^\"]|\"\")*)\"\\s+PRIMARY\\s+KEY"),
                QRegularExpression::CaseInsensitiveOption);
            const auto m = named.match(q.text(0));
            if (m.hasMatch()) pk.Name = m.captured(1).replace(QLatin1String("\"\""), QLatin1String("\""));
        }
        for (const auto& [order, name] : pkColumns) pk.appendColumn(name, table.column(name)->Type);
        table.Indexes.push_back(pk);
    }
    sql::Stmt list(db, QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE origin <> 'pk' "
                                      "ORDER BY seq DESC"));
    list.bindText(1, table.Name);
    while (list.step()) {
        Index idx;
        idx.Name = list.text(0);
        idx.Unique = list.int64(1) != 0;
        sql::Stmt cols(db, QStringLiteral("SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1 "
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

void Catalog::refreshTables() {
    m_tables.clear();
    for (const QString& name : userTables(m_connection.handle())) {
        auto t = std::make_unique<Table>(name);
        t->m_catalog = this;
        readTable(*t);
        m_tables.push_back(std::move(t));
    }
}

}  // namespace store
