// The database chooser: its tree, the table preview with pictures, Browse, OK and Cancel,
// and the main window after each way of closing it.

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include "Catalog.h"
#include "ChooserSession.h"
#include "Connection.h"
#include "Control.h"
#include "PartsLayout.h"
#include "Recordset.h"
#include "Session.h"
#include "Value.h"
#include "frmOpenDb.h"

namespace {

const QString kOdd = QStringLiteral("Old \"Stock\" [2019] List");
const QString kOpen = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

// Parts (3 rows: blue, none, green pictures, and a row 4 in yellow), Suppliers (second column
// "Part Number"), "Lower" (second column "partnumber"), an odd-named parts table with two
// pictured rows, and an empty parts table Archive.
QString makeCatalogue(ProgramFolder& folder, const QString& file = QStringLiteral("Shop.mdb")) {
    const QString db = folder.makeDatabase(file, QStringLiteral("Parts"), {1, 13});
    addPart(db, "Parts",
            {{"PartNumber", "A-1"},
             {"PartName", "Anchor bolt, galvanised, long shank"},
             {"Image", pictureBytes("png", 20, 20, Qt::blue)}});
    addPart(db, "Parts", {{"PartNumber", "A-2"}, {"PartName", "Nut"}});
    addPart(db, "Parts",
            {{"PartNumber", "A-3"},
             {"PartName", "Clamp"},
             {"Image", pictureBytes("bmp", 20, 20, Qt::green)}});
    addPart(db, "Parts",
            {{"PartNumber", "A-4"},
             {"PartName", "Hook"},
             {"Image", pictureBytes("jpg", 20, 20, Qt::yellow)}});
    store::Catalog cat;
    cat.setActiveConnection(kOpen + db);
    for (const auto& [name, second] :
         {std::pair{"Suppliers", "Part Number"}, std::pair{"Lower", "partnumber"}}) {
        store::Table t(QString::fromLatin1(name));
        t.appendColumn(QStringLiteral("ID"), store::adInteger);
        t.appendColumn(QString::fromLatin1(second), store::adVarWChar, 50);
        t.appendColumn(QStringLiteral("City"), store::adVarWChar, 50);
        cat.appendTable(t);
    }
    store::parts::createPartsTable(cat, kOdd, {});
    store::parts::createPartsTable(cat, QStringLiteral("Archive"), {4});
    cat.ActiveConnection().Close();
    addPart(db, kOdd,
            {{"PartNumber", "O-1"},
             {"PartName", "Old one"},
             {"Image", pictureBytes("png", 20, 20, Qt::red)}});
    addPart(db, kOdd,
            {{"PartNumber", "O-2"},
             {"PartName", "Old two"},
             {"Image", pictureBytes("png", 20, 20, Qt::magenta)}});
    return db;
}

// Each column's width in pixels as the grid should draw it: every value of the table written out
// and measured, the field name too; long fields left out.
QList<int> everyValueMeasured(const QString& db, const QString& table, const QFont& font) {
    store::Connection cn;
    cn.Open(kOpen + db);
    auto rs = cn.Execute(QStringLiteral("SELECT * FROM ") + store::quoteIdentifier(table));
    const QFontMetricsF metrics(font);
    auto twips = [&](const QString& text) { return float(metrics.horizontalAdvance(text) * 15); };
    std::vector<float> widest;
    for (int i = 0; i < rs->fields().Count(); ++i) widest.push_back(twips(rs->fields()[i].Name()));
    while (!rs->EOF_()) {
        for (int i = 0; i < rs->fields().Count(); ++i) {
            const QVariant value = rs->fields()[i].Value();
            if (rs->fields()[i].Attributes() < 200 && !value.isNull())
                widest[size_t(i)] = std::max(widest[size_t(i)], twips(store::valueText(value)));
        }
        rs->MoveNext();
    }
    QList<int> pixels;
    for (float w : widest) pixels << int(std::lround(std::nearbyint(double(w) + 240) / 15.0));
    return pixels;
}

// Tables of 1,500 rows whose widest values lie in the middle, away from the ends and each in a row
// of its own, with texts of every kind, numbers stored as fractions where whole ones belong, dates
// of every length.
QString makeVariedCatalogue(ProgramFolder& folder) {
    const QString db = folder.makeDatabase(QStringLiteral("Widths.mdb"), QStringLiteral("Parts"),
                                           {1, 4, 7, 11, 13, 14, 17});
    sqliteShell(
        db, QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                "INSERT INTO Parts (PartNumber, PartName, Category, Description, \"Retail Price\", "
                "\"Qty In Stock\", Height, Color, Location, \"Manufacturer Name\", \"Manufacturer "
                "Price\", "
                "CreationDate) SELECT printf('P-%04d', i), 'Hex bolt', 'Bolts', "
                "'iiiiiiiiiiiiiiiiiiiiiiii', "
                "10000 + i % 90000, i % 100, (i % 8) * 0.25, CASE WHEN i % 2 THEN 'Red' ELSE "
                "'Blue' END, "
                "'Shelf 1', 'Acme', 1250000, '2026-03-02 09:15:00' FROM n"));
    const char* widest[] = {
        "UPDATE Parts SET PartNumber = 'P-WWWWWWWW' WHERE PartID = 700",
        "UPDATE Parts SET PartName = '螺栓螺母螺栓螺母' WHERE PartID = 701",
        "UPDATE Parts SET Category = 'WWWWWWWW' WHERE PartID = 702",
        "UPDATE Parts SET Description = 'Ærø Ünïcødé ÆÆÆ' WHERE PartID = 703",
        "UPDATE Parts SET Color = 'Red' || char(9) || 'and blue' WHERE PartID = 704",
        "UPDATE Parts SET \"Retail Price\" = 99999998.5 WHERE PartID = 705",  // a fraction where
                                                                              // cents are kept
                                                                              // whole
        "UPDATE Parts SET \"Qty In Stock\" = 'not counted' WHERE PartID = 706",
        "UPDATE Parts SET Height = 123.125 WHERE PartID = 707",
        "UPDATE Parts SET Location = 'e' || char(769, 101, 769, 101, 769, 101, 769, 101, 769, 101, "
        "769, 101, 769, "
        "101, 769, 101, 769, 101, 769, 101, 769) WHERE PartID = 708",
        "UPDATE Parts SET \"Manufacturer Name\" = '🔩🔩🔩🔩🔩🔩🔩🔩' WHERE PartID = 709",
        "UPDATE Parts SET \"Manufacturer Price\" = -987654321098765 WHERE PartID = 710",
        "UPDATE Parts SET CreationDate = '2025-12-28 23:59:58' WHERE PartID = 711",
        "UPDATE Parts SET \"Qty In Stock\" = 1234.5 WHERE PartID = 712",
        "UPDATE Parts SET Height = 1.0000001 WHERE PartID = 713",  // between the quarters
        // Unique dates, minutes apart; the widest, with two-digit month, day and hour, in the
        // middle.
        "CREATE TABLE Dated (ID INTEGER PRIMARY KEY, Stamp DATETIME, Amount CURRENCY)",
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) INSERT "
        "INTO Dated "
        "SELECT i, strftime('%Y-%m-%d %H:%M:%S', '2026-01-01', '+' || (i * 97) || ' minutes'), i * "
        "12345 FROM n",
        "UPDATE Dated SET Stamp = '2026-12-22 22:22:00', Amount = 12345678 WHERE ID = 750",
        "UPDATE Dated SET Stamp = '2026-01-05 00:00:00' WHERE ID = 751",
        // Texts equal without regard to case, and fractions of a real column.
        "CREATE TABLE Labels (ID INTEGER PRIMARY KEY, Label VARCHAR(20) COLLATE NOCASE, Size "
        "DOUBLE)",
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) INSERT "
        "INTO Labels "
        "SELECT i, 'www', (i % 8) * 0.5 FROM n",
        "UPDATE Labels SET Size = 7777.5 WHERE ID = 700",
        "UPDATE Labels SET Label = 'WWW' WHERE ID = 702",
        "UPDATE Labels SET Size = 0.1 WHERE ID = 701",
        // Rows without keys.
        "CREATE TABLE Loose (Code TEXT PRIMARY KEY, Amount CURRENCY) WITHOUT ROWID",
        "INSERT INTO Loose VALUES ('A', 10000), ('iiiiiiiiiiii', -123456789), ('WWWW', 5)",
    };
    for (const char* sql : widest) sqliteShell(db, QString::fromUtf8(sql));
    // More columns than SQLite returns from one statement four times over.
    QStringList columns, values;
    for (int i = 1; i <= 510; ++i) {
        columns << QStringLiteral("c%1 VARCHAR(20)").arg(i);
        values << QStringLiteral("'i'");
    }
    sqliteShell(db, QStringLiteral("CREATE TABLE Wide (%1)").arg(columns.join(',')));
    sqliteShell(db,
                QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
                    "INSERT INTO Wide SELECT %1 FROM n")
                    .arg(values.join(',')));
    sqliteShell(db, QStringLiteral("UPDATE Wide SET c255 = 'WWWWWWWW' WHERE rowid = 300"));
    return db;
}

