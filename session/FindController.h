#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "Find.h"
#include "RecordSession.h"

namespace session {

// One search at a time over a table, on a thread of its own; a new search or cancel() stops the
// one running, whose result is then never delivered.
class PartSearch : public QObject {
    Q_OBJECT

public:
    PartSearch() = default;
    ~PartSearch() override;

    void start(const QString& path, const QString& table, const store::TextMatch& match);
    void cancel();
    bool running() const { return m_running; }

signals:
    void finished(const store::FoundKeys& found);
    void failed(const QString& why);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> m_workers;
    std::shared_ptr<std::atomic<bool>> m_stop;
    unsigned m_generation = 0;
    bool m_running = false;
};

// Finding parts in the session's table: the typed text, the search, the matches found, jumps
// to them and the filter that shows only them. The window shows what it says through signals.
class FindController : public QObject {
    Q_OBJECT

public:
    enum class Action { None, Next, Previous, Filter };

    explicit FindController(RecordSession& session, QObject* parent = nullptr);

    // How the window leaves the record for a jump (its editor committed, the changes saved at
    // the user's word), and how it settles an outcome; both false when the record stays.
    void setWindow(std::function<bool()> leaveRecord, std::function<bool(Outcome)> resolve);

    // The find bar is shown (searches run) or hidden.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    void setText(const QString& text);
    void run(Action action);
    // Show Only Matches, or Show All while the filter is on.
    void toggleFilter();
    // Escape or the close box: a filter ends first; false when it cannot.
    bool close();
    // A new table: what was found goes, the text stays and is looked for again.
    void reset();
    // The user did something else: a jump waiting for the search is dropped.
    void dropPending() { m_pending = Action::None; }
    // Around a move by the navigation buttons inside a filter.
    void beforeMove();
    void afterMove(const QVariant& left);
    // After the table was read again: the matches are looked for again.
    void searchAgain();
    const store::FoundKeys& found() const { return m_found; }
    bool isFiltered() const;

signals:
    void countChanged(const QString& count);
    void noteChanged(const QString& note);
    void filterOnChanged(bool on);
    void busyChanged(bool busy);

private:
    void startSearch();
    void searchEnded();
    void searchFinished(const store::FoundKeys& found);
    void jump(bool forward);
    void applyFilter();
    bool showAll();
    void noteSaved();
    void noteDeleted(const QVariant& key);
    QString matchCount() const;
    bool currentMatches(bool* exact) const;
    void setFilterOn(bool on, const QString& note);

    RecordSession& m_session;
    std::function<bool()> m_leaveRecord;
    std::function<bool(Outcome)> m_resolve;
    PartSearch m_search;
    store::TextMatch m_match;
    store::FoundKeys m_found;  // for m_match once m_foundReady; kept up with the user's saves
    bool m_active = false;
    bool m_foundReady = false;
    QString m_lastJumpText;  // a new text goes first to a part number typed exactly
    Action m_pending = Action::None;
    bool m_refilter = false;  // the filter is to take the newest matches at the next move
    bool m_changedDuringSearch = false;  // a save or delete the running search may not have seen
    bool m_reloaded = false;             // a jump read the table's keys again once
    QTimer m_delay;                      // typing settles before a search starts
    QTimer m_busyDelay;                  // a search that takes a while shows a busy cursor
};

}  // namespace session
