// Seeds the default catalogue: a Parts table with a dozen parts of a small workshop and
// their pictures. It writes only a program folder that has no Parts.mdb yet: an existing
// Parts.mdb is the user's catalogue and is never touched.
//
//   seedparts PROGRAM_FOLDER PICTURES_FOLDER

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "Catalog.h"
#include "PartsLayout.h"
#include "Recordset.h"
#include "StoreError.h"

namespace {

struct SeedPart {
    const char* number;
    const char* name;
    const char* category;
    const char* description;
    const char* retailPrice;
    int qtyInStock;
    const char* weight;
    const char* location;
    const char* maker;
    const char* picture;  // nullptr: no picture
};

// Retail Price, Qty In Stock, Weight, Location, Manufacturer Name.
const std::vector<int> kOptionalBoxes{1, 4, 10, 13, 14};

const SeedPart kParts[] = {
    {"BR-1001", "Bronze Bushing 12 x 16 x 20 mm", "Bearings",
     "Oil-impregnated sintered bronze sleeve bushing for light shafts.", "3.80", 42, "0.012",
     "Bin A-03", "Hartwell Bearings", "bushing.jpg"},
    {"FS-2040", "Hex Bolt M8 x 40, Grade 8.8", "Fasteners",
     "Zinc-plated hexagon head bolt, part thread.", "0.35", 500, "0.021", "Drawer F-12",
     "Norrland Fasteners", "bolt.bmp"},
    {"GR-3024", "Spur Gear 24 Teeth, Module 1", "Gears",
     "Steel spur gear, 20 degree pressure angle, 8 mm bore.", "14.50", 12, "0.085", "Shelf G-01",
     "Cogwright Gearworks", "gear.gif"},
    {"SP-4020", "Compression Spring 20 mm", "Springs",
     "Music wire compression spring, 8 mm outside diameter, 20 mm free length.", "0.90", 150,
     "0.002", "Drawer S-04", "Tensile & Co.", "spring.ico"},
    {"BR-1202", "Ball Bearing 6202-2RS", "Bearings",
     "Deep groove ball bearing, rubber sealed both sides, 15 x 35 x 11 mm.", "6.25", 36, "0.045",
     "Bin A-07", "Hartwell Bearings", "bearing.jpg"},
    {"DR-5032", "V-Belt A32", "Drives", "Classical V-belt, section A, 32 inch inside length.",
     "9.95", 8, "0.12", "Hook D-02", "Meridian Drives", "belt.jpg"},
    {"FS-2110", "Flat Washer M10", "Fasteners", "Zinc-plated flat washer, DIN 125.", "0.06", 1200,
     "0.004", "Drawer F-15", "Norrland Fasteners", "washer.gif"},
    {"SH-6015", "Shaft Collar 15 mm", "Shafts",
     "One-piece set screw shaft collar, black oxide steel.", "4.40", 20, "0.03", "Bin H-02",
     "Meridian Drives", "collar.bmp"},
    {"DR-5140", "Roller Chain #40, 1 m", "Drives",
     "ANSI 40 single strand roller chain, 1/2 inch pitch, with connecting link.", "18.75", 6,
     "0.41", "Shelf D-05", "Meridian Drives", "chain.jpg"},
    {"BR-1304", "Pillow Block UCP204", "Bearings",
     "Cast iron pillow block with insert bearing for a 20 mm shaft.", "11.20", 10, "0.66",
     "Shelf A-10", "Hartwell Bearings", "pillowblock.ico"},
    {"SL-7025", "O-Ring 25 x 3 mm NBR", "Seals", "Nitrile rubber O-ring, 70 Shore A.", "0.28", 300,
     "0.001", "Drawer S-09", "Sealtite", "oring.jpg"},
    {"FS-2303", "Cotter Pin 3 x 30 mm", "Fasteners", "Steel split cotter pin.", "0.05", 800,
     "0.001", "Drawer F-20", "Norrland Fasteners", nullptr},
};

void seed(const QString& file, const QString& pictures) {
    const QString connection =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
        store::Connection::quoteValue(file);
    store::Catalog catalog;
    catalog.Create(connection);
    store::parts::createPartsTable(catalog, QStringLiteral("Parts"), kOptionalBoxes);

    store::Recordset rs;
    rs.Open(QStringLiteral("Parts"), catalog.ActiveConnection());
    const QDateTime firstDay(QDate(2026, 3, 2), QTime(9, 15));
    int day = 0;
    for (const SeedPart& p : kParts) {
        rs.AddNew();
        rs["PartNumber"].setValue(QString::fromUtf8(p.number));
        rs["PartName"].setValue(QString::fromUtf8(p.name));
        rs["Category"].setValue(QString::fromUtf8(p.category));
        rs["Description"].setValue(QString::fromUtf8(p.description));
        rs["Retail Price"].setValue(QString::fromLatin1(p.retailPrice));
        rs["Qty In Stock"].setValue(p.qtyInStock);
        rs["Weight"].setValue(QString::fromLatin1(p.weight));
        rs["Location"].setValue(QString::fromUtf8(p.location));
        rs["Manufacturer Name"].setValue(QString::fromUtf8(p.maker));
        rs["CreationDate"].setValue(firstDay.addDays(day).addSecs(day * 1234));
        ++day;
        if (p.picture) {
            QFile picture(pictures + QLatin1Char('/') + QString::fromLatin1(p.picture));
            if (!picture.open(QIODevice::ReadOnly))
                throw store::StoreError(
                    53, QStringLiteral("Cannot read the picture %1").arg(picture.fileName()));
            rs["Image"].AppendChunk(picture.readAll());
        }
        rs.Update();
    }
    rs.Close();
    catalog.ActiveConnection().Close();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: seedparts PROGRAM_FOLDER PICTURES_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString target = folder + QStringLiteral("/Parts.mdb");
    if (QFileInfo::exists(target)) return 0;  // the user's catalogue: never touched
    QDir().mkpath(folder);
    // Built aside and moved into place, so that a failed seed never leaves a half-made Parts.mdb.
    const QString temp = folder + QStringLiteral("/Parts.seeding.mdb");
    QFile::remove(temp);
    try {
        seed(temp, QString::fromLocal8Bit(argv[2]));
    } catch (const store::StoreError& e) {
        QFile::remove(temp);
        std::fprintf(stderr, "seedparts: %s\n", e.what());
        return 1;
    }
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        std::fprintf(stderr, "seedparts: cannot put Parts.mdb in place\n");
        return 1;
    }
    std::printf("seedparts: made %s\n", qPrintable(target));
    return 0;
}
