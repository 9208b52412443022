#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <optional>

#include "Connection.h"
#include "CsvCommand.h"
#include "ErrorReport.h"
#include "ExitWhenShown.h"
#include "JetConverter.h"
#include "PaperCommand.h"
#include "Platform.h"
#include "StartupTrace.h"
#include "Translations.h"
#include "frmMain.h"

namespace {

// The translation context of the command line's help and messages.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption exportCsv;
    QCommandLineOption importCsv;
    QCommandLineOption noFormulaGuard;
    QCommandLineOption picturesFromAnywhere;
    QCommandLineOption convertJet;
    QCommandLineOption printLabels;
    QCommandLineOption printCatalogue;
    QCommandLineOption reorderList;
    QCommandLineOption layout;
    QCommandLineOption barcode;
    QCommandLineOption start;
    QCommandLineOption copies;
    QCommandLineOption cards;
    QCommandLineOption columns;
};

QString layoutNames() {
    QStringList names;
    for (const paper::LabelLayout& l : paper::labelLayouts())
        names << QStringLiteral("%1 (%2)").arg(QLatin1String(l.name), l.displayTitle());
    return names.join(QStringLiteral(", "));
}

Options addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        CommandLine::tr("Quillmark Cogwright Database: a catalogue of parts with "
                        "their pictures."));
    Options o{
        parser.addHelpOption(),
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                           CommandLine::tr("Shows the program's version.")),
        QCommandLineOption(QStringLiteral("export-csv"),
                           CommandLine::tr("With DATABASE TABLE FILE: writes the table TABLE of "
                                           "DATABASE to FILE as CSV (its pictures beside it), "
                                           "without a window.")),
        QCommandLineOption(QStringLiteral("import-csv"),
                           CommandLine::tr("With DATABASE TABLE FILE: adds the rows of the CSV "
                                           "file FILE to the parts table TABLE of DATABASE, all "
                                           "or nothing, without a window. Exit status 1: not "
                                           "done, 3: rows refused.")),
        QCommandLineOption(QStringLiteral("no-formula-guard"),
                           CommandLine::tr("With --export-csv: writes texts that begin with = + - "
                                           "@ as they are, without the leading ' that keeps "
                                           "spreadsheets from running them as formulas.")),
        QCommandLineOption(QStringLiteral("pictures-from-anywhere"),
                           CommandLine::tr("With --import-csv: reads pictures from any folder, not "
                                           "only from the CSV file's folder and below it.")),
        QCommandLineOption(QStringLiteral("convert-jet"),
                           CommandLine::tr("Converts the Jet file IN (.mdb, .accdb) into the new "
                                           "catalogue OUT, printing progress; IN is only read.")),
        QCommandLineOption(QStringLiteral("print-labels"),
                           CommandLine::tr("With DATABASE TABLE OUT.pdf: prints a label with a "
                                           "barcode for every part of TABLE into OUT.pdf.")),
        QCommandLineOption(
            QStringLiteral("print-catalogue"),
            CommandLine::tr("With DATABASE TABLE OUT.pdf: prints every part of TABLE "
                            "as a list (or as cards with pictures) into OUT.pdf.")),
        QCommandLineOption(
            QStringLiteral("reorder-list"),
            CommandLine::tr("With DATABASE TABLE OUT.pdf or OUT.csv: lists the parts "
                            "whose stock and what is on order are at or below "
                            "their re-order level.")),
        QCommandLineOption(
            QStringLiteral("layout"),
            CommandLine::tr("With --print-labels: the label sheet or roll, one of %1. "
                            "Default a4-3x7.")
                .arg(layoutNames()),
            QStringLiteral("NAME")),
        QCommandLineOption(QStringLiteral("barcode"),
                           CommandLine::tr("With --print-labels: code128 (the default), qr or "
                                           "datamatrix."),
                           QStringLiteral("KIND")),
        QCommandLineOption(QStringLiteral("start"),
                           CommandLine::tr("With --print-labels: the first free label of a partly "
                                           "used sheet, counted along the rows from 1."),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("copies"),
                           CommandLine::tr("With --print-labels: labels for each part (1 to 999)."),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("cards"),
                           CommandLine::tr("With --print-catalogue: a card with its picture for "
                                           "each part, six to a page, instead of a list.")),
        QCommandLineOption(QStringLiteral("columns"),
                           CommandLine::tr("With --print-catalogue: more columns for the list, "
                                           "their names separated by commas."),
                           QStringLiteral("NAMES"))};
    parser.addOption(o.version);
    parser.addOption(o.exportCsv);
    parser.addOption(o.importCsv);
    parser.addOption(o.noFormulaGuard);
    parser.addOption(o.picturesFromAnywhere);
    parser.addOption(o.convertJet);
    for (const QCommandLineOption* option :
         {&o.printLabels, &o.printCatalogue, &o.reorderList, &o.layout, &o.barcode, &o.start,
          &o.copies, &o.cards, &o.columns})
        parser.addOption(*option);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        CommandLine::tr("The catalogue to open instead of Parts.mdb in the program's "
                        "folder: a file, or a server's postgresql://user@host:port/database."),
        QStringLiteral("[FILE]"));
    return o;
}

