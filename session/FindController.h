#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "Find.h"
#include "FindResults.h"
#include "RecordSession.h"

namespace session {

// Work beside the window, one job at a time, each on a thread of its own: a new job or cancel()
// tells the one running to stop. Threads that have ended are joined at the next start, and all
// of them when this goes.
class Background {
public:
    Background() = default;
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void start(std::function<void(const std::atomic<bool>& stop)> work);
    void cancel();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> m_workers;
    std::shared_ptr<std::atomic<bool>> m_stop;
};

// One search at a time over a table; a new search or cancel() stops the one running, whose
// results are then never delivered. What it reads comes in stretches as it goes (the first
// stretch with a match at once, then a few times a second), and whole at the end.
class PartSearch : public QObject {
    Q_OBJECT

public:
    PartSearch() = default;

    // Begins just after the record `from` when there is one, and comes round to it last.
    void start(const QString& path, const QString& table, const store::TextMatch& match,
               std::optional<qint64> from = std::nullopt);
    void cancel();
    bool running() const { return m_running; }

signals:
    void progressed(const std::vector<store::FoundSpan>& spans);
    void finished(const store::FoundKeys& found);
    void failed(const QString& why);

private:
    unsigned m_generation = 0;
    bool m_running = false;
    Background m_work;  // last: stopped before the rest goes
};

// Where the part numbers of the session's table are (store::PartNumberIndex), read beside the
// window and kept up to date with the window's own saves. It answers only while nothing else
// has written to the file since it was read (the file's count of others' writes tells), and is
// read again otherwise; a catalogue on a server has none.
class PartNumberMap : public QObject {
    Q_OBJECT

public:
    explicit PartNumberMap(RecordSession& session);

    // Another table, or none: what was read goes.
    void forget();
    // Reads the part numbers unless they are read and up to date, or being read.
    void prepare();
    bool isReading() const { return m_reading; }
    bool isRead() const { return m_index.has_value(); }
    // The rows whose part number is the typed text, in key order; nothing while the map cannot
    // answer (being read, out of date, a server).
    std::optional<std::vector<qint64>> exactKeys(const store::TextMatch& match);
    // The window saved the part `key` with this part number.
    void noteSaved(qint64 key, const QVariant& partNumber);

signals:
    void ready();

private:
    bool upToDate();

    RecordSession& m_session;
    std::optional<store::PartNumberIndex> m_index;
    qint64 m_version = 0;  // the others' write count the index was read at
    bool m_reading = false;
    std::vector<std::pair<qint64, QVariant>> m_savedMeanwhile;  // while it is read
    unsigned m_generation = 0;
    Background m_work;  // last: stopped before the rest goes
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
    // A table was opened: a large one has its part numbers read at once, for a part number
    // typed exactly (a scanned barcode).
    void tableOpened();
    const store::FoundKeys& found() const { return m_found; }
    bool isFiltered() const;
    // The part numbers have been read (a part number typed exactly is found without the search).
    bool partNumbersRead() const { return m_partNumbers.isRead(); }

signals:
    void countChanged(const QString& count);
    void noteChanged(const QString& note);
    void filterOnChanged(bool on);
    void busyChanged(bool busy);

private:
    void startSearch();
    void searchEnded();
    void searchProgressed(const std::vector<store::FoundSpan>& spans);
    void searchFinished(const store::FoundKeys& found);
    void runPending();
    // False when where to go is not known yet.
    bool jump(bool forward);
    FindJump whereTo(bool forward, bool* toExact);
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
    PartNumberMap m_partNumbers;
    store::TextMatch m_match;
    store::FoundKeys m_found;  // for m_match once m_foundReady; kept up with the user's saves
    FindResults m_results;     // of the search running, as far as it has read
    bool m_active = false;
    bool m_foundReady = false;
    QString m_lastJumpText;  // a new text goes first to a part number typed exactly
    Action m_pending = Action::None;
    bool m_refilter = false;  // the filter is to take the newest matches at the next move
    bool m_reloaded = false;  // a jump read the table's keys again once
    QTimer m_delay;           // typing settles before a search starts
    QTimer m_busyDelay;       // a search that takes a while shows a busy cursor
};

}  // namespace session
