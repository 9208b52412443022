#include "Find.h"

#include <algorithm>
#include <limits>

#include "Connection.h"
#include "Engine.h"
#include "PartsLayout.h"
#include "ReadAhead.h"
#include "Recordset.h"
#include "Sqlite.h"
#include "SqliteEngine.h"
#include "Value.h"

namespace store {

TextMatch::TextMatch(const QString& typed, const QLocale& locale)
    : m_text(typed),
      m_locale(locale),
      m_money(parseCurrency(typed, locale)),
      m_number(parseNumber(typed, locale)) {
    // Every character that a number or an amount can show in this locale.
    const QString shown = QStringLiteral("0123456789.,+-eE") + locale.decimalPoint() +
                          locale.groupSeparator() + locale.negativeSign() + locale.positiveSign() +
                          locale.exponential();
    m_numeric = !typed.isEmpty();
    for (QChar c : typed) m_numeric = m_numeric && shown.contains(c);
}

bool TextMatch::searched(DataTypeEnum type) {
    switch (type) {
        case adVarWChar:
        case adLongVarWChar:
        case adSmallInt:
        case adInteger:
        case adBigInt:
        case adSingle:
        case adDouble:
        case adCurrency:
            return true;
        default:
            return false;
    }
}

bool TextMatch::matchesText(QStringView text) const {
    return !m_text.isEmpty() && text.contains(m_text, Qt::CaseInsensitive);
}

bool TextMatch::matches(const QVariant& value) const {
    if (m_text.isEmpty() || !value.isValid() || value.isNull()) return false;
    if (value.typeId() == QMetaType::QString)
        return matchesText(*static_cast<const QString*>(value.constData()));
    if (!m_numeric) return false;
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::QDateTime:
        case QMetaType::QDate:
        case QMetaType::QByteArray:
            return false;
        case QMetaType::Float:
            if (m_number && float(*m_number) == value.toFloat()) return true;
            break;
        case QMetaType::Double:
            if (m_number && *m_number == value.toDouble()) return true;
            break;
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong: {
            const qint64 v = value.toLongLong();
            constexpr qint64 limit = std::numeric_limits<qint64>::max() / Currency::kScale;
            if (m_money && v > -limit && v < limit && m_money->scaled == v * Currency::kScale)
                return true;
            break;
        }
        default:
            if (value.metaType() == QMetaType::fromType<Currency>() && m_money &&
                *m_money == value.value<Currency>())
                return true;
            break;
    }
    return matchesText(valueText(value, m_locale));
}

bool TextMatch::isExact(const QVariant& partNumber) const {
    return !m_text.isEmpty() && partNumber.typeId() == QMetaType::QString &&
           partNumber.toString().compare(m_text, Qt::CaseInsensitive) == 0;
}