// A command line that cannot be carried out: why, and where to look. Exit status 2.
int refuse(const QString& why) {
    std::fprintf(stderr, "cogwright: %s\n%s\n", qPrintable(why),
                 qPrintable(CommandLine::tr("Try 'cogwright --help'.")));
    return 2;
}

// --export-csv or --import-csv DATABASE TABLE FILE, without a window.
int runCsv(const QCommandLineParser& parser, const Options& o) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 3 || (parser.isSet(o.exportCsv) && parser.isSet(o.importCsv)) ||
        parser.isSet(o.convertJet)) {
        return refuse(CommandLine::tr("--export-csv and --import-csv take DATABASE TABLE FILE."));
    }
    return parser.isSet(o.exportCsv)
               ? exchange::exportCsvCommand(args[0], args[1], args[2],
                                            !parser.isSet(o.noFormulaGuard))
               : exchange::importCsvCommand(args[0], args[1], args[2],
                                            parser.isSet(o.picturesFromAnywhere));
}

// A number from `low` to `high` given with `option`, or nothing when it is not one.
std::optional<int> bounded(const QCommandLineParser& parser, const QCommandLineOption& option,
                           int fallback, int low, int high) {
    if (!parser.isSet(option)) return fallback;
    bool ok = false;
    const int n = parser.value(option).toInt(&ok);
    if (!ok || n < low || n > high) return std::nullopt;
    return n;
}

