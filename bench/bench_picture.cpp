// Saving and showing a record with a 10 MB picture, beside Qt's own decode of the file and
// the sqlite3 shell storing the same bytes. Each figure is the median of several runs.
//
//   bench_picture [FOLDER]

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QRandomGenerator>
#include <algorithm>
#include <vector>

#include "BenchSupport.h"
#include "Control.h"
#include "Recordset.h"
#include "frmMain.h"

namespace {

constexpr int kRuns = 7;

double msSince(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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
    QString folder = QStringLiteral(BENCH_DATA_DIR "/picture");
    if (argc > 1) folder = QString::fromLocal8Bit(argv[1]);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString db = folder + QStringLiteral("/Parts.mdb");
    makeCatalogue(db, 2);
    {
        // The second record has a small picture of its own, so that moving back to the first
        // shows its picture afresh rather than the one last decoded.
        QImage small(64, 64, QImage::Format_RGB32);
        small.fill(Qt::darkGreen);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        small.save(&buffer, "png");
        store::Connection cn;
        cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                store::Connection::quoteValue(db));
        store::Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        rs.MoveLast();
        rs["Image"].AppendChunk(png);
        rs.Update();
    }

    const QByteArray jpeg = bigJpeg();
    const QString picture = folder + QStringLiteral("/big.jpg");
    {
        QFile f(picture);
        f.open(QIODevice::WriteOnly);
        f.write(jpeg);
    }
    std::vector<double> decode, decodeShown, insert, save, show;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        QImageReader reader(picture);
        const QImage decoded = reader.read();
        decode.push_back(msSince(t));
        t.restart();
        QImageReader toSize(picture);
        toSize.setScaledSize(QSize(213, 174));  // the parts window's picture control
        const QImage small = toSize.read();
        decodeShown.push_back(msSince(t));
        const QString scratch = folder + QStringLiteral("/scratch.db");
        QFile::remove(scratch);
        const std::string shell = "sqlite3 '" + scratch.toStdString() +
                                  "' \"CREATE TABLE t(b BLOB); INSERT INTO t VALUES (readfile('" +
                                  picture.toStdString() + "'))\"";
        t.restart();
        if (std::system(shell.c_str()) != 0) return 1;
        insert.push_back(msSince(t));
        QFile::remove(scratch);
    }

    BenchPlatform platform(folder);
    Platform::install(&platform);
    frmMain window;
    window.Form_Load();
    auto* name = window.findChild<QLineEdit*>(QStringLiteral("txtPartName"));
    for (int i = 0; i < kRuns; ++i) {
        // A fresh copy each time, so that the save stores it again.
        const QString chosen = folder + QStringLiteral("/big%1.jpg").arg(i);
        QFile::copy(picture, chosen);
        window.cmdFirst_Click();
        window.cmdEdit_Click();
        name->setText(QStringLiteral("Pictured %1").arg(i));
        platform.choice = chosen;
        window.cmdSelect_Click();  // shows the chosen file, as a user waits for it
        QElapsedTimer t;
        t.start();
        window.cmdSave_Click();  // reads, stores, then shows the stored picture again
        save.push_back(msSince(t));
        window.cmdNext_Click();
        t.restart();
        window.cmdFirst_Click();  // unpacks in 100-byte chunks and decodes afresh
        show.push_back(msSince(t));
        QFile::remove(chosen);
    }
    Platform::install(nullptr);
    const double d = median(decode), ds = median(decodeShown), in = median(insert),
                 sv = median(save), sh = median(show);
    std::printf("picture: %.1f MB JPEG, 3300x2600; medians of %d runs\n", jpeg.size() / 1e6, kRuns);
    std::printf("  Qt decode alone:                        %8.1f ms\n", d);
    std::printf("  sqlite3 shell insert with readfile():   %8.1f ms\n", in);
    std::printf(
        "  save with the picture (and show it):    %8.1f ms  (adds %.1f ms to decode + insert)\n",
        sv, sv - d - in);
    std::printf("  show it again:                          %8.1f ms  (adds %.1f ms to decode)\n",
                sh, sh - d);
    std::printf("  Qt decode to the control's size alone:  %8.1f ms  (show adds %.1f ms to it)\n",
                ds, sh - ds);
    return 0;
}
