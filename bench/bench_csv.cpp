// CSV export and import of 1,000,000 parts x 32 columns, each beside the sqlite3 shell doing the
// same: `sqlite3 -csv -header FILE "SELECT * FROM Parts" > out.csv` for the export and
// `.import --csv --skip 1` into an empty table for the import. Each run is a process of its own,
// so that its time and its peak memory are its alone.
//
//   bench_csv [FOLDER]   (default: a folder in the build tree; the 1,000,000-row file is made
//                         once and kept there)

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"

extern char** environ;

namespace {

constexpr int kRows = 1000000;

QString g_folder;
QString g_catalogue;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system: steadier than the clock on a busy machine
    long peakKiB = 0;
    int status = -1;
};

// Runs a program, its standard output into `output` when given; its time and peak memory.
Run spawn(const std::vector<std::string>& args, const QString& output = QString()) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = output.isEmpty() ? std::string("/dev/null") : output.toStdString();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Run run;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.peakKiB = usage.ru_maxrss;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

std::string program() {
    return (QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/cogwright"))
        .toStdString();
}
std::string path(const QString& name) {
    return QDir(g_folder).filePath(name).toStdString();
}

// An empty parts table with all 32 columns, made fresh for each import.
QString emptyCopy(const QString& name) {
    const QString copy = QDir(g_folder).filePath(name);
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral("-journal"));
    makeCatalogue(copy, 0);
    return copy;
}

void report(benchmark::State& state, const Run& r) {
    if (r.status != 0) state.SkipWithError("the run failed");
    state.SetIterationTime(r.seconds);
    state.counters["peak_MiB"] = double(r.peakKiB) / 1024.0;
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["rows_per_s"] = kRows / r.seconds;
}

void BM_ExportProgram(benchmark::State& state) {
    for (auto _ : state)
        report(state, spawn({program(), "--export-csv", g_catalogue.toStdString(), "Parts",
                             path("program.csv")}));
}

void BM_ExportSqliteShell(benchmark::State& state) {
    for (auto _ : state)
        report(state, spawn({"sqlite3", "-csv", "-header", g_catalogue.toStdString(),
                             "SELECT * FROM Parts"},
                            QString::fromStdString(path("shell.csv"))));
}

void BM_ImportProgram(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString copy = emptyCopy(QStringLiteral("import-program.mdb"));
        state.ResumeTiming();
        report(state, spawn({program(), "--import-csv", copy.toStdString(), "Parts",
                             path("program.csv")}));
    }
}

void BM_ImportSqliteShell(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString copy = emptyCopy(QStringLiteral("import-shell.mdb"));
        state.ResumeTiming();
        report(state, spawn({"sqlite3", copy.toStdString(),
                             ".import --csv --skip 1 " + path("shell.csv") + " Parts"}));
    }
}

}  // namespace

BENCHMARK(BM_ExportProgram)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ExportSqliteShell)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ImportProgram)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ImportSqliteShell)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    g_folder = QStringLiteral(BENCH_DATA_DIR);
    if (argc > 1 && argv[1][0] != '-') g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    g_catalogue = QDir(g_folder).filePath(QStringLiteral("parts-1m.mdb"));
    if (!QFileInfo::exists(g_catalogue)) {
        std::fprintf(stderr, "making %s (once)...\n", qPrintable(g_catalogue));
        makeCatalogue(g_catalogue, kRows);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
