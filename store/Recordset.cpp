#include "Recordset.h"

#include <algorithm>

#include "Connection.h"
#include "Engine.h"
#include "StoreError.h"

namespace store {

struct Recordset::Impl {
    Connection* cn = nullptr;
    bool readOnly = false;
    std::vector<ColumnInfo> cols;
    std::vector<QVariant> values;   // the row under the cursor, as stored
    std::vector<QVariant> pending;  // the row as edited, while an edit or new row is pending
    std::vector<char> assigned;
    std::vector<char> appendStarted;
    std::vector<qint64> chunkPos;

    // keyset over a table
    std::unique_ptr<engine::TableAccess> source;
    QString table;
    std::vector<qint64> keys;
    qint64 pos = -1;  // -1 is BOF, keys.size() is EOF
    bool currentDeleted = false;
    int keyColumn = -1;  // the column that holds the row key, if any
    qint64 posBeforeAdd = -1;
    bool deletedBeforeAdd = false;
    QVariant givenKey;  // the key AddNew gave the pending row
    bool filtered = false;

    // forward-only statement
    std::unique_ptr<engine::Query> query;
    bool fwdEmpty = true;
    bool fwdEof = true;

    // static rows
    std::vector<std::vector<QVariant>> rows;

    qint64 size() const { return qint64(keys.size()); }
};

namespace {

[[noreturn]] void noCurrentRecord() {
    throw StoreError(errNoCurrentRecord,
                     Text::tr("Either BOF or EOF is True, or the current record has been deleted. "
                              "Requested operation requires a current record."));
}

// Puts a key in its place in the sorted keyset; returns its index.
qint64 insertKey(std::vector<qint64>& keys, qint64 key) {
    const auto at = std::lower_bound(keys.begin(), keys.end(), key) - keys.begin();
    keys.insert(keys.begin() + at, key);
    return qint64(at);
}

}  // namespace

// ---- Field ---------------------------------------------------------------------------------

QString Field::Name() const {
    return m_rs->d->cols.at(m_ordinal).name;
}
DataTypeEnum Field::Type() const {
    return m_rs->d->cols.at(m_ordinal).type;
}
long Field::DefinedSize() const {
    return m_rs->d->cols.at(m_ordinal).definedSize;
}
long Field::Attributes() const {
    ColumnInfo c = m_rs->d->cols.at(m_ordinal);
    if (m_rs->d->readOnly) c.updatable = false;
    return c.attributes();
}
QVariant Field::Value() const {
    return m_rs->fieldValue(m_ordinal);
}
void Field::setValue(const QVariant& value) {
    m_rs->assign(m_ordinal, value);
}
QVariant Field::Convert(const QVariant& value) const {
    return convertForColumn(m_rs->d->cols.at(m_ordinal), value);
}
qint64 Field::ActualSize() const {
    return m_rs->actualSize(m_ordinal);
}
QByteArray Field::GetChunk(qint64 length) {
    return m_rs->getChunk(m_ordinal, length);
}
void Field::AppendChunk(const QByteArray& bytes) {
    m_rs->appendChunk(m_ordinal, bytes);
}

Field& Fields::Item(int ordinal) {
    if (ordinal < 0 || ordinal >= Count())
        throw StoreError(errItemNotFound,
                         Text::tr("There is no field number %1 (the record has %2 fields).")
                             .arg(ordinal)
                             .arg(Count()));
    return m_fields[size_t(ordinal)];
}

Field& Fields::Item(const QString& name) {
    for (Field& f : m_fields)
        if (f.Name().compare(name, Qt::CaseInsensitive) == 0) return f;
    throw StoreError(errItemNotFound,
                     Text::tr("The field '%1' cannot be found in the record.").arg(name));
}

// ---- Recordset -----------------------------------------------------------------------------

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() {
    Close();
}

void Recordset::requireOpen() const {
    if (m_kind == Kind::Closed)
        throw StoreError(errObjectClosed,
                         Text::tr("Operation is not allowed when the object is closed."));
}

void Recordset::requireUpdatable() const {
    requireOpen();
    if (m_kind != Kind::Keyset || d->readOnly)
        throw StoreError(errNotSupported,
                         Text::tr("This recordset is read-only; it cannot be changed."));
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
        throw StoreError(errObjectOpen,
                         Text::tr("Operation is not allowed when the object is open."));
    if (options == adCmdText || cursorType == adOpenForwardOnly) {
        openForward(connection, options == adCmdText ? source
                                                     : QStringLiteral("SELECT * FROM ") +
                                                           connection.tableReference(source));
        return;
    }
    auto impl = std::make_unique<Impl>();
    impl->cn = &connection;
    impl->readOnly = lockType == adLockReadOnly;
    impl->source = connection.engine().openTable(source);
    impl->table = impl->source->name;
    impl->cols = impl->source->cols;
    impl->keyColumn = impl->source->keyColumn;
    impl->keys = impl->source->readKeys();
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
        throw StoreError(errObjectOpen,
                         Text::tr("Operation is not allowed when the object is open."));
    auto impl = std::make_unique<Impl>();
    impl->cn = &connection;
    impl->readOnly = true;
    impl->query = connection.engine().query(sqlText);
    // A statement that returns no rows has simply been run.
    if (impl->query->cols.empty()) return;
    impl->cols = impl->query->cols;
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
        case Kind::Keyset:
            return long(d->keys.size());
        case Kind::Static:
            return long(d->rows.size());
        default:
            return -1;
    }
}

