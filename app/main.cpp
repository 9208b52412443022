#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <csignal>
#include <cstdio>

#include "Connection.h"
#include "CsvCommand.h"
#include "ErrorReport.h"
#include "ExitWhenShown.h"
#include "JetConverter.h"
#include "Platform.h"
#include "StartupTrace.h"
#include "frmMain.h"

namespace {

struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption exportCsv;
    QCommandLineOption importCsv;
    QCommandLineOption noFormulaGuard;
    QCommandLineOption picturesFromAnywhere;
    QCommandLineOption convertJet;
};

Options addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Quillmark Cogwright Database: a catalogue of parts with "
                       "their pictures."));
    Options o{
        parser.addHelpOption(),
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                           QStringLiteral("Shows the program's version.")),
        QCommandLineOption(QStringLiteral("export-csv"),
                           QStringLiteral("With DATABASE TABLE FILE: writes the table TABLE of "
                                          "DATABASE to FILE as CSV (its pictures beside it), "
                                          "without a window.")),
        QCommandLineOption(QStringLiteral("import-csv"),
                           QStringLiteral("With DATABASE TABLE FILE: adds the rows of the CSV "
                                          "file FILE to the parts table TABLE of DATABASE, all "
                                          "or nothing, without a window. Exit status 1: not "
                                          "done, 3: rows refused.")),
        QCommandLineOption(QStringLiteral("no-formula-guard"),
                           QStringLiteral("With --export-csv: writes texts that begin with = + - "
                                          "@ as they are, without the leading ' that keeps "
                                          "spreadsheets from running them as formulas.")),
        QCommandLineOption(QStringLiteral("pictures-from-anywhere"),
                           QStringLiteral("With --import-csv: reads pictures from any folder, not "
                                          "only from the CSV file's folder and below it.")),
        QCommandLineOption(QStringLiteral("convert-jet"),
                           QStringLiteral("Converts the Jet file IN (.mdb, .accdb) into the new "
                                          "catalogue OUT, printing progress; IN is only read."))};
    parser.addOption(o.version);
    parser.addOption(o.exportCsv);
    parser.addOption(o.importCsv);
    parser.addOption(o.noFormulaGuard);
    parser.addOption(o.picturesFromAnywhere);
    parser.addOption(o.convertJet);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The catalogue to open instead of Parts.mdb in the program's "
                       "folder: a file, or a server's postgresql://user@host:port/database."),
        QStringLiteral("[FILE]"));
    return o;
}

// --export-csv or --import-csv DATABASE TABLE FILE, without a window.
int runCsv(const QCommandLineParser& parser, const Options& o) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 3 || (parser.isSet(o.exportCsv) && parser.isSet(o.importCsv)) ||
        parser.isSet(o.convertJet)) {
        std::fputs(
            "cogwright: --export-csv and --import-csv take DATABASE TABLE FILE.\n"
            "Try 'cogwright --help'.\n",
            stderr);
        return 2;
    }
    return parser.isSet(o.exportCsv)
               ? exchange::exportCsvCommand(args[0], args[1], args[2],
                                            !parser.isSet(o.noFormulaGuard))
               : exchange::importCsvCommand(args[0], args[1], args[2],
                                            parser.isSet(o.picturesFromAnywhere));
}

// Opened as the default file is: checked, never created, any failure reported.
// A postgresql:// address names a catalogue on a server and is taken as it is.
QString namedCatalogue(const QCommandLineParser& parser) {
    if (parser.positionalArguments().isEmpty()) return {};
    const QString named = parser.positionalArguments().constFirst();
    return store::Connection::isServerAddress(named) ? named : QFileInfo(named).absoluteFilePath();
}

// The command line is read before any window system is needed: --help and --version work
// without a display. Gives the exit status of what was done without a window, or -1 with
// `file` set to the catalogue named, if any, when the window is to start.
int runCommandLine(int argc, char** argv, QString& file) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    const Options o = addOptions(parser);
    const bool parsed = parser.parse(QCoreApplication::arguments());
    // --help-all, which --help lists, is the same help: the program has no Qt options of its own
    // to show, and it must not need a display either.
    const bool help = parser.isSet(o.help) || parser.isSet(QStringLiteral("help-all"));
    const bool csv = parsed && (parser.isSet(o.exportCsv) || parser.isSet(o.importCsv));
    if (csv && !help) return runCsv(parser, o);
    const bool converting = parsed && parser.isSet(o.convertJet);
    if (converting && parser.positionalArguments().size() == 2)
        return legacy::runConvertJet(parser.positionalArguments().at(0),
                                     parser.positionalArguments().at(1));
    if (!parser.errorText().isEmpty() || converting || parser.positionalArguments().size() > 1) {
        const QString why = !parser.errorText().isEmpty() ? parser.errorText()
                            : converting
                                ? QStringLiteral("--convert-jet needs the files IN and OUT.")
                                : QStringLiteral("Only one catalogue can be opened.");
        std::fprintf(stderr, "cogwright: %s\nTry 'cogwright --help'.\n", qPrintable(why));
        return 2;
    }
    if (help) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(o.version)) {
        const QVersionNumber v = Platform::instance().programVersion();
        std::printf("Quillmark Cogwright Database (version %d.%d.%d)\n", v.majorVersion(),
                    v.minorVersion(), v.microVersion());
        return 0;
    }
    file = namedCatalogue(parser);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    startupStep("main");
    // A reader of an exported pipe that goes away is a failed write, reported, not the end of
    // the program with its unsaved work.
    std::signal(SIGPIPE, SIG_IGN);
    // Qt::AA_ShareOpenGLContexts is not set here: it would load the OpenGL driver at every start.
    // The browser's loader makes the shared context the engine needs when the browser is first
    // opened (BrowserWindow.cpp).
    QString file;
    const int ended = runCommandLine(argc, argv, file);
    if (ended >= 0) return ended;
    startupStep("command line");

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    startupStep("application");
    frmMain window;
    if (!file.isEmpty()) window.setStartingDatabase(file);
    startupStep("window");
    // A failed start-up has been reported; the window is never shown.
    if (!startUpGuarded(nullptr, [&] { window.Form_Load(); })) return 1;
    startupStep("first record");
    ExitWhenShown probe;
    if (qEnvironmentVariableIntValue("COGWRIGHT_EXIT_WHEN_SHOWN") == 1)
        window.installEventFilter(&probe);
    window.show();
    startupStep("show");
    return app.exec();
}
