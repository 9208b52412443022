// Converting nwind.mdb (every table) with `cogwright --convert-jet`, beside mdb-export of the same
// tables to /dev/null as the yardstick. Both run as child processes, as the window runs the
// converter; the peak memory of each child is reported too.
//
//   build/bench/bench_jet

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "ChildRun.h"

namespace {

const QString kSample = QStringLiteral(JET_SAMPLE);

QStringList tables() {
    QProcess p;
    p.start(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), kSample});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

long totalRows(const QStringList& names) {
    long rows = 0;
    for (const QString& t : names) {
        QProcess p;
        p.start(QStringLiteral("mdb-count"), {kSample, t});
        p.waitForFinished();
        rows += p.readAllStandardOutput().trimmed().toLong();
    }
    return rows;
}

void BM_ConvertJet(benchmark::State& state) {
    const long rows = totalRows(tables());
    QTemporaryDir dir;
    const std::string out =
        QDir(dir.path()).filePath(QStringLiteral("converted.mdb")).toStdString();
    long peak = 0;
    for (auto _ : state) {
        QFile::remove(QString::fromStdString(out));
        const ChildRun c = runChild({COGWRIGHT_BIN, "--convert-jet", kSample.toStdString(), out},
                                    "/dev/null", true);
        if (c.status != 0) {
            state.SkipWithError("the conversion failed");
            return;
        }
        peak = std::max(peak, c.peakKiB);
    }
    state.counters["rows"] = double(rows);
    state.counters["rows_per_s"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["child_peak_KiB"] = double(peak);
}

void BM_MdbExportYardstick(benchmark::State& state) {
    const QStringList names = tables();
    const long rows = totalRows(names);
    long peak = 0;
    for (auto _ : state) {
        for (const QString& t : names) {
            const ChildRun c =
                runChild({"mdb-export", "-b", "raw", kSample.toStdString(), t.toStdString()},
                         "/dev/null", true);
            if (c.status != 0) {
                state.SkipWithError("mdb-export failed");
                return;
            }
            peak = std::max(peak, c.peakKiB);
        }
    }
    state.counters["rows"] = double(rows);
    state.counters["rows_per_s"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["child_peak_KiB"] = double(peak);
}

}  // namespace

BENCHMARK(BM_ConvertJet)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_MdbExportYardstick)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
