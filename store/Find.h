#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>
#include <atomic>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "Types.h"

namespace store {

class Connection;
class Recordset;

// Text typed into a find box and the rule a value matches it by: the value as the user reads it
// (texts as they are, numbers and money in the locale's form) contains the typed text, letter
// case aside (Unicode case folding, so "Ä" finds "ä"). A typed number also finds a number of the
// same value however it is written ("12.50" finds 12.5). The typed text is only ever compared,
// never put into a statement.
class TextMatch {
public:
    TextMatch() = default;
    explicit TextMatch(const QString& typed, const QLocale& locale = QLocale());

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    // Texts and numbers are searched; keys, dates, yes/no values and pictures are not.
    static bool searched(DataTypeEnum type);
    bool matchesText(QStringView text) const;
    // Whether a number can match at all: the typed text could be part of one as shown.
    bool readsNumbers() const { return m_numeric; }
    bool matches(const QVariant& value) const;
    // A part number that is the typed text itself (letter case aside).
    bool isExact(const QVariant& partNumber) const;
    // Whether the current row of `rs` matches in any searched column but the key; `exact` tells
    // whether its part number is the typed text.
    bool matchesRecord(Recordset& rs, bool* exact) const;

private:
    QString m_text;
    QLocale m_locale;
    std::optional<Currency> m_money;  // the typed text read as a number, exact
    std::optional<double> m_number;
    // Whether the typed text could be part of a number as shown: numbers are not looked at
    // otherwise.
    bool m_numeric = false;
};

struct FoundKeys {
    std::vector<qint64> keys;   // every matching row, in key order
    std::vector<qint64> exact;  // the rows whose part number is the typed text, in key order
    bool complete = false;      // false when stopped before the end
};

// A stretch of the table that a search has read: every row with a key from `first` to `last`
// (both included) was looked at, and these are the matches among them, in key order.
struct FoundSpan {
    qint64 first = 0;
    qint64 last = 0;
    std::vector<qint64> keys;
    std::vector<qint64> exact;
};

// Where a search over a file begins, and whom it tells of each stretch as it reads it.
struct FindFeed {
    // Begins just after this key, reads to the end, then from the start up to this key.
    std::optional<qint64> startAfter;
    // Called on the searching thread after every stretch read, in the order they are read.
    std::function<void(const FoundSpan&)> span;
};

// The rows of `table` in the database file `path` that match: any searched column but the
// table's key. Reads over a read-only connection of its own, so that it may run on another
// thread while the window goes on; checks `stop` as it goes and reports rows read to `progress`.
// A file is read in stretches of keys, each told to `feed.span`; a server's table in one go.
FoundKeys findKeys(const QString& path, const QString& table, const TextMatch& match,
                   const std::atomic<bool>& stop,
                   const std::function<void(qint64 done)>& progress = {},
                   const FindFeed& feed = {});

// Where each part number is, letter case aside, so that a part number typed exactly (what a
// barcode scanner types) is found without reading the table. It holds a short fingerprint of
// each part number, not the text: every row it names is read again and checked by the rule the
// search uses, so a part saved or deleted since it was read is never taken for another.
class PartNumberIndex {
public:
    // Every part number of `table` in the database file `path`, read over a read-only
    // connection of its own (in stretches: a save elsewhere never waits for all of it), from an
    // index on the part number where the file has one. Empty when `stop` was set before the end
    // (see complete()). `rowsHint`: about how many rows the table has, when known.
    static PartNumberIndex read(const QString& path, const QString& table,
                                const std::atomic<bool>& stop, qint64 rowsHint = 0);

    bool complete() const { return m_complete; }
    size_t size() const { return m_rows.size() + m_added.size(); }
    // A part saved since the index was read: the row `key` now has this part number.
    void add(qint64 key, const QVariant& partNumber);
    // The rows whose part number is the typed text (as the search's `exact`), in key order:
    // the rows named read again over `cn`, a connection to the same file.
    std::vector<qint64> exactKeys(Connection& cn, const TextMatch& match) const;

private:
    using Entry = std::pair<quint64, qint64>;  // fingerprint, key
    QString m_table;
    QString m_column;  // the part number's column as the table spells it; empty when it has none
    std::vector<Entry> m_rows;   // in fingerprint order
    std::vector<Entry> m_added;  // saved since, in fingerprint order
    bool m_complete = false;
};

// A number that changes whenever another connection (another program, or another window of
// this one) writes to the file of `cn`; the writes of `cn` itself leave it as it is. Nothing
// for a catalogue on a server.
std::optional<qint64> othersWriteCount(Connection& cn);

}  // namespace store
