// Printing the current record: the sheet's lines, the refusals, a PDF made through Qt, and a
// sheet that goes the whole way through CUPS when a PDF printer is set up (scripts/test does).

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include "Control.h"
#include "FindBar.h"
#include "Session.h"

namespace {

const QString kRule = QStringLiteral("   ") + QString(69, QLatin1Char('-'));

std::unique_ptr<Session> started(const std::vector<int>& boxes, const std::vector<Row>& rows) {
    auto s = std::make_unique<Session>();
    s->folder.makeDatabase(QStringLiteral("Parts.mdb"), QStringLiteral("Parts"), boxes);
    s->folder.writeLogo();
    for (const Row& r : rows) addPart(s->db(), QStringLiteral("Parts"), r);
    if (!s->start()) qFatal("start-up failed");
    s->w->show();
    return s;
}

// The non-empty lines of a text with runs of blanks folded: a proportional font folds them.
QStringList folded(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        if (!l.simplified().isEmpty()) out << l.simplified();
    return out;
}

QStringList pdfLines(const QString& pdf) {
    const ProgramRun r = runProgram(QStringLiteral("pdftotext"),
                                    {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    return QString::fromUtf8(r.out).split(QLatin1Char('\n'));
}

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void sheetWithoutOptionalColumns() {
        auto s = started({}, {{{"PartNumber", "BR-1"},
                               {"PartName", "Bushing"},
                               {"CreationDate", QDateTime(QDate(2026, 3, 2), QTime(9, 15))},
                               {"Image", pictureBytes("png")}}});
        const QStringList lines = s->w->Print_Lines();
        const QStringList expected{"",
                                   "",
                                   "",
                                   "",
                                   "      DATABASE  NAME = " + s->db(),
                                   "      TABLE  NAME = Parts",
                                   kRule,
                                   "",
                                   "",
                                   "      PartID :  1",
                                   "      PartNumber :  BR-1",
                                   "      PartName :  Bushing",
                                   "      Category :  ",
                                   "      Description :  ",
                                   "      CreationDate :  3/2/2026 9:15:00 AM",
                                   kRule};
        QCOMPARE(lines, expected);

        // Printed into a PDF, the same lines come back out.
        s->platform.printToPdf = s->folder.file("sheet.pdf");
        s->click("cmdPrint");
        QVERIFY(s->platform.warnings.empty());
        QCOMPARE(folded(pdfLines(s->platform.printToPdf)), folded(expected));
    }

    void optionalColumnsAndBlankNumbers() {
        auto s = started({1, 4, 13}, {{{"PartNumber", "A"}, {"PartName", "Anchor"}}});
        s->click("cmdEdit");
        s->clickCell(1, 7);  // Location
        auto* editor = s->child<QLineEdit>("txtField");
        QTest::keyClicks(editor, QStringLiteral("Bin 3"));
        QTest::keyClick(editor, Qt::Key_Return);
        s->platform.printToPdf = s->folder.file("sheet.pdf");
        s->click("cmdPrint");  // saves first: the blank numbers become 0
        QVERIFY(!s->state().bRecordChanged);
        const QStringList lines = s->w->Print_Lines();
        QCOMPARE(lines.size(), 9 + 6 + 3 + 1);
        QCOMPARE(lines[14], QStringLiteral("      Retail Price :  0.00"));
        QCOMPARE(lines[15], QStringLiteral("      Qty In Stock :  0"));
        QCOMPARE(lines[16], QStringLiteral("      Location :  Bin 3"));
        QVERIFY(lines[17].startsWith(QStringLiteral("      CreationDate :  ")));
        QVERIFY(!lines.join('\n').contains(QStringLiteral("Image")));
        QCOMPARE(folded(pdfLines(s->platform.printToPdf)), folded(lines));
    }

    void refusedSavePrintsNothing() {
        auto s = started({}, {{{"PartNumber", "A"}, {"PartName", "Anchor"}}});
        s->platform.printToPdf = s->folder.file("sheet.pdf");
        s->click("cmdEdit");
        s->replaceText("txtPartNumber", QString());
        s->click("cmdPrint");
        QVERIFY(!s->platform.messages.empty());
        QCOMPARE(s->platform.messages.back().text,
                 QStringLiteral("Please enter the Part Number before saving the record."));
        QCOMPARE(s->platform.printJobs, 0);
        QVERIFY(!QFile::exists(s->platform.printToPdf));
        QVERIFY(s->state().bRecordChanged);
    }

    void emptyTableIsNotPrinted() {
        auto s = started({}, {});
        s->platform.printToPdf = s->folder.file("sheet.pdf");
        s->child<QPushButton>("cmdSelect")->setVisible(false);
        s->click("cmdPrint");
        QCOMPARE(s->platform.messages.size(), size_t(1));
        QCOMPARE(s->platform.messages[0].caption, QStringLiteral("Quillmark Cogwright Database"));
        QCOMPARE(s->platform.messages[0].text,
                 QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        QVERIFY(s->child<QPushButton>("cmdSelect")->isVisible());
        QCOMPARE(s->platform.printJobs, 0);
    }

    void noPrinter() {
        auto s = started({}, {{{"PartNumber", "A"}, {"PartName", "Anchor"}}});
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Saved anyway"));
        s->click("cmdPrint");  // the scripted platform has no printer
        QCOMPARE(s->platform.warnings.size(), size_t(1));
        QVERIFY(s->platform.warnings[0].text.contains(QStringLiteral("no printer")));
        QVERIFY(!s->state().bRecordChanged);
        QCOMPARE(sqliteShell(s->db(), "SELECT PartName FROM Parts"),
                 QStringLiteral("Saved anyway"));
        QVERIFY(s->platform.reports.empty());
    }

    void sheetThroughCups() {
        const QString folder = qEnvironmentVariable("COGWRIGHT_PDF_PRINTER_DIR");
        if (folder.isEmpty()) QSKIP("no PDF printer set up here; scripts/test sets one up");
        auto s = started({1}, {{{"PartNumber", "CUPS-1"},
                                {"PartName", "Printed for real"},
                                {"Retail Price", "4.25"}}});
        const QDir dir(folder);
        const QStringList before = dir.entryList({QStringLiteral("*.pdf")}, QDir::Files);
        s->platform.systemPrinter = true;
        s->click("cmdPrint");
        QVERIFY(s->platform.warnings.empty());
        QString sheet;
        QElapsedTimer waited;
        waited.start();
        while (sheet.isEmpty() && waited.elapsed() < 60000) {
            QTest::qWait(250);
            for (const QString& f :
                 dir.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time))
                if (!before.contains(f)) {
                    sheet = dir.filePath(f);
                    break;
                }
        }
        QVERIFY2(!sheet.isEmpty(), "CUPS wrote no sheet within a minute");
        QStringList text;
        for (int tries = 0; tries < 40; ++tries) {  // the file may still be being written
            text = folded(pdfLines(sheet));
            if (!text.isEmpty() && text.last() == folded({kRule}).first()) break;
            QTest::qWait(250);
        }
        QCOMPARE(text, folded(s->w->Print_Lines()));
        QVERIFY(text.contains(QStringLiteral("Retail Price : 4.25")));
    }

    // Labels and the catalogue from the window: of the part on screen, of the parts the find
    // filter shows or of the whole table, into a PDF; the re-order list says what it lacks.
    void paperFromTheWindow_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<bool>("filter");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"P-001", "P-002", "P-003", "P-004", "P-005", "P-006"};
        QTest::newRow("labels of the part on screen")
            << 0 << false << "optCurrent" << QStringList{"P-002"};
        QTest::newRow("labels of the matches")
            << 0 << true << "optMatches" << QStringList{"P-001", "P-004"};
        QTest::newRow("catalogue of the table inside a filter") << 1 << true << "optAll" << all;
        QTest::newRow("catalogue of the matches")
            << 1 << true << "optMatches" << QStringList{"P-001", "P-004"};
        QTest::newRow("re-order list without a re-order level")
            << 2 << false << QString() << QStringList();
    }
    void paperFromTheWindow() {
        QFETCH(int, entry);
        QFETCH(bool, filter);
        QFETCH(QString, parts);
        QFETCH(QStringList, expected);
        auto s = shownSession(6);
        s->click("cmdNext");
        if (filter) {
            QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
            auto* bar = s->w->findChild<FindBar*>();
            QVERIFY(bar);
            QTest::keyClicks(bar->findChild<QLineEdit*>(QStringLiteral("txtFind")),
                             QStringLiteral("Category 1"));
            QTRY_VERIFY(!bar->findChild<QLabel*>(QStringLiteral("lblFindCount"))->text().isEmpty());
            QTest::mouseClick(bar->findChild<QPushButton*>(QStringLiteral("cmdShowOnly")),
                              Qt::LeftButton);
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        }
        const QString pdf = s->folder.file(QStringLiteral("paper.pdf"));
        s->platform.fileChoices.push_back(pdf);
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            auto* option = dialog->findChild<QRadioButton*>(parts);
            chosen = option && option->isEnabled();
            if (chosen) {
                option->setChecked(true);
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdPdf")),
                                  Qt::LeftButton);
            }
            dialog->reject();
        });
        s->child<QPushButton>("cmdPaper")->menu()->actions().at(entry)->trigger();
        if (expected.isEmpty()) {
            QVERIFY(
                s->platform.messages.back().text.contains(QStringLiteral("\"Re-Order Level\"")));
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QVERIFY(chosen);
        QVERIFY(s->platform.messages.back().text.startsWith(
            QStringLiteral("Printed %1 parts").arg(expected.size())));
        QStringList printed;
        auto it = QRegularExpression(QStringLiteral("P-\\d{3}"))
                      .globalMatch(pdfLines(pdf).join(QLatin1Char('\n')));
        while (it.hasNext()) printed << it.next().captured();
        QCOMPARE(printed, expected);
    }
};

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
