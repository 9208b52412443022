#include "Recordset.h"

#include <algorithm>

#include "Connection.h"
#include "Sqlite.h"

namespace store {

struct Recordset::Impl {
    Connection* cn = nullptr;
    bool readOnly = false;
    std::vector<ColumnInfo> cols;
    std::vector<QVariant> values;  // the row under the cursor, as stored
    std::vector<sql::RawValue> raw;  // the same row byte for byte, to tell whether it changed since
    unsigned dataVersion = 0;      // the file's data version when the row was read
    std::vector<QVariant> pending;  // the row as edited, while an edit or new row is pending
    std::vector<char> assigned;
    std::vector<char> appendStarted;
    std::vector<qint64> chunkPos;

    // keyset over a table
    QString table;
    std::vector<qint64> keys;
    qint64 pos = -1;  // -1 is BOF, keys.size() is EOF
    bool currentDeleted = false;
    int keyColumn = -1;  // the column that holds the row key, if any
    bool autoIncrement = false;
    sql::Stmt rowStmt;
    qint64 posBeforeAdd = -1;
    bool deletedBeforeAdd = false;
    QVariant givenKey;  // the key AddNew gave the pending row
    bool filtered = false;

    // forward-only statement
    sql::Stmt stmt;
    bool fwdEmpty = true;
    bool fwdEof = true;

    // static rows
    std::vector<std::vector<QVariant>> rows;

