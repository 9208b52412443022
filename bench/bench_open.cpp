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

#include "Catalog.h"
#include "PartsLayout.h"
#include "Platform.h"
#include "frmMain.h"

namespace {

constexpr int kRows = 1000000;

class BenchPlatform : public Platform {
public:
    explicit BenchPlatform(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() override { return m_folder; }
    void errorReport(QWidget*, long number, const QString& description) override {
        std::fprintf(stderr, "error %ld: %s\n", number, qPrintable(description));
        std::exit(1);
    }

private:
    QString m_folder;
};

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void makeCatalogue(const QString& path) {
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    {
        store::Catalog cat;
        cat.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") + temp);
        std::vector<int> all;
        for (int b = 1; b <= store::parts::kOptionalCount; ++b) all.push_back(b);
        store::parts::createPartsTable(cat, QStringLiteral("Parts"), all);
        cat.ActiveConnection().Close();
    }
    // Bulk rows straight through SQLite: the store's per-row path is not what is measured here.
    sqlite3* db = nullptr;
    sqlite3_open(temp.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    std::string sql = "INSERT INTO Parts VALUES (?";
    for (int i = 1; i < 32; ++i) sql += ",?";
    sql += ")";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    for (int r = 1; r <= kRows; ++r) {
        sqlite3_bind_int(st, 1, r);
        const std::string number = "P-" + std::to_string(r);
        sqlite3_bind_text(st, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "Hex Bolt M8 x 40, Grade 8.8", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, "Fasteners", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 5, "Zinc-plated hexagon head bolt, part thread.", -1, SQLITE_STATIC);
        for (int box = 1; box <= 25; ++box) {
            const int col = 5 + box;
            switch (store::parts::optionalType(box)) {
                case store::adCurrency: sqlite3_bind_int64(st, col, 12345 + r); break;
                case store::adInteger: sqlite3_bind_int(st, col, r % 1000); break;
                case store::adSingle: sqlite3_bind_double(st, col, 0.25 * (r % 100)); break;
                default: sqlite3_bind_text(st, col, "Norrland Fasteners", -1, SQLITE_STATIC); break;
            }
        }
        sqlite3_bind_text(st, 31, "2026-03-02 09:15:00", -1, SQLITE_STATIC);
        sqlite3_bind_null(st, 32);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(temp, path);
}

frmMain* g_window = nullptr;

void BM_MoveAcrossTable(benchmark::State& state) {
    auto& rs = *g_window->rsParts;
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
    auto& rs = *g_window->rsParts;
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
        makeCatalogue(db);
    }
    QFile::copy(QStringLiteral(BENCH_LOGO), folder + QStringLiteral("/logo.jpg"));

    QElapsedTimer t;
    t.start();
    const std::string shell = "sqlite3 '" + db.toStdString() + "' 'SELECT PartID FROM Parts' >/dev/null";
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
    std::printf("peak memory during the open:              %8.1f MiB above %.1f MiB\n", (peak - before) / 1024.0,
                before / 1024.0);

    benchmark::RegisterBenchmark("move to a random row and show it", BM_MoveAcrossTable);
    benchmark::RegisterBenchmark("move next and show it", BM_MoveNext);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Platform::install(nullptr);
    return 0;
}
