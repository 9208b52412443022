// The record session without any window: each row starts in a mode, gives one command while
// the file is as a row says (locked, changed or deleted by another program), answers the
// questions asked, and checks the mode, the outcome and what is in the file.

#include <sqlite3.h>

#include <QTest>

#include "Fixture.h"
#include "RecordSession.h"

using session::Answer;
using session::Mode;
using session::Outcome;
using session::RecordSession;

namespace {

enum Start { Browse, EditTyped, AddTyped, AddUntouched };
enum Command { Next, Save, Delete, Add, Leave, Confirm, Reload };
enum Fault { None, Locked, ChangedElsewhere, DeletedElsewhere, AddedElsewhere };

// Another program's connection to the same file.
class OtherProgram {
public:
    explicit OtherProgram(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OtherProgram() { sqlite3_close(m_db); }
    bool exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == 0; }

private:
    sqlite3* m_db = nullptr;
};

QString stored(const QString& db, const QString& sql) {
    return sqliteShell(db, sql);
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void commands_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("mode");       // after the command
        QTest::addColumn<int>("outcome");    // Outcome::Kind
        QTest::addColumn<int>("count");      // stored rows
        QTest::addColumn<QString>("name2");  // PartName of part 2 in the file ("-" if gone)
        QTest::addColumn<qlonglong>("at");   // the current key; 0 for a new record
        QTest::addColumn<bool>("changes");   // a draft is left

        const int done = int(Outcome::Kind::Done), refused = int(Outcome::Kind::Refused);
        const QString orig = QStringLiteral("Part number 2"), ours = QStringLiteral("Ours"),
                      theirs = QStringLiteral("Theirs"), gone = QStringLiteral("-");
        const int browsing = int(Mode::Browsing), editing = int(Mode::Editing),
                  adding = int(Mode::Adding);
        const int yes = int(Answer::Yes), no = int(Answer::No), discard = int(Answer::Discard),
                  cancel = int(Answer::Cancel);
        auto row = [&](const char* name, Start s, Command c, Fault f, QList<int> a, int m, int o,
                       int n, const QString& n2, qlonglong at, bool ch) {
            QTest::newRow(name) << int(s) << int(c) << int(f) << a << m << o << n << n2 << at << ch;
        };
        row("browse, next", Browse, Next, None, {}, browsing, done, 3, orig, 3, false);
        row("edit, next saves first", EditTyped, Next, None, {}, browsing, done, 3, ours, 3, false);
        row("edit, save", EditTyped, Save, None, {}, browsing, done, 3, ours, 2, false);
        row("add, save leaves adding", AddTyped, Save, None, {}, browsing, done, 4, orig, 4, false);
        row("add, cancel add", AddTyped, Delete, None, {}, browsing, done, 3, orig, 3, false);
        row("add untouched, save refused", AddUntouched, Save, None, {}, adding, refused, 3, orig,
            0, false);
        row("delete, No keeps it", Browse, Delete, None, {no}, browsing, refused, 3, orig, 2,
            false);
        row("delete, Yes", Browse, Delete, None, {yes}, browsing, done, 2, gone, 3, false);
        row("delete while locked is reported", Browse, Delete, Locked, {yes}, browsing, refused, 3,
            orig, 2, false);
        row("delete of a changed part, No shows theirs", Browse, Delete, ChangedElsewhere,
            {yes, no}, browsing, refused, 3, theirs, 2, false);
        row("delete of a changed part while editing, No keeps the edit", EditTyped, Delete,
            ChangedElsewhere, {yes, no}, editing, refused, 3, theirs, 2, true);
        row("delete of a changed part, Yes", Browse, Delete, ChangedElsewhere, {yes, yes}, browsing,
            done, 2, gone, 3, false);
        row("save over theirs, Yes shows theirs", EditTyped, Save, ChangedElsewhere, {yes}, editing,
            refused, 3, theirs, 2, false);
        row("save over theirs, No keeps ours", EditTyped, Save, ChangedElsewhere, {no}, editing,
            refused, 3, theirs, 2, true);
        row("save of a deleted part, as new", EditTyped, Save, DeletedElsewhere, {yes}, browsing,
            done, 3, gone, 4, false);
        row("next while locked stays", Browse, Next, Locked, {}, browsing, refused, 3, orig, 2,
            false);
        row("save while locked keeps the draft", EditTyped, Save, Locked, {}, editing, refused, 3,
            orig, 2, true);
        row("untouched new record leaves quietly", AddUntouched, Leave, None, {}, adding, done, 3,
            orig, 0, false);
        row("leave: discard", EditTyped, Confirm, None, {discard}, browsing, done, 3, orig, 2,
            false);
        row("leave: cancel", EditTyped, Confirm, None, {cancel}, editing, refused, 3, orig, 2,
            true);
        row("leave: save", EditTyped, Confirm, None, {yes}, browsing, done, 3, ours, 2, false);
        row("add saves the edit first", EditTyped, Add, None, {}, adding, done, 3, ours, 0, false);
        row("reload takes in another's part", Browse, Reload, AddedElsewhere, {}, browsing, done, 4,
            orig, 2, false);
        row("reload while locked gives the new part up", AddTyped, Reload, Locked, {}, browsing,
            refused, 3, orig, 2, false);
    }

