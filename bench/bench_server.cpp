// A catalogue on a PostgreSQL server over loopback: opening 1,000,000 parts beside psql, a Next
// click, a save, the chooser's preview of the 1,000,000 parts beside psql reading them all, and
// copying 100,000 parts from a file beside psql's \copy. It starts a throwaway server of its own
// (scripts/pg-cluster) and stops it at the end.
//
//   bench_server

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "Connection.h"
#include "Recordset.h"
#include "TableCopy.h"
#include "frmMain.h"
#include "frmMainProbe.h"
#include "frmOpenDb.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kCopyRows = 100000;

struct Server {
    QString dir = QStringLiteral(BENCH_DATA_DIR "/pg-run");
    QString host, port, user, password;

    bool start() {
        if (!cluster("start")) return false;
        QFile env(dir + QStringLiteral("/server.env"));
        if (!env.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray& line : env.readAll().split('\n')) {
            const QString value = QString::fromUtf8(line.mid(line.indexOf('=') + 1));
            if (line.startsWith("PGTEST_HOST=")) host = value;
            if (line.startsWith("PGTEST_PORT=")) port = value;
            if (line.startsWith("PGTEST_USER=")) user = value;
            if (line.startsWith("PGTEST_PASSWORD=")) password = value;
        }
        qputenv("PGPASSFILE", QFile::encodeName(dir + QStringLiteral("/pgpass")));
        qputenv("PGPASSWORD", password.toUtf8());
        return psql(QStringLiteral("CREATE DATABASE bench"), QStringLiteral("postgres"));
    }
    bool cluster(const char* command) const {
        return QProcess::execute(QStringLiteral("bash"),
                                 {QStringLiteral(SOURCE_DIR "/scripts/pg-cluster"),
                                  QString::fromLatin1(command), dir}) == 0;
    }
    QStringList psqlArgs(const QString& database) const {
        return {QStringLiteral("-X"), QStringLiteral("-q"),
                QStringLiteral("-h"), host,
                QStringLiteral("-p"), port,
                QStringLiteral("-U"), user,
                QStringLiteral("-d"), database};
    }
    bool psql(const QString& sql, const QString& database = QStringLiteral("bench")) const {
        return QProcess::execute(QStringLiteral("psql"), psqlArgs(database)
                                                             << QStringLiteral("-c") << sql) == 0;
    }
    // Wall time of one psql command with its output thrown away, in ms.
    double timed(const QString& sql) const {
        QStringList args = psqlArgs(QStringLiteral("bench"));
        QString command = QStringLiteral("psql");
        for (const QString& a : args) command += QStringLiteral(" '") + a + QLatin1Char('\'');
        command += QStringLiteral(" -c '") +
                   QString(sql).replace(QLatin1String("'"), QLatin1String("'\\''")) +
                   QStringLiteral("' >/dev/null");
        QElapsedTimer t;
        t.start();
        if (std::system(command.toLocal8Bit().constData()) != 0) return -1;
        return t.nsecsElapsed() / 1e6;
    }
    QString url() const {
        return QStringLiteral("postgresql://%1@%2:%3/bench").arg(user, host, port);
    }
    QString open() const {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               store::Connection::quoteValue(url());
    }
};

Server g_server;
frmMain* g_window = nullptr;

void BM_NextClick(benchmark::State& state) {
    auto& rs = *frmMainProbe(*g_window).rsParts;
    rs.MoveFirst();
    for (auto _ : state) {
        g_window->cmdNext_Click();
        if (rs.EOF_()) rs.MoveFirst();
    }
}