struct Chooser : ChooserSession {
    explicit Chooser(bool withPath = true) {
        db = makeCatalogue(folder);
        open(withPath ? db : QString());
    }
    bool pictureShown() const { return !picture().isNull(); }
    QColor pictureColour() const { return picture().toImage().pixelColor(10, 10); }
};

// Browses to `file` in the chooser, previews `table` and presses OK.
void browseAndTake(frmOpenDb* chooser, const QString& file, const QString& table) {
    auto* platform = static_cast<ScriptedPlatform*>(&Platform::instance());
    platform->fileChoices = {file};
    QTest::mouseClick(chooser->findChild<QPushButton*>("cmdBrowse"), Qt::LeftButton);
    auto* tree = chooser->findChild<QTreeWidget*>("trvData");
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == table)
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(tree->topLevelItem(i)).center());
    QTest::mouseClick(chooser->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
}

}  // namespace

class ChooserTest : public QObject {
    Q_OBJECT

private slots:
    // Tab leaves the preview (the arrows move in it); every button has an access key of its own.
    void theKeyboardLeavesThePreviewAndReachesEveryButton() {
        ChooserSession c;
        c.db = c.folder.makeDatabase();
        addParts(c.db, QStringLiteral("Parts"), 3);
        c.open(c.db);
        c.preview(QStringLiteral("Parts"));
        c.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(c.window.get()));
        c.grid()->setFocus();
        QTest::keyClick(c.grid(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() != c.grid(), "Tab stayed in the preview");
        QCOMPARE(accessKeyProblems(c.window.get(), {QStringLiteral("cmd"), QStringLiteral("chk")}),
                 QStringList());
    }

    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void treeOfTablesAndColumns() {
        Chooser c;
        QCOMPARE(c.window->windowTitle(), QStringLiteral("Select Existing Parts Database"));
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), c.db);
        QCOMPARE(c.tables(), (QStringList{"Parts", "Suppliers", "Lower", kOdd, "Archive"}));
        QTreeWidgetItem* parts = c.node("Parts");
        QCOMPARE(parts->data(0, Qt::UserRole).toString(), QStringLiteral("Table"));
        // Column nodes are there at once, in table order, filled once.
        QStringList columns;
        for (int i = 0; i < parts->childCount(); ++i) {
            columns << parts->child(i)->text(0);
            QCOMPARE(parts->child(i)->data(0, Qt::UserRole).toString(), QStringLiteral("Column"));
            QCOMPARE(parts->child(i)->childCount(), 0);
        }
        QCOMPARE(columns,
                 (QStringList{"PartID", "PartNumber", "PartName", "Category", "Description",
                              "Retail Price", "Location", "CreationDate", "Image"}));
        QCOMPARE(c.node("Suppliers")->childCount(), 3);
        // Nothing is previewed yet: OK gives no choice.
        QVERIFY(c.cell(0, 1).isEmpty());
        c.click("cmdOK");
        QCOMPARE(c.window->databasePath(), QString());
    }

    void loadedWithoutAPath() {
        Chooser c(false);
        QCOMPARE(c.tree()->topLevelItemCount(), 0);
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), QString());
        QCOMPARE(c.window->databasePath(), c.folder.path());
        c.click("cmdOK");
        QCOMPARE(c.window->databasePath(), QString());
    }

    // Enter neither accepts nor leaves; a double-click on a row is one click; a file whose
    // name holds ';' or quotes is the file previewed.
    void keysClicksAndOddFileNames() {
        frmOpenDb::lLastRow = 0;
        Chooser c;
        for (QPushButton* b : c.window->findChildren<QPushButton*>())
            QVERIFY(!b->isDefault() && !b->autoDefault());
        c.preview(QStringLiteral("Parts"));
        c.grid()->setFocus();
        QTest::keyClick(c.grid(), Qt::Key_Down);
        QTest::keyClick(c.grid(), Qt::Key_Return);
        QVERIFY(c.window->isVisible());
        QCOMPARE(c.window->result(), 0);

        const QModelIndex third = c.grid()->model()->index(3, 0);
        // As a mouse sends it: a click, then the second press as a double-click, then its release.
        const QPoint at = c.grid()->visualRect(third).center();
        QTest::mouseClick(c.grid()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(c.grid()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(c.grid()->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(c.pictureShown());
        QCOMPARE(c.pictureColour(), QColor(Qt::green));

        QDir().mkpath(c.folder.file(QStringLiteral("semi;dir")));
        const QString odd = c.folder.file(QStringLiteral("semi;dir/evil;x \"q\".mdb"));
        c.folder.makeDatabase(QStringLiteral("semi;dir/evil;x \"q\".mdb"),
                              QStringLiteral("Odd Parts"), {});
        writeFile(c.folder.file(QStringLiteral("semi;dir/evil")), QByteArray("not this one"));
        c.browse(odd);
        QVERIFY(c.platform.warnings.empty());
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), odd);
        QCOMPARE(c.tables(), QStringList{QStringLiteral("Odd Parts")});
    }

    void previewOfAWholeTable() {
        Chooser c;
        c.preview(QStringLiteral("Parts"));
        QCOMPARE(c.child<QLabel>("lblCount")->text(), QStringLiteral("Records in Table: Parts"));
        QCOMPARE(c.child<QLineEdit>("txtCount")->text(), QStringLiteral("4"));
        QCOMPARE(c.window->tableName(), QStringLiteral("Parts"));
        QTableView* g = c.grid();
        QCOMPARE(c.rows(), 5);
        QCOMPARE(g->model()->columnCount(), 9);
        QCOMPARE(c.cell(0, 1), QStringLiteral("PartNumber"));
        QCOMPARE(c.cell(1, 1), QStringLiteral("A-1"));
        QCOMPARE(c.cell(2, 3), QStringLiteral(" "));  // Null
        QCOMPARE(c.cell(1, 8), QStringLiteral("(picture, %1 bytes)")
                                   .arg(pictureBytes("png", 20, 20, Qt::blue).size()));
        QCOMPARE(c.cell(2, 8), QStringLiteral(" "));
        const QFontMetricsF m(g->font());
        auto width = [&](const QString& t) {
            return int(std::lround(std::nearbyint(m.horizontalAdvance(t) * 15 + 240) / 15.0));
        };
        QCOMPARE(g->columnWidth(2), width(QStringLiteral("Anchor bolt, galvanised, long shank")));
        QCOMPARE(g->columnWidth(3), width(QStringLiteral("Category")));  // only Nulls below it
        QCOMPARE(g->columnWidth(8), width(QStringLiteral("Image")));     // pictures never widen
        // The empty table: the header alone.
        c.preview(QStringLiteral("Archive"));
        QCOMPARE(c.rows(), 1);
        QCOMPARE(c.child<QLineEdit>("txtCount")->text(), QStringLiteral("0"));
        QCOMPARE(g->columnWidth(5), width(QStringLiteral("Qty In Stock")));
        // A column node changes nothing.
        c.clickNode(c.node("Parts")->child(0));
        QCOMPARE(c.window->tableName(), QStringLiteral("Archive"));
        // The odd name previews like any other and is accepted.
        c.preview(kOdd);
        QCOMPARE(c.child<QLineEdit>("txtCount")->text(), QStringLiteral("2"));
        c.click("cmdOK");
        QCOMPARE(c.window->databasePath(), c.db);
        QCOMPARE(c.window->tableName(), kOdd);
    }

    void columnWidthsAsEveryValueMeasured() {
        Chooser c;
        const QString db = makeVariedCatalogue(c.folder);
        c.browse(db);
        QCOMPARE(c.tables(), (QStringList{"Parts", "Dated", "Labels", "Loose", "Wide"}));
        for (const QString& table : c.tables()) {
            c.preview(table);
            QCOMPARE(c.child<QLineEdit>("txtCount")->text(),
                     sqliteShell(db, QStringLiteral("SELECT count(*) FROM ") +
                                         store::quoteIdentifier(table)));
            const QList<int> expected = everyValueMeasured(db, table, c.grid()->font());
            QCOMPARE(c.grid()->model()->columnCount(), expected.size());
            for (int i = 0; i < expected.size(); ++i)
                QVERIFY2(c.grid()->columnWidth(i) == expected[i],
                         qPrintable(QStringLiteral("%1.%2: %3 pixels, not %4")
                                        .arg(table, c.cell(0, i))
                                        .arg(c.grid()->columnWidth(i))
                                        .arg(expected[i])));
        }
        QVERIFY(c.platform.warnings.empty());
    }

    void okTakesOnlyPartsTables_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("PartNumber") << "Parts" << true;
        QTest::newRow("empty parts table") << "Archive" << true;
        QTest::newRow("Part Number") << "Suppliers" << false;
        QTest::newRow("partnumber") << "Lower" << false;
    }

    void okTakesOnlyPartsTables() {
        QFETCH(QString, table);
        QFETCH(bool, accepted);
        Chooser c;
        c.preview(table);
        c.click("cmdOK");
        QCOMPARE(c.window->databasePath(), accepted ? c.db : QString());
        QCOMPARE(c.window->tableName(), table);  // set by the preview either way
        QVERIFY(!c.window->isVisible());
    }

    void browse() {
        Chooser c;
        c.preview(QStringLiteral("Parts"));
        // Cancelled: the cells are blanked, the tree stays, OK is refused.
        c.browse(QString());
        QCOMPARE(c.cell(0, 1), QString());
        QCOMPARE(c.rows(), 5);
        QCOMPARE(c.tables().size(), 5);
        // The same path: nothing is opened again.
        store::Connection* before = c.window->cnDatabase.get();
        c.browse(c.db);
        QCOMPARE(c.window->cnDatabase.get(), before);
        // Another extension is ignored without a word.
        const QString other = makeCatalogue(c.folder, QStringLiteral("Other.MDB"));
        QFile::copy(other, c.folder.file("Other.mdbx"));
        c.browse(c.folder.file("Other.mdbx"));
        QCOMPARE(c.window->databasePath(), c.db);
        QVERIFY(c.platform.warnings.empty());
        // Not a database: reported, and the chooser stays on what it showed.
        writeFile(c.folder.file("junk.mdb"), "not a database at all");
        c.browse(c.folder.file("junk.mdb"));
        QCOMPARE(c.platform.warnings.size(), size_t(1));
        QVERIFY(c.platform.warnings[0].text.startsWith(QStringLiteral("Unexpected Error: ")));
        QVERIFY(c.platform.warnings[0].text.contains(QStringLiteral("junk.mdb")));
        QCOMPARE(c.window->databasePath(), c.db);
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), c.db);
        QCOMPARE(c.tables().size(), 5);
        c.preview(QStringLiteral("Parts"));  // still usable
        QCOMPARE(c.cell(1, 1), QStringLiteral("A-1"));
        // Upper-case extension: accepted and opened.
        c.browse(other);
        QCOMPARE(c.window->databasePath(), other);
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), other);
        QCOMPARE(c.cell(0, 1), QString());
        c.click("cmdOK");  // nothing previewed in the new file
        QCOMPARE(c.window->databasePath(), QString());
    }

    void previewThatFails() {
        Chooser c;
        c.preview(QStringLiteral("Parts"));
        sqliteShell(c.db, "DROP TABLE Lower");  // gone since the tree was read
        c.preview(QStringLiteral("Lower"));
        QCOMPARE(c.platform.warnings.size(), size_t(1));
        QVERIFY(c.platform.warnings[0].text.startsWith(QStringLiteral("Unexpected Error: ")));
        QCOMPARE(c.cell(0, 1), QString());
        c.click("cmdOK");
        QCOMPARE(c.window->databasePath(), QString());
    }

    void picturePreview() {
        frmOpenDb::lLastRow = 0;
        Chooser c;
        c.preview(QStringLiteral("Parts"));
        c.clickRow(3);
        QVERIFY(c.pictureShown());
        QCOMPARE(c.pictureColour(), QColor(Qt::green));
        c.clickRow(3);  // the same row again: emptied
        QVERIFY(!c.pictureShown());
        c.clickRow(4);
        QVERIFY(c.pictureColour().red() > 200 && c.pictureColour().blue() < 60);  // yellow JPEG
        c.clickRow(3);
        QCOMPARE(c.pictureColour(), QColor(Qt::green));
        c.clickRow(2);  // no picture in that row
        QVERIFY(!c.pictureShown());
        QVERIFY(!QFile::exists(c.folder.file("ok.jpg")));
        // The last row carries over to the next preview.
        c.preview(kOdd);
        c.clickRow(2);
        QVERIFY(!c.pictureShown());
        c.clickRow(1);
        QCOMPARE(c.pictureColour(), QColor(Qt::red));
        // A table without an Image column never shows one.
        c.preview(QStringLiteral("Suppliers"));
        QVERIFY(!c.window->bHasImage);
    }

    void cancelAndCloseBox() {
        {
            Chooser c;
            c.preview(QStringLiteral("Parts"));
            c.click("cmdCancel");
            QCOMPARE(c.window->databasePath(), QString());
            QCOMPARE(c.window->tableName(), QStringLiteral("Parts"));
        }
        Chooser c;
        c.preview(QStringLiteral("Parts"));
        c.window->close();
        QCOMPARE(c.window->databasePath(), QString());
        QVERIFY(!c.window->cnDatabase);
    }

    void mainWindowAfterTheChooser() {
        Session s;
        s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(s.db(), QStringLiteral("Parts"), 2);
        const QString shop = makeCatalogue(s.folder);
        QVERIFY(s.start());
        s.w->show();
        onModal([shop](QDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Select Existing Parts Database"));
            browseAndTake(static_cast<frmOpenDb*>(d), shop, kOdd);
        });
        s.click("cmdOpen");
        QVERIFY(s.platform.reports.empty());
        QCOMPARE(s.text("txtDatabase"), shop);
        QCOMPARE(s.text("txtTable"), kOdd);
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 2  Records Found"));
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("O-1"));
        QVERIFY(!s.state().bRecordChanged);
        // Edits go to that table.
        s.click("cmdNext");
        s.click("cmdEdit");
        s.replaceText("txtPartName", QStringLiteral("Renamed old two"));
        s.click("cmdSave");
        QCOMPARE(
            sqliteShell(shop, QStringLiteral("SELECT PartName FROM \"%1\" WHERE PartNumber = 'O-2'")
                                  .arg(QString(kOdd).replace("\"", "\"\""))),
            QStringLiteral("Renamed old two"));
        // Cancel and the close box both bring back the default database.
        onModal([](QDialog* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        });
        s.click("cmdOpen");
        QCOMPARE(s.text("txtDatabase"), s.db());
        QCOMPARE(s.text("txtTable"), QStringLiteral("Parts"));
        onModal([](QDialog* d) { d->close(); });
        s.click("cmdOpen");
        QCOMPARE(s.text("txtDatabase"), s.db());
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("P-001"));
    }
};

QTEST_MAIN(ChooserTest)
#include "tst_chooser.moc"
