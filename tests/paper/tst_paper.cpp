// Labels, the printed catalogue and the re-order list, made on the command line as a shop's
// script makes them, then read back from the PDF: its barcodes scanned, its text and pictures.
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include "Fixture.h"
#include "Labels.h"

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args) {
    const ProgramRun r = runProgram(program, args, QString(), {}, 120000);
    return {r.code, QString::fromUtf8(r.out), QString::fromUtf8(r.err)};
}

Run cogwright(const QStringList& args) {
    return run(QStringLiteral(COGWRIGHT_BIN), args);
}

QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .out;
}

int pdfPages(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf}).out;
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
}

// Part numbers in the order a text shows them.
QStringList partNumbers(const QString& text) {
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("\\b[A-Z]-\\d{3}\\b")).globalMatch(text);
    while (it.hasNext()) found << it.next().captured();
    return found;
}

constexpr int kDpi = 300;

// The sheets and rolls as their makers cut them (mm), told apart from the program's own table.
struct Sheet {
    double pageWidth, pageHeight;
    int columns, rows;
    double width, height, pitchX, pitchY;

    int perPage() const { return columns * rows; }
    // Labels sit centred on the paper.
    QRectF cell(int i) const {
        const double left = (pageWidth - (columns - 1) * pitchX - width) / 2;
        const double top = (pageHeight - (rows - 1) * pitchY - height) / 2;
        return QRectF(left + (i % columns) * pitchX, top + (i / columns) * pitchY, width, height);
    }
};

Sheet sheetNamed(const QString& name) {
    if (name == QLatin1String("a4-3x7")) return {210, 297, 3, 7, 63.5, 38.1, 66.04, 38.1};
    if (name == QLatin1String("a4-2x7")) return {210, 297, 2, 7, 99.1, 38.1, 101.6, 38.1};
    if (name == QLatin1String("letter-3x10"))
        return {215.9, 279.4, 3, 10, 66.675, 25.4, 69.85, 25.4};
    if (name == QLatin1String("roll-62x29")) return {62, 29, 1, 1, 62, 29, 62, 29};
    return {89, 36, 1, 1, 89, 36, 89, 36};
}

// What a scanner reads in one label: nothing, or the one code it holds.
QString scan(const QImage& label, paper::BarcodeKind kind, const QString& scratch) {
    label.save(scratch);
    const Run r = kind == paper::BarcodeKind::DataMatrix
                      ? run(QStringLiteral("dmtxread"),
                            {QStringLiteral("-m"), QStringLiteral("3000"), scratch})
                      : run(QStringLiteral("zbarimg"),
                            {QStringLiteral("--raw"), QStringLiteral("-q"), scratch});
    return r.out.trimmed();
}

// Dark pixels of a page that lie in no label: a label drawn past its cell.
int inkOutsideLabels(const QImage& page, const Sheet& layout) {
    const double px = kDpi / 25.4;
    QImage mask(page.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    for (int i = 0; i < layout.perPage(); ++i) {
        const QRectF cell = layout.cell(i);
        const QRect r = QRectF(cell.topLeft() * px, cell.size() * px).toAlignedRect();
        for (int y = qMax(0, r.top()); y <= qMin(page.height() - 1, r.bottom()); ++y)
            for (int x = qMax(0, r.left()); x <= qMin(page.width() - 1, r.right()); ++x)
                mask.scanLine(y)[x] = 255;
    }
    int outside = 0;
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x)
            if (line[x] < 128 && mask.constScanLine(y)[x] == 0) ++outside;
    }
    return outside;
}

// The pages of a PDF as grey images.
QList<QImage> pages(const QString& pdf, const QString& folder) {
    const QString prefix = QDir(folder).filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-gray"), pdf, prefix});
    QList<QImage> images;
    QDir dir(folder);
    for (const QString& f : dir.entryList({QStringLiteral("page*.pgm")}, QDir::Files, QDir::Name))
        images << QImage(dir.filePath(f)).convertToFormat(QImage::Format_Grayscale8);
    return images;
}

}  // namespace

