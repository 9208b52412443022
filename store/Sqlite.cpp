#include "Sqlite.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace store::sql {

namespace {
constexpr int kBusyTimeoutMs = 5000;
}

QString quoteIdent(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void fail(sqlite3* db, const QString& what) {
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
    QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : Text::tr("unknown error");
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        message = Text::tr("the database file is in use by another program");
    else if ((code & 0xff) == SQLITE_READONLY)
        message = Text::tr("the database file cannot be written (it is read-only)");
    else if ((code & 0xff) == SQLITE_FULL)
        message = Text::tr("the disk is full");
    else if ((code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB)
        message = Text::tr("the database file is damaged or is not a database");
    throw StoreError(errEngine, what + QStringLiteral(": ") + message + QLatin1Char('.'));
}

Stmt::Stmt(sqlite3* db, const QString& sql) : m_db(db) {
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, &tail) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        fail(db, Text::tr("The statement could not be prepared"));
    }
    if (tail && *tail) {
        QByteArray rest(tail);
        if (!rest.trimmed().isEmpty() && rest.trimmed() != ";") {
            finalize();
            throw StoreError(errInvalidArgument,
                             Text::tr("Only one statement can be run at a time."));
        }
    }
}

Stmt::~Stmt() {
    finalize();
}

Stmt::Stmt(Stmt&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

Stmt& Stmt::operator=(Stmt&& other) noexcept {
    if (this != &other) {
        finalize();
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void Stmt::finalize() {
    if (m_stmt) sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

void Stmt::bindText(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Stmt::bindInt64(int index, qint64 value) {
    sqlite3_bind_int64(m_stmt, index, value);
}

void Stmt::bind(int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(m_stmt, index);
        return;
    }
    if (value.metaType() == QMetaType::fromType<Currency>()) {
        bindInt64(index, value.value<Currency>().scaled);
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            bindInt64(index, value.toLongLong());
            break;
        case QMetaType::Bool:
            bindInt64(index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Float: {
            // The shortest decimal that reads back as the same float: 0.012, not 0.0120000001.
            // Read back with from_chars: strtod follows the C locale, and "0.012" stops at the
            // point where the decimal separator is a comma.
            char buf[32];
            const auto written = std::to_chars(buf, buf + sizeof buf, value.toFloat());
            double shortest = value.toFloat();
            std::from_chars(buf, written.ptr, shortest);
            sqlite3_bind_double(m_stmt, index, shortest);
            break;
        }
        case QMetaType::Double:
            sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QDateTime:
            bindText(index, dateToStorage(value.toDateTime()));
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            // A zero-length blob, not Null, for an empty value.
            sqlite3_bind_blob64(m_stmt, index, bytes.isEmpty() ? "" : bytes.constData(),
                                sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            bindText(index, value.toString());
    }
}

bool Stmt::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(m_stmt);
    fail(m_db, Text::tr("The database could not carry out the operation"));
}

void Stmt::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

QString Stmt::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col)) : QString();
}

bool RawValue::operator==(const RawValue& other) const {
    if (storage != other.storage) return false;
    switch (storage) {
        case SQLITE_INTEGER:
            return integer == other.integer;
        case SQLITE_FLOAT:
            return std::memcmp(&real, &other.real, sizeof real) == 0;
        case SQLITE_NULL:
            return true;
        default:
            return bytes == other.bytes;
    }
}

RawValue readRaw(sqlite3_stmt* stmt, int col) {
    RawValue raw;
    raw.storage = sqlite3_column_type(stmt, col);
    switch (raw.storage) {
        case SQLITE_INTEGER:
            raw.integer = sqlite3_column_int64(stmt, col);
            break;
        case SQLITE_FLOAT:
            raw.real = sqlite3_column_double(stmt, col);
            break;
        case SQLITE_TEXT:
            raw.bytes = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                   sqlite3_column_bytes(stmt, col));
            break;
        case SQLITE_BLOB: {
            const void* p = sqlite3_column_blob(stmt, col);
            raw.bytes = QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt, col));
            break;
        }
        default:
            break;
    }
    return raw;
}