namespace {

bool isAscii(const char* bytes, int n) {
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    return true;
}

bool isAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// Where the lower-case ASCII `needle` stands in `bytes`, letter case aside; -1 when nowhere.
int asciiFind(const char* bytes, int n, const QByteArray& needle) {
    const int m = int(needle.size());
    if (m == 0) return 0;
    const char first = needle.at(0);
    const char* rest = needle.constData() + 1;
    // A lower-case letter is found in either case by setting the bit that tells them apart.
    const bool letter = first >= 'a' && first <= 'z';
    for (int i = 0; i + m <= n; ++i) {
        const char c = bytes[i];
        if (letter ? (c | 0x20) != first : c != first) continue;
        int k = 0;
        while (k < m - 1 && lower(bytes[i + 1 + k]) == rest[k]) ++k;
        if (k == m - 1) return i;
    }
    return -1;
}

bool isTextColumn(DataTypeEnum type) {
    return type == adVarWChar || type == adLongVarWChar;
}

// The typed text made ready for comparing stored bytes with it.
struct Needle {
    explicit Needle(const TextMatch& m) : match(m) {
        const QString foldedText = m.text().toCaseFolded();
        ascii = isAscii(foldedText);
        if (ascii) folded = foldedText.toLatin1();
    }
    const TextMatch& match;
    bool ascii = false;  // its folded form is ASCII: ASCII texts are compared as bytes
    QByteArray folded;   // that folded form, when ASCII
};

// Whether a stored text of a text column holds the typed text. Most texts are ASCII: those are
// compared as bytes, without a conversion (an ASCII text folds to ASCII, so it holds only an
// ASCII needle).
bool textHolds(const Needle& needle, const char* bytes, int n) {
    if (isAscii(bytes, n)) return needle.ascii && asciiFind(bytes, n, needle.folded) >= 0;
    return needle.match.matchesText(QString::fromUtf8(bytes, n));
}

// Whether a stored part number is the typed text itself, letter case aside.
bool textIsExactly(const Needle& needle, const char* bytes, int n) {
    if (isAscii(bytes, n))
        return needle.ascii && n == needle.folded.size() && asciiFind(bytes, n, needle.folded) == 0;
    return QString::fromUtf8(bytes, n).compare(needle.match.text(), Qt::CaseInsensitive) == 0;
}

sql::RawValue rawValue(sqlite3_value* v) {
    sql::RawValue raw;
    raw.storage = sqlite3_value_type(v);
    switch (raw.storage) {
        case SQLITE_INTEGER:
            raw.integer = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT:
            raw.real = sqlite3_value_double(v);
            break;
        case SQLITE_TEXT:
            raw.bytes = QByteArray(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                   sqlite3_value_bytes(v));
            break;
        case SQLITE_BLOB:
            raw.bytes =
                QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
            break;
        default:
            break;
    }
    return raw;
}

// What the search's own functions in its statement work with.
struct ScanState {
    explicit ScanState(const TextMatch& m) : needle(m) {}
    Needle needle;
    qint64 rowsSeen = 0;
    bool rowExact = false;      // the part number of the row last looked at is the typed text
    FoundSpan* span = nullptr;  // where cw_take puts the matching rows
};

// Whether a stored value of a column of that type matches, as TextMatch::matches finds of the
// value the store reads.
bool valueMatches(const ScanState& state, sqlite3_value* v, DataTypeEnum type) {
    const int storage = sqlite3_value_type(v);
    if (storage == SQLITE_TEXT && isTextColumn(type))
        return textHolds(state.needle, reinterpret_cast<const char*>(sqlite3_value_text(v)),
                         sqlite3_value_bytes(v));
    // A stored number is read as the store reads it only when the typed text could be part of
    // one; whatever else a column holds goes the store's way too.
    if (storage == SQLITE_TEXT || (storage != SQLITE_NULL && state.needle.match.readsNumbers()))
        return state.needle.match.matches(sql::fromRaw(rawValue(v), type));
    return false;
}

// cw_find(value, type): whether the value matches.
void sqlFind(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* state = static_cast<const ScanState*>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx,
                       valueMatches(*state, argv[0], DataTypeEnum(sqlite3_value_int(argv[1]))));
}

// cw_first(value, type, isPartNumber): the same, for the column the statement looks at first
// in every row: it counts the rows, and tells of a part number that is the typed text itself
// (the statement hands back each row as soon as it has looked at it).
void sqlFirst(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* state = static_cast<ScanState*>(sqlite3_user_data(ctx));
    ++state->rowsSeen;
    sqlite3_value* v = argv[0];
    const auto type = DataTypeEnum(sqlite3_value_int(argv[1]));
    const bool hit = valueMatches(*state, v, type);
    // A part number that is the typed text holds it.
    state->rowExact =
        hit && sqlite3_value_int(argv[2]) != 0 && sqlite3_value_type(v) == SQLITE_TEXT &&
        isTextColumn(type) &&
        textIsExactly(state->needle, reinterpret_cast<const char*>(sqlite3_value_text(v)),
                      sqlite3_value_bytes(v));
    sqlite3_result_int(ctx, hit);
}

// cw_take(key), an aggregate: keeps the key of every row that matched, in the order read, so
// that the rows need not be handed back one by one.
void sqlTake(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* state = static_cast<const ScanState*>(sqlite3_user_data(ctx));
    const qint64 key = sqlite3_value_int64(argv[0]);
    state->span->keys.push_back(key);
    if (state->rowExact) state->span->exact.push_back(key);
}

void sqlTaken(sqlite3_context* ctx) {
    sqlite3_result_null(ctx);
}

