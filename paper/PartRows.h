#pragma once

#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

namespace store {
class Connection;
class Recordset;
}  // namespace store

namespace paper {

// The parts of a table in the order the window shows them (by key), read forward a row at a
// time so that a long table never sits in memory; with `keys`, only those parts.
class PartRows {
public:
    PartRows(store::Connection& connection, const QString& table,
             std::optional<std::vector<qint64>> keys = std::nullopt);
    ~PartRows();

    const QString& table() const { return m_table; }
    const QStringList& columns() const { return m_columns; }
    // The table's own spelling of `column` (letter case ignored), or empty when it has none.
    QString column(const QString& column) const;
    // How many parts next() will give, counted before the first.
    qint64 count();
    bool next();
    // A value of the part next() moved to; Null for a column the table lacks.
    QVariant value(const QString& column) const;

private:
    bool openChunk();
    QString quotedKey() const;

    store::Connection& m_connection;
    QString m_table;
    QString m_reference;
    QStringList m_columns;
    QString m_key;
    std::optional<std::vector<qint64>> m_keys;
    size_t m_nextKey = 0;
    std::unique_ptr<store::Recordset> m_rows;
    bool m_started = false;
};

}  // namespace paper
