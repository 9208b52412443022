// Finding parts: the match rules, jumping from match to match, and browsing only the matches.
#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>

#include "Connection.h"
#include "Find.h"
#include "FindBar.h"
#include "Recordset.h"
#include "Session.h"
#include "StoreError.h"

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// A session on six parts of our own making, keys 1 to 6.
std::unique_ptr<Session> sixParts() {
    auto s = std::make_unique<Session>();
    s->folder.makeDatabase();
    s->folder.writeLogo();
    const QString db = s->db();
    const struct {
        const char* number;
        const char* name;
        const char* category;
        double price;
    } parts[] = {
        {"BRK-100", "Bracket", "Steel", 12.5},
        {"VLV-200", "Ventil Ärmel", "Brass", 3},
        {"BRK-10", "Small bracket", "Steel", 7.25},
        {"GSK-300", "Gasket 50% rubber", "Rubber", 0.99},
        {"NUT-400", "Nut", "Steel", 0.1},
        {"brk-1", "Bracket arm", "Alu", 12.5},
    };
    for (const auto& p : parts)
        addPart(db, QStringLiteral("Parts"),
                {{QStringLiteral("PartNumber"), QString::fromUtf8(p.number)},
                 {QStringLiteral("PartName"), QString::fromUtf8(p.name)},
                 {QStringLiteral("Category"), QString::fromUtf8(p.category)},
                 {QStringLiteral("Retail Price"), p.price},
                 {QStringLiteral("CreationDate"), QDateTime(QDate(2026, 3, 1), QTime(9, 0))}});
    return shownSession(std::move(s));
}

}  // namespace

class FindTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;

    FindBar* bar() const { return s->w->findChild<FindBar*>(); }
    QLineEdit* box() const { return bar()->findChild<QLineEdit*>(QStringLiteral("txtFind")); }
    QString note() const {
        return bar()->findChild<QLabel*>(QStringLiteral("lblFindNote"))->text();
    }
    QString count() const {
        return bar()->findChild<QLabel*>(QStringLiteral("lblFindCount"))->text();
    }
    QPushButton* barButton(const char* name) const {
        return bar()->findChild<QPushButton*>(QLatin1String(name));
    }
    QString shown() const { return s->text("txtPartNumber"); }

    // Ctrl+F in the window, then the text typed into the bar's box and its search awaited.
    void find(const QString& text) {
        if (!bar() || !bar()->isVisible()) {
            QApplication::setActiveWindow(s->w.get());
            QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        }
        QVERIFY(bar() && bar()->isVisible());
        QLineEdit* b = box();
        b->selectAll();
        QTest::keyClick(b, Qt::Key_Backspace);
        QTest::keyClicks(b, text);
        QTRY_VERIFY(!count().isEmpty());
    }
    void enter() { QTest::keyClick(box(), Qt::Key_Return); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(box(), k, m); }
    QString lastMessage() const {
        return s->platform.messages.empty() ? QString() : s->platform.messages.back().text;
    }