void addFunction(sqlite3* db, const char* name, int args, ScanState* state,
                 void (*f)(sqlite3_context*, int, sqlite3_value**), bool deterministic,
                 void (*final)(sqlite3_context*) = nullptr) {
    const int flags = SQLITE_UTF8 | SQLITE_DIRECTONLY | (deterministic ? SQLITE_DETERMINISTIC : 0);
    const int made =
        final ? sqlite3_create_function_v2(db, name, args, flags, state, nullptr, f, final, nullptr)
              : sqlite3_create_function_v2(db, name, args, flags, state, f, nullptr, nullptr,
                                           nullptr);
    if (made != SQLITE_OK) sql::fail(db, Text::tr("The search could not be prepared"));
}

// The same search over any engine: the rows as values, compared as the window compares them.
FoundKeys findByQuery(Connection& cn, const QString& table, const TextMatch& match,
                      const std::atomic<bool>& stop,
                      const std::function<void(qint64 done)>& progress) {
    FoundKeys found;
    QString key;
    QString list;
    std::vector<bool> isPartNumber;
    for (const ColumnInfo& c : cn.engine().tableColumns(table)) {
        if (c.primaryKey) {
            key = c.name;
            continue;
        }
        if (!TextMatch::searched(c.type)) continue;
        list += QLatin1Char(',') + quoteIdentifier(c.name);
        isPartNumber.push_back(c.name.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) ==
                               0);
    }
    if (key.isEmpty() || isPartNumber.empty()) {
        found.complete = true;
        return found;
    }
    const auto rows =
        cn.engine().query(QStringLiteral("SELECT %1%2 FROM %3 ORDER BY %1")
                              .arg(quoteIdentifier(key), list, cn.tableReference(table)));
    std::vector<QVariant> values(rows->cols.size());
    qint64 done = 0;
    while (rows->next(&values)) {
        if ((++done & 1023) == 0) {
            if (stop.load(std::memory_order_relaxed)) return found;
            if (progress && (done & 65535) == 0) progress(done);
        }
        bool hit = false;
        bool exact = false;
        for (size_t i = 0; i < isPartNumber.size(); ++i) {
            const QVariant& v = values[i + 1];
            if (isPartNumber[i] && match.isExact(v)) exact = true;
            hit = hit || match.matches(v);
        }
        if (hit) found.keys.push_back(values[0].toLongLong());
        if (exact) found.exact.push_back(values[0].toLongLong());
    }
    if (progress) progress(done);
    found.complete = true;
    return found;
}

constexpr qint64 kMinKey = std::numeric_limits<qint64>::min();
constexpr qint64 kMaxKey = std::numeric_limits<qint64>::max();

// The first key of `table` from `from` on, if any.
std::optional<qint64> firstKeyFrom(sql::Stmt& seek, qint64 from) {
    seek.reset();
    seek.bindInt64(1, from);
    std::optional<qint64> key;
    if (seek.step()) key = seek.int64(0);
    seek.reset();
    return key;
}

}  // namespace

