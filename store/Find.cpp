#include "Find.h"

#include <limits>

#include "Connection.h"
#include "PartsLayout.h"
#include "Sqlite.h"
#include "Value.h"

namespace store {

TextMatch::TextMatch(const QString& typed, const QLocale& locale)
    : m_text(typed), m_locale(locale), m_money(parseCurrency(typed, locale)), m_number(parseNumber(typed, locale)) {}

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
    switch (value.typeId()) {
        case QMetaType::QString:
            return matchesText(*static_cast<const QString*>(value.constData()));
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
            if (m_money && v > -limit && v < limit && m_money->scaled == v * Currency::kScale) return true;
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

FoundKeys findKeys(const QString& path, const QString& table, const TextMatch& match, const std::atomic<bool>& stop,
                   const std::function<void(qint64 done)>& progress) {
    FoundKeys found;
    if (match.isEmpty()) {
        found.complete = true;
        return found;
    }
    Connection cn;
    cn.Open(QStringLiteral("Data Source=") + Connection::quoteValue(path) + QStringLiteral(";Mode=Read"));
    sqlite3* db = cn.handle();

    struct Searched {
        QString name;
        DataTypeEnum type;
    };
    std::vector<Searched> columns;
    int partNumber = -1;
    {
        sql::Stmt q(db, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
        q.bindText(1, table);
        while (q.step()) {
            Searched c{q.text(0), adVarWChar};
            long size = 0;
            typeFromDecl(q.text(1), c.type, size);
            if (q.int64(2) != 0 || !TextMatch::searched(c.type)) continue;
            if (c.name.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0) partNumber = int(columns.size());
            columns.push_back(c);
        }
    }
    if (columns.empty()) {
        found.complete = true;
        return found;
    }
    QString list;
    for (const Searched& c : columns) list += QLatin1Char(',') + sql::quoteIdent(c.name);
    sql::Stmt rows(db, QStringLiteral("SELECT _rowid_%1 FROM %2 ORDER BY _rowid_").arg(list, sql::quoteIdent(table)));
    sqlite3_stmt* st = rows.get();
    qint64 done = 0;
    while (rows.step()) {
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
                // Read in place: no copy of the text is made for a row that does not match.
                const auto* chars = static_cast<const char16_t*>(sqlite3_column_text16(st, col));
                const QStringView text(chars, sqlite3_column_bytes16(st, col) / 2);
                if (i == partNumber && text.compare(match.text(), Qt::CaseInsensitive) == 0) exact = true;
                if (!hit) hit = match.matchesText(text);
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

}  // namespace store