StoredValue stored(sqlite3_stmt* stmt, int col) {
    StoredValue v;
    switch (sqlite3_column_type(stmt, col)) {
        case SQLITE_INTEGER:
            v.kind = StoredValue::Integer;
            v.integer = sqlite3_column_int64(stmt, col);
            break;
        case SQLITE_FLOAT:
            v.kind = StoredValue::Real;
            v.real = sqlite3_column_double(stmt, col);
            break;
        case SQLITE_TEXT:
            v.kind = StoredValue::Text;
            v.bytes = QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                     sqlite3_column_bytes(stmt, col));
            break;
        case SQLITE_BLOB: {
            const void* p = sqlite3_column_blob(stmt, col);
            v.kind = StoredValue::Blob;
            v.bytes = QByteArrayView(static_cast<const char*>(p), sqlite3_column_bytes(stmt, col));
            break;
        }
        default:
            v.kind = StoredValue::Null;
            break;
    }
    return v;
}

QVariant fromRaw(const RawValue& raw, DataTypeEnum type) {
    const int storage = raw.storage;
    if (storage == SQLITE_NULL) return QVariant();
    auto asText = [&] { return QString::fromUtf8(raw.bytes); };
    // Files from other programs may hold any storage class in any column; what does not
    // fit the column's type is handed back as it is stored.
    switch (type) {
        case adSmallInt:
        case adInteger:
            if (storage == SQLITE_INTEGER) {
                const qint64 n = raw.integer;
                if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
                    return QVariant::fromValue(int(n));
                return QVariant::fromValue(n);
            }
            break;
        case adBigInt:
            if (storage == SQLITE_INTEGER) return QVariant::fromValue(qint64(raw.integer));
            break;
        case adSingle:
            if (storage == SQLITE_INTEGER) return QVariant::fromValue(float(raw.integer));
            if (storage == SQLITE_FLOAT) return QVariant::fromValue(float(raw.real));
            break;
        case adDouble:
            if (storage == SQLITE_INTEGER) return QVariant::fromValue(double(raw.integer));
            if (storage == SQLITE_FLOAT) return QVariant::fromValue(raw.real);
            break;
        case adCurrency:
            if (storage == SQLITE_INTEGER) return QVariant::fromValue(Currency{raw.integer});
            if (storage == SQLITE_FLOAT)
                return QVariant::fromValue(Currency{std::llround(raw.real * 1e4)});
            break;
        case adDate:
            if (storage == SQLITE_TEXT) {
                if (auto dt = dateFromStorage(asText())) return *dt;
            }
            break;
        case adBoolean:
            if (storage == SQLITE_INTEGER) return raw.integer != 0;
            break;
        case adLongVarBinary:
            if (storage == SQLITE_BLOB) return raw.bytes;
            break;
        case adVarWChar:
        case adLongVarWChar:
            if (storage == SQLITE_TEXT) return asText();
            break;
        default:
            break;
    }
    switch (storage) {
        case SQLITE_INTEGER:
            return QVariant::fromValue(qint64(raw.integer));
        case SQLITE_FLOAT:
            return raw.real;
        case SQLITE_BLOB:
            return raw.bytes;
        default:
            return asText();
    }
}

QVariant readColumn(sqlite3_stmt* stmt, int col, DataTypeEnum type) {
    return fromRaw(readRaw(stmt, col), type);
}

void configure(sqlite3* db) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    configureWait(db);
    exec(db, QStringLiteral("PRAGMA synchronous=FULL"));
}

void configureWait(sqlite3* db) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
}

void exec(sqlite3* db, const QString& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        fail(db, Text::tr("The database could not carry out the operation"));
    }
}

std::vector<ColumnInfo> tableColumns(sqlite3* db, const QString& table, int* keyColumn) {
    Stmt q(db, QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)"));
    q.bindText(1, table);
    std::vector<ColumnInfo> cols;
    int pkCount = 0;
    int key = -1;
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
                key = int(cols.size());
        }
        cols.push_back(c);
    }
    if (keyColumn) *keyColumn = pkCount == 1 ? key : -1;
    return cols;
}

}  // namespace store::sql
