// Clicking Next through 100,000 records of a 32-column table, saving edited records, and the
// chooser's preview of the table. The 10 MB picture has a benchmark of its own (bench_picture).
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

double msSince(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
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
        window.cmdLast_Click();
        window.cmdEdit_Click();
        name->setText(QStringLiteral("Renamed %1").arg(i));
        t.restart();
        window.cmdSave_Click();
        saveMs += msSince(t);
    }
    std::printf("Save of an edited record, per save:       %8.3f ms\n", saveMs / kSaves);

    // The chooser's preview of the whole table.
    {
        frmOpenDb chooser(DatabaseChoice{db, QStringLiteral("Parts")});
        auto* tree = chooser.findChild<QTreeWidget*>(QStringLiteral("trvData"));
        t.restart();
        chooser.trvData_NodeClick(tree->topLevelItem(0));
        std::printf("Chooser preview of %d records:        %8.1f ms\n", kRows, msSince(t));
    }
    Platform::install(nullptr);
    return 0;
}
