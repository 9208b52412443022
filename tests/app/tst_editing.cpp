// Editing in the parts record window: adding, saving, refusals, the grid and its field
// editor, deleting, moving and closing with changes — checked on screen and in the file.

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "Control.h"
#include "FindBar.h"
#include "Session.h"

namespace {

const QStringList kRecordBoxes{"txtPartNumber", "txtPartName", "txtCategory", "txtDescription",
                               "txtField"};

std::unique_ptr<Session> started(int parts) {
    return shownSession(parts);
}

QString stored(const Session& s, const QString& sql) {
    return sqliteShell(s.db(), sql);
}

// Types a value into the field editor for grid column `column` and presses Enter.
void setCell(Session& s, int column, const QString& text) {
    s.typeInEditor(column, text);
    QTest::keyClick(s.child<QLineEdit>("txtField"), Qt::Key_Return);
}

}  // namespace

class EditingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void addedPartIsStoredWithItsGridValues() {
        auto s = started(2);
        s->click("cmdAdd");
        QVERIFY(s->state().bEditMode);
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        for (const char* b : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdAdd", "cmdEdit"})
            QVERIFY2(!s->enabled(b), b);
        QVERIFY(s->child<QPushButton>("cmdSelect")->isVisible());
        for (const QString& box : kRecordBoxes) QVERIFY(!s->locked(qPrintable(box)));
        QCOMPARE(s->text("txtPartNumber"), QString());
        QCOMPARE(s->cell(1, 0), QStringLiteral("3"));  // the key, from the store
        QVERIFY(!s->cell(1, 9).isEmpty());             // CreationDate, now
        QCOMPARE(s->cell(0, 9), QStringLiteral("CreationDate"));

        s->type("txtPartNumber", QStringLiteral("  NEW-1  "));
        s->type("txtPartName", QStringLiteral("Thrust Washer"));
        s->type("txtCategory", QStringLiteral("Bearings"));
        s->type("txtDescription", QStringLiteral("Bronze thrust washer"));
        QVERIFY(s->state().bRecordChanged);
        setCell(*s, 5, QStringLiteral("12.50"));
        QCOMPARE(s->cell(1, 5), QStringLiteral("12.50"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());

        QCOMPARE(stored(*s,
                        "SELECT PartNumber || '|' || PartName || '|' || \"Retail Price\" || '|' || "
                        "\"Qty In Stock\" || '|' || Weight || '|' || quote(Location) FROM Parts "
                        "WHERE PartID = 3"),
                 QStringLiteral("NEW-1|Thrust Washer|125000|0|0|''"));  // empty cells: 0 and ""
        // No picture was chosen: none is stored (the logo is only shown).
        QCOMPARE(stored(*s, "SELECT Image IS NULL FROM Parts WHERE PartID = 3"),
                 QStringLiteral("1"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 3  Records Found"));
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("NEW-1"));  // shown as stored
        QCOMPARE(s->cell(1, 5), QStringLiteral("12.50"));
        QVERIFY(!s->state().bRecordChanged && !s->state().bEditMode);
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        QVERIFY(s->enabled("cmdAdd") && !s->enabled("cmdSave"));
        for (const QString& box : kRecordBoxes)
            QVERIFY2(s->locked(qPrintable(box)), qPrintable(box));
    }

    void missingNumberOrNameIsRefused() {
        auto s = started(1);
        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("   "));
        s->click("cmdSave");
        QCOMPARE(s->platform.messages.size(), size_t(1));  // only the part number message
        QCOMPARE(s->platform.messages[0].caption, QStringLiteral("Quillmark Parts Database"));
        QCOMPARE(s->platform.messages[0].text,
                 QStringLiteral("Please enter the Part Number before saving the record."));
        QCOMPARE(QApplication::focusWidget(), s->child("txtPartNumber"));
        QVERIFY(s->state().bEditMode);  // still editing
        s->replaceText("txtPartNumber", QStringLiteral("X-1"));
        s->click("cmdSave");
        QCOMPARE(s->platform.messages.size(), size_t(2));
        QCOMPARE(s->platform.messages[1].text,
                 QStringLiteral("Please enter the Part Name before saving the record."));
        QCOMPARE(QApplication::focusWidget(), s->child("txtPartName"));
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("1"));
        QVERIFY(s->enabled("cmdSave"));
    }

