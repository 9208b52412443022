#include "FindController.h"

#include <QElapsedTimer>
#include <algorithm>

#include "PartsLayout.h"
#include "StoreError.h"

namespace session {

namespace {

bool hasKey(const std::vector<qint64>& keys, const QVariant& key) {
    return key.isValid() && std::binary_search(keys.begin(), keys.end(), key.toLongLong());
}

}  // namespace

// ---- work beside the window -------------------------------------------------------------------

Background::~Background() {
    if (m_stop) m_stop->store(true);
    for (Worker& w : m_workers) w.thread.join();
}

void Background::start(std::function<void(const std::atomic<bool>& stop)> work) {
    cancel();
    // Threads that have ended are joined now; one still stopping is left to end on its own.
    for (auto w = m_workers.begin(); w != m_workers.end();) {
        if (w->done->load()) {
            w->thread.join();
            w = m_workers.erase(w);
        } else {
            ++w;
        }
    }
    m_stop = std::make_shared<std::atomic<bool>>(false);
    auto stop = m_stop;
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({std::thread(), done});
    m_workers.back().thread = std::thread([work = std::move(work), stop, done] {
        struct Done {
            std::atomic<bool>& flag;
            ~Done() { flag.store(true); }
        } mark{*done};
        work(*stop);
    });
}

void Background::cancel() {
    if (m_stop) m_stop->store(true);
}

// ---- the search ------------------------------------------------------------------------------

void PartSearch::start(const QString& path, const QString& table, const store::TextMatch& match,
                       std::optional<qint64> from) {
    cancel();
    m_running = true;
    const unsigned generation = ++m_generation;
    m_work.start([this, path, table, match, from, generation](const std::atomic<bool>& stop) {
        // Stretches go to the window in batches: the first one with a match at once, then
        // every kBatchMs.
        constexpr qint64 kBatchMs = 50;
        std::vector<store::FoundSpan> batch;
        bool matchSent = false;
        QElapsedTimer sent;
        sent.start();
        auto send = [&] {
            QMetaObject::invokeMethod(
                this,
                [this, spans = std::exchange(batch, {}), generation] {
                    if (generation == m_generation) emit progressed(spans);
                },
                Qt::QueuedConnection);
            sent.restart();
        };
        store::FindFeed feed;
        feed.startAfter = from;
        feed.span = [&](const store::FoundSpan& span) {
            batch.push_back(span);
            const bool first = !matchSent && !span.keys.empty();
            matchSent = matchSent || first;
            if (!stop.load() && (first || sent.elapsed() >= kBatchMs)) send();
        };
        store::FoundKeys found;
        QString why;
        try {
            found = store::findKeys(path, table, match, stop, {}, feed);

        } catch (const store::StoreError& e) {
            why = e.description();
        } catch (const std::exception& e) {
            why = QString::fromLocal8Bit(e.what());
        }
        if (stop.load()) return;
        QMetaObject::invokeMethod(
            this,
            [this, found = std::move(found), why, generation] {
                if (generation != m_generation) return;
                m_running = false;
                if (!why.isEmpty())
                    emit failed(why);
                else
                    emit finished(found);
            },
            Qt::QueuedConnection);
    });
}

void PartSearch::cancel() {
    m_work.cancel();
    ++m_generation;
    m_running = false;
}

// ---- the part numbers ------------------------------------------------------------------------

PartNumberMap::PartNumberMap(RecordSession& session) : m_session(session) {}

void PartNumberMap::forget() {
    m_work.cancel();
    ++m_generation;
    m_index.reset();
    m_reading = false;
    m_savedMeanwhile.clear();
}

void PartNumberMap::prepare() {
    if (m_reading || !m_session.isOpen() ||
        store::Connection::isServerAddress(m_session.databasePath()))
        return;
    if (m_index && upToDate()) return;
    m_index.reset();
    std::optional<qint64> version;
    try {
        version = store::othersWriteCount(m_session.connection());
    } catch (const store::StoreError&) {
        return;  // the file cannot be read now: tried again at the next search
    }
    if (!version) return;
    m_reading = true;
    m_savedMeanwhile.clear();
    const unsigned generation = ++m_generation;
    const QString path = m_session.databasePath();
    const QString table = m_session.tableName();
    const qint64 at = *version;
    const qint64 rows = m_session.recordCount();
    m_work.start([this, path, table, at, rows, generation](const std::atomic<bool>& stop) {
        std::optional<store::PartNumberIndex> index;
        try {
            index = store::PartNumberIndex::read(path, table, stop, rows);
        } catch (const store::StoreError&) {
        } catch (const std::exception&) {
        }
        if (stop.load()) return;
        QMetaObject::invokeMethod(
            this,
            [this, index = std::move(index), at, generation]() mutable {
                if (generation != m_generation) return;
                m_reading = false;
                if (!index || !index->complete()) return;
                m_index = std::move(index);
                m_version = at;
                // The window's saves while it was read: the index may have read them or not.
                for (const auto& [key, number] : std::exchange(m_savedMeanwhile, {}))
                    m_index->add(key, number);
                emit ready();
            },
            Qt::QueuedConnection);
    });
}

bool PartNumberMap::upToDate() {
    try {
        const std::optional<qint64> version = store::othersWriteCount(m_session.connection());
        return version && *version == m_version;
    } catch (const store::StoreError&) {
        return false;
    }
}

std::optional<std::vector<qint64>> PartNumberMap::exactKeys(const store::TextMatch& match) {
    if (!m_session.isOpen()) return std::nullopt;
    if (!m_index) {
        prepare();  // unless being read already
        return std::nullopt;
    }
    if (!upToDate()) {
        // Another program wrote to the file: read again, and the search answers meanwhile.
        m_index.reset();
        prepare();
        return std::nullopt;
    }
    try {
        return m_index->exactKeys(m_session.connection(), match);
    } catch (const store::StoreError&) {
        return std::nullopt;
    }
}

void PartNumberMap::noteSaved(qint64 key, const QVariant& partNumber) {
    if (m_index) m_index->add(key, partNumber);
    if (m_reading) m_savedMeanwhile.emplace_back(key, partNumber);
}

// ---- the controller --------------------------------------------------------------------------

namespace {

// A table this long has its part numbers read as soon as it is opened.
constexpr long kReadPartNumbersAtOpen = 50000;

}  // namespace

FindController::FindController(RecordSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_partNumbers(session) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(150);
    connect(&m_delay, &QTimer::timeout, this, [this] { startSearch(); });
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(100);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] {
        if (m_search.running()) emit busyChanged(true);
    });
    // What a search's results do may meet a locked file or a lost server: told, never thrown
    // into the event loop.
    auto guarded = [this](auto work) {
        try {
            work();
        } catch (const store::StoreError& e) {
            m_pending = Action::None;
            m_resolve(Outcome::storeError(e.number(), e.description()));
        }
    };
    connect(&m_search, &PartSearch::progressed, this,
            [this, guarded](const std::vector<store::FoundSpan>& spans) {
                guarded([&] { searchProgressed(spans); });
            });
    connect(&m_search, &PartSearch::finished, this, [this, guarded](const store::FoundKeys& found) {
        guarded([&] { searchFinished(found); });
    });
    connect(&m_search, &PartSearch::failed, this, [this](const QString& why) {
        searchEnded();
        m_pending = Action::None;
        emit noteChanged(tr("The search stopped: ") + why);
    });
    // A jump waiting for a part number typed exactly may go once the part numbers are read.
    connect(&m_partNumbers, &PartNumberMap::ready, this,
            [this, guarded] { guarded([this] { runPending(); }); });
    connect(&m_session, &RecordSession::recordSaved, this, [this] { noteSaved(); });
    connect(&m_session, &RecordSession::recordDeleted, this,
            [this](const QVariant& key) { noteDeleted(key); });
    connect(&m_session, &RecordSession::filterCleared, this,
            [this] { setFilterOn(false, QString()); });
}

