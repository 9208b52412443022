// The printed catalogue as cards with pictures, and the labels, of 1,000 and 10,000 parts to a
// PDF through the command line: the time and the peak memory of each run, which must not grow
// with the table (the pages are made and written one at a time).
//
//   bench_paper [FOLDER]   (default: a folder in the build tree; the catalogues are made once)

#include <sqlite3.h>

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

namespace {

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
    std::vector<QByteArray> pictures;
    for (int i = 0; i < 64; ++i) pictures.push_back(picture(i));
    fillPictures(path, pictures);
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
            const ChildRun done = runChild(args);
            std::printf("%-34s %8d %10.2f %8.1f%s\n", r.name, rows, done.seconds,
                        double(done.peakKiB) / 1024, done.status == 0 ? "" : "  FAILED");
            std::fflush(stdout);
        }
    }
    return 0;
}