    qint64 size() const { return qint64(keys.size()); }
};

namespace {

[[noreturn]] void noCurrentRecord() {
    throw StoreError(errNoCurrentRecord,
                     QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                    "Requested operation requires a current record."));
}

constexpr int kReserveWaitMs = 200;

// Changes to the file by any connection since the last look; the same number means no change.
unsigned dataVersion(sqlite3* db) {
    unsigned version = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

// Puts a key in its place in the sorted keyset; returns its index.
qint64 insertKey(std::vector<qint64>& keys, qint64 key) {
    const auto at = std::lower_bound(keys.begin(), keys.end(), key) - keys.begin();
    keys.insert(keys.begin() + at, key);
    return qint64(at);
}

// Every row's key, in key order.
std::vector<qint64> storedKeys(sqlite3* db, const QString& table) {
    sql::Stmt q(db, QStringLiteral("SELECT _rowid_ FROM %1 ORDER BY _rowid_").arg(sql::quoteIdent(table)));
    std::vector<qint64> keys;
    while (q.step()) keys.push_back(q.int64(0));
    return keys;
}

}  // namespace

// ---- Field ---------------------------------------------------------------------------------

QString Field::Name() const { return m_rs->d->cols.at(m_ordinal).name; }
DataTypeEnum Field::Type() const { return m_rs->d->cols.at(m_ordinal).type; }
long Field::DefinedSize() const { return m_rs->d->cols.at(m_ordinal).definedSize; }
long Field::Attributes() const {
    ColumnInfo c = m_rs->d->cols.at(m_ordinal);
    if (m_rs->d->readOnly) c.updatable = false;
    return c.attributes();
}
QVariant Field::Value() const { return m_rs->fieldValue(m_ordinal); }
void Field::setValue(const QVariant& value) { m_rs->assign(m_ordinal, value); }
QVariant Field::Convert(const QVariant& value) const { return convertForColumn(m_rs->d->cols.at(m_ordinal), value); }
qint64 Field::ActualSize() const { return m_rs->actualSize(m_ordinal); }
QByteArray Field::GetChunk(qint64 length) { return m_rs->getChunk(m_ordinal, length); }
void Field::AppendChunk(const QByteArray& bytes) { m_rs->appendChunk(m_ordinal, bytes); }

Field& Fields::Item(int ordinal) {
    if (ordinal < 0 || ordinal >= Count())
        throw StoreError(errItemNotFound,
                         QStringLiteral("There is no field number %1 (the record has %2 fields).")
                             .arg(ordinal)
                             .arg(Count()));
    return m_fields[size_t(ordinal)];
}

Field& Fields::Item(const QString& name) {
    for (Field& f : m_fields)
        if (f.Name().compare(name, Qt::CaseInsensitive) == 0) return f;
    throw StoreError(errItemNotFound, QStringLiteral("The field '%1' cannot be found in the record.").arg(name));
}

// ---- Recordset -----------------------------------------------------------------------------

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() { Close(); }

void Recordset::requireOpen() const {
    if (m_kind == Kind::Closed)
        throw StoreError(errObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

void Recordset::requireUpdatable() const {
    requireOpen();
    if (m_kind != Kind::Keyset || d->readOnly)
        throw StoreError(errNotSupported, QStringLiteral("This recordset is read-only; it cannot be changed."));
}

void Recordset::buildFields() {
    m_fields.m_fields.clear();
    const size_t n = d->cols.size();
    for (size_t i = 0; i < n; ++i) m_fields.m_fields.push_back(Field(this, int(i)));
    d->values.assign(n, QVariant());
    d->pending.assign(n, QVariant());
    d->assigned.assign(n, 0);
    d->appendStarted.assign(n, 0);
    d->chunkPos.assign(n, 0);
}

void Recordset::Open(const QString& source, Connection& connection, CursorTypeEnum cursorType,
                     LockTypeEnum lockType, CommandTypeEnum options) {
    if (isOpen())
        throw StoreError(errObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    if (options == adCmdText || cursorType == adOpenForwardOnly) {
        openForward(connection, options == adCmdText
                                    ? source
                                    : QStringLiteral("SELECT * FROM ") + sql::quoteIdent(source));
        return;
    }
    sqlite3* db = connection.handle();
    QString table;
    {
        sql::Stmt q(db, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 "
                                       "COLLATE NOCASE AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
        q.bindText(1, source);
        if (!q.step())
            throw StoreError(errTableNotFound,
                             QStringLiteral("The table '%1' cannot be found in the database '%2'.")
                                 .arg(source, connection.dataSource()));
        table = q.text(0);
    }
    auto impl = std::make_unique<Impl>();
    impl->cn = &connection;
    impl->readOnly = lockType == adLockReadOnly;
    impl->table = table;
    {
        sql::Stmt q(db, QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)"));
        q.bindText(1, table);
        int pkCount = 0;
        while (q.step()) {
            ColumnInfo c;
            c.name = q.text(0);
            c.declType = q.text(1);
            typeFromDecl(c.declType, c.type, c.definedSize);
            c.notNull = q.int64(2) != 0;
            c.primaryKey = q.int64(3) != 0;
            if (c.primaryKey) {
                ++pkCount;
                if (c.declType.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                    impl->keyColumn = int(impl->cols.size());
            }
            impl->cols.push_back(c);
        }
        if (pkCount != 1) impl->keyColumn = -1;
    }
    if (impl->keyColumn >= 0) {
        ColumnInfo& key = impl->cols[size_t(impl->keyColumn)];
        int notNull = 0, pk = 0, autoinc = 0;
        sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(), key.name.toUtf8().constData(),
                                      nullptr, nullptr, &notNull, &pk, &autoinc);
        key.autoIncrement = impl->autoIncrement = autoinc != 0;
        key.notNull = true;  // a row key is never Null
    }
    QString columnList;
    for (const ColumnInfo& c : impl->cols) {
        if (!columnList.isEmpty()) columnList += QLatin1Char(',');
        columnList += sql::quoteIdent(c.name);
    }
    const QString quoted = sql::quoteIdent(table);
    try {
        sql::Stmt(db, QStringLiteral("SELECT _rowid_ FROM %1 LIMIT 0").arg(quoted));
    } catch (const StoreError&) {
        throw StoreError(errNotSupported,
                         QStringLiteral("The table '%1' cannot be opened for editing: its rows have no keys.")
                             .arg(table));
    }
    impl->keys = storedKeys(db, table);
    impl->rowStmt = sql::Stmt(db, QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_ = ?1").arg(columnList, quoted));
    impl->pos = impl->keys.empty() ? -1 : 0;

    d = std::move(impl);
    m_kind = Kind::Keyset;
    m_edit = Edit::None;
    buildFields();
    connection.attach(this);
    land();
}

void Recordset::openForward(Connection& connection, const QString& sqlText) {
    if (isOpen())
        throw StoreError(errObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    sqlite3* db = connection.handle();
    auto impl = std::make_unique<Impl>();
    impl->cn = &connection;
    impl->readOnly = true;
    impl->stmt = sql::Stmt(db, sqlText);
    sqlite3_stmt* st = impl->stmt.get();
    const int n = sqlite3_column_count(st);
    if (n == 0) {
        // A statement that returns no rows is simply run.
        impl->stmt.step();
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
            if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(st, i), table, origin, nullptr,
                                              nullptr, &notNull, &pk, &autoinc) == SQLITE_OK) {
                c.notNull = notNull != 0 || (pk != 0 && c.type == adInteger);
                c.primaryKey = pk != 0;
                c.autoIncrement = autoinc != 0;
            }
        }
        c.updatable = false;
        impl->cols.push_back(c);
    }
    d = std::move(impl);
    m_kind = Kind::Forward;
    m_edit = Edit::None;
    buildFields();
    connection.attach(this);
    d->fwdEof = false;
    stepForward();
    d->fwdEmpty = d->fwdEof;
}

void Recordset::openStatic(Connection& connection, std::vector<ColumnInfo> columns,
                           std::vector<std::vector<QVariant>> rows) {
    auto impl = std::make_unique<Impl>();
    impl->cn = &connection;
    impl->readOnly = true;
    impl->cols = std::move(columns);
    impl->rows = std::move(rows);
    impl->pos = impl->rows.empty() ? -1 : 0;
    d = std::move(impl);
    m_kind = Kind::Static;
    m_edit = Edit::None;
    buildFields();
    connection.attach(this);
    land();
}

void Recordset::detachFromConnection() {
    if (d->cn) d->cn->detach(this);
    d->cn = nullptr;
}

void Recordset::Close() {
    if (m_kind == Kind::Closed) return;
    detachFromConnection();
    d = std::make_unique<Impl>();
    m_kind = Kind::Closed;
    m_edit = Edit::None;
    m_fields.m_fields.clear();
}

bool Recordset::BOF() const {
    requireOpen();
    switch (m_kind) {
        case Kind::Keyset:
            if (m_edit == Edit::AddNew || d->currentDeleted) return false;
            return d->keys.empty() || d->pos < 0;
        case Kind::Static:
            return d->rows.empty() || d->pos < 0;
        default:
            return d->fwdEmpty;
    }
}

bool Recordset::EOF_() const {
    requireOpen();
    switch (m_kind) {
        case Kind::Keyset:
            if (m_edit == Edit::AddNew || d->currentDeleted) return false;
            return d->keys.empty() || d->pos >= d->size();
        case Kind::Static:
            return d->rows.empty() || d->pos >= qint64(d->rows.size());
        default:
            return d->fwdEof;
    }
}

long Recordset::RecordCount() const {
    requireOpen();
    switch (m_kind) {
        case Kind::Keyset: return long(d->keys.size());
        case Kind::Static: return long(d->rows.size());
        default: return -1;
    }
}

bool Recordset::hasCurrentRow() const {
    switch (m_kind) {
        case Kind::Keyset:
            return m_edit == Edit::AddNew || (!d->currentDeleted && d->pos >= 0 && d->pos < d->size());
        case Kind::Static:
            return d->pos >= 0 && d->pos < qint64(d->rows.size());
        case Kind::Forward:
            return !d->fwdEof;
        default:
            return false;
    }
}

void Recordset::requireCurrentRow() const {
    requireOpen();
    if (!hasCurrentRow()) noCurrentRecord();
}

void Recordset::land() {
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    std::fill(d->values.begin(), d->values.end(), QVariant());
    if (m_kind == Kind::Static) {
        if (hasCurrentRow()) d->values = d->rows[size_t(d->pos)];
        return;
    }
    if (m_kind != Kind::Keyset || !hasCurrentRow()) return;
    sql::Stmt& q = d->rowStmt;
    q.reset();
    q.bindInt64(1, d->keys[size_t(d->pos)]);
    const bool found = q.step();
    d->raw.assign(d->cols.size(), sql::RawValue());
    if (found) {
        for (size_t i = 0; i < d->cols.size(); ++i) {
            d->raw[i] = sql::readRaw(q.get(), int(i));
            d->values[i] = sql::fromRaw(d->raw[i], d->cols[i].type);
        }
        d->dataVersion = dataVersion(d->cn->handle());
    }
    q.reset();  // releases the read lock at once
    if (!found)
        throw StoreError(errNoCurrentRecord,
                         QStringLiteral("The record has been deleted from the table '%1' by another program.")
                             .arg(d->table));
}

void Recordset::stepForward(bool read) {
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    if (d->fwdEof) return;
    if (d->stmt.step()) {
        // Rows only passed over are not read: their pictures stay on disk.
        if (read)
            for (size_t i = 0; i < d->cols.size(); ++i)
                d->values[i] = sql::readColumn(d->stmt.get(), int(i), d->cols[i].type);
    } else {
        d->fwdEof = true;
        std::fill(d->values.begin(), d->values.end(), QVariant());
        d->stmt.reset();
    }
}

void Recordset::discardPending() {
    if (m_edit == Edit::AddNew) {
        d->pos = d->posBeforeAdd;
        d->currentDeleted = d->deletedBeforeAdd;
    }
    m_edit = Edit::None;
    std::fill(d->pending.begin(), d->pending.end(), QVariant());
    std::fill(d->assigned.begin(), d->assigned.end(), 0);
    std::fill(d->appendStarted.begin(), d->appendStarted.end(), 0);
}

void Recordset::MoveFirst() {
    requireOpen();
    if (m_kind == Kind::Forward) {
        sqlite3_reset(d->stmt.get());
        d->fwdEof = d->fwdEmpty;
        if (!d->fwdEmpty) stepForward();
        return;
    }
    discardPending();
    d->currentDeleted = false;
    d->pos = (m_kind == Kind::Keyset ? d->keys.empty() : d->rows.empty()) ? -1 : 0;
    land();
}

void Recordset::MoveLast() {
    requireOpen();
    if (m_kind == Kind::Forward)
        throw StoreError(errNotSupported, QStringLiteral("A forward-only recordset cannot move backward."));
    discardPending();
    d->currentDeleted = false;
    const qint64 n = m_kind == Kind::Keyset ? d->size() : qint64(d->rows.size());
    d->pos = n - 1;
    land();
}

void Recordset::MoveNext() { Move(1); }

void Recordset::MovePrevious() { Move(-1); }

void Recordset::Move(long count) {
    requireOpen();
    if (m_kind == Kind::Forward) {
        if (count < 0)
            throw StoreError(errNotSupported, QStringLiteral("A forward-only recordset cannot move backward."));
        for (long i = 0; i < count && !d->fwdEof; ++i) stepForward(i + 1 == count);
        return;
    }
    discardPending();
    const qint64 n = m_kind == Kind::Keyset ? d->size() : qint64(d->rows.size());
    qint64 target;
    if (d->currentDeleted) {
        // The deleted row stood between pos - 1 and pos.
        target = count > 0 ? d->pos + count - 1 : d->pos + count;
        d->currentDeleted = false;
    } else {
        target = d->pos + count;
    }
    d->pos = std::clamp<qint64>(target, -1, n);
    land();
}

qint64 Recordset::nextKey() {
    sqlite3* db = d->cn->handle();
    qint64 next = 1;
    {
        sql::Stmt q(db, QStringLiteral("SELECT max(_rowid_) FROM %1").arg(sql::quoteIdent(d->table)));
        if (q.step() && !q.isNull(0)) next = q.int64(0) + 1;
    }
    if (d->autoIncrement) {
        sql::Stmt q(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
        q.bindText(1, d->table);
        if (q.step()) next = std::max(next, q.int64(0) + 1);
    }
    return next;
}

void Recordset::AddNew() {
    requireUpdatable();
    discardPending();
    d->posBeforeAdd = d->pos;
    d->deletedBeforeAdd = d->currentDeleted;
    m_edit = Edit::AddNew;
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    d->givenKey = QVariant();
    if (d->keyColumn >= 0) {
        qint64 key = nextKey();
        if (d->autoIncrement) {
            // The key is reserved in the file at once, so that another program adding a row to
            // the same table meanwhile is given the next one. A file that cannot be written
            // (read-only, locked) is told at the save; here the computed key serves.
            sqlite3* db = d->cn->handle();
            // Not worth a long wait: a locked file gets its key checked again at the save.
            sqlite3_busy_timeout(db, kReserveWaitMs);
            try {
                sql::inWriteTransaction(db, [&] {
                    key = nextKey();
                    sql::Stmt up(db, QStringLiteral("UPDATE sqlite_sequence SET seq = ?1 WHERE name = ?2"));
                    up.bindInt64(1, key);
                    up.bindText(2, d->table);
                    up.step();
                    if (sqlite3_changes(db) == 0) {
                        sql::Stmt ins(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"));
                        ins.bindText(1, d->table);
                        ins.bindInt64(2, key);
                        ins.step();
                    }
                });
            } catch (const StoreError&) {
            }
            sql::configureWait(db);
        }
        d->givenKey = key <= std::numeric_limits<int>::max() ? QVariant(int(key)) : QVariant(key);
        d->pending[size_t(d->keyColumn)] = d->givenKey;
        d->assigned[size_t(d->keyColumn)] = 1;
    }
}

void Recordset::beginEdit() {
    requireCurrentRow();
    m_edit = Edit::Edit;
    d->pending = d->values;
    std::fill(d->assigned.begin(), d->assigned.end(), 0);
    std::fill(d->appendStarted.begin(), d->appendStarted.end(), 0);
}

void Recordset::checkRowUnchanged(sqlite3* db) {
    // Nothing in the file changed since the row was read: it cannot have either.
    if (dataVersion(db) == d->dataVersion) return;
    sql::Stmt& q = d->rowStmt;
    q.reset();
    q.bindInt64(1, d->keys[size_t(d->pos)]);
    bool same = q.step();
    const bool found = same;
    for (size_t i = 0; same && i < d->cols.size(); ++i) same = sql::readRaw(q.get(), int(i)) == d->raw[i];
    q.reset();
    if (!found)
        throw StoreError(errRecordDeleted,
                         QStringLiteral("The record was deleted from the table '%1' by another program since it "
                                        "was shown; nothing was saved.")
                             .arg(d->table));
    if (!same)
        throw StoreError(errRecordChanged,
                         QStringLiteral("The record was changed in the table '%1' by another program since it "
                                        "was shown; nothing was saved.")
                             .arg(d->table));
}

void Recordset::Update() {
    requireUpdatable();
    if (m_edit == Edit::None) return;
    sqlite3* db = d->cn->handle();
    const QString table = sql::quoteIdent(d->table);
    std::vector<size_t> cols;
    for (size_t i = 0; i < d->cols.size(); ++i)
        if (d->assigned[i]) cols.push_back(i);

    if (m_edit == Edit::AddNew) {
        QString names, marks;
        for (size_t i : cols) {
            if (!names.isEmpty()) {
                names += QLatin1Char(',');
                marks += QLatin1Char(',');
            }
            names += sql::quoteIdent(d->cols[i].name);
            marks += QLatin1Char('?');
        }
        qint64 rowid = 0;
        sql::inWriteTransaction(db, [&] {
            // A key this recordset gave that another program has taken since is given anew.
            if (d->keyColumn >= 0 && d->givenKey.isValid() && d->pending[size_t(d->keyColumn)] == d->givenKey) {
                sql::Stmt taken(db, QStringLiteral("SELECT 1 FROM %1 WHERE _rowid_ = ?1").arg(table));
                taken.bindInt64(1, d->givenKey.toLongLong());
                if (taken.step()) {
                    const qint64 key = nextKey();
                    d->givenKey = key <= std::numeric_limits<int>::max() ? QVariant(int(key)) : QVariant(key);
                    d->pending[size_t(d->keyColumn)] = d->givenKey;
                }
            }
            sql::Stmt ins(db, cols.empty()
                                  ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names, marks));
            for (size_t k = 0; k < cols.size(); ++k) ins.bind(int(k + 1), d->pending[cols[k]]);
            ins.step();
            rowid = sqlite3_last_insert_rowid(db);
        });
        d->pos = insertKey(d->keys, rowid);
        d->currentDeleted = false;
    } else {
        if (cols.empty()) {
            discardPending();
            return;
        }
        QString sets;
        for (size_t i : cols) {
            if (!sets.isEmpty()) sets += QLatin1Char(',');
            sets += sql::quoteIdent(d->cols[i].name) + QStringLiteral("=?");
        }
        const qint64 oldKey = d->keys[size_t(d->pos)];
        sql::inWriteTransaction(db, [&] {
            // Only a row still as it was read is written: another program's save is never lost.
            checkRowUnchanged(db);
            sql::Stmt upd(db, QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?").arg(table, sets));
            for (size_t k = 0; k < cols.size(); ++k) upd.bind(int(k + 1), d->pending[cols[k]]);
            upd.bindInt64(int(cols.size() + 1), oldKey);
            upd.step();
        });
        if (d->keyColumn >= 0 && d->assigned[size_t(d->keyColumn)]) {
            const qint64 newKey = d->pending[size_t(d->keyColumn)].toLongLong();
            if (newKey != oldKey) {
                d->keys.erase(d->keys.begin() + d->pos);
                d->pos = insertKey(d->keys, newKey);
            }
        }
    }
    m_edit = Edit::None;
    std::fill(d->pending.begin(), d->pending.end(), QVariant());
    std::fill(d->assigned.begin(), d->assigned.end(), 0);
    std::fill(d->appendStarted.begin(), d->appendStarted.end(), 0);
    land();
}

void Recordset::Resync() {
    requireOpen();
    if (m_kind != Kind::Keyset || m_edit == Edit::AddNew || !hasCurrentRow()) return;
    // The pending edit stays; only what the row is compared with at the next Update moves on.
    land();
}

void Recordset::CancelUpdate() {
    requireOpen();
    if (m_edit == Edit::None) return;
    const bool wasNew = m_edit == Edit::AddNew;
    discardPending();
    if (wasNew) land();
}

void Recordset::Delete(AffectEnum affect) {
    Q_UNUSED(affect);
    requireUpdatable();
    if (m_edit == Edit::AddNew) {
        CancelUpdate();
        return;
    }
    discardPending();
    requireCurrentRow();
    sql::Stmt del(d->cn->handle(),
                  QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?1").arg(sql::quoteIdent(d->table)));
    del.bindInt64(1, d->keys[size_t(d->pos)]);
    del.step();
    d->keys.erase(d->keys.begin() + d->pos);
    d->currentDeleted = true;
    std::fill(d->values.begin(), d->values.end(), QVariant());
}

QVariant Recordset::Bookmark() const {
    requireOpen();
    if (m_kind != Kind::Keyset || m_edit == Edit::AddNew || !hasCurrentRow()) return QVariant();
    return d->keys[size_t(d->pos)];
}

void Recordset::setBookmark(const QVariant& key) {
    requireOpen();
    bool ok = false;
    const qint64 k = key.toLongLong(&ok);
    const auto at = std::lower_bound(d->keys.begin(), d->keys.end(), k);
    if (m_kind != Kind::Keyset || !ok || at == d->keys.end() || *at != k)
        throw StoreError(errBookmark, QStringLiteral("The record %1 is not among the records of '%2'.")
                                          .arg(key.toString(), d->table));
    discardPending();
    d->currentDeleted = false;
    d->pos = at - d->keys.begin();
    land();
}

void Recordset::setFilter(const std::vector<qint64>& keys) {
    requireOpen();
    if (m_kind != Kind::Keyset)
        throw StoreError(errNotSupported, QStringLiteral("Only a recordset over a table can be filtered."));
    std::vector<qint64> wanted = keys;
    std::sort(wanted.begin(), wanted.end());
    const std::vector<qint64> stored = storedKeys(d->cn->handle(), d->table);
    std::vector<qint64> kept;
    std::set_intersection(stored.begin(), stored.end(), wanted.begin(), wanted.end(), std::back_inserter(kept));
    discardPending();
    d->keys = std::move(kept);
    d->filtered = true;
    d->currentDeleted = false;
    d->pos = d->keys.empty() ? -1 : 0;
    land();
}

void Recordset::clearFilter() {
    requireOpen();
    if (m_kind != Kind::Keyset) return;
    std::vector<qint64> stored = storedKeys(d->cn->handle(), d->table);
    discardPending();
    d->keys = std::move(stored);
    d->filtered = false;
    d->currentDeleted = false;
    d->pos = d->keys.empty() ? -1 : 0;
    land();
}

bool Recordset::isFiltered() const { return m_kind == Kind::Keyset && d->filtered; }

long Recordset::AbsolutePosition() const {
    requireOpen();
    if (m_kind == Kind::Forward || m_edit == Edit::AddNew || !hasCurrentRow()) return -1;
    return long(d->pos + 1);
}

Fields& Recordset::fields() {
    requireOpen();
    return m_fields;
}

QVariant Recordset::fieldValue(int ordinal) const {
    requireOpen();
    if (m_edit != Edit::None) return d->pending[size_t(ordinal)];
    requireCurrentRow();
    return d->values[size_t(ordinal)];
}

void Recordset::assign(int ordinal, const QVariant& value) {
    requireUpdatable();
    const QVariant converted = convertForColumn(d->cols[size_t(ordinal)], value);
    if (m_edit == Edit::None) beginEdit();
    d->pending[size_t(ordinal)] = converted;
    d->assigned[size_t(ordinal)] = 1;
}

qint64 Recordset::actualSize(int ordinal) const {
    const QVariant v = fieldValue(ordinal);
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().size();
    if (v.typeId() == QMetaType::QString) return v.toString().size() * 2;
    return QMetaType(v.metaType()).sizeOf();
}

QByteArray Recordset::getChunk(int ordinal, qint64 length) {
    requireOpen();
    if (m_edit == Edit::None) requireCurrentRow();
    // Read in place: a picture is fetched in many small chunks.
    const QVariant& v = m_edit != Edit::None ? d->pending[size_t(ordinal)] : d->values[size_t(ordinal)];
    if (v.isNull() || length <= 0) return QByteArray();
    qint64& at = d->chunkPos[size_t(ordinal)];
    if (v.typeId() == QMetaType::QByteArray) {
        const auto* stored = static_cast<const QByteArray*>(v.constData());
        if (at >= stored->size()) return QByteArray();
        const qint64 n = std::min<qint64>(length, stored->size() - at);
        QByteArray chunk(stored->constData() + at, n);
        at += n;
        return chunk;
    }
    QByteArray bytes;
    {
        const QString s = v.toString();
        bytes = QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    }
    if (at >= bytes.size()) return QByteArray();
    QByteArray chunk = bytes.mid(at, length);
    at += chunk.size();
    return chunk;
}

void Recordset::appendChunk(int ordinal, const QByteArray& bytes) {
    requireUpdatable();
    if (d->cols[size_t(ordinal)].type != adLongVarBinary)
        throw StoreError(errOperationNotAllowed,
                         QStringLiteral("Binary data can only be appended to a long binary field, not to '%1'.")
                             .arg(d->cols[size_t(ordinal)].name));
    if (m_edit == Edit::None) beginEdit();
    QVariant& v = d->pending[size_t(ordinal)];
    if (!d->appendStarted[size_t(ordinal)]) {
        v = bytes;
        d->appendStarted[size_t(ordinal)] = 1;
    } else {
        QByteArray joined = v.toByteArray();
        joined.append(bytes);
        v = joined;
    }
    d->assigned[size_t(ordinal)] = 1;
}

}  // namespace store