    void commands() {
        QFETCH(int, start);
        QFETCH(int, command);
        QFETCH(int, fault);
        QFETCH(QList<int>, answers);
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 3);
        // Values the user never touches, which no save may rewrite.
        stored(db, QStringLiteral("UPDATE Parts SET Weight = 0.012, Location = 'Shelf' "
                                  "WHERE PartID = 2"));
        RecordSession s;
        s.open(db, QStringLiteral("Parts"));
        QCOMPARE(s.mode(), Mode::Browsing);
        QVERIFY(s.move(session::Move::Next).done());
        QCOMPARE(s.recordset().Bookmark().toLongLong(), 2);
        switch (Start(start)) {
            case Browse:
                break;
            case EditTyped:
                QVERIFY(s.edit().done());
                QVERIFY(s.setText(QStringLiteral("PartName"), QStringLiteral("Ours")).done());
                break;
            case AddTyped:
                QVERIFY(s.add().done());
                QVERIFY(s.setText(QStringLiteral("PartNumber"), QStringLiteral("N-1")).done());
                QVERIFY(s.setText(QStringLiteral("PartName"), QStringLiteral("New")).done());
                break;
            case AddUntouched:
                QVERIFY(s.add().done());
                break;
        }
        OtherProgram other(db);
        switch (Fault(fault)) {
            case None:
                break;
            case Locked:
                QVERIFY(other.exec("BEGIN EXCLUSIVE"));
                break;
            case ChangedElsewhere:
                QVERIFY(other.exec("UPDATE Parts SET PartName = 'Theirs' WHERE PartID = 2"));
                break;
            case DeletedElsewhere:
                QVERIFY(other.exec("DELETE FROM Parts WHERE PartID = 2"));
                break;
            case AddedElsewhere:
                QVERIFY(other.exec("INSERT INTO Parts (PartNumber, PartName) VALUES ('X', 'X')"));
                break;
        }
        Outcome o;
        switch (Command(command)) {
            case Next:
                o = s.move(session::Move::Next);
                break;
            case Save:
                o = s.save();
                break;
            case Delete:
                o = s.remove();
                break;
            case Add:
                o = s.add();
                break;
            case Leave:
                o = s.saveBeforeLeaving();
                break;
            case Confirm:
                o = s.confirmLeaving();
                break;
            case Reload:
                o = s.reload();
                break;
        }
        for (int a : answers) {
            QVERIFY2(o.asks(), "a question was expected");
            o = s.answer(Answer(a));
        }
        QVERIFY2(!o.asks(), qPrintable(o.question.text));
        if (Fault(fault) == Locked) other.exec("ROLLBACK");

