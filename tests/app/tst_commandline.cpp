// The program started from a terminal: its options, and a catalogue named on the command line.

#include <QProcess>
#include <QTest>

#include "Session.h"

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run cogwright(const QStringList& arguments, const QString& folder = QString()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("COGWRIGHT_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    if (!folder.isEmpty()) p.setWorkingDirectory(folder);
    p.start(QStringLiteral(COGWRIGHT_BIN), arguments);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-1, QString(), QStringLiteral("did not end")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void optionsAndRefusals() {
        const Run version = cogwright({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        const QVersionNumber v = Platform::instance().programVersion();
        QCOMPARE(version.out.trimmed(),
                 QStringLiteral("Quillmark Cogwright Database (version %1.%2.%3)")
                     .arg(v.majorVersion())
                     .arg(v.minorVersion())
                     .arg(v.microVersion()));
        const Run help = cogwright({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("[FILE]")) &&
                help.out.contains(QStringLiteral("--version")));
        const Run unknown = cogwright({QStringLiteral("--frobnicate")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY2(unknown.err.contains(QStringLiteral("frobnicate")), qPrintable(unknown.err));
        QVERIFY(unknown.out.isEmpty());
        QCOMPARE(cogwright({QStringLiteral("a.mdb"), QStringLiteral("b.mdb")}).exitCode, 2);
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