    void textsAreCutWhileTypingAndWhenSaving() {
        auto s = started(1);
        s->click("cmdEdit");
        QCOMPARE(QApplication::focusWidget(), s->child("txtPartNumber"));  // the first box
        s->replaceText("txtCategory", QString(60, QLatin1Char('c')));
        QCOMPARE(s->text("txtCategory").size(), 49);
        s->child<QLineEdit>("txtPartName")->setText(QString(100, QLatin1Char('n')));  // pasted
        QCOMPARE(s->text("txtPartName").size(), 49);
        s->child<QPlainTextEdit>("txtDescription")->setPlainText(QString(300, QLatin1Char('d')));
        QCOMPARE(s->text("txtDescription").size(), 250);
        s->click("cmdSave");
        QCOMPARE(
            stored(
                *s,
                "SELECT length(PartName) || ',' || length(Category) || ',' || length(Description) "
                "FROM Parts"),
            QStringLiteral("49,49,250"));
    }

    void everyOptionalTypeIsSavedFromTheGrid() {
        auto s = started(1);
        s->click("cmdEdit");
        setCell(*s, 5, QStringLiteral("1,234.5"));
        setCell(*s, 6, QStringLiteral("7"));
        setCell(*s, 7, QStringLiteral("2.5"));
        setCell(*s, 8, QStringLiteral("Bin 4"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(stored(*s,
                        "SELECT \"Retail Price\" || '|' || \"Qty In Stock\" || '|' || Weight || "
                        "'|' || Location "
                        "FROM Parts"),
                 QStringLiteral("12345000|7|2.5|Bin 4"));
        QCOMPARE(s->cell(1, 5), QStringLiteral("1234.50"));
        // In a German locale the same column takes "3,75" and shows it that way.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        s->click("cmdFirst");  // after a save, Edit waits for a move
        s->click("cmdEdit");
        setCell(*s, 5, QStringLiteral("3,75"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT \"Retail Price\" FROM Parts"), QStringLiteral("37500"));
        QCOMPARE(s->cell(1, 5), QStringLiteral("3,75"));
    }

    void refusedSaveLosesNothingAndWritesNothing() {
        auto s = started(2);
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Renamed"));
        const QString cellBefore = s->cell(1, 6);
        // Enter with a value the column cannot take: reported, and the text stays in the editor.
        setCell(*s, 6, QStringLiteral("many"));
        QCOMPARE(s->platform.reports.size(), size_t(1));
        QCOMPARE(s->platform.reports[0].number, 3421L);
        QVERIFY(s->platform.reports[0].description.contains(QStringLiteral("Qty In Stock")));
        QCOMPARE(s->cell(1, 6), cellBefore);
        QCOMPARE(s->text("txtField"), QStringLiteral("many"));
        const QByteArray before = readFile(s->db());
        // Save takes the editor's text first, so it is refused the same way and writes nothing.
        s->click("cmdSave");
        QCOMPARE(s->platform.reports.size(), size_t(2));
        QCOMPARE(readFile(s->db()), before);
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Renamed"));
        QCOMPARE(s->text("txtField"), QStringLiteral("many"));
        QVERIFY(s->state().bRecordChanged && s->state().bEditMode);
        QVERIFY(!s->locked("txtPartName"));
        // A move tries again, is refused again, and does not move.
        s->click("cmdNext");
        QCOMPARE(s->platform.reports.size(), size_t(3));
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Renamed"));
        // Corrected, it saves.
        setCell(*s, 6, QStringLiteral("5"));
        s->click("cmdSave");
        QCOMPARE(s->platform.reports.size(), size_t(3));
        QCOMPARE(
            stored(*s, "SELECT PartName || '|' || \"Qty In Stock\" FROM Parts WHERE PartID = 1"),
            QStringLiteral("Renamed|5"));
        // Fifty characters fit a text column.
        s->click("cmdFirst");
        s->click("cmdEdit");
        setCell(*s, 8, QString(50, QLatin1Char('L')));
        QCOMPARE(s->cell(1, 8).size(), 50);
        s->click("cmdSave");
        QCOMPARE(s->platform.reports.size(), size_t(3));  // 50 characters fit the column
    }

    // What a screen reader reads of the grid: its columns by name, and the cell chosen.
    void screenReaderReadsTheGrid() {
        auto s = started(1);
        QTableWidget* g = s->grid();
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(g);
        QAccessibleTableInterface* table = grid ? grid->tableInterface() : nullptr;
        QVERIFY(table);
        QStringList read;
        QStringList shown;
        for (int c = 0; c < table->columnCount(); ++c) {
            read << table->columnDescription(c);
            shown << s->cell(0, c);
        }
        QCOMPARE(read, shown);
        QCOMPARE(read.value(2), QStringLiteral("PartName"));
        s->clickCell(1, 6);
        QAccessibleInterface* cell = table->cellAt(1, 6);
        QVERIFY(cell && cell->state().selected);
        QCOMPARE(cell->text(QAccessible::Name), s->cell(1, 6));
        // A click on a name stands for the value below it.
        s->clickCell(0, 7);
        QVERIFY(table->cellAt(1, 7)->state().selected);
        QVERIFY(!table->cellAt(1, 6)->state().selected);
        // The key column is not a cell to choose.
        s->clickCell(1, 0);
        QVERIFY(!table->cellAt(1, 0)->state().selected);
    }

    // The find bar's results are told to a screen reader: in the names of the labels that show
    // them, and in the description of the box being typed in, which a reader speaks on change.
    void screenReaderHearsTheFindResults_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("heard");
        QTest::newRow("some") << "Part number 1"
                              << "1 part matches";
        QTest::newRow("none") << "zzz"
                              << "No part matches.";
    }
    void screenReaderHearsTheFindResults() {
        QFETCH(QString, typed);
        QFETCH(QString, heard);
        auto s = started(3);
        QApplication::setActiveWindow(s->w.get());
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        auto* bar = s->w->findChild<FindBar*>();
        QVERIFY(bar);
        auto* box = bar->findChild<QLineEdit*>(QStringLiteral("txtFind"));
        QTest::keyClicks(box, typed);
        auto* count = bar->findChild<QLabel*>(QStringLiteral("lblFindCount"));
        auto* note = bar->findChild<QLabel*>(QStringLiteral("lblFindNote"));
        QTRY_VERIFY((count->text() + note->text()).contains(heard));
        const QString said =
            QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
        QVERIFY2(said.contains(heard), qPrintable(said));
        const QString names =
            QAccessible::queryAccessibleInterface(count)->text(QAccessible::Name) +
            QAccessible::queryAccessibleInterface(note)->text(QAccessible::Name);
        QVERIFY2(names.contains(heard), qPrintable(names));
    }

    void gridWidthsAndHighlight() {
        auto s = started(1);
        QTableWidget* g = s->grid();
        QCOMPARE(g->columnCount(), 10);  // every column but Image
        QCOMPARE(s->cell(0, 9), QStringLiteral("CreationDate"));
        const QFontMetrics m(g->font());
        auto expected = [&](const QString& text) {
            return int(std::lround((m.horizontalAdvance(text) * 15 + 320) / 15.0));
        };
        QCOMPARE(g->columnWidth(2),
                 expected(QStringLiteral("Part number 1")));  // value wider than "PartName"
        QCOMPARE(g->columnWidth(5), expected(QStringLiteral("Retail Price")));  // a Null value
        QCOMPARE(s->cell(1, 5), QString());

        s->clickCell(1, 5);
        QCOMPARE(s->cellBack(1, 5), QColor(Qt::yellow));
        QCOMPARE(s->text("lblField"), QStringLiteral("Retail Price"));
        QCOMPARE(s->back("txtField"), QColor(Qt::white));  // browsing: no box highlighted
        s->clickCell(1, 6);
        QCOMPARE(s->cellBack(1, 5), QColor(Qt::white));
        QCOMPARE(s->cellBack(1, 6), QColor(Qt::yellow));
        QCOMPARE(s->text("lblField"), QStringLiteral("Qty In Stock"));
        s->clickCell(1, 6);
        QCOMPARE(s->cellBack(1, 6), QColor(Qt::yellow));
        s->clickCell(1, 9);
        QCOMPARE(s->text("lblField"), QStringLiteral("CreationDate"));
        QCOMPARE(s->text("txtField"), s->cell(1, 9));
        // Column 0: nothing changes but the box colours.
        s->clickCell(1, 0);
        QCOMPARE(s->cellBack(1, 9), QColor(Qt::yellow));
        QCOMPARE(s->text("lblField"), QStringLiteral("CreationDate"));
        // A fixed text column while browsing empties the editor; while editing it takes the user
        // there.
        s->clickCell(1, 2);
        QCOMPARE(s->text("txtField"), QString());
        QCOMPARE(s->back("txtPartName"), QColor(Qt::white));
        s->click("cmdEdit");
        s->clickCell(1, 2);
        QCOMPARE(s->back("txtPartName"), QColor(Qt::yellow));
        QCOMPARE(QApplication::focusWidget(), s->child("txtPartName"));
        s->clickCell(1, 4);
        QCOMPARE(s->back("txtDescription"), QColor(Qt::yellow));
        QCOMPARE(s->back("txtPartName"), QColor(Qt::white));
        QCOMPARE(QApplication::focusWidget(), s->child("txtDescription"));
        s->clickCell(1, 7);
        QCOMPARE(s->back("txtDescription"), QColor(Qt::white));
        QCOMPARE(s->back("txtPartName"), QColor(Qt::white));
        QCOMPARE(s->back("txtField"), QColor(Qt::yellow));
        QCOMPARE(QApplication::focusWidget(), s->child("txtField"));
        // A click on a name in row 0 stands for the value under it.
        s->clickCell(0, 8);
        QCOMPARE(s->text("lblField"), QStringLiteral("Location"));
        QCOMPARE(s->cellBack(1, 8), QColor(Qt::yellow));
        QCOMPARE(s->cell(0, 8), QStringLiteral("Location"));
    }

    void fieldEditorKeys() {
        auto s = started(2);
        auto* editor = s->child<QLineEdit>("txtField");
        s->click("cmdEdit");
        setCell(*s, 8, QStringLiteral("Shelf 1"));
        QCOMPARE(s->cell(1, 8), QStringLiteral("Shelf 1"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(editor->text(), QString());
        QCOMPARE(s->cell(1, 8), QStringLiteral("Shelf 1"));
        QTest::keyClick(editor, Qt::Key_Return);  // empty: nothing written
        QCOMPARE(s->cell(1, 8), QStringLiteral("Shelf 1"));
        QCOMPARE(s->state().session.text(QStringLiteral("Location")), QStringLiteral("Shelf 1"));
        // 64 keys into a column of 50: the first 50 are kept, in order, and saved whole.
        const QString typed = QString(40, QLatin1Char('a')) + QString(24, QLatin1Char('b'));
        QTest::keyClicks(editor, typed);
        QCOMPARE(editor->text(), typed.left(50));
        QTest::keyClick(editor, Qt::Key_Return);
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT Location FROM Parts WHERE PartID = 1"), typed.left(50));

        // Enter in the locked editor while browsing changes nothing.
        s->clickCell(1, 8);
        QVERIFY(editor->isReadOnly());
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!s->state().bRecordChanged);
        s->click("cmdNext");
        QVERIFY(!s->state().bRecordChanged);
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-002"));
        // Show_Field keeps the remembered cell in the editor after the move.
        QCOMPARE(s->text("lblField"), QStringLiteral("Location"));
        QCOMPARE(s->cellBack(1, 8), QColor(Qt::yellow));
    }

    void navigationStates() {
        {
            auto s = started(1);
            s->click("cmdNext");
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
            QVERIFY(!s->enabled("cmdNext") && !s->enabled("cmdLast"));
            QVERIFY(s->enabled("cmdPrevious") && s->enabled("cmdFirst") && s->enabled("cmdEdit"));
            s->click("cmdPrevious");
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
            QVERIFY(!s->enabled("cmdPrevious") && !s->enabled("cmdFirst"));
            QVERIFY(s->enabled("cmdNext") && s->enabled("cmdLast"));
        }
        auto s = started(3);
        // Right after start-up all four are on; Previous on the first record turns its pair off.
        s->click("cmdPrevious");
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        QVERIFY(!s->enabled("cmdPrevious") && !s->enabled("cmdFirst"));
        s->click("cmdNext");
        s->click("cmdNext");
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-003"));
        QVERIFY(s->enabled("cmdNext") && s->enabled("cmdLast"));
        s->click("cmdNext");
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-003"));
        QVERIFY(!s->enabled("cmdNext") && !s->enabled("cmdLast"));
        s->click("cmdFirst");
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        QVERIFY(!s->enabled("cmdPrevious") && !s->enabled("cmdFirst"));
        s->click("cmdLast");
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-003"));
        QVERIFY(!s->enabled("cmdNext") && !s->enabled("cmdLast"));
        QVERIFY(s->enabled("cmdPrevious") && s->enabled("cmdFirst"));
        // Keyboard: the access keys reach the buttons.
        QTest::keyClick(s->w->windowHandle(), Qt::Key_F, Qt::AltModifier);
        QTRY_COMPARE(s->text("txtPartNumber"),
                     QStringLiteral("P-001"));  // a mnemonic clicks after a moment
    }

    void changedRecordIsSavedBeforeAMove() {
        auto s = started(3);
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Changed"));
        s->click("cmdNext");
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Changed"));
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-002"));
        QVERIFY(!s->state().bRecordChanged && !s->state().bEditMode);
        for (const QString& box : kRecordBoxes)
            QVERIFY2(s->locked(qPrintable(box)), qPrintable(box));
        // A refused save stops the move.
        s->click("cmdEdit");
        s->replaceText("txtPartName", QString());
        s->click("cmdLast");
        QCOMPARE(s->platform.messages.back().text,
                 QStringLiteral("Please enter the Part Name before saving the record."));
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-002"));
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts WHERE PartID = 2"),
                 QStringLiteral("Part number 2"));
    }

    void deletingRecords() {
        auto s = started(3);
        s->click("cmdNext");
        // A question naming the part, No the default: a stray double click deletes nothing.
        s->platform.answers = {false, false};
        s->click("cmdDelete");
        s->click("cmdDelete");
        QCOMPARE(s->platform.questions.size(), size_t(2));
        QCOMPARE(s->platform.questions.back().text,
                 QStringLiteral("Delete part P-002, Part number 2?"));
        QVERIFY(!s->platform.questions.back().defaultYes);
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("3"));
        s->platform.answers = {true, true, true};
        s->click("cmdDelete");  // the middle one: the next is shown
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-003"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 2  Records Found"));
        QCOMPARE(stored(*s, "SELECT group_concat(PartNumber) FROM Parts"),
                 QStringLiteral("P-001,P-003"));
        s->click("cmdDelete");  // the last one: the new last is shown
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        s->click("cmdDelete");  // the only one: a new record starts at once
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("0"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 0  Records Found"));
        QVERIFY(s->state().bEditMode);
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        QCOMPARE(s->cell(1, 0), QStringLiteral("4"));  // keys are never reused
        QCOMPARE(s->text("txtPartNumber"), QString());
        for (const QString& box : kRecordBoxes) QVERIFY(!s->locked(qPrintable(box)));
        // Delete (Cancel Add) in the empty table: the message, and the new record stays.
        s->click("cmdDelete");
        QCOMPARE(s->platform.messages.back().text,
                 QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        QVERIFY(s->child<QPushButton>("cmdSelect")->isVisible());
        // It can be filled in and saved.
        s->type("txtPartNumber", QStringLiteral("N-1"));
        s->type("txtPartName", QStringLiteral("First again"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT PartID || PartNumber FROM Parts"), QStringLiteral("4N-1"));
        QCOMPARE(s->text("lblCount"), QStringLiteral(" 1  Records Found"));
    }

    void cancelAdd() {
        auto s = started(2);
        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("Never"));
        s->click("cmdDelete");
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("2"));
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        QVERIFY(s->enabled("cmdAdd") && !s->enabled("cmdSave"));
        QVERIFY(s->text("txtPartNumber").startsWith(QStringLiteral("P-")));
        QVERIFY(!s->state().bRecordChanged && !s->state().bEditMode);
    }

    void closeWithUnsavedChanges() {
        auto s = started(1);
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Saved on close"));
        s->platform.answers = {false};
        s->click("cmdClose");
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts"), QStringLiteral("Saved on close"));
        QCOMPARE(s->platform.questions.size(), size_t(1));
        QVERIFY(!s->platform.ended && !s->state().bEditMode && !s->state().bRecordChanged);
        QVERIFY(s->locked("txtPartName"));
        // A save that is refused says so and asks whether to quit without it; the default
        // answer keeps the window open with the record as typed.
        s->click("cmdEdit");
        s->replaceText("txtPartNumber", QString());
        s->replaceText("txtPartName", QStringLiteral("Kept on screen"));
        s->platform.answers = {false};
        s->click("cmdClose");
        QCOMPARE(s->platform.messages.back().text,
                 QStringLiteral("Please enter the Part Number before saving the record."));
        QCOMPARE(s->platform.questions.size(), size_t(2));
        QCOMPARE(s->platform.questions.back().text,
                 QStringLiteral("The record was not saved.\r\n\r\nQuit without saving it?"));
        QVERIFY(!s->platform.questions.back().defaultYes);
        QVERIFY(!s->platform.ended);
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Kept on screen"));
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts"), QStringLiteral("Saved on close"));
        // Yes quits without the record.
        s->platform.answers = {true};
        s->click("cmdClose");
        QVERIFY(s->platform.ended);
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts"), QStringLiteral("Saved on close"));
    }

    void firstRecordOfAnEmptyTableIsSavedOnClose() {
        auto s = std::make_unique<Session>();
        s->folder.makeDatabase();
        s->folder.writeLogo();
        QVERIFY(s->start());
        s->w->show();
        s->type("txtPartNumber", QStringLiteral("F-1"));
        s->type("txtPartName", QStringLiteral("Typed into an empty table"));
        s->platform.answers = {true};
        s->click("cmdClose");
        QVERIFY(s->platform.ended);
        QCOMPARE(stored(*s, "SELECT PartNumber FROM Parts"), QStringLiteral("F-1"));
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
