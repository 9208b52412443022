// The data store over catalogue files: conversions as stored in the file, schema, read-only
// recordsets and the files it opens or refuses. What both engines share is in tst_recordset.

#include <sqlite3.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <atomic>
#include <clocale>
#include <csignal>
#include <ctime>

#include "Catalog.h"
#include "Connection.h"
#include "CsvTransfer.h"
#include "Find.h"
#include "Fixture.h"
#include "PartsLayout.h"
#include "PipeWatchdog.h"
#include "Recordset.h"
#include "StoreError.h"
#include "TableAppender.h"

using namespace store;

namespace {

const QString kOpen = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

struct Fingerprint {
    bool exists;
    QByteArray hash;
    QDateTime modified;
    bool operator==(const Fingerprint&) const = default;
};

Fingerprint fingerprint(const QString& path) {
    QFileInfo info(path);
    return {info.exists(), QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256),
            info.lastModified()};
}

// A parts database of `parts` numbered parts in a folder of its own, opened on request.
struct PartsFile {
    ProgramFolder folder;
    QString db = folder.makeDatabase();
    Connection cn;
    Recordset rs;

    explicit PartsFile(int parts = 0) {
        if (parts > 0) addParts(db, QStringLiteral("Parts"), parts);
    }
    Recordset& open() {
        cn.Open(kOpen + db);
        rs.Open(QStringLiteral("Parts"), cn);
        return rs;
    }
};

// A function of the program's own that is not marked harmless: a file's schema must never call it.
int gTallyCalls = 0;

void tally(sqlite3_context* context, int, sqlite3_value** argv) {
    ++gTallyCalls;
    sqlite3_result_value(context, argv[0]);
}

int addTally(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_create_function(db, "tally", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   tally, nullptr, nullptr);
}

// Sets the C locale for one test, as Qt does from the environment, and puts the old one back.
class CLocale {
public:
    explicit CLocale(const QString& name) : m_before(std::setlocale(LC_ALL, nullptr)) {
        m_set = std::setlocale(LC_ALL, name.toLatin1().constData()) != nullptr;
    }
    ~CLocale() { std::setlocale(LC_ALL, m_before.constData()); }
    bool isSet() const { return m_set; }

private:
    QByteArray m_before;
    bool m_set = false;
};

}  // namespace

class StoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void typedTextIsConvertedForEveryColumnType_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");  // as the sqlite3 shell shows it; "" = refused
        QTest::addColumn<QString>("shown");   // valueText of the value read back
        QTest::newRow("currency plain") << "Retail Price"
                                        << "12.50"
                                        << "125000"
                                        << "12.50";
        QTest::newRow("currency grouped") << "Retail Price"
                                          << "1,234.5678"
                                          << "12345678"
                                          << "1234.5678";
        QTest::newRow("currency rounds 5th decimal") << "Retail Price"
                                                     << "0.00005"
                                                     << "1"
                                                     << "0.0001";
        QTest::newRow("currency letters") << "Retail Price"
                                          << "abc"
                                          << ""
                                          << "";
        QTest::newRow("integer") << "Qty In Stock"
                                 << " 42 "
                                 << "42"
                                 << "42";
        QTest::newRow("integer fraction") << "Qty In Stock"
                                          << "4.5"
                                          << ""
                                          << "";
        QTest::newRow("integer too large") << "Qty In Stock"
                                           << "3000000000"
                                           << ""
                                           << "";
        QTest::newRow("single") << "Weight"
                                << "2.25"
                                << "2.25"
                                << "2.25";
        QTest::newRow("single rounds") << "Weight"
                                       << "0.1"
                                       << "0.1"
                                       << "0.1";
        QTest::newRow("single letters") << "Weight"
                                        << "heavy"
                                        << ""
                                        << "";
        QTest::newRow("date iso") << "CreationDate"
                                  << "2026-12-09 10:30:00"
                                  << "2026-12-09 10:30:00"
                                  << "12/9/2026 10:30:00 AM";
        QTest::newRow("date locale") << "CreationDate"
                                     << "12/9/2026"
                                     << "2026-12-09 00:00:00"
                                     << "12/9/2026";
        QTest::newRow("date nonsense") << "CreationDate"
                                       << "soon"
                                       << ""
                                       << "";
        QTest::newRow("text") << "Location"
                              << "Shelf 3"
                              << "Shelf 3"
                              << "Shelf 3";
        QTest::newRow("text 50") << "Location" << QString(50, QLatin1Char('x'))
                                 << QString(50, QLatin1Char('x')) << QString(50, QLatin1Char('x'));
        QTest::newRow("text 51") << "Location" << QString(51, QLatin1Char('x')) << ""
                                 << "";
        // Characters, not bytes or UTF-16 units, count against the size.
        const QString wide = QString(49, QChar(0x00e9)) + QString::fromUcs4(U"\U0001F527");
        QTest::newRow("text 50 wide characters") << "Location" << wide << wide << wide;
        QTest::newRow("part name 80")
            << "PartName" << QString(80, QLatin1Char('n')) << QString(80, QLatin1Char('n'))
            << QString(80, QLatin1Char('n'));
        QTest::newRow("part name 81") << "PartName" << QString(81, QLatin1Char('n')) << ""
                                      << "";
    }

    void typedTextIsConvertedForEveryColumnType() {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        PartsFile file(1);
        Recordset& rs = file.open();
        const QString& db = file.db;
        QString description;
        const long error = errorOf(
            [&] {
                rs[column].setValue(typed);
                rs.Update();
            },
            &description);
        if (stored.isEmpty()) {
            QCOMPARE(error, long(errDataConversion));
            QVERIFY2(description.contains(column), qPrintable(description));
            return;
        }
        QCOMPARE(error, 0L);
        QCOMPARE(valueText(rs[column].Value()), shown);
        file.cn.Close();
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT \"%1\" FROM Parts").arg(column)), stored);
    }

    void userLocaleAndPlainFormAreBothAccepted() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(parseCurrency(QStringLiteral("12,50"))->scaled, qint64(125000));
        QCOMPARE(parseCurrency(QStringLiteral("12.50"))->scaled,
                 qint64(125000));  // plain form first
        QCOMPARE(parseCurrency(QStringLiteral("1.234,50"))->scaled, qint64(12345000));
        QCOMPARE(valueText(QVariant::fromValue(Currency{125000})), QStringLiteral("12,50"));
        QCOMPARE(valueText(QVariant::fromValue(2.5f)), QStringLiteral("2,5"));
        QCOMPARE(parseNumber(QStringLiteral("2,5")).value(), 2.5);
        QVERIFY(!parseCurrency(QStringLiteral("12,5,0")).has_value());
    }

    void partsTablesReadBack_data() {
        QTest::addColumn<std::vector<int>>("boxes");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("no optional column")
            << std::vector<int>{}
            << QStringList{"PartID",      "PartNumber",   "PartName", "Category",
                           "Description", "CreationDate", "Image"};
        QTest::newRow("boxes 25 and 1, ticked in that order")
            << std::vector<int>{25, 1}
            << QStringList{"PartID",           "PartNumber",   "PartName",
                           "Category",         "Description",  "Retail Price",
                           "Supplier 2 Price", "CreationDate", "Image"};
        std::vector<int> all;
        QStringList allNames{"PartID", "PartNumber", "PartName", "Category", "Description"};
        for (int box = 1; box <= 25; ++box) {
            all.push_back(box);
            allNames << parts::optionalName(box);
        }
        allNames << "CreationDate"
                 << "Image";
        QTest::newRow("all 25") << all << allNames;
    }

    void partsTablesReadBack() {
        QFETCH(std::vector<int>, boxes);
        QFETCH(QStringList, names);
        ProgramFolder folder;
        const QString db =
            folder.makeDatabase(QStringLiteral("Stock.mdb"), QStringLiteral("Stock Items"), boxes);

        Connection cn;
        cn.Open(kOpen + db + QStringLiteral(";Persist Security Info=False"));
        auto tables = cn.OpenSchema(adSchemaTables,
                                    {QString(), QString(), QString(), QStringLiteral("Table")});
        QVERIFY(!tables->EOF_());
        QCOMPARE(tables->fields()["TABLE_NAME"].Value().toString(), QStringLiteral("Stock Items"));
        tables->MoveNext();
        QVERIFY(tables->EOF_());  // no system tables

        auto columns = cn.OpenSchema(
            adSchemaColumns, {QString(), QString(), QStringLiteral("Stock Items"), QString()});
        QStringList seen;
        std::vector<int> types;
        while (!columns->EOF_()) {
            seen << columns->fields()["Column_Name"].Value().toString();  // any letter case
            types.push_back(columns->fields()["DATA_TYPE"].Value().toInt());
            columns->MoveNext();
        }
        QCOMPARE(seen, names);
        QCOMPARE(types.front(), int(adInteger));
        QCOMPARE(types.back(), int(adLongVarBinary));
        QCOMPARE(types[types.size() - 2], int(adDate));
        for (size_t i = 5; i + 2 < types.size(); ++i) {
            int box = 0;
            for (int b = 1; b <= parts::kOptionalCount; ++b)
                if (parts::optionalName(b) == names[int(i)]) box = b;
            QCOMPARE(types[i], int(parts::optionalType(box)));
        }

        // Keyset fields and the catalogue agree with the schema rows.
        Recordset rs;
        rs.Open(QStringLiteral("Stock Items"), cn);
        QCOMPARE(rs.fields().Count(), int(names.size()));
        QCOMPARE(rs["PartNumber"].DefinedSize(), 50L);
        QCOMPARE(rs["PartName"].DefinedSize(), 80L);
        QCOMPARE(rs["Description"].DefinedSize(), 255L);
        QVERIFY(rs["Image"].Attributes() >= 200);
        QVERIFY(rs["PartName"].Attributes() < 200);
        rs.Close();
        cn.Close();

        Catalog cat;
        cat.setActiveConnection(kOpen + db);
        const Table* t = cat.table(QStringLiteral("Stock Items"));
        QVERIFY(t);
        QVERIFY(t->column(QStringLiteral("PartID"))->autoIncrement());
        QCOMPARE(t->Indexes.size(), size_t(1));
        QCOMPARE(t->Indexes.front().Name, QStringLiteral("PartID"));
        QVERIFY(t->Indexes.front().PrimaryKey && t->Indexes.front().Unique);
        for (size_t i = 5; i + 2 < t->Columns.size(); ++i) QVERIFY(t->Columns[i].nullable());
        cat.ActiveConnection().Close();

        // What any SQLite client sees.
        QStringList shellNames =
            sqliteShell(db,
                        QStringLiteral(
                            "SELECT group_concat(name, '|') FROM pragma_table_info('Stock Items')"))
                .split(QLatin1Char('|'));
        QCOMPARE(shellNames, names);
        QCOMPARE(
            sqliteShell(
                db, QStringLiteral("SELECT type FROM pragma_table_info('Stock Items') WHERE name = "
                                   "'PartNumber'")),
            QStringLiteral("VARWCHAR(50)"));
    }

    void filesThatAreNotDatabasesAreRefusedUntouched_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("text file") << "text";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("truncated database") << "truncated";
    }

    void filesThatAreNotDatabasesAreRefusedUntouched() {
        QFETCH(QString, kind);
        ProgramFolder folder;
        QString path = folder.file(QStringLiteral("Parts.mdb"));
        if (kind == "folder") {
            QDir().mkpath(path);
        } else if (kind == "text") {
            writeFile(path, QByteArray("PartNumber,PartName\nA,B\n").repeated(50));
        } else if (kind == "empty") {
            writeFile(path, QByteArray());
        } else if (kind == "truncated") {
            folder.makeDatabase(QStringLiteral("Whole.mdb"));
            addParts(folder.file(QStringLiteral("Whole.mdb")), QStringLiteral("Parts"), 200);
            const QByteArray whole = readFile(folder.file(QStringLiteral("Whole.mdb")));
            writeFile(path, whole.left(whole.size() / 2));
        }
        const Fingerprint before = fingerprint(path);
        Connection cn;
        QString description;
        QVERIFY(errorOf([&] { cn.Open(kOpen + path); }, &description) != 0);
        QVERIFY2(description.contains(path), qPrintable(description));
        QVERIFY(!cn.isOpen());
        QVERIFY(fingerprint(path) == before);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
    }

    void missingTableAndExistingFile() {
        ProgramFolder folder;
        const QString db = folder.makeDatabase();
        Connection cn;
        cn.Open(kOpen + db);
        Recordset rs;
        QString description;
        QCOMPARE(errorOf([&] { rs.Open(QStringLiteral("Stock"), cn); }, &description),
                 long(errTableNotFound));
        QVERIFY(description.contains(QStringLiteral("'Stock'")));
        rs.Open(QStringLiteral("parts"), cn);  // table names ignore letter case
        QCOMPARE(rs.fields().Count(), 11);

        const Fingerprint before = fingerprint(db);
        Catalog cat;
        QCOMPARE(errorOf([&] { cat.Create(QStringLiteral("Provider=x;Data Source=") + db); }),
                 long(errFileExists));
        QVERIFY(fingerprint(db) == before);
    }

    // A new database takes the permissions the user's umask gives, as any new file does.
    void newDatabasesFollowTheUmask_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("mode");
        QTest::newRow("022") << 022 << 0644;
        QTest::newRow("002") << 002 << 0664;
        QTest::newRow("077") << 077 << 0600;
    }
    void newDatabasesFollowTheUmask() {
        QFETCH(int, mask);
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("New.mdb"));
        const mode_t before = ::umask(mode_t(mask));
        const auto restore = qScopeGuard([before] { ::umask(before); });
        Catalog cat;
        cat.Create(QStringLiteral("Provider=x;Data Source=") + db);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(db).constData(), &st), 0);
        QTEST(int(st.st_mode & 0777), "mode");
    }

    void updateOnAReadOnlyRecordsetIsRefused() {
        PartsFile file(1);
        file.cn.Open(kOpen + file.db);
        Recordset locked;
        locked.Open(QStringLiteral("Parts"), file.cn, adOpenKeyset, adLockReadOnly);
        auto forward = file.cn.Execute(QStringLiteral("SELECT * FROM Parts"));
        auto schema = file.cn.OpenSchema(adSchemaTables);
        QCOMPARE(errorOf([&] { locked.Update(); }), long(errNotSupported));
        QCOMPARE(errorOf([&] { forward->Update(); }), long(errNotSupported));
        QCOMPARE(errorOf([&] { schema->Update(); }), long(errNotSupported));
    }

    void anIndexOnAMissingColumnIsRefused() {
        PartsFile file(1);
        Catalog cat;
        cat.setActiveConnection(kOpen + file.db);
        Index idx;
        idx.Name = QStringLiteral("ByNothing");
        idx.appendColumn(QStringLiteral("NoSuchColumn"), adInteger);
        QCOMPARE(errorOf([&] { cat.table(QStringLiteral("Parts"))->appendIndex(idx); }),
                 long(errItemNotFound));
    }

    // ---- read-only recordsets --------------------------------------------------------------

    // A table opened read-only, a statement's rows and a schema query each refuse every change,
    // keep showing their row, and leave the file as it was.
    void readOnlyRecordsetsRefuseEveryChange() {
        PartsFile file(3);
        file.cn.Open(kOpen + file.db);
        const Fingerprint before = fingerprint(file.db);
        Recordset locked;
        locked.Open(QStringLiteral("Parts"), file.cn, adOpenKeyset, adLockReadOnly);
        auto forward = file.cn.Execute(QStringLiteral("SELECT * FROM Parts"));
        auto schema = file.cn.OpenSchema(adSchemaTables);
        const std::pair<const char*, Recordset*> shapes[] = {
            {"read-only table", &locked}, {"statement", forward.get()}, {"schema", schema.get()}};
        for (const auto& [shape, rs] : shapes) {
            QVERIFY2(rs->isOpen() && !rs->EOF_(), shape);
            Field& text = (*rs)[2];                         // PartName, or TABLE_NAME
            Field& last = (*rs)[rs->fields().Count() - 1];  // Image, or TABLE_TYPE
            const QVariant shown = text.Value();
            QVERIFY2(!(text.Attributes() & adFldUpdatable), shape);
            QVERIFY2(errorOf([&] { text.setValue(QStringLiteral("Changed")); }) == errNotSupported,
                     shape);
            QVERIFY2(errorOf([&] { last.AppendChunk(QByteArray("abc")); }) == errNotSupported,
                     shape);
            QVERIFY2(errorOf([&] { rs->AddNew(); }) == errNotSupported, shape);
            QVERIFY2(errorOf([&] { rs->Delete(); }) == errNotSupported, shape);
            QVERIFY2(!rs->isEditing() && !rs->EOF_(), shape);
            QCOMPARE(text.Value(), shown);
        }
        QCOMPARE(locked.RecordCount(), 3L);
        QCOMPARE(fingerprint(file.db).hash, before.hash);
    }

    // ---- the row after Update and Delete, without a move -------------------------------------

    void theRowShownAfterUpdateOrDeleteIsTheStoredOne() {
        PartsFile file(3);
        Recordset& rs = file.open();
        const QString& db = file.db;
        rs.MoveLast();
        // A new row, once saved, shows what the file holds: its key, its values in their types.
        rs.AddNew();
        rs["PartNumber"].setValue(QStringLiteral("P-100"));
        rs["Retail Price"].setValue(QStringLiteral("12.5"));
        rs["Qty In Stock"].setValue(QStringLiteral(" 7 "));
        rs["Weight"].setValue(QStringLiteral("0.1"));
        rs.Update();
        QVERIFY(!rs.isEditing());
        QCOMPARE(rs.RecordCount(), 4L);
        QCOMPARE(rs["PartID"].Value(), QVariant(4));
        const QVariant price = rs["Retail Price"].Value();
        QCOMPARE(price.metaType(), QMetaType::fromType<Currency>());
        QCOMPARE(price.value<Currency>().scaled, qint64(125000));
        QCOMPARE(rs["Qty In Stock"].Value().typeId(), int(QMetaType::Int));
        QCOMPARE(rs["Qty In Stock"].Value().toInt(), 7);
        QCOMPARE(rs["Weight"].Value().typeId(), int(QMetaType::Float));
        QCOMPARE(rs["Weight"].Value().toFloat(), 0.1f);
        QVERIFY(rs["PartName"].isNull());
        QCOMPARE(sqliteShell(
                     db, QStringLiteral("SELECT PartNumber || '/' || \"Retail Price\" FROM Parts "
                                        "WHERE PartID = 4")),
                 QStringLiteral("P-100/125000"));
        rs.MovePrevious();  // the saved row stands last, after P-003
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));

        // An edit, once saved, shows the converted values; what was not assigned stays.
        rs.MoveFirst();
        rs["Retail Price"].setValue(3);
        rs["Weight"].setValue(2.5);
        rs["CreationDate"].setValue(QDateTime(QDate(2026, 5, 1), QTime(9, 30, 15, 500)));
        rs.Update();
        QVERIFY(!rs.isEditing());
        QCOMPARE(rs["Retail Price"].Value().value<Currency>().scaled, qint64(30000));
        QCOMPARE(rs["Weight"].Value().typeId(), int(QMetaType::Float));
        QCOMPARE(rs["Weight"].Value().toFloat(), 2.5f);
        QCOMPARE(rs["CreationDate"].Value().toDateTime(),
                 QDateTime(QDate(2026, 5, 1), QTime(9, 30, 15)));
        QCOMPARE(rs["PartName"].Value().toString(), QStringLiteral("Part number 1"));

        // Delete: no current row (a pending edit goes with it) until a move lands on the next one.
        rs.MoveNext();
        rs["PartName"].setValue(QStringLiteral("Never saved"));
        rs.Delete();
        QVERIFY(!rs.isEditing());
        QCOMPARE(errorOf([&] { rs["PartNumber"].Value(); }), long(errNoCurrentRecord));
        QCOMPARE(errorOf([&] { rs["PartName"].setValue(QStringLiteral("x")); }),
                 long(errNoCurrentRecord));
        QCOMPARE(errorOf([&] { rs.Delete(); }), long(errNoCurrentRecord));
        QCOMPARE(rs.RecordCount(), 3L);
        rs.MoveNext();
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));
        // The first row: backwards from the gap is BOF, forwards the row after it.
        rs.MoveFirst();
        rs.Delete();
        rs.MovePrevious();
        QVERIFY(rs.BOF());
        rs.MoveNext();
        QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));
        // The row just saved, deleted in place: the next move reaches EOF.
        rs.MoveLast();
        rs.Delete();
        rs.MoveNext();
        QVERIFY(rs.EOF_());
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT group_concat(PartNumber) FROM Parts")),
                 QStringLiteral("P-003"));
    }

    // ---- conversions at their limits ---------------------------------------------------------

    void conversionsAtTheLimits_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("refused");
        QTest::newRow("single 1e39 typed") << "Weight" << QVariant(QStringLiteral("1e39")) << true;
        QTest::newRow("single 1e39") << "Weight" << QVariant(1e39) << true;
        QTest::newRow("single -1e39") << "Weight" << QVariant(-1e39) << true;
        QTest::newRow("single -3.4e38 fits")
            << "Weight" << QVariant(QStringLiteral("-3.4e38")) << false;
        QTest::newRow("single largest as written")
            << "Weight" << QVariant(QStringLiteral("3.4028235e+38")) << false;
        QTest::newRow("single beyond largest")
            << "Weight" << QVariant(QStringLiteral("3.4028236e+38")) << true;
        QTest::newRow("integer 2.5 typed")
            << "Qty In Stock" << QVariant(QStringLiteral("2.5")) << true;
        QTest::newRow("integer 2.5") << "Qty In Stock" << QVariant(2.5) << true;
        QTest::newRow("integer 2^31") << "Qty In Stock" << QVariant(qint64(2147483648LL)) << true;
        QTest::newRow("integer 3e9") << "Qty In Stock" << QVariant(3e9) << true;
        QTest::newRow("integer -2^31-1 typed")
            << "Qty In Stock" << QVariant(QStringLiteral("-2147483649")) << true;
        QTest::newRow("integer 2^31-1 fits")
            << "Qty In Stock" << QVariant(qint64(2147483647)) << false;
        QTest::newRow("integer -2^31 fits")
            << "Qty In Stock" << QVariant(QStringLiteral("-2147483648")) << false;
        QTest::newRow("integer 4.0 fits") << "Qty In Stock" << QVariant(4.0) << false;
    }

    // A refused value changes nothing pending: it starts no edit, and an edit or a new row keeps
    // what it had. A value that fits is saved as it was converted.
    void conversionsAtTheLimits() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(bool, refused);
        PartsFile file(1);
        Recordset& rs = file.open();
        const Fingerprint before = fingerprint(file.db);
        if (!refused) {
            QVariant expected;
            QCOMPARE(errorOf([&] {
                         expected = rs[column].Convert(value);
                         rs[column].setValue(value);
                         rs.Update();
                     }),
                     0L);
            QCOMPARE(rs[column].Value(), expected);
            QCOMPARE(valueText(rs[column].Value()), valueText(rs[column].Convert(value)));
            QVERIFY(fingerprint(file.db).hash != before.hash);
            return;
        }
        QString description;
        QCOMPARE(errorOf([&] { rs[column].setValue(value); }, &description),
                 long(errDataConversion));
        QVERIFY2(description.contains(column), qPrintable(description));
        QVERIFY(!rs.isEditing());

        rs["PartName"].setValue(QStringLiteral("Edited"));
        rs[column].setValue(1);
        QCOMPARE(errorOf([&] { rs[column].setValue(value); }), long(errDataConversion));
        QVERIFY(rs.isEditing());
        QCOMPARE(rs[column].Value().toInt(), 1);
        QCOMPARE(rs["PartName"].Value().toString(), QStringLiteral("Edited"));
        rs.CancelUpdate();
        QCOMPARE(fingerprint(file.db).hash, before.hash);

        rs.AddNew();  // reserves its key in the file
        QCOMPARE(errorOf([&] { rs[column].setValue(value); }), long(errDataConversion));
        QVERIFY(rs.isEditing());
        QVERIFY(rs[column].isNull());
        QCOMPARE(rs[0].Value().toInt(), 2);
    }

    // ---- catalogue changes after a failed one -----------------------------------------------

    // A change refused half way is undone whole, and the next change goes through.
    void aFailedCatalogueChangeLeavesTheNextOneFree() {
        PartsFile file(2);
        const QString& db = file.db;
        Catalog cat;
        cat.setActiveConnection(kOpen + db);
        Table taken(QStringLiteral("parts"));
        taken.appendColumn(QStringLiteral("X"), adInteger);
        QCOMPARE(errorOf([&] { cat.appendTable(taken); }), long(errInvalidArgument));

        // The table and its first index are made, then a second index of the same name fails.
        Table bins(QStringLiteral("Bins"));
        bins.appendColumn(QStringLiteral("Shelf"), adVarWChar, 20);
        bins.appendColumn(QStringLiteral("Row"), adInteger);
        Index byRow;
        byRow.Name = QStringLiteral("BinsByRow");
        byRow.appendColumn(QStringLiteral("Row"), adInteger);
        Table broken = bins;
        broken.Indexes = {byRow, byRow};
        QCOMPARE(errorOf([&] { cat.appendTable(broken); }), long(errEngine));
        QVERIFY(!cat.table(QStringLiteral("Bins")));
        QCOMPARE(errorOf([&] { cat.appendTable(bins); }), 0L);

        // A key over values that repeat fails while the table is being made again.
        sqliteShell(db, QStringLiteral("INSERT INTO Bins VALUES ('A', 1), ('A', 2)"));
        Index key;
        key.Name = QStringLiteral("ShelfKey");
        key.PrimaryKey = key.Unique = true;
        key.appendColumn(QStringLiteral("Shelf"), adVarWChar);
        QCOMPARE(errorOf([&] { cat.table(QStringLiteral("Bins"))->appendIndex(key); }),
                 long(errEngine));
        QCOMPARE(errorOf([&] { cat.table(QStringLiteral("Bins"))->appendIndex(byRow); }), 0L);
        cat.ActiveConnection().Close();

        QCOMPARE(sqliteShell(
                     db, QStringLiteral(
                             "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_schema "
                             "WHERE name NOT LIKE 'sqlite%' ORDER BY name)")),
                 QStringLiteral("Bins,BinsByRow,Parts"));
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT group_concat(Shelf || Row) FROM Bins")),
                 QStringLiteral("A1,A2"));
        QCOMPARE(sqliteShell(db, QStringLiteral("SELECT count(*) FROM Parts")),
                 QStringLiteral("2"));
    }

    // ---- files from elsewhere ---------------------------------------------------------------

    void aFileSchemaNeverCallsTheProgramsFunctions_data() {
        QTest::addColumn<QString>("definition");
        const QString table =
            QStringLiteral("CREATE TABLE Bins (BinID INTEGER PRIMARY KEY, Shelf VARWCHAR(20)");
        QTest::newRow("check") << table + ", CHECK (tally(Shelf) IS NOT NULL))";
        QTest::newRow("default") << table + ", Code VARWCHAR(20) DEFAULT (tally('A')))";
        QTest::newRow("generated column") << table + ", Code AS (tally(Shelf)))";
        QTest::newRow("index expression")
            << table + "); CREATE INDEX BinsByShelf ON Bins (tally(Shelf))";
        QTest::newRow("partial index")
            << table + "); CREATE INDEX BinsByShelf ON Bins (Shelf) WHERE tally(Shelf)";
    }

    // A file whose schema calls a function of the program's own that is not marked harmless:
    // whatever the user does with the table, the function never runs.
    void aFileSchemaNeverCallsTheProgramsFunctions() {
        QFETCH(QString, definition);
        QCOMPARE(sqlite3_auto_extension(reinterpret_cast<void (*)()>(addTally)), SQLITE_OK);
        const auto cancel = qScopeGuard(
            [] { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(addTally)); });
        PartsFile file;
        {
            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open(file.db.toUtf8().constData(), &raw), SQLITE_OK);
            const auto close = qScopeGuard([&] { sqlite3_close(raw); });
            const QString sql =
                definition +
                QStringLiteral("; INSERT INTO Bins (Shelf) VALUES ('S1'); SELECT * FROM Bins");
            gTallyCalls = 0;
            QCOMPARE(sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, nullptr),
                     SQLITE_OK);
            QVERIFY(gTallyCalls > 0);  // where the schema is trusted, it runs
        }
        gTallyCalls = 0;
        Recordset& rs = file.rs;
        // Refusals here (the file, the new row) are the store's own errors; no step may run it.
        if (errorOf([&] {
                file.cn.Open(kOpen + file.db);
                rs.Open(QStringLiteral("Bins"), file.cn);
            }) == 0) {
            errorOf([&] {
                rs["Shelf"].setValue(QStringLiteral("S9"));
                rs.Update();
            });
            rs.CancelUpdate();
            errorOf([&] {
                rs.AddNew();
                rs["Shelf"].setValue(QStringLiteral("S2"));
                rs.Update();
            });
            rs.CancelUpdate();
            errorOf([&] { file.cn.Execute(QStringLiteral("SELECT * FROM Bins")); });
        }
        QCOMPARE(gTallyCalls, 0);
    }

    // Statements that would unmake the file's safeguards are refused or ignored.
    void statementsCannotLiftTheSafeguards() {
        PartsFile file(2);
        const QString& db = file.db;
        file.cn.Open(kOpen + db);
        const QString schema =
            sqliteShell(db, QStringLiteral("SELECT group_concat(sql, ';') FROM sqlite_schema"));
        const Fingerprint before = fingerprint(db);
        // Each is refused or ignored; either way the file stays as it was.
        errorOf([&] { file.cn.Execute(QStringLiteral("PRAGMA writable_schema=ON")); });
        QCOMPARE(errorOf([&] {
                     file.cn.Execute(QStringLiteral(
                         "UPDATE sqlite_schema SET sql = replace(sql, 'PartName', 'Gone') "
                         "WHERE name = 'Parts'"));
                 }),
                 long(errEngine));
        errorOf([&] { file.cn.Execute(QStringLiteral("PRAGMA schema_version=1")); });
        auto mode = file.cn.Execute(QStringLiteral("PRAGMA journal_mode=OFF"));
        QCOMPARE(mode->fields()[0].Value().toString(), QStringLiteral("delete"));
        QCOMPARE(fingerprint(db).hash, before.hash);
        file.cn.Close();
        QCOMPARE(
            sqliteShell(db, QStringLiteral("SELECT group_concat(sql, ';') FROM sqlite_schema")),
            schema);
        QCOMPARE(sqliteShell(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }

    // Headers that do not fit the file are refused before the engine reads it, with nothing
    // left beside it. A file short of part of its last page is one the engine itself would take.
    void oneTransactionOverManyUpdates() {
        PartsFile file(2);
        Recordset& rs = file.open();
        auto addPart = [&](const QString& number, QVariant key = QVariant()) {
            rs.AddNew();
            if (key.isValid()) rs["PartID"].setValue(key);
            rs["PartNumber"].setValue(number);
            rs["PartName"].setValue(number);
            rs.Update();
        };
        auto stored = [&] {
            return sqliteShell(file.db,
                               QStringLiteral("SELECT group_concat(PartNumber) FROM Parts"));
        };

        // Rolled back: nothing of it reaches the file, not even the rows before a failed one.
        file.cn.BeginTrans();
        QVERIFY(file.cn.inTransaction());
        QCOMPARE(errorOf([&] { file.cn.BeginTrans(); }), long(errOperationNotAllowed));
        addPart(QStringLiteral("T-1"));
        QCOMPARE(stored(),
                 QStringLiteral("P-001,P-002"));  // another program sees the file as it was
        // A failing update is undone alone; the transaction goes on.
        QVERIFY(errorOf([&] { addPart(QStringLiteral("T-dup"), 1); }) != 0);
        rs.CancelUpdate();
        addPart(QStringLiteral("T-2"));
        {
            auto inside =
                file.cn.Execute(QStringLiteral("SELECT group_concat(PartNumber) FROM Parts"));
            QCOMPARE(inside->fields()[0].Value().toString(), QStringLiteral("P-001,P-002,T-1,T-2"));
        }
        file.cn.RollbackTrans();
        QVERIFY(!file.cn.inTransaction());
        QCOMPARE(stored(), QStringLiteral("P-001,P-002"));
        QCOMPARE(errorOf([&] { file.cn.CommitTrans(); }), long(errOperationNotAllowed));
        QCOMPARE(errorOf([&] { file.cn.RollbackTrans(); }), long(errOperationNotAllowed));

        // Committed: all of it at once.
        rs.Close();
        rs.Open(QStringLiteral("Parts"), file.cn);
        file.cn.BeginTrans();
        addPart(QStringLiteral("C-1"));
        addPart(QStringLiteral("C-2"));
        QCOMPARE(stored(), QStringLiteral("P-001,P-002"));
        file.cn.CommitTrans();
        QCOMPARE(stored(), QStringLiteral("P-001,P-002,C-1,C-2"));

        // Closing the connection with a transaction open leaves the file as it was.
        file.cn.BeginTrans();
        addPart(QStringLiteral("X-1"));
        file.cn.Close();
        QCOMPARE(stored(), QStringLiteral("P-001,P-002,C-1,C-2"));
        // Without a transaction each update is its own again.
        file.open();
        addPart(QStringLiteral("A-1"));
        QCOMPARE(stored(), QStringLiteral("P-001,P-002,C-1,C-2,A-1"));
    }

    void appendingManyRows() {
        PartsFile file(2);
        file.cn.Open(kOpen + file.db);
        TableAppender parts(file.cn, QStringLiteral("parts"));
        QCOMPARE(int(parts.columns().size()), 11);
        QCOMPARE(parts.keyColumn(), 0);
        const int number = 1, qty = 6;
        QCOMPARE(parts.columns()[size_t(qty)].name, QStringLiteral("Qty In Stock"));
        // Values are checked as a field checks them.
        QCOMPARE(errorOf([&] { parts.convert(number, QString(51, QLatin1Char('x'))); }),
                 long(errDataConversion));
        QCOMPARE(errorOf([&] { parts.convert(qty, QStringLiteral("abc")); }),
                 long(errDataConversion));
        QCOMPARE(parts.convert(qty, QStringLiteral("12")), QVariant(12));
        QVERIFY(parts.keyTaken(2));
        QVERIFY(!parts.keyTaken(3));

        std::vector<QVariant> row(parts.columns().size());
        auto stored = [&] {
            return sqliteShell(
                file.db, QStringLiteral("SELECT group_concat(PartID || PartNumber) FROM Parts"));
        };
        file.cn.BeginTrans();
        row[size_t(number)] = QStringLiteral("N-1");
        QCOMPARE(parts.append(row), 3);  // a Null key is given the next one
        row[0] = 7;
        row[size_t(number)] = QStringLiteral("N-7");
        QCOMPARE(parts.append(row), 7);
        QVERIFY(parts.keyTaken(7));
        // A taken key is refused by the database; the row is left out and the rest go on.
        row[size_t(number)] = QStringLiteral("N-dup");
        QVERIFY(errorOf([&] { parts.append(row); }) != 0);
        row[0] = QVariant();
        row[size_t(number)] = QStringLiteral("N-8");
        QCOMPARE(parts.append(row), 8);
        QCOMPARE(stored(), QStringLiteral("1P-001,2P-002"));
        file.cn.CommitTrans();
        QCOMPARE(stored(), QStringLiteral("1P-001,2P-002,3N-1,7N-7,8N-8"));
        QCOMPARE(errorOf([&] { parts.append({}); }), long(errInvalidArgument));
        QCOMPARE(errorOf([&] { TableAppender none(file.cn, QStringLiteral("None")); }),
                 long(errTableNotFound));
    }

    // Inside a write transaction a key above every key in the table is known to be free without
    // a look; the rows added through the appender, through the connection otherwise and by
    // another program between two transactions all count.
    void takenKeysAreSeenWhoeverAddedThem() {
        PartsFile file(2);
        file.cn.Open(kOpen + file.db);
        TableAppender parts(file.cn, QStringLiteral("Parts"));
        auto add = [&](int key) {
            parts.clearRow();
            parts.setInteger(0, key);
            parts.setText(1, "N");
            return parts.appendRow();
        };
        file.cn.BeginTrans();
        QVERIFY(parts.keyTaken(2));
        QVERIFY(!parts.keyTaken(3));
        QCOMPARE(add(10), 10);
        QVERIFY(parts.keyTaken(10));
        QVERIFY(!parts.keyTaken(11));
        file.cn.Execute(QStringLiteral("INSERT INTO Parts (PartID, PartNumber) VALUES (20, 'X')"));
        QVERIFY(parts.keyTaken(20));
        QVERIFY(!parts.keyTaken(21));
        file.cn.CommitTrans();
        sqliteShell(file.db,
                    QStringLiteral("INSERT INTO Parts (PartID, PartNumber) VALUES (30, 'Y')"));
        file.cn.BeginTrans();
        QVERIFY(parts.keyTaken(30));
        QVERIFY(!parts.keyTaken(31));
        QCOMPARE(add(40), 40);
        QVERIFY(parts.keyTaken(40));
        file.cn.RollbackTrans();
        QVERIFY(!parts.keyTaken(40));
        // Outside a transaction each key is looked up.
        sqliteShell(file.db,
                    QStringLiteral("INSERT INTO Parts (PartID, PartNumber) VALUES (50, 'Z')"));
        QVERIFY(parts.keyTaken(50));
        QVERIFY(!parts.keyTaken(51));
    }

    // A date in the stored form is taken as written only where QDateTime reads it as itself: not
    // on the days the clocks change, nor in any other form.
    void storedDatesAreTakenAsWrittenOnlyWhereTheyReadBack() {
        const QByteArray zone = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
            tzset();
        });
        qputenv("TZ", "Europe/Berlin");
        tzset();
        // In 2031 the clocks go forward on 30 March and back on 26 October.
        QVERIFY(isPlainStoredDate("2031-03-29 02:30:00"));
        QVERIFY(!isPlainStoredDate("2031-03-30 02:30:00"));
        QVERIFY(!isPlainStoredDate("2031-03-30 12:00:00"));
        QVERIFY(!isPlainStoredDate("2031-10-26 02:30:00"));
        for (const char* other :
             {"2031-03-29T02:30:00", "2031-3-29 02:30:00", " 2031-03-29 02:30:00",
              "2031-03-29 02:30", "2031-02-29 00:00:00", "2031-03-29 24:00:00",
              "2031-03-29 02:60:00", "0999-01-01 00:00:00", "2031-+3-29 02:30:00",
              "2031-03-29 02:30:00.5", ""})
            QVERIFY2(!isPlainStoredDate(other), other);
        int plain = 0;
        for (QDate day(2032, 1, 1); day.year() == 2032; day = day.addDays(1))
            for (int hour : {0, 2, 3, 23}) {
                const QString text = QStringLiteral("%1 %2:30:15")
                                         .arg(day.toString(Qt::ISODate))
                                         .arg(hour, 2, 10, QLatin1Char('0'));
                if (!isPlainStoredDate(text.toLatin1())) continue;
                ++plain;
                QCOMPARE(dateToStorage(*dateFromStorage(text)), text);
            }
        QCOMPARE(plain, (366 - 2) * 4);
    }

    void damagedHeadersAreRefusedUntouched_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("100 bytes short") << "short";
        QTest::newRow("page size 1000") << "1000";
        QTest::newRow("page size 256") << "256";
    }

    void damagedHeadersAreRefusedUntouched() {
        QFETCH(QString, damage);
        ProgramFolder source;
        const QString whole = source.makeDatabase();
        addPart(whole, QStringLiteral("Parts"),
                {{"PartNumber", "A"}, {"Image", QByteArray(40000, 'x')}});
        QByteArray bytes = readFile(whole);
        QVERIFY(bytes.size() > 8192);
        auto* h = reinterpret_cast<uchar*>(bytes.data());
        if (damage == "short") {
            QCOMPARE(qint64(qFromBigEndian<quint32>(h + 28)) * qFromBigEndian<quint16>(h + 16),
                     qint64(bytes.size()));
            bytes.chop(100);
        } else {
            // No page count kept (as older writers left it): only the page size tells.
            qToBigEndian<quint16>(damage.toUShort(), h + 16);
            qToBigEndian<quint32>(0, h + 28);
            bytes.truncate(200);
        }
        ProgramFolder folder;
        const QString path = writeFile(folder.file(QStringLiteral("Parts.mdb")), bytes);
        const Fingerprint before = fingerprint(path);
        Connection cn;
        QString description;
        QCOMPARE(errorOf([&] { cn.Open(kOpen + path); }, &description), long(errFileNotFound));
        QVERIFY2(description.contains(path) && description.contains(QStringLiteral("damaged")),
                 qPrintable(description));
        QVERIFY(!cn.isOpen());
        QVERIFY(fingerprint(path) == before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Parts.mdb"});
    }

    // ---- amounts -----------------------------------------------------------------------------

    // A number put into a column is stored exactly as the user meant it: an amount kept to the
    // ten-thousandth (a binary number rounded to it, never cut; one too large refused rather
    // than wrapped), and a minus typed as U+2212 MINUS SIGN (the minus of Swedish, Finnish and
    // Norwegian, and of text pasted from documents) taken as negative in any locale.
    void numbersAreStoredAsMeant_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");  // as the file holds it; "" = refused
        const QString price = QStringLiteral("Retail Price"), minus(QChar(0x2212));
        const auto row = [&](const char* name, const char* locale, const QString& column,
                             const QVariant& value, const char* stored) {
            QTest::newRow(name) << QString::fromLatin1(locale) << column << value
                                << QString::fromLatin1(stored);
        };
        row("0.29 as a number", "en_US", price, 0.29, "2900");
        row("-0.29 as a number", "en_US", price, -0.29, "-2900");
        row("0.57 as a number", "en_US", price, 0.57, "5700");
        row("-1.13 as a number", "en_US", price, -1.13, "-11300");
        row("0.29 as a single", "en_US", price, 0.29f, "2900");
        row("largest typed", "en_US", price, QStringLiteral("922337203685476.9999"),
            "9223372036854769999");
        row("most negative typed", "en_US", price, QStringLiteral("-922337203685476.9999"),
            "-9223372036854769999");
        row("14 digits as a whole number", "en_US", price, qint64(92233720368547),
            "922337203685470000");
        row("15 digits typed", "en_US", price, QStringLiteral("999999999999999"), "");
        row("18 digits typed", "en_US", price, QStringLiteral("-123456789012345678"), "");
        row("19 digits typed", "en_US", price, QStringLiteral("9223372036854775807"), "");
        row("15 digits as a number", "en_US", price, 999999999999999.0, "");
        row("15 digits as a whole number", "en_US", price, qint64(999999999999999), "");
        row("18 digits as a whole number", "en_US", price, qint64(123456789012345678), "");
        row("Swedish amount, minus sign", "sv_SE", price, minus + "12,50", "-125000");
        row("Finnish amount, minus sign", "fi_FI", price, minus + "0,05", "-500");
        row("Norwegian whole number, minus sign", "nb_NO", QStringLiteral("Qty In Stock"),
            minus + "7", "-7");
        row("Swedish single, minus sign", "sv_SE", QStringLiteral("Weight"), minus + "2,5", "-2.5");
        row("Swedish amount, plain form, minus sign", "sv_SE", price, minus + "12.50", "-125000");
        row("German amount, minus sign", "de_DE", price, minus + "12,50", "-125000");
        row("English amount, minus sign", "en_US", price, minus + "12.50", "-125000");
        row("English single, minus sign", "en_US", QStringLiteral("Weight"), minus + "0.5", "-0.5");
    }

    void numbersAreStoredAsMeant() {
        QFETCH(QString, locale);
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        QLocale::setDefault(QLocale(locale));
        PartsFile file(1);
        Recordset& rs = file.open();
        QString why;
        const long error = errorOf(
            [&] {
                rs[column].setValue(value);
                rs.Update();
            },
            &why);
        if (stored.isEmpty()) {
            QCOMPARE(error, long(errDataConversion));
            QVERIFY2(why.contains(column), qPrintable(why));
            QVERIFY(!rs.isEditing());  // nothing was written: the file keeps Null
        } else {
            QCOMPARE(error, 0L);
        }
        file.cn.Close();
        QCOMPARE(sqliteShell(file.db, QStringLiteral("SELECT \"%1\" FROM Parts").arg(column)),
                 stored);
    }

    // ---- CSV under a comma-decimal locale ------------------------------------------------------

    // Qt sets the C locale from the environment: under one that writes "2,5", an imported
    // number keeps its fraction.
    void csvNumbersKeepTheirFractionUnderACommaDecimalLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("field");
        for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8"}) {
            QTest::addRow("%s, plain", locale) << QString::fromLatin1(locale) << QByteArray("2.5");
            QTest::addRow("%s, the locale's form", locale)
                << QString::fromLatin1(locale) << QByteArray("\"2,5\"");
        }
    }

    void csvNumbersKeepTheirFractionUnderACommaDecimalLocale() {
        QFETCH(QString, locale);
        QFETCH(QByteArray, field);
        PartsFile file;
        const QString csv =
            writeFile(file.folder.file(QStringLiteral("parts.csv")),
                      "PartNumber,Weight,Retail Price\r\nC-1," + field + "," + field + "\r\n");
        const CLocale cLocale(locale);
        if (!cLocale.isSet())
            QSKIP(qPrintable(
                QStringLiteral("The locale %1 is not installed here; scripts/test makes it.")
                    .arg(locale)));
        QCOMPARE(std::localeconv()->decimal_point, ",");
        QLocale::setDefault(QLocale(locale.left(5)));
        file.cn.Open(kOpen + file.db);
        exchange::CsvImport import(file.cn, QStringLiteral("Parts"), csv);
        file.cn.BeginTrans();
        import.run(false);
        file.cn.CommitTrans();
        QCOMPARE(import.rowsAdded(), qint64(1));
        file.cn.Close();
        QCOMPARE(sqliteShell(file.db,
                             QStringLiteral("SELECT Weight || '/' || \"Retail Price\" FROM Parts")),
                 QStringLiteral("2.5/25000"));
    }

    // ---- the file search -----------------------------------------------------------------------

    // Letter case aside, at both ends of the alphabet; the signs beside the letters are no letters.
    void theFileSearchIgnoresLetterCase_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("partNumber");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("exact");
        QTest::newRow("a finds ABC") << "a"
                                     << "ABC" << true << false;
        QTest::newRow("A finds abc") << "A"
                                     << "abc" << true << false;
        QTest::newRow("z finds XYZ") << "z"
                                     << "XYZ" << true << false;
        QTest::newRow("Z finds xyz") << "Z"
                                     << "xyz" << true << false;
        QTest::newRow("abc is ABC exactly") << "abc"
                                            << "ABC" << true << true;
        QTest::newRow("` is not @") << "`1"
                                    << "@1" << false << false;
        QTest::newRow("{ is not [") << "{1"
                                    << "[1" << false << false;
        QTest::newRow("ä finds Ä")
            << QString::fromUtf8("ä") << QString::fromUtf8("BÄR") << true << false;
    }

    void theFileSearchIgnoresLetterCase() {
        QFETCH(QString, typed);
        QFETCH(QString, partNumber);
        QFETCH(bool, found);
        QFETCH(bool, exact);
        PartsFile file;
        addPart(file.db, QStringLiteral("Parts"), {{"PartNumber", partNumber}, {"PartName", "-"}});
        std::atomic<bool> stop{false};
        const FoundKeys keys =
            findKeys(file.db, QStringLiteral("Parts"),
                     TextMatch(typed, QLocale(QLocale::English, QLocale::UnitedStates)), stop);
        QVERIFY(keys.complete);
        QCOMPARE(!keys.keys.empty(), found);
        QCOMPARE(!keys.exact.empty(), exact);
    }

    // The part numbers read for a part number typed exactly find the rows the search finds
    // exactly, letter case aside by the same Unicode folding, from the table or from an index on
    // the part number; never a row whose part number is another.
    void partNumbersFindWhatTheSearchFinds_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("partNumber");
        QTest::addColumn<bool>("indexed");
        auto row = [](const char* typed, const char* number) {
            for (const bool indexed : {false, true})
                QTest::newRow(QStringLiteral("%1 / %2%3")
                                  .arg(QString::fromUtf8(typed), QString::fromUtf8(number),
                                       indexed ? QStringLiteral(", indexed") : QString())
                                  .toUtf8()
                                  .constData())
                    << QString::fromUtf8(typed) << QString::fromUtf8(number) << indexed;
        };
        row("abc", "ABC");
        row("ABC", "abc");
        row("abc", "abcd");
        row("`1", "@1");
        row("{1", "[1");
        row("ä-1", "Ä-1");
        row("strasse", "STRASSE");
        row("ß", "ß");
        row("ß", "ss");
        row("k-1", "\u212A-1");  // Kelvin sign
        row("\u212A-1", "K-1");
        row("s", "\u017F");  // long s
        row("σ", "ς");       // final sigma
        row("ΣΙΓΜΑ", "σιγμα");
        row("ǆ", "ǅ");
        row("\U00010428", "\U00010400");  // Deseret, outside the first plane
        row("x\U00010428", "x\U00010400y");
    }
    void partNumbersFindWhatTheSearchFinds() {
        QFETCH(QString, typed);
        QFETCH(QString, partNumber);
        QFETCH(bool, indexed);
        PartsFile file;
        addPart(file.db, QStringLiteral("Parts"), {{"PartNumber", "other"}, {"PartName", "-"}});
        addPart(file.db, QStringLiteral("Parts"), {{"PartNumber", partNumber}, {"PartName", "-"}});
        if (indexed)
            sqliteShell(file.db, QStringLiteral("CREATE INDEX ByNumber ON Parts (PartNumber)"));
        const TextMatch match(typed, QLocale(QLocale::English, QLocale::UnitedStates));
        std::atomic<bool> stop{false};
        const FoundKeys searched = findKeys(file.db, QStringLiteral("Parts"), match, stop);
        const PartNumberIndex index = PartNumberIndex::read(file.db, QStringLiteral("Parts"), stop);
        QVERIFY(index.complete());
        QCOMPARE(index.size(), size_t(2));
        file.open();
        QCOMPARE(index.exactKeys(file.cn, match), searched.exact);
    }

    // The search reads a file in WAL mode too, with what another connection has written and not
    // yet copied into the file itself; and a table longer than what is read at a time, changed
    // between two searches, is read as it is now.
    void theSearchReadsWhatIsThereNow() {
        PartsFile file(20000);
        std::atomic<bool> stop{false};
        const TextMatch match(QStringLiteral("zebra"));
        QCOMPARE(findKeys(file.db, QStringLiteral("Parts"), match, stop).keys.size(), size_t(0));
        sqliteShell(file.db, QStringLiteral("UPDATE Parts SET PartName = 'Zebra clamp' WHERE "
                                            "PartID IN (3, 19999)"));
        QCOMPARE(findKeys(file.db, QStringLiteral("Parts"), match, stop).keys,
                 (std::vector<qint64>{3, 19999}));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(file.db.toUtf8().constData(), &other), SQLITE_OK);
        sqlite3_exec(other, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr,
                     nullptr, nullptr);
        QCOMPARE(sqlite3_exec(other, "UPDATE Parts SET PartName = 'Zebra' WHERE PartID = 7",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QCOMPARE(findKeys(file.db, QStringLiteral("Parts"), match, stop).keys,
                 (std::vector<qint64>{3, 7, 19999}));
        const PartNumberIndex index = PartNumberIndex::read(file.db, QStringLiteral("Parts"), stop);
        QCOMPARE(index.size(), size_t(20000));
        sqlite3_close(other);
    }

    // A part saved since the part numbers were read is found by its new number, not by its old
    // one; a deleted part is not found.
    void partNumbersKeepUpWithSaves() {
        PartsFile file(3);
        std::atomic<bool> stop{false};
        PartNumberIndex index = PartNumberIndex::read(file.db, QStringLiteral("Parts"), stop);
        Recordset& rs = file.open();
        const QString old = rs["PartNumber"].Value().toString();
        const TextMatch was(old);
        QCOMPARE(index.exactKeys(file.cn, was), (std::vector<qint64>{1}));
        rs["PartNumber"].setValue(QStringLiteral("Renamed-1"));
        rs.Update();
        index.add(1, rs["PartNumber"].Value());
        QCOMPARE(index.exactKeys(file.cn, TextMatch(QStringLiteral("renamed-1"))),
                 (std::vector<qint64>{1}));
        QCOMPARE(index.exactKeys(file.cn, was), (std::vector<qint64>{}));
        rs.Delete(adAffectCurrent);
        QCOMPARE(index.exactKeys(file.cn, TextMatch(QStringLiteral("renamed-1"))),
                 (std::vector<qint64>{}));
    }

    // Another connection's write changes the count of others' writes; the connection's own do not.
    void othersWritesAreCounted() {
        PartsFile file(2);
        Recordset& rs = file.open();
        const std::optional<qint64> before = othersWriteCount(file.cn);
        QVERIFY(before);
        rs["PartName"].setValue(QStringLiteral("Ours"));
        rs.Update();
        QCOMPARE(othersWriteCount(file.cn), before);
        sqliteShell(file.db,
                    QStringLiteral("UPDATE Parts SET PartName = 'Theirs' WHERE PartID = 2"));
        QVERIFY(othersWriteCount(file.cn) != before);
    }

    // ---- entries that are no files -------------------------------------------------------------

    // A pipe or a device under the catalogue's name is refused before it is opened: opening a
    // pipe waits for a writer for ever, a device reads without end.
    void entriesThatAreNoFilesAreRefusedAtOnce_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to a pipe") << "link to a pipe";
        QTest::newRow("link to a device") << "link to a device";
    }

    void entriesThatAreNoFilesAreRefusedAtOnce() {
        QFETCH(QString, kind);
        ProgramFolder folder;
        const QString path = folder.file(QStringLiteral("Parts.mdb"));
        QString pipe;
        if (kind == QLatin1String("pipe")) {
            pipe = path;
        } else if (kind == QLatin1String("link to a pipe")) {
            pipe = folder.file(QStringLiteral("pipe"));
            QVERIFY(QFile::link(pipe, path));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        }
        if (!pipe.isEmpty()) QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        // Writing into a pipe nobody reads any more fails instead of ending the test program.
        const auto pipeSignal = std::signal(SIGPIPE, SIG_IGN);
        const auto restore = qScopeGuard([&] { std::signal(SIGPIPE, pipeSignal); });

        PipeWatchdog watchdog(pipe, 3000);
        Connection cn;
        QString why;
        const long error = errorOf([&] { cn.Open(kOpen + path); }, &why);
        QVERIFY2(!watchdog.standDown(), "the store opened the pipe and waited on it");
        QCOMPARE(error, long(errFileNotFound));
        QVERIFY2(why.contains(path) && why.contains(QLatin1String("not an ordinary file")),
                 qPrintable(why));
        QVERIFY(!cn.isOpen());
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
    }
};

QTEST_MAIN(StoreTest)
#include "tst_store.moc"
