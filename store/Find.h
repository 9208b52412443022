#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "Types.h"

namespace store {

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

// The rows of `table` in the database file `path` that match: any searched column but the
// table's key. Reads over a read-only connection of its own, so that it may run on another
// thread while the window goes on; checks `stop` as it goes and reports rows read to `progress`.
FoundKeys findKeys(const QString& path, const QString& table, const TextMatch& match,
                   const std::atomic<bool>& stop,
                   const std::function<void(qint64 done)>& progress = {});

}  // namespace store