        QTEST(int(s.mode()), "mode");
        QTEST(int(o.kind), "outcome");
        QTEST(stored(db, QStringLiteral("SELECT count(*) FROM Parts")).toInt(), "count");
        QString name2 = stored(db, QStringLiteral("SELECT PartName FROM Parts WHERE PartID = 2"));
        if (name2.isEmpty()) name2 = QStringLiteral("-");
        QTEST(name2, "name2");
        const qlonglong at = s.mode() == Mode::Adding ? 0 : s.recordset().Bookmark().toLongLong();
        QTEST(at, "at");
        QTEST(s.hasChanges(), "changes");
        // Whatever happened, the buttons follow the mode.
        QCOMPARE(s.canGoForward() || s.canGoBack(), s.mode() != Mode::Adding);
        if (name2 != QLatin1String("-"))
            QCOMPARE(stored(db, QStringLiteral("SELECT Weight || '/' || Location FROM Parts "
                                               "WHERE PartID = 2")),
                     QStringLiteral("0.012/Shelf"));
        // Kept as a new record, a part keeps the values it had.
        const QString asNew =
            stored(db, QStringLiteral("SELECT Weight || '/' || Location FROM "
                                      "Parts WHERE PartID = 4 AND PartName = 'Ours'"));
        if (!asNew.isEmpty()) QCOMPARE(asNew, QStringLiteral("0.012/Shelf"));
        // A part saved without a picture has none.
        QCOMPARE(stored(db, QStringLiteral("SELECT count(*) FROM Parts WHERE Image IS NOT NULL")),
                 QStringLiteral("0"));
    }

    // A refused save leaves the user's text; a save after "keep ours" writes it over theirs.
    void keptChangesWinTheNextSave() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 2);
        RecordSession s;
        s.open(db, QStringLiteral("Parts"));
        QVERIFY(s.edit().done());
        QVERIFY(s.setText(QStringLiteral("Category"), QStringLiteral("Ours")).done());
        QVERIFY(OtherProgram(db).exec("UPDATE Parts SET PartName = 'Theirs' WHERE PartID = 1"));
        Outcome o = s.save();
        QVERIFY(o.asks());
        QVERIFY(s.answer(Answer::No).kind == Outcome::Kind::Refused);
        QVERIFY(s.save().done());
        QCOMPARE(stored(db, QStringLiteral("SELECT PartName || '/' || Category FROM Parts "
                                           "WHERE PartID = 1")),
                 QStringLiteral("Theirs/Ours"));
    }

    // Reading the table again after another program deleted the part shown, the last one: the
    // new last part is shown, never a place past the end.
    void reloadAfterTheLastPartWentElsewhere() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 3);
        RecordSession s;
        s.open(db, QStringLiteral("Parts"));
        QVERIFY(s.move(session::Move::Last).done());
        QVERIFY(OtherProgram(db).exec("DELETE FROM Parts WHERE PartID = 3"));
        QVERIFY(s.reload().done());
        QCOMPARE(s.recordset().Bookmark().toLongLong(), 2);
        QVERIFY(s.onStoredRecord());
        QCOMPARE(s.recordCount(), 2L);
    }

    // Texts a column cannot take are refused at once; a typed creation date is saved.
    void draftValuesAreCheckedAndKept() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 1);
        RecordSession s;
        s.open(db, QStringLiteral("Parts"));
        QVERIFY(s.setText(QStringLiteral("PartName"), QStringLiteral("x")).kind ==
                Outcome::Kind::Refused);  // not editing
        QVERIFY(s.edit().done());
        const Outcome bad = s.setText(QStringLiteral("Retail Price"), QStringLiteral("abc"));
        QCOMPARE(bad.kind, Outcome::Kind::Refused);
        QVERIFY(bad.errorNumber != 0);
        QVERIFY(!s.isChanged(QStringLiteral("Retail Price")));
        QVERIFY(s.setText(QStringLiteral("CreationDate"), QStringLiteral("2020-05-06 07:08:09"))
                    .done());
        QVERIFY(s.save().done());
        QVERIFY(stored(db, QStringLiteral("SELECT CreationDate FROM Parts"))
                    .startsWith(QStringLiteral("2020-05-06")));
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