bool Recordset::hasCurrentRow() const {
    switch (m_kind) {
        case Kind::Keyset:
            return m_edit == Edit::AddNew ||
                   (!d->currentDeleted && d->pos >= 0 && d->pos < d->size());
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

bool Recordset::readAt(const std::vector<qint64>& keys, qint64 pos,
                       std::vector<QVariant>& row) const {
    row.assign(d->cols.size(), QVariant());
    if (m_kind == Kind::Static) {
        if (pos >= 0 && pos < qint64(d->rows.size())) row = d->rows[size_t(pos)];
        return true;
    }
    if (m_kind != Kind::Keyset || pos < 0 || pos >= qint64(keys.size())) return true;
    return d->source->readRow(keys[size_t(pos)], row);
}

void Recordset::rowGone() const {
    throw StoreError(errNoCurrentRecord,
                     Text::tr("The record has been deleted from the table '%1' by another program.")
                         .arg(d->table));
}

void Recordset::land() {
    if (!hasCurrentRow() || m_edit == Edit::AddNew) {
        std::fill(d->values.begin(), d->values.end(), QVariant());
        std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
        return;
    }
    std::vector<QVariant> row;
    const bool found = readAt(d->keys, d->pos, row);
    d->values = std::move(row);
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    if (!found) rowGone();
}

void Recordset::moveTo(qint64 target, std::vector<qint64>* newKeys, bool filtered) {
    // The row is read before anything changes: a read that fails (a locked file, a lost
    // connection) leaves the cursor, the row shown and a pending edit where they were, so that
    // the next Update writes the row it was meant for.
    std::vector<QVariant> row;
    const bool found = readAt(newKeys ? *newKeys : d->keys, target, row);
    discardPending();
    if (newKeys) {
        d->keys = std::move(*newKeys);
        d->filtered = filtered;
    }
    d->pos = target;
    d->currentDeleted = false;
    d->values = std::move(row);
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    if (!found) rowGone();
}

void Recordset::stepForward(bool read) {
    std::fill(d->chunkPos.begin(), d->chunkPos.end(), 0);
    if (d->fwdEof) return;
    // Rows only passed over are not read: their pictures stay on disk.
    if (!d->query->next(read ? &d->values : nullptr)) {
        d->fwdEof = true;
        std::fill(d->values.begin(), d->values.end(), QVariant());
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
        d->query->rewind();
        d->fwdEof = d->fwdEmpty;
        if (!d->fwdEmpty) stepForward();
        return;
    }
    moveTo((m_kind == Kind::Keyset ? d->keys.empty() : d->rows.empty()) ? -1 : 0);
}

void Recordset::MoveLast() {
    requireOpen();
    if (m_kind == Kind::Forward)
        throw StoreError(errNotSupported,
                         Text::tr("A forward-only recordset cannot move backward."));
    const qint64 n = m_kind == Kind::Keyset ? d->size() : qint64(d->rows.size());
    moveTo(n - 1);
}

void Recordset::MoveNext() {
    Move(1);
}

void Recordset::MovePrevious() {
    Move(-1);
}

void Recordset::Move(long count) {
    requireOpen();
    if (m_kind == Kind::Forward) {
        if (count < 0)
            throw StoreError(errNotSupported,
                             Text::tr("A forward-only recordset cannot move backward."));
        for (long i = 0; i < count && !d->fwdEof; ++i) stepForward(i + 1 == count);
        return;
    }
    const qint64 n = m_kind == Kind::Keyset ? d->size() : qint64(d->rows.size());
    // Counted from the row a pending new row was added on.
    const bool adding = m_edit == Edit::AddNew;
    const qint64 from = adding ? d->posBeforeAdd : d->pos;
    // A deleted row stood between from - 1 and from.
    const bool inGap = adding ? d->deletedBeforeAdd : d->currentDeleted;
    const qint64 target = inGap && count > 0 ? from + count - 1 : from + count;
    moveTo(std::clamp<qint64>(target, -1, n));
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
        const qint64 key = d->source->reserveKey();
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

void Recordset::Update() {
    requireUpdatable();
    if (m_edit == Edit::None) return;
    std::vector<size_t> cols;
    for (size_t i = 0; i < d->cols.size(); ++i)
        if (d->assigned[i]) cols.push_back(i);

    if (m_edit == Edit::AddNew) {
        const qint64 key = d->source->insert(cols, d->pending, d->givenKey);
        d->pos = insertKey(d->keys, key);
        d->currentDeleted = false;
    } else {
        if (cols.empty()) {
            discardPending();
            return;
        }
        const qint64 oldKey = d->keys[size_t(d->pos)];
        // Only a row still as it was read is written: another program's save is never lost.
        d->source->update(oldKey, cols, d->pending);
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
    // Written: what was shown before is no longer the row under the cursor, even if its read fails.
    std::fill(d->values.begin(), d->values.end(), QVariant());
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
    requireCurrentRow();
    // Refused (changed or deleted elsewhere, locked, disconnected): the row and a pending edit
    // stay.
    d->source->remove(d->keys[size_t(d->pos)]);
    discardPending();
    d->keys.erase(d->keys.begin() + d->pos);
    d->currentDeleted = true;
    std::fill(d->values.begin(), d->values.end(), QVariant());
}

QVariant Recordset::Bookmark() const {
    requireOpen();
    if (m_kind != Kind::Keyset || m_edit == Edit::AddNew || d->currentDeleted || d->pos < 0 ||
        d->pos >= d->size())
        return QVariant();
    return QVariant::fromValue(d->keys[size_t(d->pos)]);
}

void Recordset::setBookmark(const QVariant& bookmark) {
    requireOpen();
    if (m_kind != Kind::Keyset)
        throw StoreError(errNotSupported, Text::tr("Only a table's recordset keeps bookmarks."));
    const auto at =
        std::lower_bound(d->keys.begin(), d->keys.end(), bookmark.toLongLong()) - d->keys.begin();
    moveTo(std::min<qint64>(at, d->size() - 1));
}

void Recordset::setFilter(const std::vector<qint64>& keys) {
    requireOpen();
    if (m_kind != Kind::Keyset)
        throw StoreError(errNotSupported,
                         Text::tr("Only a recordset over a table can be filtered."));
    std::vector<qint64> wanted = keys;
    std::sort(wanted.begin(), wanted.end());
    const std::vector<qint64> stored = d->source->readKeys();
    std::vector<qint64> kept;
    std::set_intersection(stored.begin(), stored.end(), wanted.begin(), wanted.end(),
                          std::back_inserter(kept));
    const qint64 first = kept.empty() ? -1 : 0;
    moveTo(first, &kept, true);
}

void Recordset::clearFilter() {
    requireOpen();
    if (m_kind != Kind::Keyset) return;
    std::vector<qint64> stored = d->source->readKeys();
    const qint64 first = stored.empty() ? -1 : 0;
    moveTo(first, &stored, false);
}

bool Recordset::isFiltered() const {
    return m_kind == Kind::Keyset && d->filtered;
}

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
    const QVariant& v =
        m_edit != Edit::None ? d->pending[size_t(ordinal)] : d->values[size_t(ordinal)];
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
        throw StoreError(
            errOperationNotAllowed,
            Text::tr("Binary data can only be appended to a long binary field, not to '%1'.")
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
