// The recordset as the windows rely on it, on a catalogue file and on a server alike: cursor
// ends, keys, edits that fail, deletes, chunks, statements, values of every type, and two
// writers on one table.

#include <QScopeGuard>
#include <QTest>
#include <clocale>

#include "Catalog.h"
#include "Connection.h"
#include "Recordset.h"
#include "StoreError.h"
#include "TestServer.h"

using namespace store;

namespace {

// One column of the table, read back through a connection of its own, in key order.
QStringList stored(const Catalogue& cat, const QString& column, const QString& where = QString()) {
    Connection cn;
    cn.Open(cat.connectionString());
    auto rs = cn.Execute(QStringLiteral("SELECT %1 FROM %2 %3 ORDER BY \"PartID\"")
                             .arg(quoteIdentifier(column), quoteIdentifier(cat.table), where));
    QStringList values;
    while (!rs->EOF_()) {
        const QVariant v = rs->fields()[0].Value();
        values << (v.isNull() ? QStringLiteral("<null>") : valueText(v, QLocale::c()));
        rs->MoveNext();
    }
    return values;
}

#define ENGINE_ROWS() addEngineRows()
#define CATALOGUE(name, ...)                                                               \
    QFETCH(QString, engine);                                                               \
    {                                                                                      \
        QString why_;                                                                      \
        if (engine == QLatin1String("server") && !TestServer::instance().available(&why_)) \
            QFAIL(qPrintable(why_));                                                       \
    }                                                                                      \
    Catalogue name(engine __VA_OPT__(, ) __VA_ARGS__)

}  // namespace

class RecordsetTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void cursorEndsAndCounts_data() { ENGINE_ROWS(); }
    void cursorEndsAndCounts() {
        try {
            CATALOGUE(cat);
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            // Empty table: both ends at once, and moves are harmless.
            QVERIFY(rs.BOF() && rs.EOF_());
            QCOMPARE(rs.RecordCount(), 0L);
            rs.MoveFirst();
            rs.MoveLast();
            QVERIFY(rs.BOF() && rs.EOF_());
            QCOMPARE(errorOf([&] { rs["PartName"].Value(); }), long(errNoCurrentRecord));

            // A pending new row is current but not counted.
            rs.AddNew();
            QVERIFY(!rs.BOF() && !rs.EOF_());
            QCOMPARE(rs.RecordCount(), 0L);
            QCOMPARE(rs[0].Value().toInt(), 1);  // the key is assigned by the store
            rs["PartNumber"].setValue(QStringLiteral("A"));
            rs.Update();
            QCOMPARE(rs.RecordCount(), 1L);
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("A"));

            for (const char* n : {"B", "C"}) {
                rs.AddNew();
                rs["PartNumber"].setValue(QString::fromLatin1(n));
                rs.Update();
            }
            QCOMPARE(rs.RecordCount(), 3L);
            rs.MoveFirst();
            QVERIFY(!rs.BOF());
            rs.MovePrevious();
            QVERIFY(rs.BOF() && !rs.EOF_());
            rs.MovePrevious();  // past the end again: still no error
            QVERIFY(rs.BOF());
            rs.MoveNext();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("A"));
            rs.MoveLast();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("C"));
            rs.MoveNext();
            QVERIFY(rs.EOF_() && !rs.BOF());
            rs.MoveNext();
            QVERIFY(rs.EOF_());
            rs.MoveLast();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("C"));

            // Cancelling a new row returns to the row that was current before it.
            rs.MoveFirst();
            rs.AddNew();
            QCOMPARE(rs[0].Value().toInt(), 4);
            rs.CancelUpdate();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("A"));
            QCOMPARE(rs.RecordCount(), 3L);
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void keysComeFromTheStoreAndAreNeverReused_data() { ENGINE_ROWS(); }
    void keysComeFromTheStoreAndAreNeverReused() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 3);
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            rs.MoveLast();
            rs.Delete();
            rs.AddNew();
            QCOMPARE(rs[0].Value().toInt(), 4);  // 3 was used once; the counter goes on
            rs["PartNumber"].setValue(QStringLiteral("new"));
            rs.Update();
            QCOMPARE(stored(cat, QStringLiteral("PartID")), QStringList({"1", "2", "4"}));

            // A second writer adding at the same time is given another key.
            Connection other;
            other.Open(cat.connectionString());
            Recordset theirs;
            theirs.Open(cat.table, other);
            rs.AddNew();
            theirs.AddNew();
            QVERIFY(rs[0].Value().toInt() != theirs[0].Value().toInt());
            rs["PartNumber"].setValue(QStringLiteral("mine"));
            theirs["PartNumber"].setValue(QStringLiteral("theirs"));
            theirs.Update();
            rs.Update();
            QCOMPARE(stored(cat, QStringLiteral("PartNumber")).size(), 5);
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void failedUpdateWritesNothingAndKeepsThePendingValues_data() { ENGINE_ROWS(); }
    void failedUpdateWritesNothingAndKeepsThePendingValues() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 2);
            {
                // A unique part number makes a second "P-001" fail at Update, inside the engine.
                Catalog catalog;
                catalog.setActiveConnection(cat.connectionString());
                Index unique;
                unique.Name = cat.table + QStringLiteral(" unique number");
                unique.Unique = true;
                unique.appendColumn(QStringLiteral("PartNumber"), adVarWChar);
                catalog.table(cat.table)->appendIndex(unique);
            }
            const QStringList before = stored(cat, QStringLiteral("PartName"));
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            rs.MoveLast();
            rs["PartName"].setValue(QStringLiteral("Renamed"));
            rs["PartNumber"].setValue(QStringLiteral("P-001"));
            QCOMPARE(errorOf([&] { rs.Update(); }), long(errEngine));
            QCOMPARE(stored(cat, QStringLiteral("PartName")), before);
            QCOMPARE(rs["PartName"].Value().toString(),
                     QStringLiteral("Renamed"));  // still pending
            rs["PartNumber"].setValue(QStringLiteral("P-099"));
            rs.Update();
            QCOMPARE(stored(cat, QStringLiteral("PartName"),
                            QStringLiteral("WHERE \"PartNumber\" = 'P-099'")),
                     QStringList({"Renamed"}));

            // A failed new row is not counted and not written either.
            rs.AddNew();
            rs["PartNumber"].setValue(QStringLiteral("P-001"));
            QVERIFY(errorOf([&] { rs.Update(); }) != 0);
            QCOMPARE(rs.RecordCount(), 2L);
            QCOMPARE(stored(cat, QStringLiteral("PartID")).size(), 2);
            // Closing discards what is pending.
            rs.Close();
            QCOMPARE(stored(cat, QStringLiteral("PartID")).size(), 2);
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void deleteLeavesTheCursorInPlace_data() { ENGINE_ROWS(); }
    void deleteLeavesTheCursorInPlace() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 3);
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            rs.MoveNext();
            rs.Delete(adAffectCurrent);
            QCOMPARE(rs.RecordCount(), 2L);
            QVERIFY(!rs.BOF() && !rs.EOF_());
            QCOMPARE(errorOf([&] { rs["PartNumber"].Value(); }), long(errNoCurrentRecord));
            rs.MoveNext();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));
            rs.Delete();
            rs.MovePrevious();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-001"));
            // The last row: moving on reaches EOF, MoveLast then finds nothing at all.
            rs.Delete();
            QCOMPARE(rs.RecordCount(), 0L);
            rs.MoveNext();
            QVERIFY(rs.EOF_());
            rs.MoveLast();
            QVERIFY(rs.BOF() && rs.EOF_());
            QCOMPARE(stored(cat, QStringLiteral("PartID")), QStringList());
            // Delete on a pending new row discards it.
            rs.AddNew();
            rs.Delete();
            QVERIFY(rs.BOF() && rs.EOF_());
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void chunksContinueAndStartOverPerRow_data() { ENGINE_ROWS(); }
    void chunksContinueAndStartOverPerRow() {
        try {
            CATALOGUE(cat);
            QByteArray first(250, '\0');
            for (int i = 0; i < first.size(); ++i) first[i] = char(i);
            const QByteArray second = pictureBytes("png");
            addPart(cat.source, cat.table, {{"PartNumber", "A"}, {"Image", first}});
            addPart(cat.source, cat.table, {{"PartNumber", "B"}, {"Image", second}});
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            Field& image = rs["Image"];
            QCOMPARE(image.ActualSize(), qint64(250));
            QCOMPARE(image.Attributes() >= 200, true);  // a long field
            QCOMPARE(image.GetChunk(100), first.mid(0, 100));
            QCOMPARE(image.GetChunk(100), first.mid(100, 100));
            QCOMPARE(image.GetChunk(100), first.mid(200, 50));
            QCOMPARE(image.GetChunk(100), QByteArray());
            rs.MoveNext();
            QCOMPARE(rs["Image"].GetChunk(10), second.left(10));
            rs.MovePrevious();
            QCOMPARE(rs["Image"].GetChunk(5), first.left(5));  // a move starts over

            // The first append of an edit replaces the value, later ones add to it.
            rs["Image"].AppendChunk(QByteArray("abc"));
            rs["Image"].AppendChunk(QByteArray("def"));
            rs.Update();
            QCOMPARE(rs["Image"].Value().toByteArray(), QByteArray("abcdef"));
            rs["Image"].AppendChunk(QByteArray("xyz"));
            rs.Update();
            Connection again;
            again.Open(cat.connectionString());
            auto q =
                again.Execute(QStringLiteral("SELECT \"Image\" FROM %1 WHERE \"PartNumber\" = 'A'")
                                  .arg(quoteIdentifier(cat.table)));
            QCOMPARE(q->fields()[0].Value().toByteArray(), QByteArray("xyz"));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void valuesOfEveryTypeComeBackAsWritten_data() { ENGINE_ROWS(); }
    void valuesOfEveryTypeComeBackAsWritten() {
        try {
            // Retail Price (currency), Qty In Stock (integer), Weight (single), Color (text of 50).
            CATALOGUE(cat, std::vector<int>{1, 4, 10, 11});
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            QCOMPARE(rs["Retail Price"].Type(), adCurrency);
            QCOMPARE(rs["Qty In Stock"].Type(), adInteger);
            QCOMPARE(rs["Weight"].Type(), adSingle);
            QCOMPARE(rs["Color"].Type(), adVarWChar);
            QCOMPARE(rs["Color"].DefinedSize(), 50L);
            QCOMPARE(rs["CreationDate"].Type(), adDate);
            QCOMPARE(rs["Image"].Type(), adLongVarBinary);

            const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58));
            rs.AddNew();
            rs["PartNumber"].setValue(QStringLiteral("Zwölf \"Ω\" ; '--"));
            rs["Retail Price"].setValue(QStringLiteral("-92233720368547.5807"));
            rs["Qty In Stock"].setValue(QStringLiteral("-2147483648"));
            rs["Weight"].setValue(QStringLiteral("0.1"));
            rs["Color"].setValue(QString(50, QChar(0x00e9)));
            rs["CreationDate"].setValue(when);
            rs.Update();
            QCOMPARE(errorOf([&] { rs["Color"].setValue(QString(51, QLatin1Char('x'))); }),
                     long(errDataConversion));
            QCOMPARE(errorOf([&] { rs["Retail Price"].setValue(QStringLiteral("abc")); }),
                     long(errDataConversion));
            rs.CancelUpdate();

            Connection again;
            again.Open(cat.connectionString());
            Recordset back;
            back.Open(cat.table, again);
            QCOMPARE(back["PartNumber"].Value().toString(), QStringLiteral("Zwölf \"Ω\" ; '--"));
            QCOMPARE(back["Retail Price"].Value().value<Currency>().scaled,
                     Q_INT64_C(-922337203685475807));
            QCOMPARE(back["Qty In Stock"].Value().toInt(), std::numeric_limits<int>::min());
            QCOMPARE(back["Weight"].Value().typeId(), int(QMetaType::Float));
            QCOMPARE(back["Weight"].Value().toFloat(), 0.1f);
            QCOMPARE(back["Color"].Value().toString(), QString(50, QChar(0x00e9)));
            QCOMPARE(back["CreationDate"].Value().toDateTime(), when);
            QVERIFY(back["Image"].Value().isNull());
            QVERIFY(back["Description"].Value().isNull());
            // An empty picture is an empty value, not a missing one.
            back["Image"].AppendChunk(QByteArray());
            back.Update();
            QVERIFY(!back["Image"].Value().isNull());
            QCOMPARE(back["Image"].ActualSize(), qint64(0));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void forwardOnlyStatements_data() { ENGINE_ROWS(); }
    void forwardOnlyStatements() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 5);
            Connection cn;
            cn.Open(cat.connectionString());
            const QString table = quoteIdentifier(cat.table);
            auto rs = cn.Execute(QStringLiteral("SELECT * FROM ") + table);
            QCOMPARE(rs->RecordCount(), -1L);
            QCOMPARE(rs->fields().Count(), 11);
            QCOMPARE(rs->fields()[1].Name(), QStringLiteral("PartNumber"));
            QCOMPARE(rs->fields()["Retail Price"].Type(), adCurrency);
            rs->Move(3);
            QCOMPARE(rs->fields()["partnumber"].Value().toString(), QStringLiteral("P-004"));
            rs->MoveFirst();
            QCOMPARE(rs->fields()["PartNumber"].Value().toString(), QStringLiteral("P-001"));
            rs->Move(4);
            rs->MoveNext();
            QVERIFY(rs->EOF_());
            QVERIFY(errorOf([&] { rs->fields()["PartNumber"].setValue(QStringLiteral("x")); }) ==
                    errNotSupported);
            QVERIFY(errorOf([&] { rs->Move(-1); }) == errNotSupported);
            auto empty = cn.Execute(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table));
            QVERIFY(empty->BOF() && empty->EOF_());
            // One statement at a time.
            QCOMPARE(
                errorOf([&] { cn.Execute(QStringLiteral("SELECT 1; DROP TABLE %1").arg(table)); }),
                long(errInvalidArgument));
            QCOMPARE(stored(cat, QStringLiteral("PartID")).size(), 5);
            // Closing the connection closes its recordsets.
            cn.Close();
            QVERIFY(!rs->isOpen());
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void awkwardTableNames_data() { ENGINE_ROWS(); }
    void awkwardTableNames() {
        try {
            const QString name = QStringLiteral("Stock \"A\" [old]; DROP TABLE x");
            CATALOGUE(cat, std::vector<int>{13}, name);
            addParts(cat.source, name, 2);
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(name, cn);
            QCOMPARE(rs.RecordCount(), 2L);
            rs["Location"].setValue(QStringLiteral("shelf 'B'"));
            rs.Update();
            bool listed = false;
            auto tables = cn.OpenSchema(adSchemaTables);
            for (; !tables->EOF_(); tables->MoveNext())
                listed |= tables->fields()["TABLE_NAME"].Value().toString() == name;
            QVERIFY(listed);
            auto columns = cn.OpenSchema(adSchemaColumns, {QString(), QString(), name});
            QCOMPARE(columns->fields()["COLUMN_NAME"].Value().toString(), QStringLiteral("PartID"));
            QCOMPARE(stored(cat, QStringLiteral("Location")), QStringList({"shelf 'B'", "<null>"}));
            // Another letter case finds the same table.
            Recordset lower;
            lower.Open(name.toLower(), cn);
            QCOMPARE(lower.RecordCount(), 2L);
            QCOMPARE(errorOf([&] {
                         Recordset none;
                         none.Open(QStringLiteral("No such table"), cn);
                     }),
                     long(errTableNotFound));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // ---- two writers on one table -------------------------------------------------------------

    void aSecondSaveNeverOverwritesTheFirst_data() { ENGINE_ROWS(); }
    void aSecondSaveNeverOverwritesTheFirst() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 3);
            Connection cnA, cnB;
            cnA.Open(cat.connectionString());
            cnB.Open(cat.connectionString());
            Recordset a, b;
            a.Open(cat.table, cnA);
            b.Open(cat.table, cnB);
            a["PartName"].setValue(QStringLiteral("Alice's name"));
            b["PartName"].setValue(QStringLiteral("Bob's name"));
            a.Update();
            QCOMPARE(errorOf([&] { b.Update(); }), long(errRecordChanged));
            QCOMPARE(b["PartName"].Value().toString(),
                     QStringLiteral("Bob's name"));  // kept on screen
            QCOMPARE(stored(cat, QStringLiteral("PartName")).value(0),
                     QStringLiteral("Alice's name"));
            // Reloading shows the first save; saving then is a decision taken knowing it.
            b.CancelUpdate();
            b.Resync();
            QCOMPARE(b["PartName"].Value().toString(), QStringLiteral("Alice's name"));
            b["PartName"].setValue(QStringLiteral("Bob's name"));
            b.Update();
            QCOMPARE(stored(cat, QStringLiteral("PartName")).value(0),
                     QStringLiteral("Bob's name"));

            // Deleted under the other's feet: the save is refused, and landing there says so.
            b.MoveNext();
            a.MoveNext();
            a.Delete();
            b["PartName"].setValue(QStringLiteral("too late"));
            QCOMPARE(errorOf([&] { b.Update(); }), long(errRecordDeleted));
            QCOMPARE(b["PartName"].Value().toString(), QStringLiteral("too late"));
            b.CancelUpdate();
            b.MoveNext();
            QCOMPARE(errorOf([&] { b.MovePrevious(); }), long(errNoCurrentRecord));
            QCOMPARE(stored(cat, QStringLiteral("PartNumber")), QStringList({"P-001", "P-003"}));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // ---- numbers under a comma-decimal locale -------------------------------------------------

    // Qt sets the C locale from the environment; under one that writes "0,5" every number is
    // still stored and read back whole.
    void numbersKeepTheirFractionUnderACommaDecimalLocale_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const struct {
            const char* name;
            const char* column;
            QVariant value;
            QVariant expected;
        } values[] = {
            {"single typed", "Weight", QStringLiteral("0,012"), 0.012f},
            {"single as a number", "Weight", 2.5, 2.5f},
            {"double typed", "Ratio", QStringLiteral("1234,5678"), 1234.5678},
            {"double as a number", "Ratio", 0.1, 0.1},
            {"currency typed", "Retail Price", QStringLiteral("-1234,5678"),
             QVariant::fromValue(Currency{-12345678})},
            {"currency as a number", "Retail Price", 0.29, QVariant::fromValue(Currency{2900})},
            {"integer typed", "Qty In Stock", QStringLiteral("-42"), -42},
            {"date typed", "CreationDate", QStringLiteral("2026-12-09 10:30:05"),
             QDateTime(QDate(2026, 12, 9), QTime(10, 30, 5))},
        };
        for (const char* engine : {"file", "server"})
            for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8"})
                for (const auto& v : values)
                    QTest::addRow("%s %s %s", engine, locale, v.name)
                        << QString::fromLatin1(engine) << QString::fromLatin1(locale)
                        << QString::fromLatin1(v.column) << v.value << v.expected;
    }

    void numbersKeepTheirFractionUnderACommaDecimalLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        try {
            // Retail Price (currency), Qty In Stock (integer), Weight (single), and a double.
            CATALOGUE(cat, std::vector<int>{1, 4, 10});
            if (cat.onServer)
                TestServer::instance().psql(
                    QStringLiteral("ALTER TABLE \"%1\" ADD COLUMN \"Ratio\" double precision")
                        .arg(cat.table));
            else
                sqliteShell(cat.source,
                            QStringLiteral("ALTER TABLE Parts ADD COLUMN Ratio DOUBLE"));

            const QByteArray before = std::setlocale(LC_ALL, nullptr);
            const auto restore = qScopeGuard([&] { std::setlocale(LC_ALL, before.constData()); });
            if (!std::setlocale(LC_ALL, locale.toLatin1().constData()))
                QSKIP(qPrintable(QStringLiteral("The locale %1 is not installed here; scripts/test "
                                                "makes it.")
                                     .arg(locale)));
            QCOMPARE(std::localeconv()->decimal_point, ",");
            QLocale::setDefault(QLocale(locale.left(5)));  // what the user types in

            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            rs.AddNew();
            rs["PartNumber"].setValue(QStringLiteral("L-1"));
            rs[column].setValue(value);
            rs.Update();

            Connection again;
            again.Open(cat.connectionString());
            Recordset back;
            back.Open(cat.table, again);
            const QVariant read = back[column].Value();
            QCOMPARE(read.metaType(), expected.metaType());
            QCOMPARE(valueText(read, QLocale::c()), valueText(expected, QLocale::c()));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // ---- a row changed or deleted elsewhere ----------------------------------------------------

    // Another program changed the row shown (its name, or only its picture) or deleted it: an
    // Update or a Delete of the row as shown is refused with the error that says which, and
    // changes nothing; once the row is read again, the same action goes through.
    void aRowChangedElsewhereIsNeitherOverwrittenNorDeleted_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("action");
        QTest::addColumn<long>("error");
        for (const char* engine : {"file", "server"})
            for (const char* action : {"update", "delete"}) {
                const auto row = [&](const char* change, long error) {
                    QTest::addRow("%s: %s elsewhere, then %s", engine, change, action)
                        << QString::fromLatin1(engine) << QString::fromLatin1(change)
                        << QString::fromLatin1(action) << error;
                };
                row("name changed", long(errRecordChanged));
                row("picture changed", long(errRecordChanged));
                row("deleted", long(errRecordDeleted));
            }
    }

    void aRowChangedElsewhereIsNeitherOverwrittenNorDeleted() {
        QFETCH(QString, change);
        QFETCH(QString, action);
        QFETCH(long, error);
        try {
            CATALOGUE(cat);
            addPart(cat.source, cat.table,
                    {{"PartNumber", "A"}, {"PartName", "Shown"}, {"Image", pictureBytes("png")}});
            addPart(cat.source, cat.table, {{"PartNumber", "B"}});
            Connection mine, theirs;
            mine.Open(cat.connectionString());
            theirs.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, mine);
            {
                Recordset other;
                other.Open(cat.table, theirs);
                if (change == QLatin1String("name changed")) {
                    other["PartName"].setValue(QStringLiteral("Theirs"));
                    other.Update();
                } else if (change == QLatin1String("picture changed")) {
                    other["Image"].AppendChunk(pictureBytes("jpg"));
                    other.Update();
                } else {
                    other.Delete();
                }
            }
            const auto snapshot = [&] {
                return stored(cat, QStringLiteral("PartNumber")) +
                       stored(cat, QStringLiteral("PartName")) +
                       stored(cat, QStringLiteral("Category")) +
                       stored(cat, QStringLiteral("Image"));
            };
            const QStringList theirVersion = snapshot();

            QString why;
            const bool updating = action == QLatin1String("update");
            if (updating) {
                rs["Category"].setValue(QStringLiteral("Mine"));
                QCOMPARE(errorOf([&] { rs.Update(); }, &why), error);
                QVERIFY(rs.isEditing());
            } else {
                QCOMPARE(errorOf([&] { rs.Delete(); }, &why), error);
                QCOMPARE(rs.RecordCount(), 2L);
                QCOMPARE(rs.Bookmark().toLongLong(), 1LL);
                QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("A"));
            }
            QVERIFY2(why.contains(cat.table) && why.contains(QLatin1String("since it was shown")),
                     qPrintable(why));
            QVERIFY2(why.endsWith(updating ? QLatin1String("nothing was saved.")
                                           : QLatin1String("nothing was deleted.")),
                     qPrintable(why));
            QCOMPARE(snapshot(), theirVersion);
            if (error == errRecordDeleted) return;

            // Shown again, the row is what the user decides on.
            rs.Resync();
            if (updating) {
                rs.Update();
                QCOMPARE(stored(cat, QStringLiteral("Category")).value(0), QStringLiteral("Mine"));
            } else {
                rs.Delete();
                QCOMPARE(stored(cat, QStringLiteral("PartNumber")), QStringList{"B"});
            }
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // ---- new rows ----------------------------------------------------------------------------

    // A row added where one was just deleted is the current row once saved.
    void aRowAddedAfterADeleteIsCurrentOnceSaved_data() { ENGINE_ROWS(); }
    void aRowAddedAfterADeleteIsCurrentOnceSaved() {
        try {
            CATALOGUE(cat);
            addParts(cat.source, cat.table, 3);
            Connection cn;
            cn.Open(cat.connectionString());
            Recordset rs;
            rs.Open(cat.table, cn);
            rs.MoveNext();
            rs.Delete();
            rs.AddNew();
            rs["PartNumber"].setValue(QStringLiteral("N-4"));
            rs.Update();
            QVERIFY(!rs.BOF() && !rs.EOF_());
            QString number;
            QCOMPARE(errorOf([&] { number = rs["PartNumber"].Value().toString(); }), 0L);
            QCOMPARE(number, QStringLiteral("N-4"));
            QCOMPARE(rs.Bookmark().toLongLong(), 4LL);
            QCOMPARE(rs.AbsolutePosition(), 3L);
            rs.MovePrevious();
            QCOMPARE(rs["PartNumber"].Value().toString(), QStringLiteral("P-003"));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // Two writers adding the first rows of a new table are given different keys.
    void twoWritersOnANewTableGetDifferentKeys_data() { ENGINE_ROWS(); }
    void twoWritersOnANewTableGetDifferentKeys() {
        try {
            CATALOGUE(cat);
            // As in a table made by another program: no counter is kept until the first row.
            if (!cat.onServer)
                sqliteShell(cat.source, QStringLiteral("DELETE FROM sqlite_sequence"));
            Connection cnA, cnB;
            cnA.Open(cat.connectionString());
            cnB.Open(cat.connectionString());
            Recordset a, b;
            a.Open(cat.table, cnA);
            b.Open(cat.table, cnB);
            a.AddNew();
            b.AddNew();
            const QVariant keyA = a[0].Value();
            const QVariant keyB = b[0].Value();
            QVERIFY2(keyA.toLongLong() != keyB.toLongLong(), qPrintable(keyA.toString()));
            a["PartNumber"].setValue(QStringLiteral("A"));
            b["PartNumber"].setValue(QStringLiteral("B"));
            b.Update();
            a.Update();
            QCOMPARE(a[0].Value(), keyA);
            QCOMPARE(b[0].Value(), keyB);
            QCOMPARE(stored(cat, QStringLiteral("PartNumber"),
                            QStringLiteral("WHERE \"PartID\" = %1").arg(keyA.toLongLong())),
                     QStringList{"A"});
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }
};

QTEST_GUILESS_MAIN(RecordsetTest)
#include "tst_recordset.moc"