// Checks --print-labels, --print-catalogue or --reorder-list and what goes with them; gives
// the reason when they are not right.
QString paperRequest(const QCommandLineParser& parser, const Options& o,
                     paper::PaperRequest& request) {
    const int kinds = int(parser.isSet(o.printLabels)) + int(parser.isSet(o.printCatalogue)) +
                      int(parser.isSet(o.reorderList));
    const QStringList args = parser.positionalArguments();
    if (kinds != 1 || args.size() != 3 || parser.isSet(o.exportCsv) || parser.isSet(o.importCsv) ||
        parser.isSet(o.convertJet))
        return CommandLine::tr(
            "--print-labels, --print-catalogue and --reorder-list take DATABASE TABLE OUT.");
    request.database = args[0];
    request.table = args[1];
    request.out = args[2];
    const bool csv = request.out.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    const bool pdf = request.out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    if (parser.isSet(o.reorderList)) {
        request.kind = paper::PaperRequest::Kind::ReorderList;
        return pdf || csv ? QString()
                          : CommandLine::tr("--reorder-list writes OUT.pdf or OUT.csv.");
    }
    if (!pdf) return CommandLine::tr("OUT must be a .pdf file.");
    if (parser.isSet(o.printCatalogue)) {
        request.kind = paper::PaperRequest::Kind::Catalogue;
        if (parser.isSet(o.cards)) request.style = paper::CatalogueStyle::Cards;
        for (const QString& c : parser.value(o.columns).split(QLatin1Char(','), Qt::SkipEmptyParts))
            request.columns << c.trimmed();
        return {};
    }
    request.kind = paper::PaperRequest::Kind::Labels;
    if (parser.isSet(o.layout)) {
        request.labels.layout = paper::labelLayoutNamed(parser.value(o.layout));
        if (!request.labels.layout)
            return CommandLine::tr("There is no label layout '%1'; the layouts are %2.")
                .arg(parser.value(o.layout), layoutNames());
    }
    if (parser.isSet(o.barcode)) {
        const auto kind = paper::barcodeKindNamed(parser.value(o.barcode));
        if (!kind) return CommandLine::tr("--barcode is code128, qr or datamatrix.");
        request.labels.barcode = *kind;
    }
    const int perSheet = request.labels.layout->labelsPerPage();
    const auto start = bounded(parser, o.start, 1, 1, perSheet);
    if (!start)
        return CommandLine::tr("--start is a label from 1 to %1 on this layout.").arg(perSheet);
    const auto copies = bounded(parser, o.copies, 1, 1, 999);
    if (!copies) return CommandLine::tr("--copies is a number from 1 to 999.");
    request.labels.start = *start;
    request.labels.copies = *copies;
    return {};
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
int runCommandLine(int argc, char** argv, QString& file,
                   std::optional<paper::PaperRequest>& printing) {
    QCoreApplication core(argc, argv);
    // The help, the reasons and the converter's messages in the user's language.
    translations::install();
    QCommandLineParser parser;
    const Options o = addOptions(parser);
    const bool parsed = parser.parse(QCoreApplication::arguments());
    // --help-all, which --help lists, is the same help: the program has no Qt options of its own
    // to show, and it must not need a display either.
    const bool help = parser.isSet(o.help) || parser.isSet(QStringLiteral("help-all"));
    const bool csv = parsed && (parser.isSet(o.exportCsv) || parser.isSet(o.importCsv));
    if (csv && !help) return runCsv(parser, o);
    const bool onPaper = parsed && (parser.isSet(o.printLabels) || parser.isSet(o.printCatalogue) ||
                                    parser.isSet(o.reorderList));
    if (onPaper && !help) {
        paper::PaperRequest request;
        const QString why = paperRequest(parser, o, request);
        if (!why.isEmpty()) return refuse(why);
        printing = request;
        return -1;
    }
    const bool converting = parsed && parser.isSet(o.convertJet);
    if (converting && parser.positionalArguments().size() == 2)
        return legacy::runConvertJet(parser.positionalArguments().at(0),
                                     parser.positionalArguments().at(1));
    if (!parser.errorText().isEmpty() || converting || parser.positionalArguments().size() > 1) {
        const QString why = !parser.errorText().isEmpty() ? parser.errorText()
                            : converting
                                ? CommandLine::tr("--convert-jet needs the files IN and OUT.")
                                : CommandLine::tr("Only one catalogue can be opened.");
        return refuse(why);
    }
    if (help) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(o.version)) {
        const QVersionNumber v = Platform::instance().programVersion();
        std::printf("%s\n", qPrintable(CommandLine::tr("Quillmark Cogwright Database (version "
                                                       "%1.%2.%3)")
                                           .arg(v.majorVersion())
                                           .arg(v.minorVersion())
                                           .arg(v.microVersion())));
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
    std::optional<paper::PaperRequest> printing;
    const int ended = runCommandLine(argc, argv, file, printing);
    if (ended >= 0) return ended;
    if (printing) {
        // Pages are painted without a display: fonts come from the system all the same.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Standard error is for the reasons a script reads, not for Qt's notes on the session.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        QGuiApplication app(argc, argv);
        translations::install();
        return paper::runPaperCommand(*printing);
    }

    startupStep("command line");

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    translations::install();
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
