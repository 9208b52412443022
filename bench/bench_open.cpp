// Opening a large catalogue and moving through it, against the sqlite3 shell as yardstick.
//
//   bench_open [FOLDER]   (default: a folder in the build tree; the 1,000,000-row file is
//                          made once and kept there)

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "frmMain.h"
#include "frmMainProbe.h"

namespace {

constexpr int kRows = 1000000;

frmMain* g_window = nullptr;

void BM_MoveAcrossTable(benchmark::State& state) {
    auto& rs = *frmMainProbe(*g_window).rsParts;
    QRandomGenerator rng(42);
    rs.MoveFirst();
    long at = 0;
    for (auto _ : state) {
        const long target = long(rng.bounded(kRows));
        rs.Move(target - at);
        at = target;
        g_window->Show_Data();
    }
}

void BM_MoveNext(benchmark::State& state) {
    auto& rs = *frmMainProbe(*g_window).rsParts;
    rs.MoveFirst();
    for (auto _ : state) {
        rs.MoveNext();
        if (rs.EOF_()) rs.MoveFirst();
        g_window->Show_Data();
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString folder = QStringLiteral(BENCH_DATA_DIR);
    if (argc > 1 && argv[1][0] != '-') folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QString db = folder + QStringLiteral("/Parts.mdb");
    if (!QFileInfo::exists(db)) {
        std::printf("Making %d parts in %s ...\n", kRows, qPrintable(db));
        makeCatalogue(db, kRows);
    }
    QFile::copy(QStringLiteral(BENCH_LOGO), folder + QStringLiteral("/logo.jpg"));

    QElapsedTimer t;
    t.start();
    const std::string shell =
        "sqlite3 '" + db.toStdString() + "' 'SELECT PartID FROM Parts' >/dev/null";
    if (std::system(shell.c_str()) != 0) return 1;
    const double yardstickMs = t.nsecsElapsed() / 1e6;

    BenchPlatform platform(folder);
    Platform::install(&platform);
    frmMain window;
    g_window = &window;
    resetPeak();
    const long before = peakKiB();
    t.restart();
    window.Form_Load();  // connect, open the keyset, show the first record
    const double openMs = t.nsecsElapsed() / 1e6;
    const long peak = peakKiB();

    std::printf("sqlite3 shell, SELECT PartID (yardstick): %8.1f ms\n", yardstickMs);
    std::printf("open keyset and show first record:        %8.1f ms  (%.2f x yardstick)\n", openMs,
                openMs / yardstickMs);
    std::printf("peak memory during the open:              %8.1f MiB above %.1f MiB\n",
                (peak - before) / 1024.0, before / 1024.0);

    benchmark::RegisterBenchmark("move to a random row and show it", BM_MoveAcrossTable);
    benchmark::RegisterBenchmark("move next and show it", BM_MoveNext);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Platform::install(nullptr);
    return 0;
}