FoundKeys findKeys(const QString& path, const QString& table, const TextMatch& match,
                   const std::atomic<bool>& stop, const std::function<void(qint64 done)>& progress,
                   const FindFeed& feed) {
    FoundKeys found;
    if (match.isEmpty()) {
        found.complete = true;
        return found;
    }
    if (Connection::isServerAddress(path)) {
        Connection cn;
        cn.Open(QStringLiteral("Data Source=") + Connection::quoteValue(path) +
                QStringLiteral(";Mode=Read"));
        return findByQuery(cn, table, match, stop, progress);
    }
    const engine::SqliteDatabase file(
        engine::SqliteDatabase::openFile(path, true, sql::readAheadVfs()), path);
    sqlite3* db = file.handle();

    // The statement compares inside the engine, so that it reads a row's columns only until one
    // matches, as the sqlite3 shell's own scan does; the typed text stays out of the statement.
    std::vector<QString> calls;
    for (const ColumnInfo& c : sql::tableColumns(db, table)) {
        if (c.primaryKey || !TextMatch::searched(c.type)) continue;
        const QString call = QStringLiteral("(%1,%2").arg(sql::quoteIdent(c.name)).arg(int(c.type));
        // The part number is looked at first, in every row.
        if (c.name.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0)
            calls.insert(calls.begin(), QStringLiteral("cw_first") + call + QStringLiteral(",1)"));
        else
            calls.push_back(QStringLiteral("cw_find") + call + QLatin1Char(')'));
    }
    if (calls.empty()) {
        found.complete = true;
        return found;
    }
    if (calls.front().startsWith(QLatin1String("cw_find(")))
        calls.front() =
            QStringLiteral("cw_first") + calls.front().mid(7).chopped(1) + QStringLiteral(",0)");
    QString where;
    for (const QString& call : calls)
        where += (where.isEmpty() ? QString() : QStringLiteral(" OR ")) + call;
    ScanState state(match);
    addFunction(db, "cw_find", 2, &state, sqlFind, true);
    addFunction(db, "cw_first", 3, &state, sqlFirst, false);
    addFunction(db, "cw_take", 1, &state, sqlTake, false, sqlTaken);
    const QString quotedTable = sql::quoteIdent(table);
    sql::Stmt rows(db, QStringLiteral("SELECT cw_take(_rowid_) FROM %1 WHERE _rowid_ >= ?1 AND "
                                      "_rowid_ <= ?2 AND (%2)")
                           .arg(quotedTable, where));
    sql::Stmt seek(db, QStringLiteral("SELECT _rowid_ FROM %1 WHERE _rowid_ >= ?1 ORDER BY "
                                      "_rowid_ LIMIT 1")
                           .arg(quotedTable));

    // Read in stretches of keys: between them the read lock is let go, so that a save in the
    // window (or another program's) never waits for the whole scan. A stretch spans about
    // kRows rows, however sparse the keys are.
    constexpr qint64 kRows = 4096;
    qint64 width = kRows;
    qint64 reported = 0;
    // Each stretch's matches, kept apart so that they join in key order at the end.
    std::vector<FoundSpan> spans;
    auto readStretch = [&](qint64 first, qint64 last) {
        FoundSpan span{first, last, {}, {}};
        rows.reset();
        rows.bindInt64(1, first);
        rows.bindInt64(2, last);
        const qint64 before = state.rowsSeen;
        state.span = &span;
        while (rows.step()) {
        }
        rows.reset();
        state.span = nullptr;
        const qint64 seen = state.rowsSeen - before;
        if (feed.span) feed.span(span);
        spans.push_back(std::move(span));
        if (progress && state.rowsSeen - reported >= 65536) {
            reported = state.rowsSeen;
            progress(state.rowsSeen);
        }
        return seen;
    };
    // Every key from `from` to `to`, both included.
    auto readRange = [&](qint64 from, qint64 to) {
        qint64 at = from;
        for (;;) {
            if (stop.load(std::memory_order_relaxed)) return false;
            // Keys missing in between are passed over at once.
            const std::optional<qint64> next = firstKeyFrom(seek, at);
            if (!next || *next > to) {
                if (feed.span) feed.span(FoundSpan{at, to, {}, {}});
                return true;
            }
            if (*next > at && feed.span) feed.span(FoundSpan{at, *next - 1, {}, {}});
            at = *next;
            // Counted without a sign: the room between two keys may be more than a qint64 holds.
            const qint64 end = quint64(to) - quint64(at) < quint64(width) ? to : at + (width - 1);
            const qint64 seen = readStretch(at, end);
            if (seen < kRows / 4 && width <= kMaxKey / 2)
                width *= 2;
            else if (seen > kRows * 2)
                width = std::max<qint64>(1, width / 2);
            if (end == to) return true;
            at = end + 1;
        }
    };
    bool whole = false;
    if (feed.startAfter && *feed.startAfter < kMaxKey) {
        whole = readRange(*feed.startAfter + 1, kMaxKey) && readRange(kMinKey, *feed.startAfter);
    } else {
        whole = readRange(kMinKey, kMaxKey);
    }
    if (!whole) return found;
    std::sort(spans.begin(), spans.end(),
              [](const FoundSpan& a, const FoundSpan& b) { return a.first < b.first; });
    size_t keys = 0, exact = 0;
    for (const FoundSpan& span : spans) {
        keys += span.keys.size();
        exact += span.exact.size();
    }
    found.keys.reserve(keys);
    found.exact.reserve(exact);
    for (const FoundSpan& span : spans) {
        found.keys.insert(found.keys.end(), span.keys.begin(), span.keys.end());
        found.exact.insert(found.exact.end(), span.exact.begin(), span.exact.end());
    }
    if (progress) progress(state.rowsSeen);
    found.complete = true;
    return found;
}

