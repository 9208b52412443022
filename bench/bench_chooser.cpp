// The chooser's preview of a whole table (grid and count shown), each beside the sqlite3 shell
// reading the same table in the same run, with the memory the preview takes at its peak.
//
//   bench_chooser [FOLDER]   (default: a folder in the build tree, where the catalogues are
//                            made once and kept: 100,000 parts with a 20 KB picture in every
//                            row, about 2 GB, and 1,000,000 parts without pictures, as the
//                            same with pictures would take 20 GB)

#include <sqlite3.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "Control.h"
#include "frmOpenDb.h"

namespace {

double msSince(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

QByteArray pictureOfAbout(qsizetype bytes) {
    // Noise does not compress: the side is grown until the JPEG is as large as asked.
    QRandomGenerator rng(11);
    for (int side = 40;; side += 4) {
        QImage image(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < side; ++x) line[x] = rng.generate() | 0xff000000u;
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "jpg", 90);
        if (jpeg.size() >= bytes) return jpeg;
    }
}

void makeWithPictures(const QString& path, int rows, const QByteArray& picture) {
    const QString temp = path + QStringLiteral(".pictures");
    makeCatalogue(temp, rows);
    fillPictures(temp, {picture});
    QFile::rename(temp, path);
}

double shellMs(const QString& db) {
    const std::string command =
        "sqlite3 '" + db.toStdString() + "' \"SELECT * FROM Parts\" >/dev/null";
    QElapsedTimer t;
    t.start();
    if (std::system(command.c_str()) != 0) std::exit(1);
    return msSince(t);
}

long rssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Clicks the table in a fresh chooser and waits until the grid is painted; the best of two
// rounds, each beside the shell, as the machine is shared.
void preview(const QString& db, const char* what) {
    shellMs(db);  // the file comes into the page cache for both
    double shell = 1e12, ms = 1e12;
    long peak = 0;
    QString count;
    for (int round = 0; round < 2; ++round) {
        shell = std::min(shell, shellMs(db));
        frmOpenDb chooser(DatabaseChoice{db, QStringLiteral("Parts")});
        chooser.show();
        QApplication::processEvents();
        auto* tree = chooser.findChild<QTreeWidget*>(QStringLiteral("trvData"));
        resetPeak();
        const long before = rssKiB();
        QElapsedTimer t;
        t.start();
        chooser.trvData_NodeClick(tree->topLevelItem(0));
        chooser.repaint();
        QApplication::processEvents();
        ms = std::min(ms, msSince(t));
        peak = std::max(peak, peakKiB() - before);
        count = chooser.findChild<QLineEdit*>(QStringLiteral("txtCount"))->text();
    }
    std::printf("%s (%s records):\n", what, qPrintable(count));
    std::printf("  sqlite3 shell, SELECT * FROM Parts:     %8.1f ms\n", shell);
    std::printf("  chooser preview, grid and count shown:  %8.1f ms  (%.2fx the shell)\n", ms,
                ms / shell);
    std::printf("  memory at the preview's peak:           %8.1f MB  (file %.1f MB)\n",
                peak / 1024.0, QFileInfo(db).size() / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString folder = QStringLiteral(BENCH_DATA_DIR "/chooser");
    if (argc > 1) folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QString pictures = folder + QStringLiteral("/Pictures.mdb");
    const QString million = folder + QStringLiteral("/Million.mdb");
    const QByteArray picture = pictureOfAbout(20 * 1024);
    if (!QFileInfo::exists(pictures)) {
        std::printf("Making 100,000 parts with a %lld-byte picture each in %s ...\n",
                    qint64(picture.size()), qPrintable(pictures));
        makeWithPictures(pictures, 100000, picture);
    }
    if (!QFileInfo::exists(million)) {
        std::printf("Making 1,000,000 parts without pictures in %s ...\n", qPrintable(million));
        makeCatalogue(million, 1000000);
    }
    QFile::remove(folder + QStringLiteral("/logo.jpg"));
    QFile::copy(QStringLiteral(BENCH_LOGO), folder + QStringLiteral("/logo.jpg"));

    BenchPlatform platform(folder);
    Platform::install(&platform);
    Control::sAppPath = folder;
    preview(pictures, "100,000 parts x 32 columns, a 20 KB picture in every row");
    preview(million, "1,000,000 parts x 32 columns, no pictures");
    Platform::install(nullptr);
    return 0;
}