void FindController::setWindow(std::function<bool()> leaveRecord,
                               std::function<bool(Outcome)> resolve) {
    m_leaveRecord = std::move(leaveRecord);
    m_resolve = std::move(resolve);
}

void FindController::setActive(bool active) {
    m_active = active;
    if (active) m_partNumbers.prepare();
}

void FindController::tableOpened() {
    if (m_active || m_session.recordCount() >= kReadPartNumbersAtOpen) m_partNumbers.prepare();
}

bool FindController::isFiltered() const {
    return m_session.isOpen() && m_session.recordset().isFiltered();
}

void FindController::setFilterOn(bool on, const QString& note) {
    emit filterOnChanged(on);
    emit noteChanged(note);
}

void FindController::setText(const QString& text) {
    m_search.cancel();
    searchEnded();
    m_pending = Action::None;
    m_match = store::TextMatch(text);
    m_foundReady = false;
    m_results.clear();
    emit noteChanged(QString());
    if (text.isEmpty()) {
        m_delay.stop();
        m_found = {};
        emit countChanged(QString());
        if (isFiltered()) showAll();
        return;
    }
    m_delay.start();
}

void FindController::startSearch() {
    m_delay.stop();
    if (m_match.isEmpty() || !m_session.isOpen()) return;
    m_results.clear();
    // From the record on screen on, so that the next match after it is the first one found.
    std::optional<qint64> from;
    if (m_session.onStoredRecord()) {
        const QVariant here = m_session.recordset().Bookmark();
        if (here.isValid()) from = here.toLongLong();
    }
    m_search.start(m_session.databasePath(), m_session.tableName(), m_match, from);
    m_busyDelay.start();
}

