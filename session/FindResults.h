#pragma once

#include <QtGlobal>
#include <map>
#include <optional>
#include <vector>

#include "Find.h"

namespace session {

// Where Find Next or Find Previous goes.
struct FindJump {
    enum class Kind {
        Unknown,  // not known yet: the search has not read far enough
        None,     // no part matches
        To,       // to the part with this key
    };
    Kind kind = Kind::Unknown;
    qint64 key = 0;
    bool wrapped = false;  // past the end (or the start) and on from the other one
};

// The matches of one search as they come in: the stretches of keys it has read so far with the
// matches there, the window's own saves and deletes since it began, and at the end every match.
// A jump is known as soon as every key between the record it starts from and the match it goes
// to has been read.
class FindResults {
public:
    // A new search, nothing read yet.
    void clear();
    // A stretch the search has read.
    void add(const store::FoundSpan& span);
    // The search has read everything: its matches `found` get the window's own saves and
    // deletes since it began, and are kept by the caller from then on (what is kept here goes).
    void finish(store::FoundKeys& found);

    // The window saved the part `key` (whether it matches now, whether its part number is the
    // typed text), or deleted it (both false), while the search reads.
    void note(qint64 key, bool hit, bool exact);

    // From the record with key `from` (none: before the first one) to the next match, or the
    // one before (`exact`: the next part whose part number is the typed text); Unknown while
    // the keys in between have not all been read.
    FindJump jump(std::optional<qint64> from, bool forward, bool exact = false) const;
    // The same among a list of matches known whole, in key order.
    static FindJump jumpWithin(const std::vector<qint64>& keys, std::optional<qint64> from,
                               bool forward);

private:
    struct Range {
        qint64 first;
        qint64 last;
    };
    // Whether every key from `first` to `last` (both included) has been read.
    bool read(qint64 first, qint64 last) const;
    // The first match known after `key`, or the last before it (none: from either end).
    std::optional<qint64> knownAfter(std::optional<qint64> key, bool exact) const;
    std::optional<qint64> knownBefore(std::optional<qint64> key, bool exact) const;
    // Whether the window's own save or delete took the key out of the matches.
    bool takenOut(qint64 key, bool exact) const;

    std::vector<store::FoundSpan> m_spans;  // stretches with matches, in key order
    std::vector<Range> m_read;              // what was read, joined, in key order
    struct Own {
        bool hit;
        bool exact;
    };
    std::map<qint64, Own> m_own;  // the window's saves and deletes since the search began
};

}  // namespace session
