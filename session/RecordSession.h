#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "Connection.h"
#include "Recordset.h"

namespace session {

// What the parts window is doing with its record.
enum class Mode {
    Empty,     // no catalogue open
    Browsing,  // a stored record, read-only
    Editing,   // a stored record being edited
    Adding,    // a new record not yet stored
    Closed,    // the program is ending
};

enum class Move { First, Previous, Next, Last };

// A question the user answers before a command goes on.
struct Question {
    enum class Kind {
        None,
        ShowOtherVersion,  // saved elsewhere since shown: Yes shows theirs, No keeps ours
        SaveAsNew,         // deleted elsewhere since shown: Yes saves ours as a new record
        ConfirmDelete,     // Yes deletes
        DeleteChanged,     // changed elsewhere since shown: Yes deletes all the same
        SaveChanges,       // Save, Discard or Cancel the changes before leaving the record
    };
    Kind kind = Kind::None;
    QString caption;
    QString text;
    bool defaultYes = true;
};

enum class Answer { Yes, No, Discard, Cancel };

// What a command did.
struct Outcome {
    enum class Kind { Done, Refused, Ask };
    Kind kind = Kind::Done;
    // For a refusal: what the user is told (an empty text tells nothing), and the store's error
    // number when the refusal comes from it (0 otherwise).
    QString caption;
    QString message;
    long errorNumber = 0;
    // The column whose box the user is sent back to.
    QString focusColumn;
    Question question;

    bool done() const { return kind == Kind::Done; }
    bool asks() const { return kind == Kind::Ask; }
    static Outcome ok() { return {}; }
    static Outcome refused(const QString& caption, const QString& message,
                           const QString& focus = QString());
    static Outcome storeError(long number, const QString& description);
    static Outcome ask(Question question);
};

// The parts window's record: the open catalogue, where the cursor is, the mode, and the draft of
// what the user has typed or chosen and not yet saved. Every command leaves the mode consistent
// whatever the store does; the store's errors become refusals.
class RecordSession : public QObject {
    Q_OBJECT

public:
    static const QString kMessageCaption;

    explicit RecordSession(QObject* parent = nullptr);
    ~RecordSession() override;

    // ---- the catalogue
    // Opens `table` of the catalogue at `path` (a file or a server address); an empty table
    // starts a new record at once. Throws the store's error when it cannot be opened, leaving
    // the session Empty.
    void open(const QString& path, const QString& table);
    // Closes the catalogue; any draft is dropped.
    void closeCatalogue();
    // The program ends: nothing more is done.
    void end();
    QString databasePath() const { return m_path; }
    QString tableName() const { return m_table; }
    bool isOpen() const { return m_mode != Mode::Empty && m_mode != Mode::Closed; }

    Mode mode() const { return m_mode; }
    bool isEditable() const { return m_mode == Mode::Editing || m_mode == Mode::Adding; }
    store::Connection& connection() { return *m_connection; }
    store::Recordset& recordset() { return *m_recordset; }
    const store::Recordset& recordset() const { return *m_recordset; }
    // Stored rows (a pending new one not counted); 0 when nothing is open.
    long recordCount() const;
    // A stored record is current (not a new one, not past either end).
    bool onStoredRecord() const;

    // ---- what the buttons may do
    bool canGoBack() const { return m_backOn && m_mode != Mode::Adding; }
    bool canGoForward() const { return m_forwardOn && m_mode != Mode::Adding; }
    bool canEdit() const { return m_editOn && m_mode == Mode::Browsing; }

    // ---- the draft
    // Text typed for a column; refused (nothing kept) when the column cannot take it.
    Outcome setText(const QString& column, const QString& text);
    // The column's text as the draft has it, or the stored value's text.
    QString text(const QString& column) const;
    bool isChanged(const QString& column) const;
    bool hasChanges() const { return !m_texts.isEmpty() || m_pictureChosen; }
    // A picture chosen for the record: these bytes are stored at the next save.
    void choosePicture(const QByteArray& bytes);
    bool pictureChosen() const { return m_pictureChosen; }

    // ---- commands
    Outcome move(Move move);
    Outcome add();
    Outcome edit();
    Outcome save();
    // Delete on a stored record (asks first); Cancel Add on a new one.
    Outcome remove();
    // Saves the changes of the record before the user leaves it (a move, a switch, printing):
    // done when nothing is left unsaved.
    Outcome saveBeforeLeaving();
    // Asks Save / Discard / Cancel when the record has changes; done when there are none.
    Outcome confirmLeaving();
    // Drops the draft; a new record not yet stored is given up.
    void discard();
    // Reads the table's keys again on the same record (or the next one when it is gone).
    Outcome reload(const std::vector<qint64>* filter = nullptr);
    // Goes to a stored record by key, after the save-before-leaving rule. `found` is false when
    // the record is no longer there; the cursor then stays.
    Outcome goTo(qint64 key, bool* found = nullptr);
    // After the cursor was moved by a filter or a find: browsing where it landed, the buttons
    // set by the place; a record being edited keeps its draft.
    void landed();
    // The question last returned, answered.
    Outcome answer(Answer answer);
    bool hasQuestion() const { return m_question.kind != Question::Kind::None; }

signals:
    // The current record or its stored values changed: the window shows them again.
    void recordChanged();
    // Mode, counts or what the buttons may do changed.
    void stateChanged();
    // A record was written (its key), or deleted (the key it had).
    void recordSaved(const QVariant& key);
    void recordDeleted(const QVariant& key);
    // A filter lost its last record and was taken off.
    void filterCleared();

private:
    enum class Pending { None, Move, Add, Leave };

    Outcome guarded(const std::function<Outcome()>& work);
    void settleAfterFailure();
    Outcome showAfterDelete();
    void setMode(Mode mode);
    void clearDraft();
    void startNewRecord();
    void browse();
    Outcome doMove(Move move);
    Outcome doSave();
    Outcome writeDraft();
    QHash<QString, QString> recordTexts(bool adding) const;
    Outcome checkRequired(const QHash<QString, QString>& texts) const;
    void assignDraft(const QHash<QString, QString>& texts, bool adding);
    Outcome update();
    Outcome doDelete(bool checked);
    Outcome saveAsNew();
    Outcome continuePending();
    Outcome ask(Question::Kind kind, const QString& text, bool defaultYes);
    void announce();

    std::unique_ptr<store::Connection> m_connection;
    std::unique_ptr<store::Recordset> m_recordset;
    QString m_path;
    QString m_table;
    Mode m_mode = Mode::Empty;
    bool m_backOn = true;
    bool m_forwardOn = true;
    bool m_editOn = true;

    QHash<QString, QString> m_texts;  // column -> typed text, for changed columns only
    QByteArray m_picture;
    bool m_pictureChosen = false;

    Question m_question;
    Pending m_pending = Pending::None;
    Move m_pendingMove = Move::First;
};

}  // namespace session
