// Old Jet files in the windows: the chooser previews one as it is and converts it on OK; a
// start-up on a Jet Parts.mdb converts it and goes on as on a catalogue of ours.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include "ChooserSession.h"
#include "Connection.h"
#include "Control.h"
#include "JetConversion.h"
#include "JetReference.h"
#include "Session.h"
#include "frmOpenDb.h"

namespace {

struct Chooser : ChooserSession {
    Chooser() {
        db = folder.makeDatabase(QStringLiteral("Shop.mdb"));
        open(db);
    }
};

QStringList entries(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QStringList previewFolders() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .entryList({QStringLiteral("jet-preview-*")}, QDir::Dirs | QDir::Hidden);
}

// The texts the progress dialog shows while it is up.
struct ProgressWatch {
    QStringList seen;
    QTimer timer;
    std::function<void(QProgressDialog*)> act;
    ProgressWatch() {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) {
                    if (!seen.contains(d->labelText())) seen << d->labelText();
                    if (act) act(d);
                }
        });
        timer.start();
    }
};

// A converter that never finishes on its own: only Cancel ends it.
void useSlowConverter(const QString& folder) {
    const QString slow = QDir(folder).filePath(QStringLiteral("slow"));
    QFile script(slow);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf 'tables\\t1\\ntable\\t1\\tParts\\t10\\n'\nexec sleep 30\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    legacy::JetConversion::setProgram(slow);
}

// Presses the progress dialog's Cancel once it shows the table.
void cancelOnceStarted(ProgressWatch& progress) {
    progress.act = [](QProgressDialog* d) {
        if (d->labelText().contains(QStringLiteral("Table 1 of 1: Parts")))
            if (auto* button = d->findChild<QPushButton*>())
                QTest::mouseClick(button, Qt::LeftButton);
    };
}

}  // namespace

class JetWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        legacy::JetConversion::setProgram(QStringLiteral(COGWRIGHT_BIN));
    }

    void theChooserPreviewsAJetFileAndConvertsItOnOk() {
        QTemporaryDir elsewhere;
        const QString jet = copySample(elsewhere.path(), "nwind.mdb");
        // Orders' second column renamed (same length, in place) to PartNumber: a table the parts
        // window takes as a parts table.
        QFile file(jet);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray patched = file.readAll().replace("CustomerID", "PartNumber");
        QVERIFY(file.seek(0) && file.write(patched) == patched.size());
        file.close();
        const QByteArray before = fingerprint(jet);
        {
            Chooser c;
            ProgressWatch progress;
            c.browse(jet);
            progress.timer.stop();
            QVERIFY(c.platform.warnings.empty());
            // The progress named the tables as it went (it is looked at now and then, so not
            // every table need have been seen).
            QVERIFY2(progress.seen.join(QLatin1Char('\n'))
                         .contains(QRegularExpression(QStringLiteral("Table \\d of 9: \\S"))),
                     qPrintable(progress.seen.join(QLatin1Char('\n'))));
            QCOMPARE(c.child<QLineEdit>("txtPath")->text(), jet);
            QCOMPARE(c.tables(),
                     referenceTables(jet));  // exact names, the file's order, no system tables
            const auto details = referenceRows(jet, QStringLiteral("Order Details"));
            QStringList columns, refColumns;
            for (int i = 0; i < c.node(QStringLiteral("Order Details"))->childCount(); ++i)
                columns << c.node(QStringLiteral("Order Details"))->child(i)->text(0);
            for (const CsvValue& v : details.at(0)) refColumns << v.text;
            QCOMPARE(columns, refColumns);

            // Rows, Nulls and the picture of a clicked row.
            c.preview(QStringLiteral("Employees"));
            const auto employees = referenceRows(jet, QStringLiteral("Employees"));
            QCOMPARE(c.child<QLineEdit>("txtCount")->text(), QString::number(employees.size() - 1));
            for (size_t i = 0; i < employees[0].size(); ++i)
                QCOMPARE(c.cell(0, int(i)), employees[0][i].text);
            int nulls = 0;
            for (int row = 1; row < int(employees.size()); ++row) {
                const CsvRow* ref = nullptr;
                for (size_t r = 1; r < employees.size(); ++r)
                    if (employees[r][0].text == c.cell(row, 0)) ref = &employees[r];
                QVERIFY(ref);
                for (int col : {1, 2, 3, 8, 9, 10}) {  // names, title, city, region, postal code
                    const CsvValue& v = ref->at(size_t(col));
                    const bool null = !v.quoted && v.text.isEmpty();
                    nulls += null;
                    QCOMPARE(c.cell(row, col), null ? QStringLiteral(" ") : v.text);
                }
                if (row > 2) continue;
                c.clickRow(row);
                QVERIFY(!c.picture().isNull());
                QCOMPARE(c.picture().size(),
                         bitmapSizeInside(QByteArray::fromHex(ref->at(14).text.toLatin1())));
            }
            QVERIFY(nulls > 0);
            QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("nwind.mdb")});

            // Employees is no parts table: nothing is converted for it, and the chooser stays.
            c.click("cmdOK");
            QVERIFY(c.window->isVisible());
            QVERIFY(c.platform.questions.empty());
            QCOMPARE(c.platform.messages.back().text,
                     QStringLiteral("The table 'Employees' is not a parts table, so the parts "
                                    "window cannot open it. Nothing was converted."));
            QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("nwind.mdb")});

            // No: nothing is written and the chooser stays. Importing into the temporary
            // conversion shown is not offered.
            c.preview(QStringLiteral("Orders"));
            QVERIFY(!c.child<QPushButton>("cmdImportCsv")->isEnabled());
            c.platform.answers = {false};
            c.click("cmdOK");
            QVERIFY(c.window->isVisible());
            QCOMPARE(c.platform.questions.size(), size_t(1));
            const QString asked = c.platform.questions.front().text;
            QVERIFY2(asked.startsWith(
                         jet + QStringLiteral(
                                   " is in the old Jet format. Convert it to a new catalogue?")),
                     qPrintable(asked));
            const QString converted =
                QDir(elsewhere.path()).filePath(QStringLiteral("nwind (converted).mdb"));
            QVERIFY2(asked.contains(converted), qPrintable(asked));
            QVERIFY2(asked.contains(QStringLiteral("its table 'Orders' opens")), qPrintable(asked));
            QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("nwind.mdb")});

            // Yes: the catalogue appears beside the original, every table in it.
            c.platform.answers = {true};
            c.click("cmdOK");
            QVERIFY(!c.window->isVisible());
            QCOMPARE(entries(elsewhere.path()),
                     (QStringList{QStringLiteral("nwind (converted).mdb"),
                                  QStringLiteral("nwind.mdb")}));
            QCOMPARE(sqliteShell(converted, QStringLiteral("SELECT count(*) FROM Employees")),
                     QString::number(employees.size() - 1));
            QCOMPARE(
                sqliteShell(converted, QStringLiteral("SELECT count(*) FROM \"Order Details\"")),
                QString::number(details.size() - 1));
            QCOMPARE(c.window->choice().path, converted);
            QCOMPARE(c.window->choice().table, QStringLiteral("Orders"));
        }
        QCOMPARE(fingerprint(jet), before);
        QCOMPARE(previewFolders(), QStringList());  // the preview went with the window
    }

    void browseTakesAccdbFilesByTheirContent() {
        QTemporaryDir elsewhere;
        const QString ace = copySample(elsewhere.path(), "ASampleDatabase.accdb");
        Chooser c;
        // An .accdb that is no ACE file is passed over, as any other name is.
        c.browse(writeFile(QDir(elsewhere.path()).filePath(QStringLiteral("notes.accdb")),
                           "Asset Items\n"));
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), c.db);
        c.browse(ace);
        QVERIFY(c.platform.warnings.empty());
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), ace);
        QCOMPARE(c.tables(), referenceTables(ace));
        QVERIFY(c.platform.fileDialogs.back().text.contains(QStringLiteral("*.accdb")));
        c.preview(QStringLiteral("Asset Items"));
        QCOMPARE(c.child<QLineEdit>("txtCount")->text(),
                 QString::number(referenceRows(ace, QStringLiteral("Asset Items")).size() - 1));
    }

    void theChooserRefusesADamagedOrCancelledJetFile_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("damaged") << false;
        QTest::newRow("cancelled") << true;
    }
    void theChooserRefusesADamagedOrCancelledJetFile() {
        QFETCH(bool, cancel);
        QTemporaryDir elsewhere, bin;
        const QString jet =
            copySample(elsewhere.path(), "nwind.mdb", QStringLiteral("Old Stock.mdb"));
        if (cancel)
            useSlowConverter(bin.path());
        else
            damageDataPageOf(jet, QStringLiteral("Orders"));
        const QByteArray before = fingerprint(jet);
        Chooser c;
        const QStringList tablesBefore = c.tables();
        ProgressWatch progress;
        if (cancel) cancelOnceStarted(progress);
        c.browse(jet);
        progress.timer.stop();
        legacy::JetConversion::setProgram(QStringLiteral(COGWRIGHT_BIN));
        // The user's own Cancel is no error: nothing is reported.
        QCOMPARE(c.platform.warnings.size(), size_t(cancel ? 0 : 1));
        if (!cancel) {
            const QString message = c.platform.warnings.front().text;
            QVERIFY2(message.startsWith(QStringLiteral("Unexpected Error: ")) &&
                         message.contains(jet) && message.contains(QStringLiteral("\"Orders\"")),
                     qPrintable(message));
        }
        // The chooser still shows what it showed; nothing was written anywhere.
        QCOMPARE(c.tables(), tablesBefore);
        QCOMPARE(c.child<QLineEdit>("txtPath")->text(), c.db);
        QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("Old Stock.mdb")});
        QCOMPARE(fingerprint(jet), before);
        QCOMPARE(previewFolders(), QStringList());
        QVERIFY(c.window->isVisible());
    }

    void startUpOnAJetPartsFile_data() {
        QTest::addColumn<bool>("convert");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Yes") << true << false;
        QTest::newRow("No") << false << false;
        QTest::newRow("Yes, then Cancel") << true << true;
    }
    void startUpOnAJetPartsFile() {
        QFETCH(bool, convert);
        QFETCH(bool, cancel);
        QTemporaryDir bin;
        if (cancel) useSlowConverter(bin.path());
        ProgressWatch progress;
        if (cancel) cancelOnceStarted(progress);
        Session s;
        s.folder.writeLogo();
        copySample(s.folder.path(), "nwind.mdb", QStringLiteral("Parts.mdb"));
        const QByteArray before = fingerprint(s.db());
        s.platform.answers = {convert};
        QVERIFY(!s.start());  // no table named Parts in it: ended with the report
        QCOMPARE(s.platform.questions.size(), size_t(1));
        const QString asked = s.platform.questions.front().text;
        QVERIFY2(asked.startsWith(
                     s.db() +
                     QStringLiteral(" is in the old Jet format. Convert it to a new catalogue?")),
                 qPrintable(asked));
        QVERIFY2(asked.contains(s.folder.file(QStringLiteral("Parts (Jet original).mdb"))),
                 qPrintable(asked));
        progress.timer.stop();
        legacy::JetConversion::setProgram(QStringLiteral(COGWRIGHT_BIN));
        QCOMPARE(s.platform.reports.size(), size_t(1));
        QVERIFY(!s.w->isVisible());
        // Cancelled, start-up goes on as after No: the usual report, no word of an error in
        // the conversion.
        if (!convert || cancel) {
            QVERIFY2(!s.platform.reports.front().description.contains(QStringLiteral("cancel")),
                     qPrintable(s.platform.reports.front().description));
            QCOMPARE(entries(s.folder.path()),
                     (QStringList{QStringLiteral("Parts.mdb"), QStringLiteral("logo.jpg")}));
            QCOMPARE(fingerprint(s.db()), before);
            return;
        }
        QVERIFY2(s.platform.reports.front().description.contains(QStringLiteral("'Parts'")),
                 qPrintable(s.platform.reports.front().description));
        // A conversion without a Parts table is no use: the Jet file stays as it was, alone, and
        // the next start asks again.
        QCOMPARE(entries(s.folder.path()),
                 (QStringList{QStringLiteral("Parts.mdb"), QStringLiteral("logo.jpg")}));
        QCOMPARE(fingerprint(s.db()), before);
    }

    void aJetFileNamedAtStartUpWithoutPartsKeepsNothing() {
        QTemporaryDir elsewhere;
        const QString jet =
            copySample(elsewhere.path(), "DateTestDatabase.mdb", QStringLiteral("Dates.mdb"));
        const QByteArray before = fingerprint(jet);
        Session s;
        s.folder.writeLogo();
        s.w = std::make_unique<frmMain>();
        s.w->setStartingDatabase(jet);
        s.platform.answers = {true};
        QVERIFY(!startUpGuarded(nullptr, [&] { s.w->Form_Load(); }));  // its table is not "Parts"
        QVERIFY(s.platform.questions.front().text.contains(
            QDir(elsewhere.path()).filePath("Dates (converted).mdb")));
        QCOMPARE(entries(elsewhere.path()), QStringList{QStringLiteral("Dates.mdb")});
        QCOMPARE(fingerprint(jet), before);
        QVERIFY2(s.platform.reports.front().description.contains(QStringLiteral("'Parts'")),
                 qPrintable(s.platform.reports.front().description));
    }
};

QTEST_MAIN(JetWindowsTest)
#include "tst_jet_windows.moc"
