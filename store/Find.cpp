#include "Find.h"

#include <limits>

#include "Connection.h"
#include "Engine.h"
#include "PartsLayout.h"
#include "Recordset.h"
#include "Sqlite.h"
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
    for (int i = 0; i + m <= n; ++i) {
        if (lower(bytes[i]) != first) continue;
        int k = 1;
        while (k < m && lower(bytes[i + k]) == needle.at(k)) ++k;
        if (k == m) return i;
    }
    return -1;
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

}  // namespace

FoundKeys findKeys(const QString& path, const QString& table, const TextMatch& match,
                   const std::atomic<bool>& stop,
                   const std::function<void(qint64 done)>& progress) {
    FoundKeys found;
    if (match.isEmpty()) {
        found.complete = true;
        return found;
    }
    Connection cn;
    cn.Open(QStringLiteral("Data Source=") + Connection::quoteValue(path) +
            QStringLiteral(";Mode=Read"));
    if (Connection::isServerAddress(path)) return findByQuery(cn, table, match, stop, progress);
    sqlite3* db = cn.handle();

    struct Searched {
        QString name;
        DataTypeEnum type;
    };
    std::vector<Searched> columns;
    int partNumber = -1;
    for (const ColumnInfo& c : sql::tableColumns(db, table)) {
        if (c.primaryKey || !TextMatch::searched(c.type)) continue;
        if (c.name.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0)
            partNumber = int(columns.size());
        columns.push_back({c.name, c.type});
    }
    if (columns.empty()) {
        found.complete = true;
        return found;
    }
    QString list;
    for (const Searched& c : columns) list += QLatin1Char(',') + sql::quoteIdent(c.name);
    // Read in slices of keys: between them the read lock is let go, so that a save in the window
    // (or another program's) never waits for the whole scan.
    constexpr int kSlice = 4096;
    sql::Stmt rows(
        db, QStringLiteral("SELECT _rowid_%1 FROM %2 WHERE _rowid_ > ?1 ORDER BY _rowid_ LIMIT %3")
                .arg(list, sql::quoteIdent(table))
                .arg(kSlice));
    sqlite3_stmt* st = rows.get();
    qint64 last = std::numeric_limits<qint64>::min();
    int inSlice = 0;
    rows.bindInt64(1, last);
    // Most texts are ASCII: those are compared as bytes, without a conversion.
    const QString foldedText = match.text().toCaseFolded();
    const bool asciiNeedle = isAscii(foldedText);
    const QByteArray folded = asciiNeedle ? foldedText.toLatin1() : QByteArray();
    qint64 done = 0;
    for (;;) {
        if (!rows.step()) {
            if (inSlice < kSlice) break;  // the last slice was not full: the end
            rows.reset();
            rows.bindInt64(1, last);
            inSlice = 0;
            continue;
        }
        ++inSlice;
        last = sqlite3_column_int64(st, 0);
        if ((++done & 1023) == 0) {
            if (stop.load(std::memory_order_relaxed)) return found;
            if (progress && (done & 65535) == 0) progress(done);
        }
        bool hit = false;
        bool exact = false;
        for (int i = 0; i < int(columns.size()); ++i) {
            const int col = i + 1;
            const int storage = sqlite3_column_type(st, col);
            if (storage == SQLITE_NULL) continue;
            if (storage == SQLITE_TEXT && (columns[size_t(i)].type == adVarWChar ||
                                           columns[size_t(i)].type == adLongVarWChar)) {
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
                const int n = sqlite3_column_bytes(st, col);
                if (isAscii(bytes, n)) {
                    // Read in place: an ASCII text folds to ASCII, so it holds only an ASCII
                    // needle.
                    if (!asciiNeedle) continue;
                    if (i == partNumber && n == folded.size() && asciiFind(bytes, n, folded) == 0)
                        exact = true;
                    if (!hit) hit = asciiFind(bytes, n, folded) >= 0;
                } else {
                    const QString text = QString::fromUtf8(bytes, n);
                    if (i == partNumber && text.compare(match.text(), Qt::CaseInsensitive) == 0)
                        exact = true;
                    if (!hit) hit = match.matchesText(text);
                }
            } else if (!hit) {
                hit = match.matches(sql::readColumn(st, col, columns[size_t(i)].type));
            }
            if (hit && (exact || partNumber < 0 || i >= partNumber)) break;
        }
        if (hit) found.keys.push_back(sqlite3_column_int64(st, 0));
        if (exact) found.exact.push_back(sqlite3_column_int64(st, 0));
    }
    if (progress) progress(done);
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

}  // namespace store
