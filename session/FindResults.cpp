#include "FindResults.h"

#include <algorithm>
#include <limits>

namespace session {

namespace {

constexpr qint64 kMinKey = std::numeric_limits<qint64>::min();
constexpr qint64 kMaxKey = std::numeric_limits<qint64>::max();

void keep(std::vector<qint64>& keys, qint64 key, bool in) {
    const auto it = std::lower_bound(keys.begin(), keys.end(), key);
    const bool there = it != keys.end() && *it == key;
    if (in && !there) keys.insert(it, key);
    if (!in && there) keys.erase(it);
}

FindJump to(qint64 key, bool wrapped) {
    return {FindJump::Kind::To, key, wrapped};
}

const FindJump kUnknown{};
const FindJump kNone{FindJump::Kind::None, 0, false};

}  // namespace

void FindResults::clear() {
    m_spans.clear();
    m_read.clear();
    m_own.clear();
}

void FindResults::add(const store::FoundSpan& span) {
    if (span.first > span.last) return;
    auto at = std::upper_bound(m_read.begin(), m_read.end(), span.first,
                               [](qint64 k, const Range& r) { return k < r.first; });
    at = m_read.insert(at, Range{span.first, span.last});
    // Joined with the ranges it touches on either side.
    auto touches = [](const Range& a, const Range& b) {
        return a.last == kMaxKey || a.last + 1 >= b.first;
    };
    if (at != m_read.begin() && touches(*(at - 1), *at)) {
        (at - 1)->last = std::max((at - 1)->last, at->last);
        at = m_read.erase(at) - 1;
    }
    while (at + 1 != m_read.end() && touches(*at, *(at + 1))) {
        at->last = std::max(at->last, (at + 1)->last);
        m_read.erase(at + 1);
    }
    if (span.keys.empty()) return;
    const auto place =
        std::upper_bound(m_spans.begin(), m_spans.end(), span.first,
                         [](qint64 k, const store::FoundSpan& s) { return k < s.first; });
    m_spans.insert(place, span);
}

void FindResults::finish(store::FoundKeys& found) {
    for (const auto& [key, own] : m_own) {
        keep(found.keys, key, own.hit);
        keep(found.exact, key, own.exact);
    }
    clear();
}

void FindResults::note(qint64 key, bool hit, bool exact) {
    m_own[key] = Own{hit, exact};
}

bool FindResults::read(qint64 first, qint64 last) const {
    if (first > last) return true;
    auto it = std::upper_bound(m_read.begin(), m_read.end(), first,
                               [](qint64 k, const Range& r) { return k < r.first; });
    if (it == m_read.begin()) return false;
    --it;
    return it->last >= last;
}

bool FindResults::takenOut(qint64 key, bool exact) const {
    const auto it = m_own.find(key);
    return it != m_own.end() && !(exact ? it->second.exact : it->second.hit);
}

std::optional<qint64> FindResults::knownAfter(std::optional<qint64> key, bool exact) const {
    std::optional<qint64> best;
    auto span = m_spans.begin();
    if (key) {
        span = std::upper_bound(m_spans.begin(), m_spans.end(), *key,
                                [](qint64 k, const store::FoundSpan& s) { return k < s.first; });
        if (span != m_spans.begin()) --span;
    }
    for (; span != m_spans.end() && !best; ++span) {
        const std::vector<qint64>& keys = exact ? span->exact : span->keys;
        for (auto it = key ? std::upper_bound(keys.begin(), keys.end(), *key) : keys.begin();
             it != keys.end(); ++it)
            if (!takenOut(*it, exact)) {
                best = *it;
                break;
            }
    }
    for (auto it = key ? m_own.upper_bound(*key) : m_own.begin(); it != m_own.end(); ++it)
        if (exact ? it->second.exact : it->second.hit) {
            if (!best || it->first < *best) best = it->first;
            break;
        }
    return best;
}

std::optional<qint64> FindResults::knownBefore(std::optional<qint64> key, bool exact) const {
    std::optional<qint64> best;
    auto span = m_spans.end();
    if (key)
        span = std::lower_bound(m_spans.begin(), m_spans.end(), *key,
                                [](const store::FoundSpan& s, qint64 k) { return s.first < k; });
    while (span != m_spans.begin() && !best) {
        --span;
        const std::vector<qint64>& keys = exact ? span->exact : span->keys;
        for (auto it = key ? std::lower_bound(keys.begin(), keys.end(), *key) : keys.end();
             it != keys.begin();) {
            --it;
            if (!takenOut(*it, exact)) {
                best = *it;
                break;
            }
        }
    }
    for (auto it = key ? m_own.lower_bound(*key) : m_own.end(); it != m_own.begin();) {
        --it;
        if (exact ? it->second.exact : it->second.hit) {
            if (!best || it->first > *best) best = it->first;
            break;
        }
    }
    return best;
}

FindJump FindResults::jumpWithin(const std::vector<qint64>& keys, std::optional<qint64> from,
                                 bool forward) {
    if (keys.empty()) return kNone;
    if (!from) return to(forward ? keys.front() : keys.back(), false);
    const auto it = forward ? std::upper_bound(keys.begin(), keys.end(), *from)
                            : std::lower_bound(keys.begin(), keys.end(), *from);
    if (forward ? it == keys.end() : it == keys.begin())
        return to(forward ? keys.front() : keys.back(), true);
    return to(forward ? *it : *(it - 1), false);
}

FindJump FindResults::jump(std::optional<qint64> from, bool forward, bool exact) const {
    // Whether every key strictly between two keys (none: no end) has been read.
    auto readBetween = [this](std::optional<qint64> after, std::optional<qint64> before) {
        if ((after && *after == kMaxKey) || (before && *before == kMinKey)) return true;
        return read(after ? *after + 1 : kMinKey, before ? *before - 1 : kMaxKey);
    };
    const std::optional<qint64> none;
    // The nearest match on the way, then, past the end, the first one from the other end.
    const std::optional<qint64> near = forward ? knownAfter(from, exact) : knownBefore(from, exact);
    if (near)
        return (forward ? readBetween(from, near) : readBetween(near, from)) ? to(*near, false)
                                                                             : kUnknown;
    if (!from) return readBetween(none, none) ? kNone : kUnknown;
    if (!(forward ? readBetween(from, none) : readBetween(none, from))) return kUnknown;
    const std::optional<qint64> far = forward ? knownAfter(none, exact) : knownBefore(none, exact);
    if (far)
        return (forward ? readBetween(none, far) : readBetween(far, none)) ? to(*far, true)
                                                                           : kUnknown;
    return readBetween(none, none) ? kNone : kUnknown;
}

}  // namespace session
