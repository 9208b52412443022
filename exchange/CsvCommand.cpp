#include "CsvCommand.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <new>

#include "Connection.h"
#include "CsvTransfer.h"
#include "ExchangeText.h"
#include "StoreError.h"

namespace exchange {

namespace {

constexpr int kRefusalsShown = 100;
constexpr qint64 kReportEveryMs = 1000;

// Reports go to the standard error instead while the CSV itself goes to the standard output.
bool g_reportToStderr = false;

void out(const QString& text) {
    std::FILE* to = g_reportToStderr ? stderr : stdout;
    std::fputs(qPrintable(text + QLatin1Char('\n')), to);
    std::fflush(to);
}

void err(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("cogwright: ") + text + QLatin1Char('\n')), stderr);
}

// The same catalogues as the chooser opens: a file, or a server's postgresql:// address.
void open(store::Connection& connection, const QString& database) {
    const QString source = store::Connection::isServerAddress(database)
                               ? database
                               : QFileInfo(database).absoluteFilePath();
    connection.Open(QStringLiteral("Data Source=") + store::Connection::quoteValue(source));
}

// A line a second at most, so that a log of a long run stays short.
// progress holds the count done (%1) and the whole (%2).
Progress reporter(const QString& progress) {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer, progress](qint64 done, qint64 all) {
        if (done > 0 && timer->elapsed() >= kReportEveryMs) {
            out(progress.arg(done).arg(all));
            timer->restart();
        }
        return true;
    };
}

}  // namespace

int exportCsvCommand(const QString& database, const QString& table, const QString& csvPath,
                     bool guardFormulas) {
    // A reader that goes away (| head) is a failed write, undone, not the program's end.
    std::signal(SIGPIPE, SIG_IGN);
    g_reportToStderr = isProcessTarget(csvPath);
    try {
        store::Connection connection;
        open(connection, database);
        const ExportResult r =
            exportCsv(connection, table, csvPath, reporter(Text::tr("Exported %1 of %2 rows")),
                      guardFormulas);
        out(Text::tr("Exported %1 rows and %2 pictures of the table '%3' to '%4'.")
                .arg(r.rows)
                .arg(r.pictures)
                .arg(table, csvPath));
        return kCsvDone;
    } catch (const store::StoreError& e) {
        err(e.description());
        return kCsvFailed;
    } catch (const std::bad_alloc&) {
        err(Text::tr("There is not enough memory to export the table '%1'.").arg(table));
        return kCsvFailed;
    }
}

int importCsvCommand(const QString& database, const QString& table, const QString& csvPath,
                     bool picturesFromAnywhere) {
    // All or nothing needs the file's own transaction; a server table is written row by row.
    if (store::Connection::isServerAddress(database)) {
        err(
            Text::tr("Importing into a table on a server is not possible; import into a "
                     "catalogue file and copy its table to the server from the chooser. "
                     "Nothing was imported."));
        return kCsvFailed;
    }
    try {
        store::Connection connection;
        open(connection, database);
        CsvImport import(connection, table, csvPath);
        import.setPicturesFromAnywhere(picturesFromAnywhere);
        if (!import.unknownColumns().isEmpty()) {
            err(Text::tr("The header row of '%1' names columns the table '%2' does not have: "
                         "%3. Nothing was "
                         "imported.")
                    .arg(csvPath, table, import.unknownColumns().join(QStringLiteral(", "))));
            return kCsvRefused;
        }
        connection.BeginTrans();
        import.run(false, reporter(Text::tr("Read %1 of %2 rows")));
        if (import.rowsRefused() > 0) {
            connection.RollbackTrans();
            err(Text::tr("%1 of the %2 rows of '%3' were refused, so nothing was imported:")
                    .arg(import.rowsRefused())
                    .arg(import.rowsRead())
                    .arg(csvPath));
            for (const QString& line : refusalLines(import, kRefusalsShown)) err(line);
            if (import.refusals().size() > size_t(kRefusalsShown) ||
                qint64(import.refusals().size()) < import.rowsRefused())
                err(Text::tr("(only the first %1 are listed)").arg(kRefusalsShown));
            return kCsvRefused;
        }
        connection.CommitTrans();
        out(Text::tr("Imported %1 rows from '%2' into the table '%3'.")
                .arg(import.rowsAdded())
                .arg(csvPath, table));
        return kCsvDone;
    } catch (const store::StoreError& e) {
        err(Text::tr("%1 Nothing was imported.").arg(e.description()));
        return kCsvFailed;
    } catch (const std::bad_alloc&) {
        err(Text::tr("There is not enough memory to import '%1'. Nothing was imported.")
                .arg(csvPath));
        return kCsvFailed;
    }
}

}  // namespace exchange
