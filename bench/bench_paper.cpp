// The printed catalogue as cards with pictures, and the labels, of 1,000 and 10,000 parts to a
// PDF through the command line: the time and the peak memory of each run, which must not grow
// with the table (the pages are made and written one at a time).
//
//   bench_paper [FOLDER]   (default: a folder in the build tree; the catalogues are made once)

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

Run spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
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
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// A JPEG of a few KB, different for each seed.
QByteArray picture(int seed) {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 160, 230));
    QPainter p(&image);
    p.setBrush(QColor::fromHsv(seed * 91 % 360, 200, 120));
    p.drawEllipse(QPointF(160, 120), 60 + seed % 50, 40 + seed % 30);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes;
}

// The bench catalogue with a picture in every row.
void makePictured(const QString& path, int rows) {
    if (QFileInfo::exists(path)) return;
    makeCatalogue(path, rows);
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE Parts SET Image = ? WHERE PartID = ?", -1, &st, nullptr);
    std::vector<QByteArray> pictures;
    for (int i = 0; i < 64; ++i) pictures.push_back(picture(i));
    for (int r = 1; r <= rows; ++r) {
        const QByteArray& bytes = pictures[size_t(r % 64)];
        sqlite3_bind_blob(st, 1, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
        sqlite3_bind_int(st, 2, r);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(BENCH_DATA_DIR "/paper");
    QDir().mkpath(folder);
    std::printf("%-34s %8s %10s %8s\n", "run", "parts", "seconds", "peak MB");
    for (int rows : {1000, 10000}) {
        const QString db = QDir(folder).filePath(QStringLiteral("pictured-%1.mdb").arg(rows));
        makePictured(db, rows);
        const std::string out = QDir(folder).filePath(QStringLiteral("out.pdf")).toStdString();
        const struct {
            const char* name;
            std::vector<std::string> args;
        } runs[] = {
            {"catalogue, cards with pictures",
             {"--print-catalogue", db.toStdString(), "Parts", out, "--cards"}},
            {"catalogue, list", {"--print-catalogue", db.toStdString(), "Parts", out}},
            {"labels, A4 3x7, Code 128", {"--print-labels", db.toStdString(), "Parts", out}},
            {"labels, A4 3x7, QR code",
             {"--print-labels", db.toStdString(), "Parts", out, "--barcode", "qr"}},
        };
        for (const auto& r : runs) {
            std::vector<std::string> args{COGWRIGHT_BIN};
            args.insert(args.end(), r.args.begin(), r.args.end());
            const Run done = spawn(args);
            std::printf("%-34s %8d %10.2f %8.1f%s\n", r.name, rows, done.seconds,
                        double(done.peakKiB) / 1024, done.status == 0 ? "" : "  FAILED");
            std::fflush(stdout);
        }
    }
    return 0;
}
