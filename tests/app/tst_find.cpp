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
#include <limits>

#include "Connection.h"
#include "Find.h"
#include "FindBar.h"
#include "FindController.h"
#include "FindResults.h"
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
    session::FindController* controller() const {
        return s->w->findChild<session::FindController*>();
    }
    // Ctrl+F, and the table's part numbers read (they are read when the bar first opens).
    void openBarWithPartNumbers() {
        QApplication::setActiveWindow(s->w.get());
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar() && bar()->isVisible());
        QTRY_VERIFY(controller()->partNumbersRead());
    }
    // What a barcode scanner does: every key at once, then Enter, nothing waited for between.
    void scan(const QString& number) {
        box()->selectAll();
        QTest::keyClick(box(), Qt::Key_Backspace);
        QTest::keyClicks(box(), number);
        enter();
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

    // ---- finding as the search reads, and part numbers typed exactly ----

    // Where Find Next and Find Previous go from what a search has read so far: known only when
    // every key between the record on screen and the match has been read; the window's own
    // saves and deletes since the search began count.
    void jumpsFromWhatIsRead_data() {
        QTest::addColumn<QList<QList<qlonglong>>>("spans");  // first, last, then matches
        QTest::addColumn<QList<QList<qlonglong>>>("own");    // key, hit, exact
        QTest::addColumn<qlonglong>("from");                 // 0: no record
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QString>("expected");  // "unknown", "none", "to N", "wrapped to N"
        using L = QList<QList<qlonglong>>;
        auto row = [](const char* name, L spans, L own, qlonglong from, bool forward, bool exact,
                      const char* expected) {
            QTest::newRow(name) << spans << own << from << forward << exact
                                << QString::fromLatin1(expected);
        };
        const qlonglong max = std::numeric_limits<qint64>::max();
        const qlonglong min = std::numeric_limits<qint64>::min();
        row("nothing read", {}, {}, 5, true, false, "unknown");
        row("first match right after", {{6, 100, 8, 40}}, {}, 5, true, false, "to 8");
        row("a gap before the match", {{7, 100, 8}}, {}, 5, true, false, "unknown");
        row("read in two stretches", {{6, 7}, {8, 100, 50}}, {}, 5, true, false, "to 50");
        row("stretches in any order", {{8, 100, 50}, {6, 7}}, {}, 5, true, false, "to 50");
        row("none after: wraps once the start is read", {{6, max}, {min, 2, 1}}, {}, 5, true, false,
            "wrapped to 1");
        row("none after, start not read", {{6, max}, {3, 5, 4}}, {}, 5, true, false, "unknown");
        row("the only match is the record itself", {{6, max}, {min, 5, 5}}, {}, 5, true, false,
            "wrapped to 5");
        row("all read, no match", {{6, max}, {min, 5}}, {}, 5, true, false, "none");
        row("previous: the keys before read", {{min, 4, 2}}, {}, 5, false, false, "to 2");
        row("previous: a gap", {{min, 3, 2}}, {}, 5, false, false, "unknown");
        row("previous wraps to the last", {{min, 4}, {6, max, 9}}, {}, 5, false, false,
            "wrapped to 9");
        row("no record: the first match", {{min, 10, 3}}, {}, 0, true, false, "to 3");
        row("own save makes a match before the found one", {{6, 100, 50}}, {{20, 1, 0}}, 5, true,
            false, "to 20");
        row("own save takes the found match out", {{6, 100, 8, 50}}, {{8, 0, 0}}, 5, true, false,
            "to 50");
        row("own delete of the only match", {{6, max, 8}, {min, 5}}, {{8, 0, 0}}, 5, true, false,
            "none");
        row("exact: only part numbers count", {{6, 100, 8, 50}}, {}, 5, true, true, "unknown");
        row("exact: found on the way", {{6, 100, 8, 50, -50}}, {}, 5, true, true, "to 50");
        row("exact: all read, none", {{min, max, 8}}, {}, 5, true, true, "none");
    }
    void jumpsFromWhatIsRead() {
        QFETCH(QList<QList<qlonglong>>, spans);
        QFETCH(QList<QList<qlonglong>>, own);
        QFETCH(qlonglong, from);
        QFETCH(bool, forward);
        QFETCH(bool, exact);
        QFETCH(QString, expected);
        session::FindResults results;
        for (const QList<qlonglong>& s : spans) {
            // A negative key is an exact match (its part number is the text) of that key.
            store::FoundSpan span{s[0], s[1], {}, {}};
            for (qsizetype i = 2; i < s.size(); ++i) {
                const qint64 key = std::abs(s[i]);
                if (span.keys.empty() || span.keys.back() != key) span.keys.push_back(key);
                if (s[i] < 0) span.exact.push_back(key);
            }
            results.add(span);
        }
        for (const QList<qlonglong>& o : own) results.note(o[0], o[1] != 0, o[2] != 0);
        const session::FindJump j =
            results.jump(from ? std::optional<qint64>(from) : std::nullopt, forward, exact);
        QString got = QStringLiteral("unknown");
        if (j.kind == session::FindJump::Kind::None) got = QStringLiteral("none");
        if (j.kind == session::FindJump::Kind::To)
            got =
                (j.wrapped ? QStringLiteral("wrapped to %1") : QStringLiteral("to %1")).arg(j.key);
        QCOMPARE(got, expected);
    }

    // The first match after the record on screen is shown as soon as the search has read it,
    // before the search has read the rest and the count is shown.
    void firstMatchBeforeTheCount() {
        s = sixParts();
        openBarWithPartNumbers();
        QStringList happened;
        connect(controller(), &session::FindController::countChanged, this, [&](const QString& c) {
            if (!c.isEmpty()) happened << QStringLiteral("count");
        });
        connect(s->child<QLineEdit>("txtPartNumber"), &QLineEdit::textChanged, this,
                [&](const QString& t) { happened << t; });
        scan(QStringLiteral("steel"));  // keys 1, 3, 5; on key 1
        QTRY_COMPARE(count(), QStringLiteral("3 parts match"));
        QCOMPARE(happened, (QStringList{"BRK-10", "count"}));
        QCOMPARE(shown(), QStringLiteral("BRK-10"));
    }

    // A part number scanned (its keys and Enter at once) lands on that part on the first try:
    // at once where the part numbers are read, after the search where they cannot tell (another
    // program wrote to the file since: they are read again). What the window itself saves or
    // deletes, and what another program changes, is never missed.
    void scannedPartNumbers_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("scanned");
        QTest::addColumn<QString>("lands");  // the part shown afterwards: its name
        QTest::addColumn<bool>("atOnce");    // shown as Enter is handled
        auto row = [](const char* name, const char* change, const char* scanned, const char* lands,
                      bool atOnce) {
            QTest::newRow(name) << QString::fromLatin1(change) << QString::fromLatin1(scanned)
                                << QString::fromUtf8(lands) << atOnce;
        };
        // From BRK-100 "Bracket" (key 1); BRK-10 "Small bracket" is key 3, brk-1 "Bracket arm"
        // key 6.
        row("unchanged", "", "gsk-300", "Gasket 50% rubber", true);
        row("unchanged, letter case", "", "Brk-10", "Small bracket", true);
        row("not a part number: the next match", "", "vlv-2", "Ventil Ärmel", false);
        row("renamed by the window", "own rename", "new-3", "Small bracket", true);
        row("old number after the window renamed it", "own rename", "brk-10", "Bracket", false);
        row("renamed by the window to a number there already", "own rename to BRK-100", "brk-100",
            "Small bracket", true);
        row("added by the window", "own add", "add-9", "Added", true);
        row("deleted by the window: the next match", "own delete", "brk-1", "Small bracket", false);
        row("renamed by another program", "their rename", "new-3", "Small bracket", false);
        row("old number after another program renamed it", "their rename", "brk-10", "Bracket",
            false);
        row("renamed by another program to a number there already", "their rename to BRK-100",
            "brk-100", "Small bracket", false);
        row("added by another program", "their add", "add-9", "Added", false);
        row("deleted by another program: the next match", "their delete", "brk-1", "Small bracket",
            false);
    }
    void scannedPartNumbers() {
        QFETCH(QString, change);
        QFETCH(QString, scanned);
        QFETCH(QString, lands);
        QFETCH(bool, atOnce);
        s = sixParts();
        openBarWithPartNumbers();
        const QString renamed =
            change.endsWith(QLatin1String("BRK-100")) ? QStringLiteral("BRK-100") : "NEW-3";
        if (change.startsWith(QLatin1String("own rename"))) {
            s->click("cmdNext");
            s->click("cmdNext");  // key 3, BRK-10
            s->click("cmdEdit");
            s->replaceText("txtPartNumber", renamed);
            s->click("cmdSave");
            s->click("cmdFirst");
        } else if (change == QLatin1String("own add")) {
            s->click("cmdAdd");
            s->type("txtPartNumber", QStringLiteral("ADD-9"));
            s->type("txtPartName", QStringLiteral("Added"));
            s->click("cmdSave");
            s->click("cmdFirst");
        } else if (change == QLatin1String("own delete")) {
            s->click("cmdLast");  // key 6, brk-1
            s->platform.answers = {true};
            s->click("cmdDelete");
            s->click("cmdFirst");
        } else if (change.startsWith(QLatin1String("their rename"))) {
            sqliteShell(s->db(), QStringLiteral("UPDATE Parts SET PartNumber = '%1' WHERE "
                                                "PartID = 3")
                                     .arg(renamed));
        } else if (change == QLatin1String("their add")) {
            sqliteShell(s->db(),
                        "INSERT INTO Parts (PartNumber, PartName) VALUES ('ADD-9', 'Added')");
        } else if (change == QLatin1String("their delete")) {
            sqliteShell(s->db(), "DELETE FROM Parts WHERE PartID = 6");
        }
        QCOMPARE(shown(), QStringLiteral("BRK-100"));
        QApplication::setActiveWindow(bar());
        scan(scanned);
        if (atOnce) QCOMPARE(s->text("txtPartName"), lands);
        QTRY_COMPARE(s->text("txtPartName"), lands);
        QTRY_VERIFY(!count().isEmpty());
        QCOMPARE(s->text("txtPartName"), lands);
        // Read again after another program's change: the next scan lands at once.
        if (change.startsWith(QLatin1String("their"))) {
            QTRY_VERIFY(controller()->partNumbersRead());
            s->click("cmdFirst");
            scan(QStringLiteral("gsk-300"));
            QCOMPARE(shown(), QStringLiteral("GSK-300"));
        }
    }

    // Without the part numbers read, a scanned part number still lands on it on the first Enter:
    // the jump waits for the search.
    void scannedBeforeThePartNumbersAreRead() {
        s = sixParts();
        QApplication::setActiveWindow(s->w.get());
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(box(), QStringLiteral("brk-1"));  // keys 1, 3 and 6 (brk-1 itself)
        enter();
        QTRY_COMPARE(shown(), QStringLiteral("brk-1"));
        QTRY_VERIFY(!count().isEmpty());
        QCOMPARE(shown(), QStringLiteral("brk-1"));
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
