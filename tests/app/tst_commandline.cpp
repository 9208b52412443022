// The program started from a terminal: its options, and a catalogue named on the command line.

#include <QTest>

#include "Session.h"

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run cogwright(const QStringList& arguments, const QString& folder = QString()) {
    const ProgramRun r = runProgram(QStringLiteral(COGWRIGHT_BIN), arguments, folder,
                                    {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                                     QStringLiteral("COGWRIGHT_EXIT_WHEN_SHOWN=1")});
    return {r.code, QString::fromLocal8Bit(r.out), QString::fromLocal8Bit(r.err)};
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // `out`: what standard output holds; `refusal`: the reason given on standard error.
    void optionsAndRefusals_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("refusal");
        const QVersionNumber v = Platform::instance().programVersion();
        const QString csv = "--export-csv and --import-csv take DATABASE TABLE FILE.";
        const auto row = [](const char* name, const QStringList& arguments, int exitCode,
                            const QString& out, const QString& refusal = QString()) {
            QTest::newRow(name) << arguments << exitCode << out << refusal;
        };
        row("version", {"--version"}, 0,
            QStringLiteral("Quillmark Cogwright Database (version %1.%2.%3)\n")
                .arg(v.majorVersion())
                .arg(v.minorVersion())
                .arg(v.microVersion()));
        row("help", {"-h"}, 0, "[options] [FILE]");
        row("help-all, which help lists", {"--help-all"}, 0, "[options] [FILE]");
        row("help before a CSV option", {"--help", "--export-csv", "a.mdb"}, 0, "--convert-jet");
        row("unknown option", {"--frobnicate"}, 2, "", "Unknown option 'frobnicate'.");
        row("two catalogues", {"a.mdb", "b.mdb"}, 2, "", "Only one catalogue can be opened.");
        row("Jet conversion without OUT", {"--convert-jet", "in.mdb"}, 2, "",
            "--convert-jet needs the files IN and OUT.");
        row("CSV export without FILE", {"--export-csv", "a.mdb", "Parts"}, 2, "", csv);
        row("CSV export and import", {"--export-csv", "--import-csv", "a.mdb", "Parts", "f.csv"}, 2,
            "", csv);
        row("CSV import and Jet conversion",
            {"--import-csv", "--convert-jet", "a.mdb", "Parts", "f.csv"}, 2, "", csv);
    }

    void optionsAndRefusals() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, refusal);
        const Run run = cogwright(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
        if (!refusal.isEmpty())
            QVERIFY2(run.err.contains("cogwright: " + refusal + "\nTry 'cogwright --help'.\n"),
                     qPrintable(run.err));
    }

    // A catalogue named relative to the folder the program is started from opens and shows.
    void aNamedCatalogueStarts() {
        ProgramFolder folder;
        folder.makeDatabase(QStringLiteral("Stock; old.mdb"));
        addParts(folder.file(QStringLiteral("Stock; old.mdb")), QStringLiteral("Parts"), 2);
        const Run run = cogwright({QStringLiteral("Stock; old.mdb")}, folder.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), QStringLiteral("shown"));
    }

    // In the window: the named file is the one shown; a missing one is reported and not made.
    void theNamedFileIsTheOneOpened() {
        Session s;
        const QString named = s.folder.makeDatabase(QStringLiteral("Named.mdb"));
        addParts(named, QStringLiteral("Parts"), 3);
        s.w = std::make_unique<frmMain>();
        s.w->setStartingDatabase(named);
        QVERIFY(startUpGuarded(nullptr, [&] { s.w->Form_Load(); }));
        QCOMPARE(s.text("txtDatabase"), named);
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 3  Records Found"));

        const QString missing = s.folder.file(QStringLiteral("Missing.mdb"));
        s.w = std::make_unique<frmMain>();
        s.w->setStartingDatabase(missing);
        QVERIFY(!startUpGuarded(nullptr, [&] { s.w->Form_Load(); }));
        QCOMPARE(s.platform.reports.size(), size_t(1));
        QVERIFY(s.platform.reports[0].description.contains(missing));
        QVERIFY(!QFile::exists(missing));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