void FindController::searchAgain() {
    if (m_match.isEmpty()) return;
    m_foundReady = false;
    startSearch();
}

void FindController::searchEnded() {
    m_busyDelay.stop();
    emit busyChanged(false);
}

QString FindController::matchCount() const {
    const size_t n = m_found.keys.size();
    if (n == 0) return tr("No part matches.");
    return n == 1 ? tr("1 part matches") : tr("%1 parts match").arg(n);
}

void FindController::searchProgressed(const std::vector<store::FoundSpan>& spans) {
    for (const store::FoundSpan& span : spans) m_results.add(span);
    runPending();
}

// A jump waiting for the search goes as soon as where it goes is known.
void FindController::runPending() {
    if (m_foundReady || (m_pending != Action::Next && m_pending != Action::Previous) ||
        isFiltered())
        return;
    const Action action = std::exchange(m_pending, Action::None);
    if (!jump(action == Action::Next)) m_pending = action;
}

void FindController::searchFinished(const store::FoundKeys& found) {
    searchEnded();
    // The window's own saves and deletes while it read are put in.
    m_found = found;
    m_results.finish(m_found);
    m_foundReady = true;
    emit countChanged(matchCount());
    Action action = std::exchange(m_pending, Action::None);
    if (isFiltered()) {
        // The filter follows the text typed while it is on; never in the middle of an edit, which
        // only the user's own next move may save.
        m_refilter = true;
        const bool editing = m_session.isEditable() || m_session.hasChanges();
        if (action == Action::None && !editing) action = Action::Filter;
    }
    if (action != Action::None) run(action);
}

void FindController::beforeMove() {
    if (!std::exchange(m_refilter, false) || !isFiltered()) return;
    // The record on screen stays in the keyset for this move; leaving it settles whether it
    // matches.
    store::Recordset& rs = m_session.recordset();
    const QVariant current = rs.Bookmark();
    std::vector<qint64> keys = m_found.keys;
    if (current.isValid()) keys.push_back(current.toLongLong());
    rs.setFilter(keys);
    if (current.isValid()) rs.setBookmark(current);
    m_session.landed();
}

// A record left inside the filter that no longer matches leaves the filter.
void FindController::afterMove(const QVariant& left) {
    if (!isFiltered() || !left.isValid() || hasKey(m_found.keys, left)) return;
    store::Recordset& rs = m_session.recordset();
    const QVariant here = rs.Bookmark();
    if (!here.isValid() || here == left) return;  // still on it
    rs.setFilter(m_found.keys);
    rs.setBookmark(here);
    m_session.landed();
}

