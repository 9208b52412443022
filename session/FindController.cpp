#include "FindController.h"

#include <algorithm>

#include "PartsLayout.h"
#include "StoreError.h"

namespace session {

namespace {

bool hasKey(const std::vector<qint64>& keys, const QVariant& key) {
    return key.isValid() && std::binary_search(keys.begin(), keys.end(), key.toLongLong());
}

}  // namespace

// ---- the search ------------------------------------------------------------------------------

PartSearch::~PartSearch() {
    if (m_stop) m_stop->store(true);
    for (Worker& w : m_workers) w.thread.join();
}

void PartSearch::start(const QString& path, const QString& table, const store::TextMatch& match) {
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
    m_running = true;
    const unsigned generation = ++m_generation;
    auto stop = m_stop;
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({std::thread(), done});
    m_workers.back().thread = std::thread([this, path, table, match, stop, done, generation] {
        struct Done {
            std::atomic<bool>& flag;
            ~Done() { flag.store(true); }
        } mark{*done};
        store::FoundKeys found;
        QString why;
        try {
            found = store::findKeys(path, table, match, *stop);
        } catch (const store::StoreError& e) {
            why = e.description();
        } catch (const std::exception& e) {
            why = QString::fromLocal8Bit(e.what());
        }
        if (stop->load()) return;
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
    if (m_stop) m_stop->store(true);
    ++m_generation;
    m_running = false;
}

// ---- the controller --------------------------------------------------------------------------

FindController::FindController(RecordSession& session, QObject* parent)
    : QObject(parent), m_session(session) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(150);
    connect(&m_delay, &QTimer::timeout, this, [this] { startSearch(); });
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(100);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] {
        if (m_search.running()) emit busyChanged(true);
    });
    // What a finished search does may meet a locked file or a lost server: told, never thrown
    // into the event loop.
    connect(&m_search, &PartSearch::finished, this, [this](const store::FoundKeys& found) {
        try {
            searchFinished(found);
        } catch (const store::StoreError& e) {
            m_pending = Action::None;
            m_resolve(Outcome::storeError(e.number(), e.description()));
        }
    });
    connect(&m_search, &PartSearch::failed, this, [this](const QString& why) {
        searchEnded();
        m_pending = Action::None;
        emit noteChanged(tr("The search stopped: ") + why);
    });
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
    m_changedDuringSearch = false;
    if (m_match.isEmpty() || !m_session.isOpen()) return;
    m_search.start(m_session.databasePath(), m_session.tableName(), m_match);
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

void FindController::searchFinished(const store::FoundKeys& found) {
    searchEnded();
    if (std::exchange(m_changedDuringSearch, false)) {
        // A save or delete may have come after the rows it touched were read: looked for again.
        startSearch();
        return;
    }
    m_found = found;
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
        // Done once the search has finished; typing further, any other command or Escape
        // drops it.
        m_pending = action;
        if (!m_search.running()) startSearch();
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

void FindController::jump(bool forward) {
    if (!m_leaveRecord()) return;
    beforeMove();
    // The save may have taken the last match away.
    if (m_found.keys.empty()) {
        emit noteChanged(tr("No part matches."));
        return;
    }
    const bool fresh = m_match.text() != m_lastJumpText;
    m_lastJumpText = m_match.text();
    const bool toExact = fresh && !m_found.exact.empty();
    const std::vector<qint64>& pool = toExact ? m_found.exact : m_found.keys;
    store::Recordset& rs = m_session.recordset();
    const QVariant current = rs.Bookmark();
    qint64 target = forward ? pool.front() : pool.back();
    bool wrapped = false;
    if (current.isValid()) {
        const qint64 at = current.toLongLong();
        const auto it = forward ? std::upper_bound(pool.begin(), pool.end(), at)
                                : std::lower_bound(pool.begin(), pool.end(), at);
        wrapped = forward ? it == pool.end() : it == pool.begin();
        if (!wrapped) target = forward ? *it : *(it - 1);
    }
    bool there = false;
    if (!m_resolve(m_session.goTo(target, &there))) return;
    if (!there) {
        if (!std::exchange(m_reloaded, true)) {
            // Added by another program since the table was opened: its keys are read again.
            const bool read = m_resolve(m_session.reload(isFiltered() ? &m_found.keys : nullptr));
            if (read) jump(forward);
            m_reloaded = false;
            return;
        }
        // Deleted by another program since the search: forgotten, and the next match tried.
        m_reloaded = false;
        noteDeleted(QVariant::fromValue(target));
        jump(forward);
        return;
    }
    m_reloaded = false;
    afterMove(current);
    QString note;
    if (wrapped && !toExact)
        note = forward ? tr("Passed the end; continued from the start.")
                       : tr("Passed the start; continued from the end.");
    emit noteChanged(note);
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
    searchEnded();
    m_delay.stop();
    m_pending = Action::None;
    m_found = {};
    m_foundReady = false;
    m_refilter = false;
    m_changedDuringSearch = false;
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
    if (m_match.isEmpty()) return;
    if (m_search.running()) m_changedDuringSearch = true;
    const QVariant key = m_session.recordset().Bookmark();
    if (!key.isValid()) return;
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
    if (m_foundReady) emit countChanged(matchCount());
}

void FindController::noteDeleted(const QVariant& key) {
    if (!key.isValid()) return;
    if (m_search.running()) m_changedDuringSearch = true;
    for (std::vector<qint64>* keys : {&m_found.keys, &m_found.exact}) {
        const auto it = std::lower_bound(keys->begin(), keys->end(), key.toLongLong());
        if (it != keys->end() && *it == key.toLongLong()) keys->erase(it);
    }
    if (m_foundReady) emit countChanged(matchCount());
}

}  // namespace session
