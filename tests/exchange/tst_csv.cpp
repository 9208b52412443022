// Tables out to CSV with their pictures and parts in from CSV, from the chooser's buttons and
// from the command line: exact round trips, the files spreadsheets write, refused rows, cancel.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ChooserSession.h"
#include "Control.h"
#include "Session.h"
#include "frmOpenDb.h"

namespace {

const QString kAllColumns = QStringLiteral("SELECT * FROM Parts ORDER BY PartID");

// Every value of a table as the sqlite3 shell quotes it: texts in quotes, NULL, blobs in hex.
QString dump(const QString& db, const QString& sql = kAllColumns) {
    return QString::fromUtf8(
               runProgram(QStringLiteral("sqlite3"), {QStringLiteral("-quote"), db, sql}).out)
        .trimmed();
}

QString longText(int n) {
    return QString(n, QLatin1Char('x'));
}

std::vector<int> allBoxes() {
    std::vector<int> boxes;
    for (int b = 1; b <= 25; ++b) boxes.push_back(b);
    return boxes;
}

// Values that a careless writer or reader would change: money to the ten-thousandth, singles
// at their limits, Null beside empty text, separators, quotes, line breaks, other scripts.
QString makeAwkwardCatalogue(ProgramFolder& folder) {
    const QString db =
        folder.makeDatabase(QStringLiteral("Shop.mdb"), QStringLiteral("Parts"), allBoxes());
    addPart(db, "Parts",
            {{"PartNumber", "Q-1"},
             {"PartName", "Hex bolt, \"heavy\", M8"},
             {"Category", QString::fromUtf8("Zahnräder ÄÖÜ ß €")},
             {"Description", "line one\nline two, with a comma"},
             {"Retail Price", "12.3456"},
             {"Wholesale Price", "-0.0001"},
             {"Build Cost", "922337203685.4775"},
             {"Qty In Stock", 2147483647},
             {"Qty On Order", -2147483647 - 1},
             {"Height", QVariant::fromValue(0.1f)},
             {"Width", QVariant::fromValue(3.4028235e38f)},
             {"Length", QVariant::fromValue(1e-7f)},
             {"Weight", QVariant::fromValue(16777216.0f)},
             {"Color", ""},
             {"CreationDate", QDateTime(QDate(2026, 2, 28), QTime(23, 59, 58))},
             {"Image", pictureBytes("jpg", 20, 20, Qt::blue)}});
    addPart(db, "Parts",
            {{"PartNumber", "Q-2"},
             {"PartName", "Nothing else"},
             {"CreationDate", QDateTime(QDate(1999, 12, 31), QTime(0, 0))},
             {"Image", pictureBytes("bmp", 20, 20, Qt::green)}});
    addPart(db, "Parts",
            {{"PartNumber", " lead"},
             {"PartName", "trail "},
             {"Location", "a;b"},
             {"Description", "tab\there\r\nand CRLF"},
             {"Supplier 1 Name", "\"\""},
             {"Image", pictureBytes("png", 20, 20, Qt::red)}});
    addPart(db, "Parts",
            {{"PartNumber", "Q-4"},
             {"PartName", QString::fromUtf8("日本語 テキスト")},
             {"Image", pictureBytes("ico", 16, 16, Qt::yellow)}});
    // Texts a spreadsheet would run, the largest key and amounts the store holds.
    sqliteShell(db, QStringLiteral("INSERT INTO Parts (PartID, PartNumber, PartName, Color, "
                                   "Material, \"Retail Price\", \"Wholesale Price\") VALUES "
                                   "(2147483648, '=1+2', '''-x', '@SUM(A1)', '''''+y', "
                                   "9223372036854775807, -9223372036854775808)"));
    return db;
}

struct Chooser : ChooserSession {
    explicit Chooser(const QString& database) {
        db = database;
        show();
    }
    explicit Chooser(int parts) {
        db = folder.makeDatabase(QStringLiteral("Shop.mdb"), QStringLiteral("Parts"),
                                 {1, 4, 10, 13});
        if (parts > 0) addParts(db, QStringLiteral("Parts"), parts);
        show();
    }
    void show() {
        open(db);
        preview(QStringLiteral("Parts"));
    }
    void exportTo(const QString& file) {
        platform.fileChoices = {file};
        click("cmdExportCsv");
    }
    void importFrom(const QString& file) {
        platform.fileChoices = {file};
        click("cmdImportCsv");
    }
    int previewRows() const { return rows() - 1; }
    QString lastMessage() const {
        return platform.messages.empty() ? QString() : platform.messages.back().text;
    }
    QString lastReport() const {
        return platform.reports.empty() ? QString() : platform.reports.back().description;
    }
};

// Runs `script` on the modal window named `name` as soon as it is up.
QPointer<QTimer> whenUp(const QString& name, std::function<void(QWidget*)> script) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, script] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->objectName() != name || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        script(w);
    });
    timer->start();
    return timer;
}

