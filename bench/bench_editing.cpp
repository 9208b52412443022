// Clicking Next through 100,000 records of a 32-column table, saving edited records, and
// saving and showing a record with a 10 MB picture.
//
//   bench_editing [FOLDER]

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTreeWidget>

#include "BenchSupport.h"
#include "Control.h"
#include "frmMain.h"
#include "frmOpenDb.h"

namespace {

constexpr int kRows = 100000;

double msSince(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

QByteArray bigJpeg() {
    // Noise does not compress: about 10 MB of JPEG.
    QImage image(3300, 2600, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = rng.generate() | 0xff000000u;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpg", 95);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString folder = QStringLiteral(BENCH_DATA_DIR "/editing");
    if (argc > 1) folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QString db = folder + QStringLiteral("/Parts.mdb");
    if (!QFileInfo::exists(db)) {
        std::printf("Making %d parts in %s ...\n", kRows, qPrintable(db));
        makeCatalogue(db, kRows);
    }
    QFile::remove(folder + QStringLiteral("/logo.jpg"));
    QFile::copy(QStringLiteral(BENCH_LOGO), folder + QStringLiteral("/logo.jpg"));

    BenchPlatform platform(folder);
    Platform::install(&platform);
    frmMain window;
    window.Form_Load();

    // Next through every record: the move, Show_Data and Fill_Grid of each click.
    QElapsedTimer t;
    t.start();
    int clicks = 0;
    for (; clicks < kRows - 1; ++clicks) window.cmdNext_Click();
    const double nextMs = msSince(t);
    std::printf("Next, per click over %d records:          %8.3f ms\n", clicks, nextMs / clicks);

    // Edited and saved: one durable commit each.
    constexpr int kSaves = 200;
    auto* name = window.findChild<QLineEdit*>(QStringLiteral("txtPartName"));
    double saveMs = 0;
    for (int i = 0; i < kSaves; ++i) {
        window.cmdLast_Click();  // the first record gets the big picture below
        window.cmdEdit_Click();
        name->setText(QStringLiteral("Renamed %1").arg(i));
        t.restart();
        window.cmdSave_Click();
        saveMs += msSince(t);
    }
    std::printf("Save of an edited record, per save:       %8.3f ms\n", saveMs / kSaves);

    // A 10 MB picture: saved, then shown again, against Qt's decode and the sqlite3 shell.
    const QByteArray jpeg = bigJpeg();
    const QString picture = folder + QStringLiteral("/big.jpg");
    {
        QFile f(picture);
        f.open(QIODevice::WriteOnly);
        f.write(jpeg);
    }
    t.restart();
    QImageReader reader(picture);
    const QImage decoded = reader.read();
    const double decodeMs = msSince(t);
    const QString scratch = folder + QStringLiteral("/scratch.db");
    QFile::remove(scratch);
    const std::string shell = "sqlite3 '" + scratch.toStdString() +
                              "' \"CREATE TABLE t(b BLOB); INSERT INTO t VALUES (readfile('" + picture.toStdString() +
                              "'))\"";
    t.restart();
    if (std::system(shell.c_str()) != 0) return 1;
    const double insertMs = msSince(t);
    QFile::remove(scratch);

    window.cmdFirst_Click();
    window.cmdEdit_Click();
    platform.choice = picture;
    window.cmdSelect_Click();  // shows the chosen file: one decode, as a user waits for it
    t.restart();
    window.cmdSave_Click();  // reads, stores, then shows the stored picture again
    const double saveBigMs = msSince(t);
    window.cmdNext_Click();
    t.restart();
    window.cmdFirst_Click();  // unpacks in 100-byte chunks and decodes
    const double showBigMs = msSince(t);
    std::printf("picture: %.1f MB, %dx%d\n", jpeg.size() / 1e6, decoded.width(), decoded.height());
    std::printf("  Qt decode alone:                        %8.1f ms\n", decodeMs);
    std::printf("  sqlite3 shell insert with readfile():   %8.1f ms\n", insertMs);
    std::printf("  save with the picture (and show it):    %8.1f ms  (adds %.1f ms to decode + insert)\n", saveBigMs,
                saveBigMs - decodeMs - insertMs);
    std::printf("  show it again:                          %8.1f ms  (adds %.1f ms to decode)\n", showBigMs,
                showBigMs - decodeMs);
    QFile::remove(picture);

    // The chooser's preview of the whole table.
    Control::sDatabasePath = db;
    {
        frmOpenDb chooser;
        auto* tree = chooser.findChild<QTreeWidget*>(QStringLiteral("trvData"));
        t.restart();
        chooser.trvData_NodeClick(tree->topLevelItem(0));
        std::printf("Chooser preview of %d records:        %8.1f ms\n", kRows, msSince(t));
    }
    Platform::install(nullptr);
    return 0;
}
