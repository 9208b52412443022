// A catalogue file in hard use: two programs on one file, a program killed in the middle of a
// save, and files whose own definitions try to act on our writes.

#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QtEndian>
#include <csignal>

#include "Catalog.h"
#include "Connection.h"
#include "Fixture.h"
#include "Recordset.h"
#include "StoreError.h"

using namespace store;

namespace {

QString openString(const QString& path) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           Connection::quoteValue(path);
}

// ---- the writer that dies at its Nth write to the database file --------------------------------

int gWritesLeft = 0;
sqlite3_vfs gDying;
sqlite3_vfs* gReal = nullptr;
sqlite3_io_methods gDyingMethods;
const sqlite3_io_methods* gRealMethods = nullptr;

// The real file comes first; whether it is the database file follows it.
bool& isMainDb(sqlite3_file* f) {
    return *reinterpret_cast<bool*>(reinterpret_cast<char*>(f) + gReal->szOsFile);
}

int dyingWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    if (isMainDb(f) && --gWritesLeft == 0) raise(SIGKILL);
    return gRealMethods->xWrite(f, data, amount, offset);
}

int dyingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = gReal->xOpen(gReal, name, f, flags, outFlags);
    isMainDb(f) = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    if (f->pMethods) {
        if (!gRealMethods) {
            gRealMethods = f->pMethods;
            gDyingMethods = *gRealMethods;
            gDyingMethods.xWrite = dyingWrite;
        }
        if (f->pMethods == gRealMethods) f->pMethods = &gDyingMethods;
    }
    return rc;
}

// Child mode: saves a large picture and a new name into part 1, dying at the given write.
int crashWriter(const QString& path, int dieAt) {
    gReal = sqlite3_vfs_find(nullptr);
    gDying = *gReal;
    gDying.zName = "dying";
    gDying.szOsFile = gReal->szOsFile + int(sizeof(bool));
    gDying.xOpen = dyingOpen;
    sqlite3_vfs_register(&gDying, 1);
    gWritesLeft = dieAt;
    Connection cn;
    cn.Open(openString(path));
    Recordset rs;
    rs.Open(QStringLiteral("Parts"), cn);
    rs["PartName"].setValue(QStringLiteral("Saved whole"));
    rs["Image"].AppendChunk(QByteArray(300 * 1024, 'x'));
    rs.Update();
    return 0;
}

// Two programs on one catalogue of `parts` parts, each with its own connection and recordset.
struct TwoPrograms {
    ProgramFolder folder;
    QString db = folder.makeDatabase();
    Connection a, b;
    Recordset ra, rb;

    explicit TwoPrograms(int parts) {
        addParts(db, QStringLiteral("Parts"), parts);
        a.Open(openString(db));
        b.Open(openString(db));
        ra.Open(QStringLiteral("Parts"), a);
        rb.Open(QStringLiteral("Parts"), b);
    }
};

}  // namespace

class SharingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Killed at every write of a save that makes the file larger: the next open rolls the save
    // back (or finds it whole) and never calls the file damaged.
    void aSaveKilledHalfWayIsRolledBackOnTheNextOpen() {
        ProgramFolder folder;
        const QString original = folder.makeDatabase(QStringLiteral("Original.mdb"));
        addParts(original, QStringLiteral("Parts"), 3);
        int shortAndJournalled = 0;
        bool completed = false;
        for (int n = 1; n <= 200 && !completed; ++n) {
            const QString db = folder.file(QStringLiteral("Parts%1.mdb").arg(n));
            QVERIFY(QFile::copy(original, db));
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--crash-writer"), db, QString::number(n)});
            QVERIFY(child.waitForFinished(30000));
            completed = child.exitStatus() == QProcess::NormalExit;
            if (completed) QCOMPARE(child.exitCode(), 0);

            // What the old header check refused: a hot journal and a file shorter than its header
            // says.
            const QByteArray bytes = readFile(db);
            const auto* h = reinterpret_cast<const uchar*>(bytes.constData());
            const qint64 claimed =
                qint64(qFromBigEndian<quint32>(h + 28)) * qFromBigEndian<quint16>(h + 16);
            if (!completed && claimed > bytes.size() &&
                QFileInfo(db + QStringLiteral("-journal")).size() > 0)
                ++shortAndJournalled;

            Connection cn;
            try {
                cn.Open(openString(db));
            } catch (const StoreError& e) {
                QFAIL(qPrintable(QStringLiteral("write %1: %2").arg(n).arg(e.description())));
            }
            Recordset rs;
            rs.Open(QStringLiteral("Parts"), cn);
            QCOMPARE(rs.RecordCount(), 3L);
            const QString name = rs["PartName"].Value().toString();
            const qint64 picture = rs["Image"].ActualSize();
            if (completed) QCOMPARE(name, QStringLiteral("Saved whole"));
            // Wholly old or wholly new.
            QVERIFY2(
                (name == QStringLiteral("Part number 1") && picture == 0) ||
                    (name == QStringLiteral("Saved whole") && picture == 300 * 1024),
                qPrintable(QStringLiteral("write %1: %2, %3 bytes").arg(n).arg(name).arg(picture)));
        }
        QVERIFY(completed);
        QVERIFY2(shortAndJournalled > 0, "no kill left a short file behind a hot journal");
    }

    // Two programs on one record: the second save is refused, writes nothing, keeps its values,
    // and goes through once the user has seen the other version.
    void aRowChangedOrDeletedElsewhereIsNeverOverwritten() {
        TwoPrograms two(3);
        const QString& db = two.db;
        Recordset& ra = two.ra;
        Recordset& rb = two.rb;

        ra["PartName"].setValue(QStringLiteral("Name from A"));
        ra.Update();
        rb["Category"].setValue(QStringLiteral("Category from B"));
        QCOMPARE(errorOf([&] { rb.Update(); }), long(errRecordChanged));
        QCOMPARE(
            sqliteShell(db, QStringLiteral(
                                "SELECT PartName || '/' || Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Name from A/Category 1"));
        QCOMPARE(rb["Category"].Value().toString(),
                 QStringLiteral("Category from B"));                      // still pending
        QCOMPARE(errorOf([&] { rb.Update(); }), long(errRecordChanged));  // and still refused
        rb.Resync();
        QCOMPARE(rb["Category"].Value().toString(), QStringLiteral("Category from B"));
        rb.Update();
        QCOMPARE(
            sqliteShell(db, QStringLiteral(
                                "SELECT PartName || '/' || Category FROM Parts WHERE PartID = 1")),
            QStringLiteral("Name from A/Category from B"));

        // A second save of one's own is no conflict.
        rb["Description"].setValue(QStringLiteral("again"));
        rb.Update();

        // A row deleted under the other's feet.
        ra.MoveLast();
        rb.MoveLast();
        ra.Delete();
        rb["PartName"].setValue(QStringLiteral("Too late"));
        QCOMPARE(errorOf([&] { rb.Update(); }), long(errRecordDeleted));
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("2"));

        // A value another program stored in a form of its own (a float in a currency column)
        // is no conflict as long as nobody changed it.
        sqliteShell(db, QStringLiteral("UPDATE Parts SET \"Retail Price\" = 1.1 WHERE PartID = 2"));
        ra.MoveFirst();
        ra.MoveNext();
        ra["PartName"].setValue(QStringLiteral("Fine"));
        ra.Update();
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT PartName FROM Parts WHERE PartID = 2")),
                 QStringLiteral("Fine"));
    }

    // Two programs adding at once are given different keys, and both rows are written.
    void twoWritersAddingAtOnceGetDifferentKeys() {
        TwoPrograms two(12);
        const QString& db = two.db;
        Recordset& ra = two.ra;
        Recordset& rb = two.rb;
        Connection& a = two.a;
        Connection& b = two.b;
        ra.AddNew();
        rb.AddNew();
        QCOMPARE(ra[0].Value().toInt(), 13);
        QCOMPARE(rb[0].Value().toInt(), 14);
        for (Recordset* rs : {&rb, &ra}) {
            (*rs)["PartNumber"].setValue(QStringLiteral("N"));
            QCOMPARE(errorOf([&] { rs->Update(); }), 0L);
        }
        QCOMPARE(sqliteShell(db, QStringLiteral(
                                     "SELECT group_concat(PartID) FROM Parts WHERE PartID > 12")),
                 QStringLiteral("13,14"));

        // A table without a counter: the key taken meanwhile is given anew at the save.
        sqliteShell(db, QStringLiteral("CREATE TABLE Plain (ID INTEGER PRIMARY KEY, Name TEXT)"));
        Recordset pa, pb;
        pa.Open(QStringLiteral("Plain"), a);
        pb.Open(QStringLiteral("Plain"), b);
        pa.AddNew();
        pb.AddNew();
        pa["Name"].setValue(QStringLiteral("first"));
        pb["Name"].setValue(QStringLiteral("second"));
        QCOMPARE(errorOf([&] { pa.Update(); }), 0L);
        QCOMPARE(errorOf([&] { pb.Update(); }), 0L);
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT group_concat(ID || Name) FROM Plain")),
                 QStringLiteral("1first,2second"));
        QCOMPARE(pb[0].Value().toInt(), 2);
    }

    // A file's triggers never run on our writes; its views are not read as tables.
    void triggersAndViewsOfAFileNeverRun() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 12);
        sqliteShell(db, QStringLiteral("CREATE TRIGGER wipe AFTER UPDATE ON Parts BEGIN "
                                       "DELETE FROM Parts WHERE PartID <> NEW.PartID; END"));
        sqliteShell(db,
                    QStringLiteral(
                        "CREATE TRIGGER wipe2 AFTER INSERT ON Parts BEGIN DELETE FROM Parts; END"));
        sqliteShell(db, QStringLiteral("CREATE VIEW Everything AS SELECT * FROM Parts"));
        Connection cn;
        cn.Open(openString(db));
        Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        rs["PartName"].setValue(QStringLiteral("Edited"));
        QCOMPARE(errorOf([&] { rs.Update(); }), 0L);
        rs.AddNew();
        rs["PartNumber"].setValue(QStringLiteral("N"));
        QCOMPARE(errorOf([&] { rs.Update(); }), 0L);
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("13"));
        Recordset view;
        QVERIFY(errorOf([&] { view.Open(QStringLiteral("Everything"), cn); }) != 0);
        QVERIFY(errorOf([&] { cn.Execute(QStringLiteral("SELECT * FROM Everything")); }) != 0);
    }

    // Paths reach the store whole, whatever they hold.
    void connectionStringsKeepEveryPathWhole_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("semicolon") << QStringLiteral("semi;dir/a;b.mdb");
        QTest::newRow("equals and quotes") << QStringLiteral("x=\"y\"/it's.mdb");
        QTest::newRow("blanks at the ends") << QStringLiteral(" lead/trail .mdb");
        QTest::newRow("non-ASCII") << QStringLiteral("Umsätze/Ürün ñ.mdb");
    }

    void connectionStringsKeepEveryPathWhole() {
        QFETCH(QString, name);
        ProgramFolder folder;
        const QString path = folder.file(name);
        QDir().mkpath(QFileInfo(path).path());
        Catalog cat;
        cat.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
                   Connection::quoteValue(path));
        cat.ActiveConnection().Close();
        QVERIFY(QFileInfo(path).isFile());
        Connection cn;
        cn.Open(openString(path) + QStringLiteral(";Persist Security Info=False"));
        QCOMPARE(cn.dataSource(), path);
        QCOMPARE(Connection::connectionValue(QStringLiteral("A=1; Data Source = 'it''s;x' ;B=2"),
                                             QStringLiteral("data source")),
                 QStringLiteral("it's;x"));
        QCOMPARE(
            Connection::connectionValue(QStringLiteral("A=1;B= plain ;C=3"), QStringLiteral("B")),
            QStringLiteral("plain"));
    }

    // Another program holds the file locked while the cursor moves: the move fails and the
    // cursor stays on its row, with its values and a pending edit, so that the next Update
    // writes that row and no other.
    void aMoveThatCannotReadStaysOnItsRow_data() {
        QTest::addColumn<QString>("move");
        QTest::addColumn<bool>("editPending");
        for (const char* move : {"next", "previous", "first", "last", "bookmark"})
            QTest::newRow(move) << QString::fromLatin1(move) << false;
        QTest::newRow("next, with an edit pending") << QStringLiteral("next") << true;
    }

    void aMoveThatCannotReadStaysOnItsRow() {
        QFETCH(QString, move);
        QFETCH(bool, editPending);
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 4);
        Connection cn;
        cn.Open(openString(db));
        Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        rs.Move(2);  // part 3 of 4
        if (editPending) rs["PartName"].setValue(QStringLiteral("Typed"));

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(db.toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        const auto close = qScopeGuard([&] { sqlite3_close(other); });
        // An exclusive lock keeps every reader out until it is let go.
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QString why;
        const long error = errorOf(
            [&] {
                if (move == QLatin1String("next")) rs.MoveNext();
                if (move == QLatin1String("previous")) rs.MovePrevious();
                if (move == QLatin1String("first")) rs.MoveFirst();
                if (move == QLatin1String("last")) rs.MoveLast();
                if (move == QLatin1String("bookmark"))
                    rs.setBookmark(QVariant::fromValue(qint64(1)));
            },
            &why);
        QCOMPARE(error, long(errEngine));
        QVERIFY2(why.contains(QLatin1String("in use")), qPrintable(why));
        QCOMPARE(rs.Bookmark().toLongLong(), 3LL);
        QCOMPARE(rs.AbsolutePosition(), 3L);
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));
        QCOMPARE(rs.isEditing(), editPending);
        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);

        rs["Category"].setValue(QStringLiteral("Saved"));
        QCOMPARE(errorOf([&] { rs.Update(); }), 0L);
        QCOMPARE(
            sqliteShell(db, QStringLiteral(
                                "SELECT group_concat(PartID || ':' || PartName || ':' || Category) "
                                "FROM Parts")),
            QStringLiteral("1:Part number 1:Category 1,2:Part number 2:Category 2,") +
                (editPending ? QStringLiteral("3:Typed:Saved,")
                             : QStringLiteral("3:Part number 3:Saved,")) +
                QStringLiteral("4:Part number 4:Category 1"));
        // The move itself goes through once the file is free.
        rs.MoveNext();
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-004"));
    }

    // A save left unfinished by a program that died, met by a program that may not write the
    // file (here a read-only connection; a read-only folder does the same): the message says
    // what happened and what to do, and the file and its journal are left for a writer.
    void anUnfinishedSaveSeenReadOnlySaysSo() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        addParts(db, QStringLiteral("Parts"), 3);
        QProcess child;
        // Killed at its first write to the file: the journal is whole, the save was not.
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--crash-writer"), db, QStringLiteral("1")});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QString journal = db + QStringLiteral("-journal");
        QVERIFY(QFileInfo(journal).size() > 0);
        const QByteArray bytes = readFile(db);
        const QByteArray journalBytes = readFile(journal);

        Connection cn;
        QString why;
        QCOMPARE(errorOf([&] { cn.Open(openString(db) + QStringLiteral(";Mode=Read")); }, &why),
                 long(errFileNotFound));
        QVERIFY2(why.contains(db) && why.contains(QLatin1String("save left unfinished")) &&
                     why.contains(QLatin1String("Open it once with write access")),
                 qPrintable(why));
        QVERIFY(!cn.isOpen());
        QCOMPARE(readFile(db), bytes);
        QCOMPARE(readFile(journal), journalBytes);

        // A writer puts it right.
        cn.Open(openString(db));
        Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        QCOMPARE(rs["PartName"].Value().toString(), QStringLiteral("Part number 1"));
        QCOMPARE(rs.RecordCount(), 3L);
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--crash-writer") == 0) {
        QCoreApplication app(argc, argv);
        return crashWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    QApplication app(argc, argv);
    SharingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharing.moc"