class PaperTest : public QObject {
    Q_OBJECT

private slots:
    // Every label holds the part it should, in its own cell, and scans back as its part number;
    // a part number a code cannot carry on its label gets a note, never a wrong code.
    void labelsScanBack_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QStringList>("unscannable");
        const QStringList five{"A-101", "B-202", "C-303", "D-404", "E-505"};
        QTest::newRow("A4 3x7, Code 128") << "a4-3x7"
                                          << "code128" << 1 << 1 << five << QStringList();
        QTest::newRow("A4 2x7, QR, from label 12, twice")
            << "a4-2x7"
            << "qr" << 12 << 2 << five << QStringList();
        QTest::newRow("Letter 3x10, Data Matrix, from label 28")
            << "letter-3x10"
            << "datamatrix" << 28 << 1 << five << QStringList();
        QTest::newRow("roll 62x29, Code 128")
            << "roll-62x29"
            << "code128" << 1 << 1 << QStringList{"A-101", "B-202"} << QStringList();
        QTest::newRow("roll 89x36, QR, twice")
            << "roll-89x36"
            << "qr" << 1 << 2 << QStringList{"A-101", "B-202"} << QStringList();
        QTest::newRow("too long for Code 128 on Letter; not Latin-1")
            << "letter-3x10"
            << "code128" << 1 << 1
            << QStringList{"A-101", QString(40, QLatin1Char('W')), QStringLiteral("Ω-7"), "E-505"}
            << QStringList{QString(40, QLatin1Char('W')), QStringLiteral("Ω-7")};
        QTest::newRow("QR takes them")
            << "a4-3x7"
            << "qr" << 1 << 1 << QStringList{QString(40, QLatin1Char('W')), QStringLiteral("Ω-7")}
            << QStringList();
    }
    void labelsScanBack() {
        QFETCH(QString, layout);
        QFETCH(QString, barcode);
        QFETCH(int, start);
        QFETCH(int, copies);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, unscannable);
        ProgramFolder folder;
        const QString db =
            folder.makeDatabase(QStringLiteral("Shop.mdb"), QStringLiteral("Parts"), {13});
        for (const QString& n : numbers)
            addPart(db, QStringLiteral("Parts"),
                    {{QStringLiteral("PartNumber"), n},
                     {QStringLiteral("PartName"), QStringLiteral("Name of ") + n},
                     {QStringLiteral("Location"), QStringLiteral("Bin ") + n.left(1)}});
        const QString pdf = folder.file(QStringLiteral("labels.pdf"));
        const Run r = cogwright({QStringLiteral("--print-labels"), db, QStringLiteral("Parts"), pdf,
                                 QStringLiteral("--layout"), layout, QStringLiteral("--barcode"),
                                 barcode, QStringLiteral("--start"), QString::number(start),
                                 QStringLiteral("--copies"), QString::number(copies)});
        QCOMPARE(r.exitCode, 0);

        const Sheet sheet = sheetNamed(layout);
        const paper::BarcodeKind kind = *paper::barcodeKindNamed(barcode);
        // What each cell should hold, page after page: nothing before the start position.
        QStringList expected(start - 1);
        for (const QString& n : numbers)
            for (int c = 0; c < copies; ++c) expected << n;
        const int perPage = sheet.perPage();
        while (expected.size() % perPage) expected << QString();
        const QList<QImage> images = pages(pdf, folder.path());
        QCOMPARE(images.size(), int(expected.size() / perPage));
        QCOMPARE(pdfPages(pdf), int(images.size()));
        // PDF pages are sized in whole points: within half a millimetre.
        QVERIFY(qAbs(images.first().width() - sheet.pageWidth * kDpi / 25.4) < 6);
        QVERIFY(qAbs(images.first().height() - sheet.pageHeight * kDpi / 25.4) < 6);

        const double px = kDpi / 25.4;
        QStringList scanned;
        QStringList refusedNotes;
        for (const QImage& page : images) {
            QCOMPARE(inkOutsideLabels(page, sheet), 0);
            for (int i = 0; i < perPage; ++i) {
                const QRectF cell = sheet.cell(i);
                const QImage label =
                    page.copy(QRectF(cell.topLeft() * px, cell.size() * px).toRect());
                scanned << scan(label, kind, folder.file(QStringLiteral("label.png")));
            }
        }
        // Codes that cannot be made stay empty, and the run says which.
        const QString text = pdfText(pdf);
        for (QString& n : expected)
            if (unscannable.contains(n)) n.clear();
        QCOMPARE(text.count(QStringLiteral("No barcode")), unscannable.size() * copies);
        QCOMPARE(r.err.contains(QStringLiteral("no barcode")), !unscannable.isEmpty());
        QCOMPARE(scanned, expected);
    }

    // The catalogue lists every part in the table's order, a page header on every page and the
    // right page count; cards carry every picture that can be shown and a note for the others.
    void catalogue_data() {
        QTest::addColumn<bool>("cards");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("pagesExpected");
        QTest::newRow("list of 130") << false << 130 << 2;
        QTest::newRow("cards of 13") << true << 13 << 3;
        QTest::newRow("list of none") << false << 0 << 1;
        QTest::newRow("cards of none") << true << 0 << 1;
    }
    void catalogue() {
        QFETCH(bool, cards);
        QFETCH(int, parts);
        QFETCH(int, pagesExpected);
        ProgramFolder folder;
        const QString db = folder.makeDatabase(QStringLiteral("Shop.mdb"));
        QStringList numbers;
        int pictures = 0;
        // Added out of name order: the catalogue follows the keys, as the window does.
        for (int i = 0; i < parts; ++i) {
            const QString number =
                QStringLiteral("%1-%2").arg(QChar(QLatin1Char('Z' - i % 26))).arg(100 + i);
            numbers << number;
            Row row{{QStringLiteral("PartNumber"), number},
                    {QStringLiteral("PartName"), QStringLiteral("Part %1").arg(i)}};
            if (i % 3 == 0) {
                row[QStringLiteral("Image")] = pictureBytes("jpg", 60 + i, 40);
                ++pictures;
            } else if (i % 3 == 1) {
                row[QStringLiteral("Image")] = QByteArray("not a picture at all");
            }
            addPart(db, QStringLiteral("Parts"), row);
        }
        const QString pdf = folder.file(QStringLiteral("catalogue.pdf"));
        QStringList args{QStringLiteral("--print-catalogue"), db, QStringLiteral("Parts"), pdf};
        if (cards) args << QStringLiteral("--cards");
        const Run r = cogwright(args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(pdfPages(pdf), pagesExpected);
        const QString text = pdfText(pdf);
        QCOMPARE(partNumbers(text), numbers);
        for (int p = 1; p <= pagesExpected; ++p)
            QVERIFY(text.contains(QStringLiteral("Page %1 of %2").arg(p).arg(pagesExpected)));
        QCOMPARE(text.count(QStringLiteral("Table: Parts")), pagesExpected);
        const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).out;
        QCOMPARE(int(images.count(QStringLiteral(" image "))), cards ? pictures : 0);
        if (cards && parts > 1)
            QCOMPARE(int(text.count(QStringLiteral("The picture cannot be shown"))),
                     (parts + 1) / 3);
    }

    // The re-order list holds what a query over the table says is to be ordered, in PDF and CSV.
    void reorderList_data() {
        QTest::addColumn<std::vector<int>>("boxes");
        QTest::newRow("with what is on order and a supplier") << std::vector<int>{4, 5, 6, 18};
        QTest::newRow("without what is on order") << std::vector<int>{4, 6};
    }
    void reorderList() {
        QFETCH(std::vector<int>, boxes);
        ProgramFolder folder;
        const QString db =
            folder.makeDatabase(QStringLiteral("Shop.mdb"), QStringLiteral("Parts"), boxes);
        const bool onOrder = std::find(boxes.begin(), boxes.end(), 5) != boxes.end();
        const QVariant null;
        // stock, on order, level: below, at, above with what is on order, no level, no stock.
        const QVariant rows[][3] = {{2, 1, 5},       {3, 2, 5},  {4, 3, 5},    {0, 0, null},
                                    {null, null, 1}, {10, 0, 5}, {-1, null, 0}};
        int i = 0;
        for (const auto& v : rows) {
            Row row{{QStringLiteral("PartNumber"), QStringLiteral("R-%1").arg(100 + i++)},
                    {QStringLiteral("Qty In Stock"), v[0]},
                    {QStringLiteral("Re-Order Level"), v[2]}};
            if (onOrder) row[QStringLiteral("Qty On Order")] = v[1];
            addPart(db, QStringLiteral("Parts"), row);
        }
        const QString have = onOrder ? QStringLiteral(
                                           "coalesce(\"Qty In Stock\", 0) + "
                                           "coalesce(\"Qty On Order\", 0)")
                                     : QStringLiteral("coalesce(\"Qty In Stock\", 0)");
        const QStringList wanted =
            sqliteShell(db, QStringLiteral("SELECT PartNumber FROM Parts WHERE \"Re-Order Level\" "
                                           "IS NOT NULL AND %1 <= \"Re-Order Level\" ORDER BY "
                                           "PartID")
                                .arg(have))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(wanted.size() >= 3);

        const QString csv = folder.file(QStringLiteral("order.csv"));
        QCOMPARE(cogwright({QStringLiteral("--reorder-list"), db, QStringLiteral("Parts"), csv})
                     .exitCode,
                 0);
        const QStringList lines =
            QString::fromUtf8(readFile(csv)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.value(0).startsWith(QStringLiteral("PartNumber,PartName,Qty In Stock,")));
        QCOMPARE(lines.value(0).contains(QStringLiteral("Supplier 1 Name")), boxes.size() == 4);
        QStringList listed;
        for (const QString& line : lines.mid(1)) listed << line.section(QLatin1Char(','), 0, 0);
        QCOMPARE(listed, wanted);

        const QString pdf = folder.file(QStringLiteral("order.pdf"));
        QCOMPARE(cogwright({QStringLiteral("--reorder-list"), db, QStringLiteral("Parts"), pdf})
                     .exitCode,
                 0);
        QStringList printed;
        auto it = QRegularExpression(QStringLiteral("R-\\d{3}")).globalMatch(pdfText(pdf));
        while (it.hasNext()) printed << it.next().captured();
        QCOMPARE(printed, wanted);
    }

    // Exit 2 for arguments that are wrong, 1 for what cannot be done, the reason on standard
    // error, and no file left behind.
    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        const QString db = QStringLiteral("DB");
        const QString t = QStringLiteral("Parts");
        const QString out = QStringLiteral("OUT.pdf");
        QTest::newRow("unknown layout")
            << QStringList{"--print-labels", db, t, out, "--layout", "L9"} << 2
            << "There is no label layout 'L9'";
        QTest::newRow("unknown barcode")
            << QStringList{"--print-labels", db, t, out, "--barcode", "ean"} << 2 << "--barcode";
        QTest::newRow("start 0") << QStringList{"--print-labels", db, t, out, "--start", "0"} << 2
                                 << "from 1 to 21";
        QTest::newRow("start past the sheet")
            << QStringList{"--print-labels", db, t, out, "--layout", "a4-2x7", "--start", "15"} << 2
            << "from 1 to 14";
        QTest::newRow("no copies")
            << QStringList{"--print-labels", db, t, out, "--copies", "0"} << 2 << "--copies";
        QTest::newRow("not a PDF")
            << QStringList{"--print-catalogue", db, t, "OUT.txt"} << 2 << ".pdf";
        QTest::newRow("re-order list to a text file")
            << QStringList{"--reorder-list", db, t, "OUT.txt"} << 2 << "OUT.csv";
        QTest::newRow("two at once") << QStringList{"--print-labels", "--reorder-list", db, t, out}
                                     << 2 << "DATABASE TABLE OUT";
        QTest::newRow("no table") << QStringList{"--print-labels", db, "Nothing", out} << 1
                                  << "Nothing";
        QTest::newRow("not a table of parts")
            << QStringList{"--print-catalogue", db, "Plain", out} << 1 << "no PartNumber column";
        QTest::newRow("labels of an empty table")
            << QStringList{"--print-labels", db, "Empty", out} << 1 << "no parts to label";
        QTest::newRow("re-order list without stock")
            << QStringList{"--reorder-list", db, t, out} << 1 << "\"Re-Order Level\"";
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        ProgramFolder folder;
        const QString db = folder.makeDatabase(QStringLiteral("Shop.mdb"));
        addParts(db, QStringLiteral("Parts"), 3);
        sqliteShell(db, QStringLiteral("CREATE TABLE Plain (id INTEGER, note TEXT); CREATE TABLE "
                                       "Empty AS SELECT * FROM Parts WHERE 0"));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^DB$")), db);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT")),
                              folder.file(QStringLiteral("out")));
        const Run r = cogwright(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QVERIFY(!QFile::exists(folder.file(QStringLiteral("out.pdf"))));
    }
};

QTEST_GUILESS_MAIN(PaperTest)
#include "tst_paper.moc"
