// Pictures of records: choosing, storing byte for byte, showing again, and the refusals.

#include <QApplication>
#include <QTest>

#include "Pictures.h"
#include "Session.h"

namespace {

const QString kSamples = QStringLiteral(COGWRIGHT_SOURCE_DIR "/data/pictures");

std::unique_ptr<Session> started(const std::vector<Row>& rows, bool logo = true) {
    auto s = std::make_unique<Session>();
    s->folder.makeDatabase();
    if (logo) s->folder.writeLogo();
    for (const Row& r : rows) addPart(s->db(), QStringLiteral("Parts"), r);
    if (!s->start()) qFatal("start-up failed");
    s->w->show();
    return s;
}

QString imageHex(const Session& s, int id) {
    return sqliteShell(s.db(),
                       QStringLiteral("SELECT hex(Image) FROM Parts WHERE PartID = %1").arg(id));
}
QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

Row part(const char* number, const QVariant& image = QVariant()) {
    Row r{{"PartNumber", number}, {"PartName", QStringLiteral("Part %1").arg(number)}};
    if (image.isValid()) r["Image"] = image;
    return r;
}

// A JPEG padded after its end marker to exactly `size` bytes; decoders stop at the marker.
QByteArray jpegOfSize(int size, QColor colour) {
    QByteArray bytes = pictureBytes("jpg", 64, 48, colour);
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void chosenPictureIsStoredByteForByteAndShownAgain() {
        auto s = started({part("A"), part("B")});
        const QByteArray jpeg = jpegOfSize(12345, Qt::green);
        const QString file = writeFile(s->folder.file("chosen.jpg"), jpeg);
        s->click("cmdEdit");
        QVERIFY(s->child<QPushButton>("cmdSelect")->isVisible());
        s->platform.fileChoices = {file};
        s->click("cmdSelect");
        QCOMPARE(s->platform.fileDialogs.back().caption,
                 QStringLiteral("Select picture for current record..."));
        QCOMPARE(s->platform.fileDialogs.back().text,
                 QStringLiteral("Image Files (*.jpg, *.bmp, *.gif)|*.jpg;*.bmp;*.gif;*.ico"));
        QCOMPARE(s->platform.lastDialogFolder, s->folder.path() + QLatin1Char('/'));
        QVERIFY(s->state().bRecordChanged);
        QCOMPARE(s->state().sImagePath, file);
        QVERIFY(s->pictureColourAtCentre().green() > 200);
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(sqliteShell(s->db(), "SELECT length(Image) FROM Parts WHERE PartID = 1"),
                 QStringLiteral("12345"));
        QCOMPARE(imageHex(*s, 1), hex(jpeg));
        QVERIFY(!s->unpackFileLeft());
        QCOMPARE(s->state().sImagePath, s->folder.file("ok.jpg"));
        QCOMPARE(s->state().sStoredImagePath, s->state().sImagePath);
        // Away and back: unpacked from the file again.
        s->click("cmdNext");
        QVERIFY(!s->unpackFileLeft());
        QVERIFY(s->pictureColourAtCentre().red() > 200);  // B has no picture: the red logo
        s->click("cmdFirst");
        QVERIFY(!s->unpackFileLeft());
        QVERIFY(s->pictureColourAtCentre().green() > 200);
        // The chosen file is not needed any more once stored.
        QFile::remove(file);
        s->click("cmdNext");
        s->click("cmdFirst");
        QVERIFY(s->pictureColourAtCentre().green() > 200);
    }

    void savesWithoutAChoice() {
        const QByteArray bmp = pictureBytes("bmp", 30, 30, Qt::blue);
        auto s = started({part("A", bmp), part("B")});
        // A stored picture, saved without a new choice, is left as it is.
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Renamed"));
        s->click("cmdSave");
        QCOMPARE(imageHex(*s, 1), hex(bmp));
        QCOMPARE(sqliteShell(s->db(), "SELECT PartName FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Renamed"));
        // A record without a picture keeps none: the logo is only shown.
        s->click("cmdNext");
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Second"));
        s->click("cmdSave");
        QCOMPARE(imageHex(*s, 2), QString());
        // So does a new record.
        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("C"));
        s->type("txtPartName", QStringLiteral("Third"));
        s->click("cmdSave");
        QCOMPARE(imageHex(*s, 3), QString());
        QVERIFY(!s->unpackFileLeft());
    }