void BM_Save(benchmark::State& state) {
    auto& rs = *frmMainProbe(*g_window).rsParts;
    rs.MoveFirst();
    int n = 0;
    for (auto _ : state) {
        rs["PartName"].setValue(QStringLiteral("Hex Bolt M8 x 40, lot %1").arg(++n));
        rs.Update();
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QStringLiteral(BENCH_DATA_DIR);
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(BENCH_LOGO), folder + QStringLiteral("/logo.jpg"));
    if (!g_server.start()) {
        std::fprintf(stderr, "the benchmark's server did not start\n");
        return 1;
    }
    std::atexit([] { g_server.cluster("stop"); });

    std::printf("Making %d parts x 32 columns on the server ...\n", kRows);
    {
        store::Catalog cat;
        cat.Create(g_server.open());
        std::vector<int> all;
        for (int b = 1; b <= store::parts::kOptionalCount; ++b) all.push_back(b);
        store::parts::createPartsTable(cat, QStringLiteral("Parts"), all);
    }
    QStringList values{QStringLiteral("g"), QStringLiteral("'P-' || g"),
                       QStringLiteral("'Hex Bolt M8 x 40, Grade 8.8'"),
                       QStringLiteral("'Fasteners'"),
                       QStringLiteral("'Zinc-plated hexagon head bolt, part thread.'")};
    for (int box = 1; box <= 25; ++box) {
        switch (store::parts::optionalType(box)) {
            case store::adCurrency:
                values << QStringLiteral("1.2345 + g");
                break;
            case store::adInteger:
                values << QStringLiteral("g % 1000");
                break;
            case store::adSingle:
                values << QStringLiteral("0.25 * (g % 100)");
                break;
            default:
                values << QStringLiteral("'Norrland Fasteners'");
                break;
        }
    }
    values << QStringLiteral("'2026-03-02 09:15:00'") << QStringLiteral("NULL");
    g_server.psql(QStringLiteral("INSERT INTO \"Parts\" SELECT %1 FROM generate_series(1, %2) g; "
                                 "SELECT setval(pg_get_serial_sequence('\"Parts\"', 'PartID'), %2)")
                      .arg(values.join(QLatin1Char(',')))
                      .arg(kRows));
    g_server.psql(QStringLiteral("VACUUM ANALYZE \"Parts\""));

    const double yardstickMs = g_server.timed(QStringLiteral("SELECT \"PartID\" FROM \"Parts\""));
    BenchPlatform platform(folder);
    Platform::install(&platform);
    frmMain window;
    g_window = &window;
    window.setStartingDatabase(g_server.url());
    QElapsedTimer t;
    t.start();
    window.Form_Load();  // connect, open the keyset, show the first record
    const double openMs = t.nsecsElapsed() / 1e6;
    std::printf("psql, SELECT PartID (yardstick):          %8.1f ms\n", yardstickMs);
    std::printf("open keyset and show first record:        %8.1f ms  (%.2f x yardstick)\n", openMs,
                openMs / yardstickMs);

    // The chooser's preview of the 1,000,000 parts, beside psql reading every row of them.
    {
        const double selectAllMs = g_server.timed(QStringLiteral("SELECT * FROM \"Parts\""));
        frmOpenDb chooser(DatabaseChoice{g_server.url(), QStringLiteral("Parts")});
        chooser.show();
        QApplication::processEvents();
        auto* tree = chooser.findChild<QTreeWidget*>(QStringLiteral("trvData"));
        QTreeWidgetItem* parts = nullptr;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == QLatin1String("Parts"))
                parts = tree->topLevelItem(i);
        auto* grid = chooser.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
        resetPeak();
        const long before = peakKiB();
        t.restart();
        chooser.trvData_NodeClick(parts);
        chooser.repaint();
        QApplication::processEvents();
        const double firstRowsMs = t.nsecsElapsed() / 1e6;
        const QString count = chooser.findChild<QLineEdit*>(QStringLiteral("txtCount"))->text();
        const QString shown = grid->model()->index(1, 1).data().toString();
        while (chooser.isMeasuringColumns()) {
            QEventLoop wait;
            QTimer::singleShot(10, &wait, &QEventLoop::quit);
            wait.exec();
        }
        const double measuredMs = t.nsecsElapsed() / 1e6;
        // The end of the table, as a user dragging the scroll bar down reaches it.
        t.restart();
        grid->scrollToBottom();
        chooser.repaint();
        QApplication::processEvents();
        const double lastRowsMs = t.nsecsElapsed() / 1e6;
        const QString last =
            grid->model()->index(grid->model()->rowCount() - 1, 1).data().toString();
        const double peakMB = (peakKiB() - before) / 1024.0;
        std::printf("psql, SELECT * (yardstick):               %8.1f ms\n", selectAllMs);
        std::printf(
            "chooser preview, first rows and count:    %8.1f ms  (%.2f x yardstick; %s records, "
            "row 1 %s)\n",
            firstRowsMs, firstRowsMs / selectAllMs, qPrintable(count), qPrintable(shown));
        std::printf("  every column measured:                  %8.1f ms  (%.2f x yardstick)\n",
                    measuredMs, measuredMs / selectAllMs);
        std::printf("  the last rows shown:                    %8.1f ms  (row %s)\n", lastRowsMs,
                    qPrintable(last));
        std::printf("  memory at the preview's peak:           %8.1f MB\n", peakMB);
    }

    // Copying a file of 100,000 parts, beside psql's \copy of the same rows.
    const QString file = folder + QStringLiteral("/Copy100k.mdb");
    if (!QFileInfo::exists(file)) makeCatalogue(file, kCopyRows);
    const QString csv = folder + QStringLiteral("/Copy100k.csv");
    const std::string dump =
        "sqlite3 -csv '" + file.toStdString() +
        "' \"SELECT PartID, PartNumber, PartName, Category, Description, "
        "\\\"Retail Price\\\" / 10000.0, \\\"Wholesale Price\\\" / 10000.0, \\\"Build Cost\\\" / "
        "10000.0, "
        "\\\"Qty In Stock\\\", \\\"Qty On Order\\\", \\\"Re-Order Level\\\", Height, Width, "
        "Length, Weight, "
        "Color, Material, Location, \\\"Manufacturer Name\\\", \\\"Manufacturer ID\\\", "
        "\\\"Manufacturer Part Number\\\", \\\"Manufacturer Price\\\" / 10000.0, \\\"Supplier 1 "
        "Name\\\", "
        "\\\"Supplier 1 ID\\\", \\\"Supplier 1 Part Number\\\", \\\"Supplier 1 Price\\\" / "
        "10000.0, "
        "\\\"Supplier 2 Name\\\", \\\"Supplier 2 ID\\\", \\\"Supplier 2 Part Number\\\", "
        "\\\"Supplier 2 Price\\\" / 10000.0, CreationDate, Image FROM Parts\" > '" +
        csv.toStdString() + "'";
    if (std::system(dump.c_str()) != 0) return 1;
    g_server.psql(QStringLiteral("CREATE TABLE \"Yardstick\" (LIKE \"Parts\" INCLUDING ALL)"));
    const double copyShellMs =
        g_server.timed(QStringLiteral("\\copy \"Yardstick\" FROM '%1' CSV").arg(csv));
    store::Connection from, to;
    from.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
              store::Connection::quoteValue(file));
    to.Open(g_server.open());
    t.restart();
    store::copyTable(from, QStringLiteral("Parts"), to, QStringLiteral("Copied"));
    const double copyMs = t.nsecsElapsed() / 1e6;
    std::printf("psql \\copy of %d parts (yardstick):   %8.1f ms\n", kCopyRows, copyShellMs);
    std::printf("copy %d parts from a file:            %8.1f ms  (%.2f x yardstick)\n", kCopyRows,
                copyMs, copyMs / copyShellMs);

    benchmark::RegisterBenchmark("Next click", BM_NextClick);
    benchmark::RegisterBenchmark("save an edited record", BM_Save);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Platform::install(nullptr);
    return 0;
}