// What the refused-rows window lists, one "line|column|value|reason" per row, and which button ends
// it.
struct RefusedRows {
    QStringList rows;
    QString summary;
    bool newKeysOffered = false;
};
QPointer<QTimer> answerRefusedRows(RefusedRows& seen, const char* button,
                                   std::function<void()> then = {}) {
    return whenUp(QStringLiteral("dlgRefusedRows"), [&seen, button, then](QWidget* w) {
        auto* table = w->findChild<QTableWidget*>(QStringLiteral("tblRefused"));
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 4; ++c) cells << table->item(r, c)->text();
            seen.rows << cells.join(QLatin1Char('|'));
        }
        seen.summary = w->findChild<QLabel*>(QStringLiteral("lblSummary"))->text();
        seen.newKeysOffered = w->findChild<QPushButton*>(QStringLiteral("cmdNewKeys")) != nullptr;
        auto* b = w->findChild<QPushButton*>(QLatin1String(button));
        if (!b || !b->isEnabled()) {
            qWarning("no enabled button %s", button);
            b = w->findChild<QPushButton*>(QStringLiteral("cmdImportNothing"));
        }
        // The next window is awaited before this one goes.
        if (then) then();
        QTest::mouseClick(b, Qt::LeftButton);
    });
}

// Presses Cancel in the progress dialog once `rows` rows are done.
void cancelProgressAfter(int rows, bool& pressed) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, rows, &pressed] {
        auto* w = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        const QString label = w->labelText();
        const qint64 done = QLocale().toLongLong(label.section(QLatin1Char(' '), 1, 1));
        if (done < rows) return;
        timer->stop();
        timer->deleteLater();
        QTest::mouseClick(w->findChild<QPushButton*>(), Qt::LeftButton);
        pressed = true;
    });
    timer->start();
}

// `count` parts added straight through the shell, each with a Retail Price.
void addManyParts(const QString& db, int count) {
    sqliteShell(db,
                QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO Parts (PartNumber, PartName, \"Retail Price\") "
                    "SELECT 'M-' || i, 'Many ' || i, i * 10000 FROM n")
                    .arg(count));
}

QByteArray run(const QStringList& args, int& exitCode, QByteArray* errors = nullptr) {
    const ProgramRun r = runProgram(QStringLiteral(COGWRIGHT_BIN), args);
    exitCode = r.code;
    if (errors) *errors = r.err;
    return r.out;
}

// The program without a window, in `folder`, with the environment's additions; `shell` is a
// shell line run first, for limits set with ulimit.
using Run = ProgramRun;
Run runIn(const QString& folder, const QStringList& args, const QStringList& env = {},
          const QString& shell = QString()) {
    if (shell.isEmpty()) return runProgram(QStringLiteral(COGWRIGHT_BIN), args, folder, env);
    return runProgram(QStringLiteral("bash"),
                      QStringList{"-c", shell + QStringLiteral(" exec \"$@\""), "sh",
                                  QStringLiteral(COGWRIGHT_BIN)} +
                          args,
                      folder, env);
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

}  // namespace

class CsvTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void everyValueAndPictureRoundTrips_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }

    void everyValueAndPictureRoundTrips() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        ProgramFolder data;
        Chooser c(makeAwkwardCatalogue(data));
        QVERIFY(c.enabled("cmdExportCsv") && c.enabled("cmdImportCsv"));
        const QString before = dump(c.db);
        const QString csv = c.folder.file(QStringLiteral("parts out.csv"));
        c.exportTo(csv);
        QVERIFY2(c.lastMessage().contains(QStringLiteral("5 rows")), qPrintable(c.lastMessage()));
        QCOMPARE(c.platform.fileDialogs.back().caption, QStringLiteral("Export to CSV"));

        // The file as other programs read it.
        const QByteArray bytes = readFile(csv);
        QVERIFY(bytes.startsWith("PartID,PartNumber,PartName,Category,Description,Retail Price,"));
        QVERIFY(bytes.contains("\"Hex bolt, \"\"heavy\"\", M8\""));
        QVERIFY(bytes.contains("\"line one\nline two, with a comma\""));
        QVERIFY(bytes.contains(
            ",12.3456,-0.0001,922337203685.4775,2147483647,-2147483648,,0.1,3.4028235e+38,1e-07,"
            "16777216,\"\","));
        QVERIFY(bytes.contains(",2026-02-28 23:59:58,parts out_pictures/1.jpg\r\n"));
        QVERIFY(bytes.contains(QString::fromUtf8("日本語 テキスト").toUtf8()));
        // Formulas kept from running: one quote more where a sign follows quotes.
        QVERIFY2(bytes.contains("\r\n2147483648,'=1+2,''-x,,,922337203685477.5807,"
                                "-922337203685477.5808,"),
                 bytes.constData());
        QVERIFY(bytes.contains(",'@SUM(A1),'''+y,"));
        const QDir pictures(c.folder.file(QStringLiteral("parts out_pictures")));
        QCOMPARE(pictures.entryList(QDir::Files),
                 (QStringList{"1.jpg", "2.bmp", "3.png", "4.ico"}));
        QCOMPARE(readFile(pictures.filePath("3.png")), pictureBytes("png", 20, 20, Qt::red));

        // Into the emptied table again: every value and every picture byte as it was.
        sqliteShell(c.db, QStringLiteral("DELETE FROM Parts"));
        c.preview(QStringLiteral("Parts"));
        QCOMPARE(c.previewRows(), 0);
        // Anything refused would be a fault of the round trip: shown, not waited on.
        RefusedRows refused;
        QPointer<QTimer> watch = answerRefusedRows(refused, "cmdImportNothing");
        c.importFrom(csv);
        delete watch.data();
        QVERIFY2(refused.rows.isEmpty(), qPrintable(refused.rows.join(QLatin1Char('\n'))));
        QVERIFY2(c.lastMessage().startsWith(QStringLiteral("5 parts were imported")),
                 qPrintable(c.lastMessage()));
        QVERIFY(c.platform.reports.empty());
        QCOMPARE(dump(c.db), before);
        QCOMPARE(c.previewRows(), 5);
        QCOMPARE(dump(c.db, "SELECT typeof(Color), typeof(Material) FROM Parts WHERE PartID = 1"),
                 QStringLiteral("'text','null'"));
    }

    void spreadsheetFilesAreRead() {
        // A German spreadsheet's CSV: byte-order mark, semicolons, CRLF, decimal commas.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Chooser c(0);
        const QString csv =
            writeFile(c.folder.file(QStringLiteral("Tabelle.csv")),
                      "\xEF\xBB\xBFpartnumber;PartName;Retail Price;Weight;Qty In "
                      "Stock;Location;CreationDate\r\n"
                      "S-1;\"Mutter; M8\";12,50;1,5;1000;\"Regal\r\noben\";2026-05-01 10:00:00\r\n"
                      "S-2;Scheibe;3.75;0,25;7;;\r\n"
                      "\r\n"
                      "S-3;\"Gr\xC3\xB6\xC3\x9F"
                      "e \"\"XL\"\"\";-0,0001;2;0;\"\";\r\n");
        c.importFrom(csv);
        QVERIFY2(c.lastMessage().startsWith(QStringLiteral("3 parts were imported")),
                 qPrintable(c.lastMessage()));
        QCOMPARE(dump(c.db,
                      "SELECT PartNumber, PartName, \"Retail Price\", Weight, \"Qty In Stock\", "
                      "Location, "
                      "CreationDate FROM Parts ORDER BY PartID"),
                 QString::fromUtf8(
                     "'S-1','Mutter; M8',125000,1.5,1000,'Regal\r\noben','2026-05-01 10:00:00'\n"
                     "'S-2','Scheibe',37500,0.25,7,NULL,NULL\n"
                     "'S-3','Größe \"XL\"',-1,2,0,'',NULL"));
    }

    void refusedRowsAreShownBeforeAnythingIsWritten() {
        Chooser c(3);
        QDir(c.folder.path()).mkdir(QStringLiteral("pics"));
        writeFile(c.folder.file(QStringLiteral("pics/ok.png")),
                  pictureBytes("png", 8, 8, Qt::cyan));
        writeFile(c.folder.file(QStringLiteral("pics/notes.jpg")), "not a picture at all");
        const QString csv = writeFile(c.folder.file(QStringLiteral("in.csv")),
                                      "PartID,PartNumber,PartName,Qty In Stock,Image\n"
                                      ",G-1,Good one,5,\n"
                                      "," +
                                          longText(51).toUtf8() +
                                          ",Too long,1,\n"
                                          ",B-2,Bad number,abc,\n"
                                          "2,T-3,Taken key,1,\n"
                                          ",M-4,Missing picture,1,pics/none.jpg\n"
                                          ",N-5,\"Not a\npicture\",1,pics/notes.jpg\n"
                                          "9,G-6,\"Good, two\",7,pics/ok.png\n");
        const QString before = dump(c.db);

        // Shown, then nothing: the table as it was.
        RefusedRows seen;
        answerRefusedRows(seen, "cmdImportNothing");
        c.importFrom(csv);
        QCOMPARE(seen.rows.size(), 5);
        QVERIFY(seen.rows[0].startsWith(QStringLiteral("3|PartNumber|xxxxx")));
        QVERIFY(seen.rows[0].contains(QStringLiteral("at most 50")));
        QVERIFY(seen.rows[1].startsWith(QStringLiteral("4|Qty In Stock|abc|")));
        QVERIFY(seen.rows[2].startsWith(QStringLiteral("5|PartID|2|The key 2 is taken")));
        QVERIFY(seen.rows[3].startsWith(QStringLiteral("6|Image|pics/none.jpg|")));
        QVERIFY(seen.rows[3].contains(QStringLiteral("cannot be found")));
        QVERIFY(seen.rows[4].startsWith(QStringLiteral("7|Image|pics/notes.jpg|")));
        QVERIFY(seen.summary.startsWith(QStringLiteral("5 of the 7 rows")));
        QVERIFY(seen.newKeysOffered);
        QCOMPARE(dump(c.db), before);
        QCOMPARE(c.lastMessage(), QStringLiteral("Nothing was imported; the table is as it was."));

        // New keys for the taken ones, then the good rows: the rest stays out.
        RefusedRows first, second;
        answerRefusedRows(first, "cmdNewKeys", [&] { answerRefusedRows(second, "cmdImportGood"); });
        c.importFrom(csv);
        QCOMPARE(first.rows.size(), 5);
        QCOMPARE(second.rows.size(), 4);
        QVERIFY(!second.newKeysOffered);
        QVERIFY2(c.lastMessage().startsWith(QStringLiteral("3 parts were imported")),
                 qPrintable(c.lastMessage()));
        QCOMPARE(
            dump(c.db,
                 "SELECT PartID, PartNumber, PartName, \"Qty In Stock\", length(Image) FROM Parts "
                 "WHERE PartID > 3 ORDER BY PartID"),
            QStringLiteral("4,'G-1','Good one',5,NULL\n"
                           "5,'T-3','Taken key',1,NULL\n"
                           "9,'G-6','Good, two',7,%1")
                .arg(pictureBytes("png", 8, 8, Qt::cyan).size()));
        QCOMPARE(c.previewRows(), 6);
    }

    void cancelLeavesEverythingAsItWas() {
        Chooser c(0);
        addManyParts(c.db, 5000);
        c.preview(QStringLiteral("Parts"));
        const QString csv = c.folder.file(QStringLiteral("many.csv"));

        // An export cancelled half-way leaves no file.
        bool pressed = false;
        cancelProgressAfter(1000, pressed);
        c.exportTo(csv);
        QVERIFY(pressed);
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(c.lastMessage(), QStringLiteral("The export was cancelled; no file was written."));

        c.exportTo(csv);
        QVERIFY(c.lastMessage().startsWith(QStringLiteral("5,000 rows")));
        sqliteShell(c.db, QStringLiteral("DELETE FROM Parts WHERE PartID > 10"));
        const QString before = dump(c.db);

        // An import cancelled half-way leaves the table as it was.
        pressed = false;
        cancelProgressAfter(2000, pressed);
        // Keys 1 to 10 are taken: the rest get in, until the cancel.
        c.importFrom(csv);
        QVERIFY(pressed);
        QCOMPARE(c.lastMessage(),
                 QStringLiteral("The import was cancelled; the table is as it was."));
        QCOMPARE(dump(c.db), before);
        QCOMPARE(sqliteShell(c.db, QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("10"));
    }

    void filesThatAreNotPartsAreRefused() {
        Chooser c(2);
        const QString before = dump(c.db);
        // A column the table does not have: asked, and No leaves everything as it was.
        const QString extra = writeFile(c.folder.file(QStringLiteral("extra.csv")),
                                        "PartNumber,PartName,Colour\nE-1,Extra,red\n");
        c.platform.answers = {false};
        c.importFrom(extra);
        QCOMPARE(c.platform.questions.size(), size_t(1));
        QVERIFY(c.platform.questions.back().text.contains(QStringLiteral("\n\nColour\n\n")));
        QVERIFY(!c.platform.questions.back().defaultYes);
        QCOMPARE(dump(c.db), before);
        // Yes: the others are taken.
        c.platform.answers = {true};
        c.importFrom(extra);
        QCOMPARE(sqliteShell(c.db, QStringLiteral(
                                       "SELECT PartNumber, PartName FROM Parts WHERE PartID = 3")),
                 QStringLiteral("E-1|Extra"));

        // Refused with the reason: an empty file, a header naming no column, a file that is no
        // text, a quote out of place.
        const struct {
            const char* name;
            QByteArray bytes;
            const char* reason;
        } cases[] = {
            {"empty.csv", "", "is empty"},
            {"nothing.csv", "Foo,Bar\n1,2\n", "names none of the columns"},
            {"picture.csv", pictureBytes("png", 8, 8), "not a text file"},
            {"quotes.csv", "PartNumber,PartName\nA-1,x\"y\"z\n", "on line 2"},
        };
        const QString now = dump(c.db);
        for (const auto& k : cases) {
            c.importFrom(writeFile(c.folder.file(QLatin1String(k.name)), k.bytes));
            QVERIFY2(c.lastReport().contains(QLatin1String(k.reason)), qPrintable(c.lastReport()));
            QCOMPARE(dump(c.db), now);
        }
        QCOMPARE(c.platform.reports.size(), std::size(cases));

        // Import only into a parts table; export from any.
        sqliteShell(
            c.db,
            QStringLiteral("CREATE TABLE Suppliers (ID INTEGER PRIMARY KEY, Name VARWCHAR(50))"));
        c.window.reset();
        c.show();
        c.preview(QStringLiteral("Suppliers"));
        QVERIFY(c.enabled("cmdExportCsv"));
        QVERIFY(!c.enabled("cmdImportCsv"));
        // Cancel in the file dialogs does nothing.
        const size_t shown = c.platform.messages.size();
        c.exportTo(QString());
        c.preview(QStringLiteral("Parts"));
        c.importFrom(QString());
        QCOMPARE(c.platform.messages.size(), shown);
        QCOMPARE(dump(c.db), now);
    }

    void commandLineForms() {
        ProgramFolder data;
        const QString db = makeAwkwardCatalogue(data);
        const QString before = dump(db);
        const QString csv = data.file(QStringLiteral("out.csv"));
        int code = -1;
        QByteArray errors;
        QByteArray out = run({"--export-csv", db, "Parts", csv}, code, &errors);
        QCOMPARE(code, 0);
        QVERIFY2(out.contains("Exported 5 rows and 4 pictures"), out.constData());
        QVERIFY(QFile::exists(data.file(QStringLiteral("out_pictures/4.ico"))));

        // Into itself: every key taken, so all of it is refused and nothing written.
        out = run({"--import-csv", db, "Parts", csv}, code, &errors);
        QCOMPARE(code, 3);
        QVERIFY2(errors.contains("line 2, \"PartID\" = \"1\": The key 1 is taken"),
                 errors.constData());
        QCOMPARE(dump(db), before);

        sqliteShell(db, QStringLiteral("DELETE FROM Parts"));
        out = run({"--import-csv", db, "Parts", csv}, code, &errors);
        QVERIFY2(code == 0, errors.constData());
        QVERIFY2(out.contains("Imported 5 rows"), out.constData());
        QCOMPARE(dump(db), before);

        // Without the guard, only texts that already begin with quotes before a sign get one
        // more; either way the file reads back as it was.
        const QString raw = data.file(QStringLiteral("raw.csv"));
        run({"--export-csv", "--no-formula-guard", db, "Parts", raw}, code, &errors);
        QVERIFY2(code == 0, errors.constData());
        QVERIFY(readFile(raw).contains(",=1+2,''-x,"));
        sqliteShell(db, QStringLiteral("DELETE FROM Parts"));
        run({"--import-csv", db, "Parts", raw}, code, &errors);
        QVERIFY2(code == 0, errors.constData());
        QCOMPARE(dump(db), before);

        // Line numbers count the lines of the file: CRLF is one line end, a line break inside
        // quotes moves on too (a lone CR as well), a blank line counts.
        const QString crlf =
            writeFile(data.file(QStringLiteral("crlf.csv")),
                      "PartNumber,PartName,Qty In Stock\r\nC-1,\"two\r\nlines\",1\r\n\r\n"
                      "C-2,bad,x\r\nC-3,\"three\nlines\rhere\",1\r\nC-4,bad,y\r\n");
        run({"--import-csv", db, "Parts", crlf}, code, &errors);
        QCOMPARE(code, 3);
        QVERIFY2(errors.contains("line 5, \"Qty In Stock\" = \"x\"") &&
                     errors.contains("line 9, \"Qty In Stock\" = \"y\""),
                 errors.constData());
        QCOMPARE(dump(db), before);

        // Failures: a missing database, a missing table, a missing file, too few arguments.
        run({"--export-csv", data.file("none.mdb"), "Parts", csv}, code, &errors);
        QCOMPARE(code, 1);
        QVERIFY(!errors.isEmpty());
        run({"--export-csv", db, "NoSuchTable", data.file("x.csv")}, code, &errors);
        QCOMPARE(code, 1);
        QVERIFY(!QFile::exists(data.file("x.csv")));
        run({"--export-csv", db, "Parts", db}, code, &errors);
        QCOMPARE(code, 1);
        QVERIFY2(errors.contains("would replace the database"), errors.constData());
        run({"--import-csv", db, "Parts", data.file("none.csv")}, code, &errors);
        QCOMPARE(code, 1);
        QVERIFY2(errors.contains("cannot be read"), errors.constData());
        run({"--import-csv", db, "Parts"}, code, &errors);
        QCOMPARE(code, 2);
        QVERIFY(errors.contains("DATABASE TABLE FILE"));
        QCOMPARE(dump(db), before);
    }

    // The export writes only files it makes, only where it says, and leaves none of them when it
    // fails.
    void exportNeverTouchesOthersFiles_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("limits");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("pictures");
        const QStringList three{"1.jpg", "2.bmp", "3.jpg"};
        const QString full = QStringLiteral("ulimit -f 16; trap '' XFSZ;");
        QTest::newRow("new folder") << "out.csv"
                                    << ""
                                    << "" << 0 << "3 pictures"
                                    << "out_pictures" << three;
        QTest::newRow("the user's empty folder") << "out.csv"
                                                 << "empty folder"
                                                 << "" << 0 << "3 pictures"
                                                 << "out_pictures" << three;
        QTest::newRow("the user's files") << "out.csv"
                                          << "user's files"
                                          << "" << 1 << "not an empty folder"
                                          << "out_pictures" << QStringList{"1.jpg", "notes.txt"};
        QTest::newRow("a link to another folder") << "out.csv"
                                                  << "link"
                                                  << "" << 1 << "not an empty folder"
                                                  << "elsewhere" << QStringList();
        QTest::newRow("disk full at the second picture") << "out.csv"
                                                         << "" << full << 1 << "cannot be written"
                                                         << "out_pictures" << QStringList();
        QTest::newRow("disk full, the user's empty folder")
            << "out.csv"
            << "empty folder" << full << 1 << "cannot be written"
            << "out_pictures" << QStringList();
        QTest::newRow("a pipe nobody reads") << "out.csv"
                                             << "pipe"
                                             << "" << 1 << "No program reads"
                                             << "out_pictures" << QStringList();
        QTest::newRow("a folder") << "out.csv"
                                  << "folder target"
                                  << "" << 1 << "is a folder"
                                  << "out_pictures" << QStringList();
        // A terminal: our own, not a device of the machine's, in case it were replaced.
        QTest::newRow("a terminal") << "@pty"
                                    << ""
                                    << "" << 0 << "3 pictures"
                                    << "@pty_pictures" << three;
        // A file that only lies under /dev is a file like any other: replaced whole.
        QTest::newRow("a file in /dev/shm") << "@shm"
                                            << "old file"
                                            << "" << 0 << "3 pictures"
                                            << "@shm_pictures" << three;
        QTest::newRow("a reader that goes away")
            << "/dev/stdout"
            << "many rows"
            << "f() { \"$@\" | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}; }; f \"$@\" #" << 1
            << "cannot be written"
            << "stdout_pictures" << QStringList();
        QTest::newRow("/dev/stdout") << "/dev/stdout"
                                     << ""
                                     << "" << 0 << "Exported 3 rows"
                                     << "stdout_pictures" << three;
    }

    void exportNeverTouchesOthersFiles() {
        QFETCH(QString, target);
        QFETCH(QString, setup);
        QFETCH(QString, limits);
        ProgramFolder data;
        const QString db = data.makeDatabase();
        addPart(db, "Parts", {{"PartNumber", "A-1"}, {"Image", pictureBytes("jpg", 8, 8)}});
        addPart(db, "Parts", {{"PartNumber", "A-2"}, {"Image", pictureBytes("bmp", 200, 200)}});
        addPart(db, "Parts", {{"PartNumber", "A-3"}, {"Image", pictureBytes("jpg", 8, 8)}});
        QDir dir(data.path());
        const QByteArray out = QFile::encodeName(data.file("out.csv"));
        if (setup == "empty folder" || setup == "user's files") dir.mkdir("out_pictures");
        if (setup == "user's files") {
            writeFile(data.file("out_pictures/1.jpg"), "mine");
            writeFile(data.file("out_pictures/notes.txt"), "notes");
        }
        if (setup == "link") {
            dir.mkdir("elsewhere");
            QVERIFY(QFile::link(data.file("elsewhere"), data.file("out_pictures")));
        }
        if (setup == "pipe") QCOMPARE(::mkfifo(out.constData(), 0600), 0);
        if (setup == "folder target") dir.mkdir("out.csv");
        if (setup == "many rows") addManyParts(db, 3000);
        // A terminal of the test's own: its other side is this test.
        int terminal = -1;
        QByteArray pty;
        if (target == "@pty") {
            terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
            pty = ::ptsname(terminal);
            target = QString::fromLocal8Bit(pty);
        }
        const auto closeTerminal = qScopeGuard([terminal] {
            if (terminal >= 0) ::close(terminal);
        });
        QFETCH(QString, folder);
        folder.replace("@pty", QFileInfo(target).fileName());
        if (target == "@shm") {
            target = QStringLiteral("/dev/shm/cogwright-test-%1.csv")
                         .arg(QCoreApplication::applicationPid());
            folder = target.chopped(4) + "_pictures";
            writeFile(target, "old content\n");
        }
        const auto removeShm = qScopeGuard([target] {
            if (target.startsWith("/dev/shm/")) {
                QFile::remove(target);
                QDir(target.chopped(4) + "_pictures").removeRecursively();
            }
        });
        const QStringList before = filesIn(data.path());

        const Run r = runIn(data.path(), {"--export-csv", db, "Parts", target}, {}, limits);
        QTEST(r.code, "code");
        QFETCH(QString, said);
        QVERIFY2((r.out + r.err).contains(said.toUtf8()), (r.out + r.err).constData());
        QTEST(filesIn(QDir::isAbsolutePath(folder) ? folder : data.file(folder)), "pictures");
        // A failed export leaves no CSV, no temporary file and no folder of its own.
        if (r.code != 0) QCOMPARE(filesIn(data.path()), before);
        if (setup == "user's files") QCOMPARE(readFile(data.file("out_pictures/1.jpg")), "mine");
        if (setup == "link") QVERIFY(QFileInfo(data.file("out_pictures")).isSymLink());
        struct stat st {};
        if (setup == "pipe") QVERIFY(::stat(out.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        if (terminal >= 0) QVERIFY(::stat(pty.constData(), &st) == 0 && S_ISCHR(st.st_mode));
        if (target.startsWith("/dev/shm/")) QVERIFY(readFile(target).startsWith("PartID,"));
        // Written to the standard output, the CSV is all that is there.
        if (QTest::currentDataTag() == QLatin1String("/dev/stdout"))
            QVERIFY2(r.out.startsWith("PartID,PartNumber") && r.out.endsWith("pictures/3.jpg\r\n"),
                     r.out.constData());
    }

    // Picture files are named by a safe form of the record's key, never outside their folder.
    void pictureFilesAreNamedByKey() {
        ProgramFolder data;
        const QString db = data.makeDatabase();
        sqliteShell(db, QStringLiteral("DELETE FROM Parts"));
        const QString absolute = data.file("abs");
        sqliteShell(db, QStringLiteral("CREATE TABLE Odd (PartID TEXT, Image BLOB, Drawing BLOB)"));
        const QByteArray jpg = pictureBytes("jpg", 8, 8), png = pictureBytes("png", 8, 8);
        const auto hex = [](const QByteArray& b) { return "x'" + b.toHex() + "'"; };
        // Keys that name other places, a Null key, a key twice, a key like a made-up name.
        sqliteShell(db, QStringLiteral("INSERT INTO Odd VALUES ('../escaped', %1, %2), "
                                       "('%3', %1, NULL), ('.hidden', %1, NULL), ('a/b', NULL, "
                                       "%2), (NULL, %1, NULL), ('dup', %1, %2), ('dup', %1, "
                                       "%2), ('+5', %1, NULL); "
                                       "INSERT INTO Parts (PartID, PartNumber, Image) VALUES "
                                       "(5, 'K-5', %1), (9, 'K-9', %2)")
                            .arg(hex(jpg), hex(png), absolute));
        Run r = runIn(data.path(), {"--export-csv", db, "Odd", data.file("odd.csv")});
        QVERIFY2(r.code == 0, r.err.constData());
        QStringList expected{"%2E.%2Fescaped+2.png",
                             "%2E.%2Fescaped.jpg",
                             "%2Ehidden.jpg",
                             "%2F" + QUrl::toPercentEncoding(data.path().mid(1)) + "%2Fabs.jpg",
                             "a%2Fb+2.png",
                             "+r5.jpg",
                             "dup.jpg",
                             "dup+2.png",
                             "dup+r7.jpg",
                             "dup+r7+2.png",
                             "%2B5.jpg"};
        QStringList written = filesIn(data.file("odd_pictures"));
        expected.sort();
        written.sort();
        QCOMPARE(written, expected);
        QVERIFY(!QFile::exists(data.file("escaped.jpg")) && !QFile::exists(absolute + ".jpg"));
        QCOMPARE(readFile(data.file("odd_pictures/%2E.%2Fescaped+2.png")), png);
        const QByteArray csv = readFile(data.file("odd.csv"));
        QVERIFY(
            csv.contains("\r\n../escaped,odd_pictures/%2E.%2Fescaped.jpg,"
                         "odd_pictures/%2E.%2Fescaped+2.png\r\n"));
        QVERIFY(csv.contains("\r\ndup,odd_pictures/dup+r7.jpg,odd_pictures/dup+r7+2.png\r\n"));
        // By the key, not by the row's place.
        r = runIn(data.path(), {"--export-csv", db, "Parts", data.file("parts.csv")});
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(filesIn(data.file("parts_pictures")), (QStringList{"5.jpg", "9.png"}));
    }

    // What a file or a command line may hold that the import must refuse, and the numbers,
    // dates and pictures it must read as they are meant, whatever the locale.
    void importThroughTheCommandLine_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("stored");
        const QStringList none;
        // A German desktop: its numbers, and the program's German words.
        const QStringList de{"LC_ALL=de_DE.UTF-8"};
        const QString count = QStringLiteral("SELECT count(*) FROM Parts");
        QTest::newRow("a field of 20 MB")
            << QByteArray("@big") << none << none << 1 << "Field 2 on line 2" << count << "0";
        QTest::newRow("a quoted field that never ends")
            << QByteArray("@open") << none << none << 1 << "Field 2 on line 2" << count << "0";
        QTest::newRow("a row of 75 MB")
            << QByteArray("@row") << none << none << 1 << "The row on line 2" << count << "0";
        QTest::newRow("5000 fields")
            << QByteArray("@wide") << none << none << 1 << "more than 4096 fields" << count << "0";
        QTest::newRow("a pipe") << QByteArray("@pipe") << none << none << 1
                                << "not an ordinary file" << count << "0";
        QTest::newRow("a row of fewer fields")
            << QByteArray("PartNumber,PartName,Location\nA-1,x,y\nA-2,short\n") << none << none << 3
            << "line 3: The row has 2 fields; the header row names 3" << count << "0";
        QTest::newRow("a long value")
            << QByteArray("PartNumber,Qty In Stock\nA-1,") + QByteArray(100000, '9') + "x\n"
            << none << none << 3 << "(100001 characters)" << count << "0";
        QTest::newRow("a picture in the folder above")
            << QByteArray("PartNumber,Image\nA-1,../outside.png\n") << none << none << 3
            << "outside the folder of the CSV file" << count << "0";
        QTest::newRow("a picture by its full path")
            << QByteArray("PartNumber,Image\nA-1,@outside\n") << none << none << 3
            << "outside the folder of the CSV file" << count << "0";
        QTest::newRow("pictures from anywhere allowed")
            << QByteArray("PartNumber,Image\nA-1,../outside.png\nA-2,@outside\n")
            << QStringList{"--pictures-from-anywhere"} << none << 0 << "Imported 2 rows"
            << "SELECT count(Image) FROM Parts"
            << "2";
        QTest::newRow("BM but no bitmap")
            << QByteArray("PartNumber,Image\nA-1,bm.bmp\n") << none << none << 3
            << "does not appear to be a picture" << count << "0";
        QTest::newRow("byte-order mark before a quoted header")
            << QByteArray("\xEF\xBB\xBF\"PartNumber\",\"PartName\"\nB-1,Bom\n") << none << none << 0
            << "Imported 1 rows"
            << "SELECT PartNumber, PartName FROM Parts"
            << "B-1|Bom";
        QTest::newRow("a key past 32 bits") << QByteArray("PartID,PartNumber\n2147483648,K-1\n")
                                            << none << none << 0 << "Imported 1 rows"
                                            << "SELECT PartID FROM Parts"
                                            << "2147483648";
        QTest::newRow("the largest amounts")
            << QByteArray(
                   "PartNumber,Retail Price,Wholesale Price\n"
                   "M-1,922337203685477.5807,-922337203685477.5808\n")
            << none << de << 0 << "1 Zeilen aus"
            << "SELECT \"Retail Price\", \"Wholesale Price\" FROM Parts"
            << "9223372036854775807|-9223372036854775808";
        QTest::newRow("an amount past the largest")
            << QByteArray("PartNumber,Retail Price\nM-1,922337203685477.5808\n") << none << none
            << 3 << "Retail Price" << count << "0";
        QTest::newRow("dates with an offset")
            << QByteArray(
                   "PartNumber,CreationDate\nD-1,2026-05-01T10:00:00Z\n"
                   "D-2,2026-01-15T10:00:00+05:00\n")
            << none << QStringList{"TZ=Europe/Berlin"} << 0 << "Imported 2 rows"
            << "SELECT CreationDate FROM Parts"
            << "2026-05-01 12:00:00\n2026-01-15 06:00:00";
        QTest::newRow("de: a dot in a whole number")
            << QByteArray("PartNumber;Qty In Stock\nN-1;1.234\n") << none << de << 3
            << "nimmt ganze Zahlen auf" << count << "0";
        QTest::newRow("de: a dot is the decimal point in every column")
            << QByteArray(
                   "PartNumber;Retail Price;Weight;Build Cost;Qty In Stock\n"
                   "N-1;1.234;1.234;\"1234,5\";1234\n")
            << none << de << 0 << "1 Zeilen aus"
            << "SELECT \"Retail Price\", Weight, \"Build Cost\", \"Qty In Stock\" FROM Parts"
            << "12340|1.234|12345000|1234";
        QTest::newRow("de: a dot that groups thousands")
            << QByteArray("PartNumber;Build Cost\nN-1;\"1.234,5\"\n") << none << de << 3
            << "kann daher keine Tausender trennen" << count << "0";
        QTest::newRow("de: a dot in a key") << QByteArray("PartID;PartNumber\n1.234;N-1\n") << none
                                            << de << 3 << "nimmt ganze Zahlen auf" << count << "0";
        QTest::newRow("a header name of a megabyte")
            << QByteArray("PartNumber,") + QByteArray(1 << 20, 'h') + "\nA-1,x\n"
            << none << none << 3 << "names columns the table 'Parts' does not have" << count << "0";
        QTest::newRow("en: thousands in a whole number")
            << QByteArray("PartNumber,Qty In Stock\nN-1,\"1,234\"\n") << none
            << QStringList{"LC_ALL=en_US.UTF-8"} << 0 << "Imported 1 rows"
            << "SELECT \"Qty In Stock\" FROM Parts"
            << "1234";
    }

    void importThroughTheCommandLine() {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, options);
        QFETCH(QStringList, env);
        ProgramFolder data;
        const QString db =
            data.makeDatabase(QStringLiteral("Shop.mdb"), QStringLiteral("Parts"), allBoxes());
        QDir(data.path()).mkdir("in");
        writeFile(data.file("outside.png"), pictureBytes("png", 8, 8));
        writeFile(data.file("in/bm.bmp"), "BM" + QByteArray(200, '\0'));
        const QString file = data.file("in/in.csv");
        if (csv == "@big") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("PartNumber,Description\nB-1,\"");
            for (int i = 0; i < 20; ++i) f.write(QByteArray(1 << 20, 'x'));
            f.write("\"\n");
        } else if (csv == "@open") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("PartNumber,Description\nB-1,\"");
            for (int i = 0; i < 20; ++i) f.write(QByteArray(1 << 20, 'x'));
        } else if (csv == "@row") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("PartNumber,PartName,Category,Description,Location\nB-1");
            for (int i = 0; i < 5; ++i) f.write("," + QByteArray(15 << 20, 'x'));
            f.write("\n");
        } else if (csv == "@wide") {
            writeFile(file, "PartNumber" + QByteArray(5000, ',') + "\n");
        } else if (csv == "@pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else {
            writeFile(file, csv.replace("@outside", QFile::encodeName(data.file("outside.png"))));
        }
        const Run r =
            runIn(data.path(), QStringList{"--import-csv", db, "Parts", file} + options, env);
        QTEST(r.code, "code");
        QFETCH(QString, said);
        QVERIFY2((r.out + r.err).contains(said.toUtf8()), (r.out + r.err).constData());
        // However long the file's values, a message quotes only the start of one.
        QVERIFY2(r.err.size() < 2000, r.err.left(300).constData());
        QFETCH(QString, query);
        QTEST(sqliteShell(db, query), "stored");
    }

    // The window's choices: pictures from another folder when the user says so, and the
    // formula guard on unless the user unticks it.
    void windowChoices() {
        Chooser c(0);
        QDir(c.folder.path()).mkdir("in");
        writeFile(c.folder.file("outside.png"), pictureBytes("png", 8, 8));
        const QString csv = writeFile(c.folder.file("in/in.csv"),
                                      "PartNumber,PartName,Image\nW-1,'=1+2,../outside.png\n");
        RefusedRows seen;
        answerRefusedRows(seen, "cmdOtherFolders");
        c.importFrom(csv);
        QCOMPARE(seen.rows.size(), 1);
        QVERIFY2(seen.rows[0].contains("outside the folder"), qPrintable(seen.rows[0]));
        QVERIFY2(c.lastMessage().startsWith(QStringLiteral("1 parts were imported")),
                 qPrintable(c.lastMessage()));
        QCOMPARE(sqliteShell(c.db, "SELECT PartName, length(Image) FROM Parts"),
                 QStringLiteral("=1+2|%1").arg(pictureBytes("png", 8, 8).size()));

        const QString out = c.folder.file("out.csv");
        c.exportTo(out);
        QVERIFY(readFile(out).contains(",'=1+2,"));
        c.window->findChild<QCheckBox*>("chkGuardFormulas")->setChecked(false);
        QDir(c.folder.file("out_pictures")).removeRecursively();
        c.exportTo(out);
        QVERIFY2(readFile(out).contains(",=1+2,"), readFile(out).constData());
    }
};

QTEST_MAIN(CsvTest)
#include "tst_csv.moc"