private slots:
    void init() { QLocale::setDefault(kEnglish); }
    void cleanup() { s.reset(); }

    // ---- the rule a value matches by ----

    void textMatchRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("matches");
        const QVariant money = QVariant::fromValue(store::Currency{125000});  // 12.5
        QTest::newRow("case") << "bracket" << kEnglish << QVariant(QStringLiteral("Small BRACKET"))
                              << true;
        QTest::newRow("umlaut folds")
            << "Ä" << kEnglish << QVariant(QStringLiteral("ventil ärmel")) << true;
        QTest::newRow("greek folds")
            << "ΣΙΓΜΑ" << kEnglish << QVariant(QStringLiteral("σιγμα")) << true;
        QTest::newRow("percent is literal")
            << "%" << kEnglish << QVariant(QStringLiteral("abc")) << false;
        QTest::newRow("percent finds itself")
            << "50%" << kEnglish << QVariant(QStringLiteral("Gasket 50% rubber")) << true;
        QTest::newRow("underscore is literal")
            << "a_c" << kEnglish << QVariant(QStringLiteral("abc")) << false;
        QTest::newRow("quote and backslash")
            << "o'b\\x" << kEnglish << QVariant(QStringLiteral("Bob o'b\\x 1")) << true;
        QTest::newRow("money as typed") << "12.50" << kEnglish << money << true;
        QTest::newRow("money part") << "2.5" << kEnglish << money << true;
        QTest::newRow("money same value") << "12.5000" << kEnglish << money << true;
        QTest::newRow("money other value") << "12.51" << kEnglish << money << false;
        QTest::newRow("money de as shown") << "12,50" << kGerman << money << true;
        QTest::newRow("money de with a dot") << "12.50" << kGerman << money << true;
        QTest::newRow("money en with a comma") << "12,50" << kEnglish << money << false;
        QTest::newRow("single") << "0.10" << kEnglish << QVariant(0.1f) << true;
        QTest::newRow("single de") << "0,1" << kGerman << QVariant(0.1f) << true;
        QTest::newRow("double") << "2.25" << kEnglish << QVariant(2.25) << true;
        QTest::newRow("integer digits") << "23" << kEnglish << QVariant(1234) << true;
        QTest::newRow("integer value") << "1234.0" << kEnglish << QVariant(1234) << true;
        QTest::newRow("integer other") << "1235" << kEnglish << QVariant(1234) << false;
        QTest::newRow("date not searched")
            << "2026" << kEnglish << QVariant(QDateTime(QDate(2026, 1, 1), QTime())) << false;
        QTest::newRow("picture not searched")
            << "JFIF" << kEnglish << QVariant(QByteArray("JFIF")) << false;
        QTest::newRow("null") << "a" << kEnglish << QVariant() << false;
        QTest::newRow("nothing typed")
            << "" << kEnglish << QVariant(QStringLiteral("abc")) << false;
    }
    void textMatchRules() {
        QFETCH(QString, typed);
        QFETCH(QLocale, locale);
        QFETCH(QVariant, value);
        QFETCH(bool, matches);
        QCOMPARE(store::TextMatch(typed, locale).matches(value), matches);
    }

    // The search over a file: every searched column, keys in order, the part number typed exactly
    // apart; the key column and the typed text's characters never act as anything but text.
    void searchOverFile() {
        s = sixParts();
        std::atomic<bool> stop{false};
        auto keys = [&](const QString& typed) {
            return store::findKeys(s->db(), "Parts", store::TextMatch(typed), stop);
        };
        store::FoundKeys f = keys(QStringLiteral("brk-1"));
        QVERIFY(f.complete);
        QCOMPARE(f.keys, (std::vector<qint64>{1, 3, 6}));
        QCOMPARE(f.exact, (std::vector<qint64>{6}));
        QCOMPARE(keys(QStringLiteral("steel")).keys, (std::vector<qint64>{1, 3, 5}));
        QCOMPARE(keys(QStringLiteral("12.50")).keys, (std::vector<qint64>{1, 6}));  // Retail Price
        QCOMPARE(keys(QStringLiteral("ärmel")).keys, (std::vector<qint64>{2}));
        QCOMPARE(keys(QStringLiteral("ÄRMEL")).keys, (std::vector<qint64>{2}));
        QCOMPARE(keys(QStringLiteral("VENTIL")).keys,
                 (std::vector<qint64>{2}));  // in a text that is not ASCII
        QCOMPARE(keys(QStringLiteral("rubber")).keys, (std::vector<qint64>{4}));
        // "4" is only in key 4 and the part numbers' digits: the key column is not searched.
        QCOMPARE(keys(QStringLiteral("4")).keys, (std::vector<qint64>{5}));
        QCOMPARE(keys(QStringLiteral("%")).keys, (std::vector<qint64>{4}));
        QCOMPARE(keys(QStringLiteral("_")).keys, (std::vector<qint64>{}));
        QCOMPARE(keys(QStringLiteral("'; DROP TABLE Parts; --")).keys, (std::vector<qint64>{}));
        QCOMPARE(sqliteShell(s->db(), QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("6"));
        // A table longer than one slice of the scan is read to its end.
        sqliteShell(s->db(),
                    QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                   "WHERE i < 9000) INSERT INTO Parts (PartNumber, PartName) "
                                   "SELECT 'X-' || i, 'Filler' FROM n"));
        QCOMPARE(keys(QStringLiteral("x-9000")).keys, (std::vector<qint64>{9006}));
        QCOMPARE(keys(QStringLiteral("filler")).keys.size(), size_t(9000));
    }

    // A recordset restricted to keys: only stored ones, in key order; cleared, every row again.
    void recordsetFilter() {
        s = sixParts();
        store::Connection cn;
        cn.Open(QStringLiteral("Data Source=") + store::Connection::quoteValue(s->db()));
        store::Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        rs.setFilter({6, 2, 99, 4});
        QCOMPARE(rs.RecordCount(), 3L);
        QVERIFY(rs.isFiltered());
        QStringList seen;
        for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext()) seen << rs["PartNumber"].Value().toString();
        QCOMPARE(seen, (QStringList{"VLV-200", "GSK-300", "brk-1"}));
        rs.setBookmark(4);
        QCOMPARE(rs.AbsolutePosition(), 2L);
        rs.setBookmark(3);  // not in the filter: the next one that is
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("GSK-300"));
        rs.clearFilter();
        QCOMPARE(rs.RecordCount(), 6L);
        QVERIFY(!rs.isFiltered());
        rs.setBookmark(3);
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("BRK-10"));
    }

    // ---- the find bar in the window ----

    void barOpensAndCloses() {
        s = sixParts();
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        const QRect before = s->w->geometry();
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar() && bar()->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box()));
        QCOMPARE(box()->accessibleName(), QStringLiteral("Find"));
        for (const char* name : {"cmdFindNext", "cmdFindPrevious", "cmdShowOnly"}) {
            QVERIFY2(barButton(name)->text().contains(QLatin1Char('&')), name);
            QVERIFY2(!barButton(name)->accessibleName().isEmpty(), name);
        }
        QCOMPARE(barButton("cmdFindNext")->text(), QStringLiteral("Find &Next"));
        QCOMPARE(barButton("cmdFindPrevious")->text(), QStringLiteral("Find &Previous"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
        // The window keeps its size and its controls their places.
        QCOMPARE(s->w->geometry(), before);
        key(Qt::Key_Escape);
        QVERIFY(!bar()->isVisible());
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
    }

    void jumpsWrapBothWays() {
        s = sixParts();
        find(QStringLiteral("steel"));  // keys 1, 3, 5
        QCOMPARE(count(), QStringLiteral("3 parts match"));
        QCOMPARE(shown(), QStringLiteral("BRK-100"));  // typing alone does not move
        enter();                                       // the current record does not count
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        key(Qt::Key_F3);
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        QCOMPARE(note(), QString());
        QTest::mouseClick(barButton("cmdFindNext"), Qt::LeftButton);
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(note(), QStringLiteral("Passed the end; continued from the start."));
        key(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        QVERIFY(note().startsWith(QStringLiteral("Passed the start")));
        QTest::mouseClick(barButton("cmdFindPrevious"), Qt::LeftButton);
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        QCOMPARE(note(), QString());
        // Landed as a navigation lands: browsing, buttons by where the record stands.
        QVERIFY(s->locked("txtPartName"));
        QVERIFY(s->enabled("cmdEdit") && !s->enabled("cmdSave"));
        QVERIFY(s->enabled("cmdFirst") && s->enabled("cmdNext"));
        // From the window itself, F3 goes on with the same text.
        QApplication::setActiveWindow(s->w.get());
        QTest::keyClick(s->w.get(), Qt::Key_F3);
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        // Alt+N is the window's Next there, and Find Next in the bar: each window its own keys.
        QTest::keyClick(s->w.get(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(shown(), QStringLiteral("brk-1"));
        QApplication::setActiveWindow(bar());
        QTest::keyClick(bar(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(shown(), QStringLiteral("BRK-100"));
    }

    void nothingMatches() {
        s = sixParts();
        s->click("cmdNext");
        find(QStringLiteral("'; DROP TABLE Parts; --"));
        QCOMPARE(count(), QStringLiteral("No part matches."));
        enter();
        QCOMPARE(note(), QStringLiteral("No part matches."));
        QCOMPARE(shown(), QStringLiteral("VLV-200"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
        QCOMPARE(sqliteShell(s->db(), QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("6"));
        find(QStringLiteral("_"));
        QCOMPARE(count(), QStringLiteral("No part matches."));
    }

    // A part number typed exactly is the first place a new text goes; then on in key order.
    void exactPartNumberFirst() {
        s = sixParts();
        find(QStringLiteral("BRK-1"));  // keys 1, 3, 6; key 6 is "brk-1" itself
        enter();
        QCOMPARE(shown(), QStringLiteral("brk-1"));
        QCOMPARE(note(), QString());
        enter();
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(note(), QStringLiteral("Passed the end; continued from the start."));
        enter();
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
    }

    // Numbers are found as the user reads them, in the user's locale.
    void numbersInGerman() {
        QLocale::setDefault(kGerman);
        s = sixParts();
        find(QStringLiteral("0,99"));
        QCOMPARE(count(), QStringLiteral("1 part matches"));
        enter();
        QCOMPARE(shown(), QStringLiteral("GSK-300"));
        find(QStringLiteral("12.50"));  // the plain form is understood too
        QCOMPARE(count(), QStringLiteral("2 parts match"));
    }

    // A jump is a navigation: typed text is saved first; a refused save keeps it and stays.
    void jumpWithUnsavedEdit() {
        s = sixParts();
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Chrome"));
        find(QStringLiteral("nut"));
        enter();
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Chrome"));
        QVERIFY(!s->state().bRecordChanged);
        // The saved text counts at once: "chrome" finds record 1.
        find(QStringLiteral("chrome"));
        QCOMPARE(count(), QStringLiteral("1 part matches"));

        s->click("cmdEdit");
        s->replaceText("txtPartName", QString());
        enter();
        QVERIFY(lastMessage().contains(QStringLiteral("Part Name")));
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        QCOMPARE(s->text("txtPartName"), QString());
        QVERIFY(s->state().bRecordChanged);
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT PartName FROM Parts WHERE PartID = 5")),
            QStringLiteral("Nut"));
        s->replaceText("txtPartName", QStringLiteral("Hex nut"));
        enter();
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT PartName FROM Parts WHERE PartID = 5")),
            QStringLiteral("Hex nut"));
    }

    void filterWithEveryButton() {
        s = sixParts();
        s->click("cmdNext");              // VLV-200, which does not match
        find(QStringLiteral("bracket"));  // keys 1, 3, 6
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &All"));
        QVERIFY(note().contains(QStringLiteral("Filter on")));
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        s->click("cmdNext");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        s->click("cmdLast");
        QCOMPARE(shown(), QStringLiteral("brk-1"));
        QVERIFY(!s->enabled("cmdNext"));
        s->click("cmdPrevious");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        s->click("cmdFirst");
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        s->click("cmdPrevious");
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QVERIFY(!s->enabled("cmdFirst"));
        // Jumps stay inside the matches too.
        enter();
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        // Show All: the whole table, on the same record.
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        s->click("cmdNext");
        QCOMPARE(shown(), QStringLiteral("GSK-300"));
    }

    void filterEndsByEscapeOrEmptyBox() {
        s = sixParts();
        find(QStringLiteral("steel"));
        QApplication::setActiveWindow(bar());
        QTest::keyClick(bar(), Qt::Key_O, Qt::AltModifier);  // Show &Only Matches
        QTRY_COMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        s->click("cmdLast");
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        key(Qt::Key_Escape);
        QVERIFY(!bar()->isVisible());
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        s->click("cmdNext");
        QCOMPARE(shown(), QStringLiteral("brk-1"));

        find(QStringLiteral("steel"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        box()->selectAll();
        QTest::keyClick(box(), Qt::Key_Backspace);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
    }

    // Nothing typed is saved, and the window never jumps, without the user's word: a Find Next
    // waiting for its search is dropped by Edit; leaving the filter keeps the edit on screen;
    // F5 asks first.
    void findNeverSavesUnasked_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("after");  // the part shown afterwards
        QTest::newRow("Find Next pending, then Edit") << 0 << "BRK-100";
        QTest::newRow("find box emptied in the filter") << 1 << "BRK-100";
        QTest::newRow("Escape in the filter") << 2 << "BRK-100";
        QTest::newRow("F5, Cancel") << 3 << "BRK-100";
        QTest::newRow("F5, Discard") << 4 << "BRK-100";
    }
    void findNeverSavesUnasked() {
        QFETCH(int, way);
        s = sixParts();
        if (way == 0) {
            QApplication::setActiveWindow(s->w.get());
            QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
            QTest::keyClicks(box(), QStringLiteral("nut"));
            enter();  // before the search has even started
            s->click("cmdEdit");
            s->replaceText("txtCategory", QStringLiteral("Chrome"));
            QTRY_COMPARE(count(), QStringLiteral("1 part matches"));
            QTest::qWait(100);
        } else if (way <= 2) {
            find(QStringLiteral("steel"));
            QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
            s->click("cmdEdit");
            s->replaceText("txtCategory", QStringLiteral("Chrome"));
            // Leaving the filter asks first; Cancel keeps the filter and the edit.
            s->platform.saveChoices = {Platform::SaveChoice::Cancel};
            if (way == 1) {
                box()->selectAll();
                QTest::keyClick(box(), Qt::Key_Backspace);
            } else {
                key(Qt::Key_Escape);
            }
            QVERIFY(s->platform.saveChoices.empty());
            QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        } else {
            s->click("cmdEdit");
            s->replaceText("txtCategory", QStringLiteral("Chrome"));
            s->platform.saveChoices = {way == 3 ? Platform::SaveChoice::Cancel
                                                : Platform::SaveChoice::Discard};
            QApplication::setActiveWindow(s->w.get());
            QTest::keyClick(s->w.get(), Qt::Key_F5);
            QVERIFY(s->platform.saveChoices.empty());
            QCOMPARE(s->platform.questions.back().text,
                     QStringLiteral("Save the changes to this part?"));
        }
        QFETCH(QString, after);
        QCOMPARE(shown(), after);
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Steel"));
        const bool kept = way != 4;  // Discard gives the edit up
        QCOMPARE(s->text("txtCategory"), kept ? QStringLiteral("Chrome") : QStringLiteral("Steel"));
        QCOMPARE(s->state().bRecordChanged, kept);
    }

    // Parts another program adds or deletes after the table was opened are found as they are
    // now; an untouched new record does not stand in the way.
    void findSeesOthersChanges() {
        s = sixParts();
        sqliteShell(s->db(), QStringLiteral("INSERT INTO Parts (PartNumber, PartName) "
                                            "VALUES ('ZZ-9', 'Zebra clamp')"));
        s->click("cmdAdd");  // untouched
        find(QStringLiteral("zebra"));
        QCOMPARE(count(), QStringLiteral("1 part matches"));
        enter();
        QCOMPARE(shown(), QStringLiteral("ZZ-9"));
        QVERIFY(s->platform.messages.empty());
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 7  Records Found"));
        // Every match of a filter deleted elsewhere: no record that does not match is shown.
        find(QStringLiteral("rubber"));
        sqliteShell(s->db(), QStringLiteral("DELETE FROM Parts WHERE PartID = 4"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(note(), QStringLiteral("No part matches."));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
        QCOMPARE(shown(), QStringLiteral("ZZ-9"));
    }

    // Text put into the find box by assistive technology is looked for like typed text.
    void findBoxTakesTextFromAssistiveTechnology() {
        s = sixParts();
        find(QStringLiteral("bracket"));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box());
        QVERIFY(a);
        a->setText(QAccessible::Value, QStringLiteral("gasket"));
        QTRY_COMPARE(count(), QStringLiteral("1 part matches"));
        enter();
        QCOMPARE(shown(), QStringLiteral("GSK-300"));
    }

    // Typing further while the filter is on narrows it to the new text.
    void filterFollowsTheText() {
        s = sixParts();
        find(QStringLiteral("brk"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        QTest::keyClicks(box(), QStringLiteral("-10"));  // "brk-10": keys 1 and 3
        QTRY_COMPARE(s->text("lblCount"), QStringLiteral(" 2  Records Found"));
    }

    // Inside a filter: an edited record that no longer matches stays until the user moves;
    // a new one too; a deleted one leaves; deleting the last match ends the filter.
    void editingInsideFilter() {
        s = sixParts();
        find(QStringLiteral("steel"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Copper"));
        s->click("cmdSave");
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(s->text("txtCategory"), QStringLiteral("Copper"));
        QCOMPARE(count(), QStringLiteral("2 parts match"));
        s->click("cmdNext");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 2  Records Found"));
        s->click("cmdFirst");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));  // BRK-100 has left the filter

        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("NEW-1"));
        s->type("txtPartName", QStringLiteral("Washer"));
        s->click("cmdSave");
        QCOMPARE(shown(), QStringLiteral("NEW-1"));
        QCOMPARE(sqliteShell(s->db(), QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("7"));
        s->click("cmdFirst");
        s->click("cmdLast");
        QCOMPARE(shown(), QStringLiteral("NUT-400"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 2  Records Found"));

        s->platform.answers = {true, true};
        s->click("cmdDelete");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 1  Records Found"));
        QCOMPARE(count(), QStringLiteral("1 part matches"));
        s->click("cmdDelete");
        // No match is left: the whole table again.
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 5  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QCOMPARE(sqliteShell(s->db(), QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("5"));
    }

    // Switching to another database (here the chooser cancelled: the default one again) ends
    // the filter; the text is looked for afresh in the table now shown.
    void switchingEndsTheFilter() {
        s = sixParts();
        find(QStringLiteral("steel"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) qFatal("no modal window came up");
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        s->click("cmdOpen");
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 6  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &Only Matches"));
        QTRY_COMPARE(count(), QStringLiteral("3 parts match"));
        s->click("cmdLast");
        QCOMPARE(shown(), QStringLiteral("brk-1"));
    }

    // F5 inside the filter: the filter stays on the same record, and a matching part that
    // another program added meanwhile joins it once the text is looked for again.
    void refreshKeepsTheFilter() {
        s = sixParts();
        find(QStringLiteral("steel"));
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        s->click("cmdNext");
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        sqliteShell(
            s->db(),
            QStringLiteral("INSERT INTO Parts (PartNumber, PartName, Category) "
                           "VALUES ('BAR-7', 'Round bar', 'Steel'), ('CU-8', 'Tube', 'Copper')"));
        QApplication::setActiveWindow(s->w.get());
        QTest::keyClick(s->w.get(), Qt::Key_F5);
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
        QTRY_COMPARE(s->text("lblCount"), QStringLiteral(" 4  Records Found"));
        QCOMPARE(barButton("cmdShowOnly")->text(), QStringLiteral("Show &All"));
        s->click("cmdLast");
        QCOMPARE(shown(), QStringLiteral("BAR-7"));
    }

    // A search that ends while the user edits inside the filter saves nothing: the newest
    // matches take over at the user's own next move, which saves as every move does.
    void searchEndingMidEditSavesNothing() {
        s = sixParts();
        find(QStringLiteral("brk"));  // keys 1, 3, 6
        QTest::mouseClick(barButton("cmdShowOnly"), Qt::LeftButton);
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Chrome"));
        QTest::keyClick(box(), Qt::Key_Backspace);  // "br": keys 1, 2 (Brass), 3, 6
        QTRY_COMPARE(count(), QStringLiteral("4 parts match"));
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Steel"));
        QCOMPARE(s->text("txtCategory"), QStringLiteral("Chrome"));
        QVERIFY(s->state().bRecordChanged);
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        s->click("cmdNext");
        QCOMPARE(
            sqliteShell(s->db(), QStringLiteral("SELECT Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Chrome"));
        QCOMPARE(shown(), QStringLiteral("VLV-200"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 4  Records Found"));
    }

    // A jump asked for before the search has finished waits for it; Escape drops it.
    void escapeDropsAWaitingJump() {
        s = sixParts();
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(box(), QStringLiteral("nut"));
        enter();
        key(Qt::Key_Escape);
        QTest::qWait(400);
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QVERIFY(!bar()->isVisible());

        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        box()->selectAll();
        QTest::keyClicks(box(), QStringLiteral("nut"));
        enter();  // before the search has even started
        QTRY_COMPARE(shown(), QStringLiteral("NUT-400"));
    }
};

QTEST_MAIN(FindTest)
#include "tst_find.moc"
