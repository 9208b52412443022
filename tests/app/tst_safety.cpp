// The parts window where work used to be lost: another program saving the same record, text
// left in the field editor, records shown cut, tables with columns of their own, pictures that
// are refused, folders that cannot be written and paths with odd characters.

#include <sys/stat.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include "Control.h"
#include "Recordset.h"
#include "Session.h"

namespace {

QString openString(const QString& path) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           store::Connection::quoteValue(path);
}

std::unique_ptr<Session> startedOn(std::unique_ptr<Session> s) {
    return shownSession(std::move(s));
}
std::unique_ptr<Session> started(int parts) {
    return shownSession(parts);
}

QString stored(const Session& s, const QString& sql) {
    return sqliteShell(s.db(), sql);
}

void typeIntoEditor(Session& s, int column, const QString& text) {
    s.typeInEditor(column, text);
}

}  // namespace

class SafetyTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Another copy of the program saved the record meanwhile: nothing is written over it
    // unasked, the user's text stays, and either version can be kept.
    void aRecordSavedElsewhereIsNeverOverwrittenSilently() {
        auto s = started(2);
        const QByteArray picture = pictureBytes("png", 20, 20, Qt::blue);
        writeFile(s->folder.file(QStringLiteral("mine.png")), picture);
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Mine"));
        s->platform.fileChoices = {s->folder.file(QStringLiteral("mine.png"))};
        s->click("cmdSelect");
        sqliteShell(s->db(),
                    QStringLiteral("UPDATE Parts SET PartName = 'Theirs' WHERE PartID = 1"));
        s->platform.answers = {false};  // keep my changes
        s->click("cmdSave");
        QCOMPARE(s->platform.questions.size(), size_t(1));
        QVERIFY(s->platform.questions[0].text.contains(QStringLiteral("changed")));
        QVERIFY(!s->platform.questions[0].defaultYes);
        QCOMPARE(stored(*s, "SELECT PartName || '/' || Category FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Theirs/Category 1"));
        QCOMPARE(s->text("txtCategory"), QStringLiteral("Mine"));
        QVERIFY(s->state().bRecordChanged && s->state().bEditMode);
        // The screen now shows their name with my category; saving again, knowingly, stores
        // what is on screen.
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Theirs"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT PartName || '/' || Category FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Theirs/Mine"));
        // The picture chosen is stored once, not once for each try.
        QCOMPARE(stored(*s, "SELECT hex(Image) FROM Parts WHERE PartID = 1"),
                 QString::fromLatin1(picture.toHex().toUpper()));

        // Yes shows the other version instead.
        s->click("cmdNext");
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Dropped"));
        sqliteShell(s->db(),
                    QStringLiteral("UPDATE Parts SET PartName = 'Theirs 2' WHERE PartID = 2"));
        s->platform.answers = {true};
        s->click("cmdSave");
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Theirs 2"));
        QCOMPARE(s->text("txtCategory"), QStringLiteral("Category 2"));
        QCOMPARE(stored(*s, "SELECT PartName || '/' || Category FROM Parts WHERE PartID = 2"),
                 QStringLiteral("Theirs 2/Category 2"));
        QVERIFY(s->platform.reports.empty());
    }

    void aRecordDeletedElsewhereCanBeKeptAsANewRecord() {
        auto s = started(2);
        const QByteArray picture = pictureBytes("png", 20, 20, Qt::blue);
        {
            store::Connection cn;
            cn.Open(openString(s->db()));
            store::Recordset rs;
            rs.Open(QStringLiteral("Parts"), cn);
            rs["Image"].AppendChunk(picture);
            rs.Update();
        }
        s->click("cmdNext");
        s->click("cmdFirst");  // shown again with its picture
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Still wanted"));
        sqliteShell(s->db(), QStringLiteral("DELETE FROM Parts WHERE PartID = 1"));
        s->platform.answers = {false};
        s->click("cmdSave");
        QVERIFY(s->platform.questions.back().text.contains(QStringLiteral("deleted")));
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("1"));
        QCOMPARE(s->text("txtPartName"), QStringLiteral("Still wanted"));
        s->platform.answers = {true};
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(stored(*s,
                        "SELECT PartNumber || '/' || PartName || '/' || Category FROM Parts WHERE "
                        "PartID = 3"),
                 QStringLiteral("P-001/Still wanted/Category 1"));
        QCOMPARE(stored(*s, "SELECT hex(Image) FROM Parts WHERE PartID = 3"),
                 QString::fromLatin1(picture.toHex().toUpper()));
    }

    // Text typed into the field editor without Enter reaches the file on Save, a move, Print
    // and Close; a value its column cannot take stops them with a report.
    void fieldEditorTextIsNeverDropped() {
        auto s = started(2);
        s->click("cmdEdit");
        typeIntoEditor(*s, 8, QStringLiteral("Shelf A"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT Location FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Shelf A"));

        s->click("cmdNext");
        s->click("cmdEdit");
        typeIntoEditor(*s, 8, QStringLiteral("Shelf B"));
        s->click("cmdPrevious");
        QCOMPARE(stored(*s, "SELECT Location FROM Parts WHERE PartID = 2"),
                 QStringLiteral("Shelf B"));

        s->click("cmdEdit");
        typeIntoEditor(*s, 6, QStringLiteral("lots"));
        s->click("cmdNext");
        QCOMPARE(s->platform.reports.size(), size_t(1));
        QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));  // did not move
        QCOMPARE(s->text("txtField"), QStringLiteral("lots"));
        typeIntoEditor(*s, 6, QStringLiteral("12"));
        s->click("cmdPrint");  // no printer here: the record is saved all the same
        QCOMPARE(stored(*s, "SELECT \"Qty In Stock\" FROM Parts WHERE PartID = 1"),
                 QStringLiteral("12"));

        s->click("cmdFirst");  // after a save, Edit waits for a move
        s->click("cmdEdit");
        typeIntoEditor(*s, 8, QStringLiteral("Shelf C"));
        s->platform.answers = {true};
        s->click("cmdClose");
        QVERIFY(s->platform.ended);
        QCOMPARE(stored(*s, "SELECT Location FROM Parts WHERE PartID = 1"),
                 QStringLiteral("Shelf C"));
    }

    // Text typed into the field editor for a record that is then deleted goes with it.
    void editorTextOfADeletedRecordGoesWithIt() {
        auto s = started(1);
        s->click("cmdEdit");
        typeIntoEditor(*s, 5, QStringLiteral("12.50"));
        s->platform.answers = {true};
        s->click("cmdDelete");  // the table is empty now: a new record starts
        QCOMPARE(s->text("txtField"), QString());
        s->type("txtPartNumber", QStringLiteral("N-1"));
        s->type("txtPartName", QStringLiteral("New"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(stored(*s, "SELECT PartNumber || '/' || \"Retail Price\" FROM Parts"),
                 QStringLiteral("N-1/0"));
    }

    // Print saves a new record and leaves the adding state, so Cancel Add cannot delete it.
    void printingANewRecordEndsTheAdding() {
        auto s = started(1);
        s->click("cmdAdd");
        s->type("txtPartNumber", QStringLiteral("N-1"));
        s->type("txtPartName", QStringLiteral("Printed new"));
        s->click("cmdPrint");
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("2"));
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        QVERIFY(!s->state().bEditMode && !s->state().bRecordChanged);
        QVERIFY(s->enabled("cmdAdd") && !s->enabled("cmdSave"));
        QVERIFY(s->locked("txtPartName"));
    }

    // A new or emptied table: the untouched first record is no change; text typed after
    // Cancel Add is one.
    void anEmptyTableCountsOnlyWhatIsTyped() {
        auto s = std::make_unique<Session>();
        s->folder.makeDatabase();
        s->folder.writeLogo();
        s = startedOn(std::move(s));
        QVERIFY(s->state().bEditMode && !s->state().bRecordChanged);
        s->type("txtPartNumber", QStringLiteral("X"));
        s->platform.answers = {};
        s->click("cmdDelete");  // Cancel Add in an empty table
        QCOMPARE(s->platform.messages.back().text,
                 QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        QVERIFY(!s->state().bRecordChanged && s->state().bEditMode);
        QCOMPARE(s->text("txtPartNumber"), QString());
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        QVERIFY(!s->locked("txtPartNumber"));
        s->type("txtPartNumber", QStringLiteral("E-1"));
        s->type("txtPartName", QStringLiteral("Typed after Cancel Add"));
        QVERIFY(s->state().bRecordChanged);
        s->platform.answers = {true};
        s->click("cmdClose");
        QVERIFY(s->platform.ended);
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts"),
                 QStringLiteral("Typed after Cancel Add"));
        QCOMPARE(s->platform.questions.size(), size_t(1));  // only the quit question
    }

    // A table with columns after Image, and values longer than the window shows.
    void columnsByNameAndLongValuesKeptWhole() {
        auto s = std::make_unique<Session>();
        const QString db = s->folder.makeDatabase();
        s->folder.writeLogo();
        addParts(db, QStringLiteral("Parts"), 1);
        sqliteShell(db, QStringLiteral("ALTER TABLE Parts ADD COLUMN Notes VARWCHAR(50)"));
        const QString longCategory = QString(200000, QLatin1Char('c'));
        const QString longDescription =
            QStringLiteral("line one\nline two ") + QString(5000, QLatin1Char('d'));
        {
            store::Connection cn;
            cn.Open(openString(db));
            store::Recordset rs;
            rs.Open(QStringLiteral("Parts"), cn);
            rs["Notes"].setValue(QStringLiteral("n"));
            rs.Update();
        }
        // Longer than the columns' sizes, as another program may store them.
        sqliteShell(
            db,
            QStringLiteral(
                "UPDATE Parts SET Category = printf('%.200000c', 'c'), "
                "Description = 'line one' || char(10) || 'line two ' || printf('%.5000c', 'd')"));
        QElapsedTimer shown;
        shown.start();
        s = startedOn(std::move(s));
        QVERIFY2(shown.elapsed() < 3000, "a long value took seconds to show");
        QCOMPARE(s->grid()->columnCount(), 11);  // every column but Image
        QCOMPARE(s->cell(0, 10), QStringLiteral("Notes"));
        QVERIFY(s->text("txtCategory").size() < longCategory.size());
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Renamed"));
        typeIntoEditor(*s, 10, QStringLiteral("new note"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(stored(*s,
                        "SELECT PartName || '/' || Notes || '/' || length(Category) || '/' || "
                        "length(Description) || "
                        "'/' || Description FROM Parts"),
                 QStringLiteral("Renamed/new note/200000/%1/%2")
                     .arg(longDescription.size())
                     .arg(longDescription));
        // An edited long text is saved as typed (cut to the save limit).
        s->click("cmdFirst");
        s->click("cmdEdit");
        s->replaceText("txtCategory", QStringLiteral("Short"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT Category FROM Parts"), QStringLiteral("Short"));
    }

    // The close box with changes asks Save / Discard / Cancel; what was typed is saved or
    // kept only as answered.
    void closeBoxAsksAboutChanges_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<QString>("stored");
        QTest::newRow("save") << int(Platform::SaveChoice::Save) << true << "Typed";
        QTest::newRow("discard") << int(Platform::SaveChoice::Discard) << true << "Part number 1";
        QTest::newRow("cancel") << int(Platform::SaveChoice::Cancel) << false << "Part number 1";
    }
    void closeBoxAsksAboutChanges() {
        QFETCH(int, choice);
        auto s = started(1);
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Typed"));
        s->platform.saveChoices = {Platform::SaveChoice(choice)};
        s->w->close();
        QCOMPARE(s->platform.questions.size(), size_t(1));
        QCOMPARE(s->platform.questions[0].text, QStringLiteral("Save the changes to this part?"));
        QTEST(s->platform.ended, "ended");
        QTEST(stored(*s, "SELECT PartName FROM Parts"), "stored");
        if (!s->platform.ended) {
            QCOMPARE(s->text("txtPartName"), QStringLiteral("Typed"));
            QVERIFY(s->state().bRecordChanged && s->w->isVisible());
        }
    }

    // A new part saved by Close, the quit question answered No: the window browses it, and
    // Delete asks before anything goes.
    void cancelAddNeverOutlivesTheSave() {
        auto s = started(1);
        s->click("cmdAdd");
        s->type("txtPartNumber", QString(50, QLatin1Char('7')));  // the column holds 50
        s->type("txtPartName", QStringLiteral("New"));
        s->platform.answers = {false};
        s->click("cmdClose");
        QCOMPARE(stored(*s, "SELECT length(PartNumber) FROM Parts WHERE PartID = 2"),
                 QStringLiteral("50"));
        QCOMPARE(s->child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        QVERIFY(s->enabled("cmdPrevious") && !s->enabled("cmdSave"));
        s->platform.answers = {false};
        s->click("cmdDelete");
        QCOMPARE(stored(*s, "SELECT count(*) FROM Parts"), QStringLiteral("2"));
    }

    // Delete answered No keeps what was typed into the field editor, to be saved.
    void editorTextStaysWhenTheDeleteIsDeclined() {
        auto s = started(1);
        s->click("cmdEdit");
        typeIntoEditor(*s, 5, QStringLiteral("12.50"));
        s->platform.answers = {false};
        s->click("cmdDelete");
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT \"Retail Price\" FROM Parts"), QStringLiteral("125000"));
    }

    // Text put into the field editor by assistive technology is saved like typed text.
    void editorTakesTextFromAssistiveTechnology() {
        auto s = started(1);
        s->click("cmdEdit");
        s->clickCell(1, 8);  // Location
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s->child("txtField"));
        QVERIFY(a);
        a->setText(QAccessible::Value, QStringLiteral("Dictated shelf"));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT Location FROM Parts"), QStringLiteral("Dictated shelf"));
    }

    // Only blanks are trimmed; the part number box takes the 50 characters its column holds.
    void trimmingAndLimits() {
        auto s = started(1);
        s->click("cmdEdit");
        s->replaceText("txtDescription", QString());
        QTest::keyClicks(s->child("txtDescription"), QStringLiteral("  two lines"));
        QTest::keyClick(s->child("txtDescription"), Qt::Key_Return);
        s->replaceText("txtPartNumber", QString(60, QLatin1Char('9')));
        QCOMPARE(s->text("txtPartNumber").size(), 50);
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT quote(Description) || length(PartNumber) FROM Parts"),
                 QStringLiteral("'two lines\n'50"));
        // Locked boxes say so to a screen reader.
        for (const char* box : {"txtPartNumber", "txtDescription", "txtField"}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s->child(box));
            QVERIFY2(a && a->state().readOnly, box);
        }
        s->click("cmdFirst");
        s->click("cmdEdit");
        QVERIFY(
            !QAccessible::queryAccessibleInterface(s->child("txtDescription"))->state().readOnly);
    }

    // A refused picture choice is never stored; the record keeps its picture.
    void refusedPicturesAreNeverStored_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("zero bytes") << "empty";
        QTest::newRow("not a picture") << "text";
        QTest::newRow("pipe") << "fifo";
        QTest::newRow("device") << "device";
        QTest::newRow("folder") << "folder";
    }

    void refusedPicturesAreNeverStored() {
        QFETCH(QString, kind);
        auto s = std::make_unique<Session>();
        s->folder.makeDatabase();
        s->folder.writeLogo();
        const QByteArray good = pictureBytes("bmp", 20, 20, Qt::green);
        addPart(s->db(), QStringLiteral("Parts"),
                {{"PartNumber", "A"}, {"PartName", "Pictured"}, {"Image", good}});
        s = startedOn(std::move(s));
        QString chosen = s->folder.file(QStringLiteral("chosen.jpg"));
        if (kind == "empty") writeFile(chosen, QByteArray());
        if (kind == "text") writeFile(chosen, QByteArray("no picture here"));
        if (kind == "fifo") QCOMPARE(mkfifo(chosen.toLocal8Bit().constData(), 0600), 0);
        if (kind == "device") chosen = QStringLiteral("/dev/zero");
        if (kind == "folder") QDir().mkpath(chosen);
        s->click("cmdEdit");
        s->platform.fileChoices = {chosen};
        QElapsedTimer took;
        took.start();
        s->click("cmdSelect");
        QVERIFY(took.elapsed() < 5000);
        QCOMPARE(s->platform.reports.size(), size_t(1));
        QVERIFY(s->pictureShown());  // still the record's own
        s->replaceText("txtPartName", QStringLiteral("Renamed"));
        s->click("cmdSave");
        QCOMPARE(s->platform.reports.size(), size_t(1));
        QCOMPARE(stored(*s, "SELECT PartName || '/' || hex(Image) FROM Parts"),
                 QStringLiteral("Renamed/") + QString::fromLatin1(good.toHex().toUpper()));
    }

    void aNameWithATrailingBlankIsTheFileSaved() {
        auto s = started(1);
        const QByteArray blank = pictureBytes("png", 20, 20, Qt::blue);
        writeFile(s->folder.file(QStringLiteral("pic.png ")), blank);
        writeFile(s->folder.file(QStringLiteral("pic.png")), pictureBytes("png", 20, 20, Qt::red));
        s->click("cmdEdit");
        s->platform.fileChoices = {s->folder.file(QStringLiteral("pic.png "))};
        s->click("cmdSelect");
        QCOMPARE(s->pictureColourAtCentre(), QColor(Qt::blue));
        s->click("cmdSave");
        QCOMPARE(stored(*s, "SELECT hex(Image) FROM Parts"),
                 QString::fromLatin1(blank.toHex().toUpper()));
    }

    // Where the unpack file cannot be written in the program's folder, pictures are unpacked
    // elsewhere and the program starts and browses as usual.
    void startsWhereTheUnpackFileCannotBeWritten() {
        auto s = std::make_unique<Session>();
        s->folder.makeDatabase();
        s->folder.writeLogo();
        addPart(s->db(), QStringLiteral("Parts"),
                {{"PartNumber", "A"},
                 {"PartName", "Pictured"},
                 {"Image", pictureBytes("png", 20, 20, Qt::blue)}});
        addPart(s->db(), QStringLiteral("Parts"),
                {{"PartNumber", "B"},
                 {"PartName", "Green"},
                 {"Image", pictureBytes("bmp", 20, 20, Qt::green)}});
        QDir().mkpath(s->folder.file(QStringLiteral("ok.jpg")));  // the name is taken by a folder
        s = startedOn(std::move(s));
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(s->pictureColourAtCentre(), QColor(Qt::blue));
        s->click("cmdNext");
        QCOMPARE(s->pictureColourAtCentre(), QColor(Qt::green));
        s->click("cmdEdit");
        s->replaceText("txtPartName", QStringLiteral("Saved"));
        s->click("cmdSave");
        QVERIFY(s->platform.reports.empty());
        QCOMPARE(stored(*s, "SELECT PartName FROM Parts WHERE PartID = 2"),
                 QStringLiteral("Saved"));
        QVERIFY(QFileInfo(s->folder.file(QStringLiteral("ok.jpg"))).isDir());
    }

    // A program folder whose name holds ';', '=' and quotes: the default catalogue opens.
    void startsFromAFolderWithAnOddName() {
        ProgramFolder outer;
        const QString folder = outer.file(QStringLiteral("semi;dir=\"x\" it's"));
        QDir().mkpath(folder);
        ScriptedPlatform platform(folder);
        {
            ProgramFolder scratch;
            const QString db = scratch.makeDatabase();
            addParts(db, QStringLiteral("Parts"), 2);
            QVERIFY(QFile::copy(db, folder + QStringLiteral("/Parts.mdb")));
        }
        writeFile(outer.file(QStringLiteral("semi")), QByteArray("the cut name"));
        frmMain w;
        QVERIFY(startUpGuarded(nullptr, [&] { w.Form_Load(); }));
        QVERIFY(platform.reports.empty());
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtDatabase"))->text(),
                 folder + QStringLiteral("/Parts.mdb"));
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtPartNumber"))->text(),
                 QStringLiteral("P-001"));
    }
};

QTEST_MAIN(SafetyTest)
#include "tst_safety.moc"