void FindController::run(Action action) {
    if (!m_active || m_match.isEmpty() || !m_session.isOpen()) return;
    if (!m_foundReady) {
        // A jump goes as soon as the search has read as far as the match it goes to; the rest
        // waits for the whole search. Typing further, any other command or Escape drops it.
        if (!m_search.running()) startSearch();
        if (action != Action::Filter && !isFiltered() && jump(action == Action::Next)) return;
        m_pending = action;
        return;
    }
    if (m_found.keys.empty()) {
        emit noteChanged(tr("No part matches."));
        if (action == Action::Filter && isFiltered()) showAll();
        return;
    }
    if (action == Action::Filter)
        applyFilter();
    else
        jump(action == Action::Next);
}

void FindController::toggleFilter() {
    if (isFiltered())
        showAll();
    else
        run(Action::Filter);
}

// Where a jump from the record on screen goes: a new text goes first to a part number typed
// exactly, then on in key order.
FindJump FindController::whereTo(bool forward, bool* toExact) {
    const bool fresh = m_match.text() != m_lastJumpText;
    const QVariant current = m_session.recordset().Bookmark();
    std::optional<qint64> from;
    if (current.isValid()) from = current.toLongLong();
    *toExact = false;
    if (m_foundReady) {
        *toExact = fresh && !m_found.exact.empty();
        return FindResults::jumpWithin(*toExact ? m_found.exact : m_found.keys, from, forward);
    }
    if (fresh) {
        // Whether a part number is the text itself is known from the part numbers read
        // beforehand; until they are, from the search once it has found one on the way, or has
        // read everything.
        const std::optional<std::vector<qint64>> exact = m_partNumbers.exactKeys(m_match);
        const FindJump toNumber = exact ? FindResults::jumpWithin(*exact, from, forward)
                                        : m_results.jump(from, forward, true);
        if (toNumber.kind == FindJump::Kind::Unknown) return {};
        if (toNumber.kind == FindJump::Kind::To) {
            *toExact = true;
            return toNumber;
        }
    }
    return m_results.jump(from, forward);
}

bool FindController::jump(bool forward) {
    bool toExact = false;
    // Nothing is saved for a jump that cannot go yet.
    if (!m_foundReady && whereTo(forward, &toExact).kind == FindJump::Kind::Unknown) return false;
    if (!m_leaveRecord()) return true;
    beforeMove();
    const store::Recordset& rs = m_session.recordset();
    const QVariant current = rs.Bookmark();
    // The save may have taken the last match away, or the one the jump was to go to.
    const FindJump target = whereTo(forward, &toExact);
    if (target.kind == FindJump::Kind::Unknown) return false;
    if (target.kind == FindJump::Kind::None) {
        emit noteChanged(tr("No part matches."));
        return true;
    }
    m_lastJumpText = m_match.text();
    bool there = false;
    if (!m_resolve(m_session.goTo(target.key, &there))) return true;
    if (!there) {
        bool known = true;
        if (!std::exchange(m_reloaded, true)) {
            // Added by another program since the table was opened: its keys are read again.
            const bool read = m_resolve(m_session.reload(isFiltered() ? &m_found.keys : nullptr));
            if (read) known = jump(forward);
            m_reloaded = false;
            return known;
        }
        // Deleted by another program since the search: forgotten, and the next match tried.
        m_reloaded = false;
        noteDeleted(QVariant::fromValue(target.key));
        return jump(forward);
    }
    m_reloaded = false;
    afterMove(current);
    QString note;
    if (target.wrapped && !toExact)
        note = forward ? tr("Passed the end; continued from the start.")
                       : tr("Passed the start; continued from the end.");
    emit noteChanged(note);
    return true;
}

