#include "PartRows.h"

#include <QCoreApplication>
#include <algorithm>

#include "Connection.h"
#include "PartsLayout.h"
#include "Recordset.h"
#include "StoreError.h"

namespace paper {

namespace {

// Keys asked for at once: short statements on either engine.
constexpr size_t kKeysPerStatement = 500;

QString keyList(const std::vector<qint64>& keys, size_t from, size_t count) {
    QStringList list;
    for (size_t i = from; i < from + count; ++i) list << QString::number(keys[i]);
    return list.join(QLatin1Char(','));
}

}  // namespace

PartRows::PartRows(store::Connection& connection, const QString& table,
                   std::optional<std::vector<qint64>> keys)
    : m_connection(connection), m_table(table), m_keys(std::move(keys)) {
    m_reference = connection.tableReference(table);
    auto shape =
        connection.Execute(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(m_reference));
    for (int i = 0; i < shape->fields().Count(); ++i) m_columns << shape->fields()[i].Name();
    m_key = column(QLatin1String(store::parts::kKeyColumn));
    if (m_keys) {
        if (m_key.isEmpty())
            throw store::StoreError(
                store::errItemNotFound,
                QCoreApplication::translate(
                    "paper", "The table '%1' has no %2 column to choose its parts by.")
                    .arg(table, QLatin1String(store::parts::kKeyColumn)));
        std::sort(m_keys->begin(), m_keys->end());
        m_keys->erase(std::unique(m_keys->begin(), m_keys->end()), m_keys->end());
    }
}

PartRows::~PartRows() = default;

QString PartRows::column(const QString& name) const {
    for (const QString& c : m_columns)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    return {};
}

QString PartRows::quotedKey() const {
    QString quoted = m_key;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

qint64 PartRows::count() {
    if (!m_keys) {
        auto rs = m_connection.Execute(QStringLiteral("SELECT count(*) FROM ") + m_reference);
        return rs->fields()[0].Value().toLongLong();
    }
    // Keys found once may be gone by now: the count is of those still there.
    qint64 n = 0;
    for (size_t i = 0; i < m_keys->size(); i += kKeysPerStatement) {
        const size_t chunk = std::min(kKeysPerStatement, m_keys->size() - i);
        auto rs =
            m_connection.Execute(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 IN (%3)")
                                     .arg(m_reference, quotedKey(), keyList(*m_keys, i, chunk)));
        n += rs->fields()[0].Value().toLongLong();
    }
    return n;
}

bool PartRows::openChunk() {
    if (!m_keys) {
        if (m_started) return false;
        m_started = true;
        const QString order =
            m_key.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + quotedKey();
        m_rows = m_connection.Execute(QStringLiteral("SELECT * FROM ") + m_reference + order);
        return true;
    }
    if (m_nextKey >= m_keys->size()) return false;
    const size_t chunk = std::min(kKeysPerStatement, m_keys->size() - m_nextKey);
    m_rows = m_connection.Execute(
        QStringLiteral("SELECT * FROM %1 WHERE %2 IN (%3) ORDER BY %2")
            .arg(m_reference, quotedKey(), keyList(*m_keys, m_nextKey, chunk)));
    m_nextKey += chunk;
    m_started = true;
    return true;
}

bool PartRows::next() {
    if (m_rows && m_started && !m_rows->EOF_()) {
        m_rows->MoveNext();
        if (!m_rows->EOF_()) return true;
    }
    // The first row of the next statement, past any that give none.
    while (openChunk())
        if (!m_rows->EOF_()) return true;
    m_rows.reset();
    return false;
}

QVariant PartRows::value(const QString& name) const {
    const QString c = column(name);
    if (c.isEmpty() || !m_rows || m_rows->EOF_()) return {};
    return m_rows->fields()[c].Value();
}

}  // namespace paper