    void withoutALogoNothingIsStored() {
        auto s = started({part("A")}, /*logo=*/false);
        QVERIFY(!s->pictureShown());
        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("B"));
        s->type("txtPartName", QStringLiteral("No logo"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(sqliteShell(s->db(), "SELECT quote(Image) FROM Parts WHERE PartID = 2"),
                 QStringLiteral("NULL"));
        QVERIFY(!QFile::exists(s->folder.file("logo.jpg")));  // no empty file made either
    }

    void cancelInTheDialog() {
        const QByteArray bmp = pictureBytes("bmp", 30, 30, Qt::blue);
        auto s = started({part("A", bmp)});
        s->click("cmdEdit");
        const QString before = s->state().sImagePath;
        s->platform.fileChoices = {QString()};
        s->click("cmdSelect");
        QVERIFY(!s->pictureShown());  // emptied until the record is shown again
        QCOMPARE(s->state().sImagePath, before);
        QVERIFY(!s->state().bRecordChanged);
        s->replaceText("txtPartName", QStringLiteral("Still here"));
        s->click("cmdSave");
        QCOMPARE(imageHex(*s, 1), hex(bmp));
        QVERIFY(s->pictureShown());
    }

    void picturesAreKnownByTheirContent_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("savedAs");
        QTest::newRow("GIF named .jpg") << "gear.gif"
                                        << "gear.jpg";
        QTest::newRow("icon") << "spring.ico"
                              << "spring.ico";
        QTest::newRow("BMP named .gif") << "bolt.bmp"
                                        << "bolt.gif";
    }

    void picturesAreKnownByTheirContent() {
        QFETCH(QString, sample);
        QFETCH(QString, savedAs);
        auto s = started({part("A")});
        const QByteArray bytes = readFile(kSamples + QLatin1Char('/') + sample);
        QVERIFY(!bytes.isEmpty());
        const QString file = writeFile(s->folder.file(savedAs), bytes);
        s->click("cmdEdit");
        s->platform.fileChoices = {file};
        s->click("cmdSelect");
        QVERIFY(s->platform.reports.empty());
        QVERIFY(s->pictureShown());
        s->click("cmdSave");
        QCOMPARE(imageHex(*s, 1), hex(bytes));
        QVERIFY(s->pictureShown());  // shown again from the stored bytes
    }

    void filesThatAreNoPictures_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text named .jpg") << QByteArray("Part list:\nbolts, nuts\n");
        QTest::newRow("truncated JPEG") << pictureBytes("jpg", 64, 48).left(300);
    }

    void filesThatAreNoPictures() {
        QFETCH(QByteArray, content);
        auto s = started({part("A")});
        const QString file = writeFile(s->folder.file("notes.jpg"), content);
        s->click("cmdEdit");
        s->platform.fileChoices = {file};
        s->click("cmdSelect");
        QCOMPARE(s->platform.reports.size(), size_t(1));
        QVERIFY(s->platform.reports[0].description.startsWith(
            QStringLiteral("File does not appear to be a valid image file...\r\n\r\n")));
        QVERIFY(s->platform.reports[0].description.size() > 52);  // the loader's own reason follows
        QVERIFY(!s->state().bRecordChanged);
        QVERIFY(s->state().bEditMode);
    }

    // An empty file is named as such, where the image reader alone says "Unknown error".
    void anEmptyPictureFileSaysItIsEmpty() {
        auto s = started({part("A")});
        const QString file = writeFile(s->folder.file("empty.jpg"), QByteArray());
        s->click("cmdEdit");
        s->platform.fileChoices = {file};
        s->click("cmdSelect");
        QCOMPARE(s->platform.reports.size(), size_t(1));
        const QString why = s->platform.reports[0].description;
        QVERIFY2(why.contains(file) && why.contains(QStringLiteral("empty")), qPrintable(why));
        QString decoded;
        QVERIFY(decodePicture(QByteArray(), &decoded).isNull());
        QVERIFY2(decoded.contains(QStringLiteral("empty")), qPrintable(decoded));
    }

    // The picture is read when chosen: the file removed before the save is stored all the same.
    void pictureGoneBeforeTheSave() {
        auto s = started({part("A")});
        const QByteArray bytes = pictureBytes("jpg");
        const QString file = writeFile(s->folder.file("gone.jpg"), bytes);
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Typed"));
        s->platform.fileChoices = {file};
        s->click("cmdSelect");
        QFile::remove(file);
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(imageHex(*s, 1), hex(bytes));
        QCOMPARE(sqliteShell(s->db(), "SELECT PartName FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Typed"));
    }
};

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