bool TextMatch::matchesRecord(Recordset& rs, bool* exact) const {
    *exact = false;
    bool hit = false;
    for (int i = 0; i < rs.fields().Count(); ++i) {
        Field& field = rs[i];
        if (!searched(field.Type()) ||
            field.Name().compare(QLatin1String(parts::kKeyColumn), Qt::CaseInsensitive) == 0)
            continue;
        const QVariant value = field.Value();
        if (field.Name().compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0 &&
            isExact(value))
            *exact = true;
        hit = hit || matches(value);
    }
    return hit;
}

// ---- part numbers typed exactly ----------------------------------------------------------

namespace {

constexpr quint64 kFingerprintSeed = 0xcbf29ce484222325ULL;

quint64 mixIn(quint64 h, char32_t folded) {
    return (h ^ folded) * 0x100000001b3ULL;
}

// A fingerprint of a text letter case aside: two texts that QString::compare finds equal with
// Qt::CaseInsensitive have the same one, as it folds them (each UTF-16 unit, a surrogate pair
// as its code point).
quint64 fingerprint(QStringView text) {
    quint64 h = kFingerprintSeed;
    char32_t last = 0;
    for (const QChar unit : text) {
        char32_t c = unit.unicode();
        if (unit.isLowSurrogate() && QChar::isHighSurrogate(last))
            c = QChar::surrogateToUcs4(char16_t(last), unit.unicode());
        last = unit.unicode();
        h = mixIn(h, QChar::toCaseFolded(c));
    }
    return h;
}

// The same of stored UTF-8 bytes; ASCII is folded in place.
quint64 fingerprint(const char* bytes, int n) {
    if (!isAscii(bytes, n)) return fingerprint(QString::fromUtf8(bytes, n));
    quint64 h = kFingerprintSeed;
    for (int i = 0; i < n; ++i) h = mixIn(h, char32_t(uchar(lower(bytes[i]))));
    return h;
}

// The part number's column as the search takes it (the first searched column named so, but the
// key), when it is a text column: the only kind whose part numbers the search finds exactly.
QString partNumberColumn(sqlite3* db, const QString& table) {
    for (const ColumnInfo& c : sql::tableColumns(db, table)) {
        if (c.primaryKey || !TextMatch::searched(c.type)) continue;
        if (c.name.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0)
            return isTextColumn(c.type) ? c.name : QString();
    }
    return {};
}

// An index of the file that holds the part numbers in order (its first column, compared byte
// for byte, over every row): reading it is much shorter than reading the table.
QString partNumberIndexName(sqlite3* db, const QString& table, const QString& column) {
    sql::Stmt list(db, QStringLiteral("SELECT name FROM pragma_index_list(?1) WHERE partial = 0"));
    list.bindText(1, table);
    while (list.step()) {
        const QString name = list.text(0);
        sql::Stmt first(db, QStringLiteral("SELECT name, coll FROM pragma_index_xinfo(?1) "
                                           "WHERE seqno = 0"));
        first.bindText(1, name);
        if (first.step() && first.text(0).compare(column, Qt::CaseInsensitive) == 0 &&
            first.text(1).compare(QLatin1String("BINARY"), Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

}  // namespace

PartNumberIndex PartNumberIndex::read(const QString& path, const QString& table,
                                      const std::atomic<bool>& stop, qint64 rowsHint) {
    PartNumberIndex index;
    index.m_table = table;
    const engine::SqliteDatabase file(
        engine::SqliteDatabase::openFile(path, true, sql::readAheadVfs()), path);
    sqlite3* db = file.handle();
    index.m_column = partNumberColumn(db, table);
    if (index.m_column.isEmpty()) {
        index.m_complete = true;
        return index;
    }
    const QString column = sql::quoteIdent(index.m_column);
    const QString quotedTable = sql::quoteIdent(table);
    // In stretches, the read lock let go between them, as the search reads.
    constexpr int kSlice = 8192;
    std::vector<Entry>& rows = index.m_rows;
    // Room made once: a vector that grows by doubling copies and touches twice the memory.
    if (rowsHint > 0) rows.reserve(size_t(rowsHint) + size_t(rowsHint) / 8);
    if (const QString byIndex = partNumberIndexName(db, table, index.m_column);
        !byIndex.isEmpty()) {
        // Only texts are part numbers the search finds exactly; they sort after every number.
        sql::Stmt q(db, QStringLiteral("SELECT _rowid_, %1 FROM %2 INDEXED BY %3 WHERE (%1, "
                                       "_rowid_) > (?1, ?2) ORDER BY %1, _rowid_ LIMIT %4")
                            .arg(column, quotedTable, sql::quoteIdent(byIndex))
                            .arg(kSlice));
        QByteArray lastText;
        qint64 lastKey = kMinKey;
        for (bool more = true; more;) {
            if (stop.load(std::memory_order_relaxed)) return {};
            q.reset();
            sqlite3_bind_text(q.get(), 1, lastText.isEmpty() ? "" : lastText.constData(),
                              int(lastText.size()), SQLITE_TRANSIENT);
            q.bindInt64(2, lastKey);
            int n = 0;
            while (q.step()) {
                ++n;
                sqlite3_stmt* st = q.get();
                if (sqlite3_column_type(st, 1) != SQLITE_TEXT) {
                    more = false;  // blobs, after every text
                    break;
                }
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                const int len = sqlite3_column_bytes(st, 1);
                lastKey = sqlite3_column_int64(st, 0);
                rows.push_back({fingerprint(bytes, len), lastKey});
                if (n == kSlice) lastText = QByteArray(bytes, len);
            }
            q.reset();
            if (n < kSlice) more = false;
        }
    } else {
        sql::Stmt q(db, QStringLiteral("SELECT _rowid_, %1 FROM %2 WHERE _rowid_ >= ?1 ORDER BY "
                                       "_rowid_ LIMIT %3")
                            .arg(column, quotedTable)
                            .arg(kSlice));
        qint64 from = kMinKey;
        for (bool more = true; more;) {
            if (stop.load(std::memory_order_relaxed)) return {};
            q.reset();
            q.bindInt64(1, from);
            int n = 0;
            qint64 key = from;
            while (q.step()) {
                ++n;
                sqlite3_stmt* st = q.get();
                key = sqlite3_column_int64(st, 0);
                if (sqlite3_column_type(st, 1) == SQLITE_TEXT)
                    rows.push_back(
                        {fingerprint(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                     sqlite3_column_bytes(st, 1)),
                         key});
            }
            q.reset();
            more = n == kSlice && key < kMaxKey;
            from = key + 1;
        }
    }
    std::sort(rows.begin(), rows.end());
    if (rows.capacity() > rows.size() + rows.size() / 2) rows.shrink_to_fit();
    index.m_complete = true;
    return index;
}

void PartNumberIndex::add(qint64 key, const QVariant& partNumber) {
    if (m_column.isEmpty() || partNumber.typeId() != QMetaType::QString) return;
    const Entry entry{fingerprint(*static_cast<const QString*>(partNumber.constData())), key};
    m_added.insert(std::upper_bound(m_added.begin(), m_added.end(), entry), entry);
}

std::vector<qint64> PartNumberIndex::exactKeys(Connection& cn, const TextMatch& match) const {
    std::vector<qint64> keys;
    if (m_column.isEmpty() || match.isEmpty()) return keys;
    const Needle needle(match);
    // Stored ASCII texts are compared with the folded typed text, others with the typed text
    // letter case aside: both fingerprints are looked up.
    std::vector<quint64> prints{fingerprint(match.text())};
    if (needle.ascii)
        prints.push_back(fingerprint(needle.folded.constData(), int(needle.folded.size())));
    std::vector<qint64> named;
    for (const quint64 print : prints)
        for (const std::vector<Entry>* entries : {&m_rows, &m_added}) {
            auto it = std::lower_bound(entries->begin(), entries->end(), Entry{print, kMinKey});
            for (; it != entries->end() && it->first == print; ++it) named.push_back(it->second);
        }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    if (named.empty()) return keys;
    sqlite3* db = cn.handle();
    sql::Stmt q(db, QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_ = ?1")
                        .arg(sql::quoteIdent(m_column), sql::quoteIdent(m_table)));
    for (const qint64 key : named) {
        q.reset();
        q.bindInt64(1, key);
        if (q.step() && sqlite3_column_type(q.get(), 0) == SQLITE_TEXT &&
            textIsExactly(needle, reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)),
                          sqlite3_column_bytes(q.get(), 0)))
            keys.push_back(key);
    }
    q.reset();
    return keys;
}

std::optional<qint64> othersWriteCount(Connection& cn) {
    if (Connection::isServerAddress(cn.dataSource())) return std::nullopt;
    sql::Stmt q(cn.handle(), QStringLiteral("PRAGMA data_version"));
    std::optional<qint64> version;
    if (q.step()) version = q.int64(0);
    return version;
}

}  // namespace store