void FindController::applyFilter() {
    if (!m_leaveRecord()) return;
    if (m_found.keys.empty()) {
        emit noteChanged(tr("No part matches."));
        if (isFiltered()) showAll();
        return;
    }
    store::Recordset& rs = m_session.recordset();
    const QVariant current = rs.Bookmark();
    m_refilter = false;
    rs.setFilter(m_found.keys);
    if (rs.RecordCount() == 0) {
        // Every match was deleted elsewhere since the search.
        rs.clearFilter();
        if (current.isValid()) rs.setBookmark(current);
        m_session.landed();
        emit noteChanged(tr("No part matches."));
        return;
    }
    // On the same record where it matches; otherwise a part number typed exactly goes first.
    if (hasKey(m_found.keys, current))
        rs.setBookmark(current);
    else if (!m_found.exact.empty())
        rs.setBookmark(m_found.exact.front());
    m_lastJumpText = m_match.text();
    m_session.landed();
    setFilterOn(true,
                tr("Filter on: First, Previous, Next and Last show only the matching parts."));
}

// The whole table again, on the same record. Changes are saved or given up first, at the user's
// word: the record read again could be another's version, or another record.
bool FindController::showAll() {
    if (m_session.hasChanges() && !m_resolve(m_session.confirmLeaving())) return false;
    m_pending = Action::None;
    store::Recordset& rs = m_session.recordset();
    const QVariant current = rs.Bookmark();
    rs.clearFilter();
    if (current.isValid()) {
        try {
            rs.setBookmark(current);
        } catch (const store::StoreError&) {
            // Gone meanwhile: the first record stands.
        }
    }
    setFilterOn(false, QString());
    m_session.landed();
    return true;
}

bool FindController::close() {
    if (isFiltered() && !showAll()) return false;
    m_search.cancel();
    searchEnded();
    m_pending = Action::None;
    m_delay.stop();
    m_active = false;
    return true;
}

void FindController::reset() {
    m_search.cancel();
    m_partNumbers.forget();
    searchEnded();
    m_delay.stop();
    m_pending = Action::None;
    m_found = {};
    m_results.clear();
    m_foundReady = false;
    m_refilter = false;
    m_lastJumpText.clear();
    setFilterOn(false, QString());
    emit countChanged(QString());
    // The text stays: it is looked for again in the table now shown.
    if (m_active && !m_match.isEmpty()) m_delay.start();
}

bool FindController::currentMatches(bool* exact) const {
    return m_match.matchesRecord(m_session.recordset(), exact);
}

void FindController::noteSaved() {
    store::Recordset& rs = m_session.recordset();
    const QVariant key = rs.Bookmark();
    if (!key.isValid()) return;
    // The part numbers know of it whatever is being looked for.
    for (int i = 0; i < rs.fields().Count(); ++i) {
        store::Field& field = rs[i];
        if (field.Name().compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0) {
            m_partNumbers.noteSaved(key.toLongLong(), field.Value());
            break;
        }
    }
    if (m_match.isEmpty()) return;
    bool exact = false;
    const bool hit = currentMatches(&exact);
    auto keep = [k = key.toLongLong()](std::vector<qint64>& keys, bool in) {
        const auto it = std::lower_bound(keys.begin(), keys.end(), k);
        const bool there = it != keys.end() && *it == k;
        if (in && !there) keys.insert(it, k);
        if (!in && there) keys.erase(it);
    };
    keep(m_found.keys, hit);
    keep(m_found.exact, exact);
    if (!m_foundReady) m_results.note(key.toLongLong(), hit, exact);
    if (m_foundReady) emit countChanged(matchCount());
}

void FindController::noteDeleted(const QVariant& key) {
    if (!key.isValid()) return;
    for (std::vector<qint64>* keys : {&m_found.keys, &m_found.exact}) {
        const auto it = std::lower_bound(keys->begin(), keys->end(), key.toLongLong());
        if (it != keys->end() && *it == key.toLongLong()) keys->erase(it);
    }
    if (!m_foundReady) m_results.note(key.toLongLong(), false, false);
    if (m_foundReady) emit countChanged(matchCount());
}

}  // namespace session
