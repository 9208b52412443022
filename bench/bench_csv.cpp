// CSV export and import of 1,000,000 parts, each beside the sqlite3 shell doing the same in the
// same run: `sqlite3 -csv -header FILE "SELECT * FROM Parts" > out.csv` for the export and
// `.import --csv --skip 1` into an empty table for the import. Two tables: all 32 columns of a
// parts table, and the 12 columns of the seeded catalogue (Retail Price, Qty In Stock, Weight,
// Location and Manufacturer Name beside the fixed ones; dates of ten years, no pictures). Each run
// is a process of its own, so that its time and its peak memory are its alone; the program's rows
// say how many times the shell's time they took (x_shell).
//
//   bench_csv [FOLDER]   (default: a folder in the build tree; the 1,000,000-row files are made
//                         once and kept there)

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

constexpr int kRows = 1000000;
// Retail Price, Qty In Stock, Weight, Location, Manufacturer Name: the seeded catalogue's.
const std::vector<int> kSeededBoxes{1, 4, 10, 13, 14};

QString g_folder;

std::string program() {
    return (QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/cogwright"))
        .toStdString();
}
std::string path(const QString& name) {
    return QDir(g_folder).filePath(name).toStdString();
}

// The seeded catalogue's columns, 1,000,000 rows straight through SQLite, with creation dates
// and times spread over ten years.
void makeSeededCatalogue(const QString& path, int rows) {
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    {
        store::Catalog cat;
        cat.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
                   temp);
        store::parts::createPartsTable(cat, QStringLiteral("Parts"), kSeededBoxes);
        cat.ActiveConnection().Close();
    }
    sqlite3* db = nullptr;
    sqlite3_open(temp.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Parts VALUES (?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
    const QDate first(2016, 1, 1);
    for (int r = 1; r <= rows; ++r) {
        sqlite3_bind_int(st, 1, r);
        const std::string number = "P-" + std::to_string(r);
        sqlite3_bind_text(st, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "Hex Bolt M8 x 40, Grade 8.8", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, "Fasteners", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 5, "Zinc-plated hexagon head bolt, part thread.", -1, SQLITE_STATIC);
        sqlite3_bind_int64(st, 6, 100 * (35 + r % 5000));  // Retail Price: 0.35 to 50.34
        sqlite3_bind_int(st, 7, r % 1000);                 // Qty In Stock
        sqlite3_bind_double(st, 8, double(float(0.001f * float(r % 700))));  // Weight
        sqlite3_bind_text(st, 9, "Drawer F-12", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 10, "Norrland Fasteners", -1, SQLITE_STATIC);
        const QDate day = first.addDays(r % 3650);
        const std::string date = QStringLiteral("%1 %2:%3:%4")
                                     .arg(day.toString(Qt::ISODate))
                                     .arg(r % 24, 2, 10, QLatin1Char('0'))
                                     .arg(r % 60, 2, 10, QLatin1Char('0'))
                                     .arg((r * 7) % 60, 2, 10, QLatin1Char('0'))
                                     .toStdString();
        sqlite3_bind_text(st, 11, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_null(st, 12);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(temp, path);
}

// One of the two tables: its catalogue, made once, and an empty one like it for each import.
struct Table {
    int columns;
    QString catalogue() const {
        return QDir(g_folder).filePath(columns == 32 ? QStringLiteral("parts-1m.mdb")
                                                     : QStringLiteral("seeded-1m.mdb"));
    }
    void make(const QString& file, int rows) const {
        if (columns == 32)
            makeCatalogue(file, rows);
        else
            makeSeededCatalogue(file, rows);
    }
    QString emptyCopy(const QString& name) const {
        const QString copy = QDir(g_folder).filePath(name);
        QFile::remove(copy);
        QFile::remove(copy + QStringLiteral("-journal"));
        make(copy, 0);
        return copy;
    }
    QString csv(const char* who) const {
        return QStringLiteral("%1-%2.csv").arg(QLatin1String(who)).arg(columns);
    }
};

// The shell's time of each kind of run, for the program's run after it.
std::map<std::string, double> g_shellSeconds;

void report(benchmark::State& state, const ChildRun& r, const std::string& shellKey = {}) {
    if (r.status != 0) state.SkipWithError("the run failed");
    state.SetIterationTime(r.seconds);
    state.counters["peak_MiB"] = double(r.peakKiB) / 1024.0;
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["rows_per_s"] = kRows / r.seconds;
    if (!shellKey.empty() && g_shellSeconds.count(shellKey))
        state.counters["x_shell"] = r.seconds / g_shellSeconds[shellKey];
}

void exportShell(benchmark::State& state, Table t) {
    for (auto _ : state) {
        const ChildRun r = runChild(
            {"sqlite3", "-csv", "-header", t.catalogue().toStdString(), "SELECT * FROM Parts"},
            path(t.csv("shell")));
        g_shellSeconds["export" + std::to_string(t.columns)] = r.seconds;
        report(state, r);
    }
}

void exportProgram(benchmark::State& state, Table t) {
    for (auto _ : state)
        report(state,
               runChild({program(), "--export-csv", t.catalogue().toStdString(), "Parts",
                         path(t.csv("program"))}),
               "export" + std::to_string(t.columns));
}

void importShell(benchmark::State& state, Table t) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString copy = t.emptyCopy(QStringLiteral("import-shell.mdb"));
        state.ResumeTiming();
        const ChildRun r = runChild({"sqlite3", copy.toStdString(),
                                     ".import --csv --skip 1 " + path(t.csv("shell")) + " Parts"});
        g_shellSeconds["import" + std::to_string(t.columns)] = r.seconds;
        report(state, r);
    }
}

void importProgram(benchmark::State& state, Table t) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString copy = t.emptyCopy(QStringLiteral("import-program.mdb"));
        state.ResumeTiming();
        report(state,
               runChild({program(), "--import-csv", copy.toStdString(), "Parts",
                         path(t.csv("program"))}),
               "import" + std::to_string(t.columns));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    g_folder = QStringLiteral(BENCH_DATA_DIR);
    if (argc > 1 && argv[1][0] != '-') g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    for (const Table t : {Table{32}, Table{12}}) {
        if (!QFileInfo::exists(t.catalogue())) {
            std::fprintf(stderr, "making %s (once)...\n", qPrintable(t.catalogue()));
            t.make(t.catalogue(), kRows);
        }
        // Each program run right after the shell's run of the same kind.
        const std::string x = " 1,000,000 x " + std::to_string(t.columns) + "/";
        using Runner = void (*)(benchmark::State&, Table);
        const std::pair<const char*, Runner> runs[] = {{"export", exportShell},
                                                       {"export", exportProgram},
                                                       {"import", importShell},
                                                       {"import", importProgram}};
        for (const auto& [name, run] : runs) {
            const std::string who =
                run == exportShell || run == importShell ? "sqlite3 shell" : "program";
            benchmark::RegisterBenchmark((name + x + who).c_str(), run, t)
                ->UseManualTime()
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
