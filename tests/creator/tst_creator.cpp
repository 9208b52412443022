// The new database window: its checks and messages, the file it makes, and the main
// window switching to it.

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QScopeGuard>
#include <QTimer>
#include <csignal>

#include "Catalog.h"
#include "Connection.h"
#include "Control.h"
#include "PartsLayout.h"
#include "PipeWatchdog.h"
#include "Recordset.h"
#include "Session.h"
#include "StoreError.h"
#include "frmCreateDb.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

struct Creator {
    ProgramFolder folder;
    ScriptedPlatform platform{folder.path()};
    frmCreateDb window;

    Creator() {
        Control::sAppPath = folder.path();
        window.show();
    }
    template <typename T = QWidget>
    T* child(const QString& name) const {
        T* c = window.findChild<T*>(name);
        if (!c) qFatal("no control %s", qPrintable(name));
        return c;
    }
    void fill(const QString& db, const QString& table, std::vector<int> ticks = {}) {
        child<QLineEdit>("txtDBname")->setText(db);
        child<QLineEdit>("txtTableName")->setText(table);
        for (int n : ticks)
            QTest::mouseClick(child<QCheckBox>(QStringLiteral("Check%1").arg(n)), Qt::LeftButton,
                              {}, QPoint(6, 8));
    }
    void create() { QTest::mouseClick(child<QPushButton>("CreateButton"), Qt::LeftButton); }
    QString message() const { return child<QLabel>("lblError")->text(); }
    QColor messageColour() const {
        return child<QLabel>("lblError")->palette().color(QPalette::WindowText);
    }
    // Every entry in the program folder, links pointing nowhere included.
    QStringList files() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }
    // The red message wraps, and all of its lines fit in the label, inside the window.
    bool messageShownWhole() const {
        auto* label = child<QLabel>("lblError");
        const int needed = label->heightForWidth(label->width());
        if (!label->wordWrap() || needed > label->height() ||
            !window.rect().contains(label->geometry())) {
            qWarning("message needs %d px, the label is %dx%d", needed, label->width(),
                     label->height());
            return false;
        }
        return true;
    }
};

QStringList columnsOf(const QString& db, const QString& table) {
    store::Connection cn;
    cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db);
    auto rs = cn.OpenSchema(store::adSchemaColumns, {QString(), QString(), table, QString()});
    QStringList out;
    for (; !rs->EOF_(); rs->MoveNext())
        out << QStringLiteral("%1:%2:%3")
                   .arg(rs->fields()["COLUMN_NAME"].Value().toString())
                   .arg(rs->fields()["DATA_TYPE"].Value().toInt())
                   .arg(rs->fields()["CHARACTER_MAXIMUM_LENGTH"].Value().toInt());
    return out;
}

// Runs `script` on the modal window that the next step opens.
void onModal(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) qFatal("no modal window came up");
        script(dialog);
    });
}

}  // namespace

class CreatorTest : public QObject {
    Q_OBJECT

private slots:
    void captionsAndBoxes() {
        Creator c;
        QCOMPARE(c.window.windowTitle(), QStringLiteral("Create New Parts Database"));
        QVERIFY(c.window.isModal());
        QCOMPARE(c.window.size(), QSize(487, 472));  // 7305 x 7080 twips
        QCOMPARE(c.child<QLabel>("Label2")->text(), QStringLiteral("Enter - New  Data Table Name"));
        QCOMPARE(c.child<QLabel>("Label4")->text(),
                 QStringLiteral("Field  1:  Item Part Number - Required Field"));
        QCOMPARE(c.child<QPushButton>("cmdExit")->text(), QStringLiteral("&EXIT"));
        for (int n = 1; n <= 25; ++n) {
            auto* box = c.child<QCheckBox>(QStringLiteral("Check%1").arg(n));
            QCOMPARE(box->text(), store::parts::optionalName(n));
            QVERIFY(!box->isChecked());
        }
        QCOMPARE(c.message(), QString());
    }

    void tablesMadeFromTheTickedBoxes_data() {
        QTest::addColumn<std::vector<int>>("ticks");
        QTest::addColumn<QStringList>("columns");
        const QStringList fixedHead{"PartID:3:0", "PartNumber:202:50", "PartName:202:80",
                                    "Category:202:50", "Description:202:255"};
        const QStringList fixedTail{"CreationDate:7:0", "Image:205:0"};
        QTest::newRow("none") << std::vector<int>{} << fixedHead + fixedTail;
        QTest::newRow("25 then 1")
            << std::vector<int>{25, 1}
            << fixedHead + QStringList{"Retail Price:6:0", "Supplier 2 Price:6:0"} + fixedTail;
        std::vector<int> all;
        QStringList allColumns = fixedHead;
        for (int n = 25; n >= 1; --n) all.push_back(n);
        for (int n = 1; n <= 25; ++n) {
            const auto type = store::parts::optionalType(n);
            allColumns << QStringLiteral("%1:%2:%3")
                              .arg(store::parts::optionalName(n))
                              .arg(int(type))
                              .arg(type == store::adVarWChar ? 50 : 0);
        }
        QTest::newRow("all 25") << all << allColumns + fixedTail;
    }

    void tablesMadeFromTheTickedBoxes() {
        QFETCH(std::vector<int>, ticks);
        QFETCH(QStringList, columns);
        Creator c;
        c.fill(QStringLiteral("Stock"), QStringLiteral("Stock Items"), ticks);
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
        QCOMPARE(c.messageColour(), kGreen);
        QVERIFY(
            c.child<QPushButton>("CreateButton")->styleSheet().contains(QStringLiteral("#00FF00")));
        QVERIFY(c.window.bDbCreated);
        const QString db = c.folder.file(QStringLiteral("Stock.mdb"));
        QCOMPARE(c.window.choice().path, db);
        QCOMPARE(c.window.choice().table, QStringLiteral("Stock Items"));
        QCOMPARE(columnsOf(db, QStringLiteral("Stock Items")), columns);
        QCOMPARE(sqliteShell(db, "SELECT count(*) FROM pragma_table_info('Stock Items')"),
                 QString::number(columns.size()));
        QVERIFY(sqliteShell(db, "SELECT sql FROM sqlite_schema WHERE name = 'Stock Items'")
                    .contains(QStringLiteral(
                        "\"PartID\" INTEGER CONSTRAINT \"PartID\" PRIMARY KEY AUTOINCREMENT")));
        // One database per showing.
        c.fill(QStringLiteral("Other"), QStringLiteral("T"));
        c.create();
        QCOMPARE(c.message(),
                 QStringLiteral("You Must Exit this Window Before Creating another Database"));
        QCOMPARE(c.messageColour(), kRed);
        QVERIFY(!QFile::exists(c.folder.file(QStringLiteral("Other.mdb"))));
        QCOMPARE(c.window.choice().path, db);
    }

    // A new catalogue file has an index on the part numbers, which the find bar reads them from.
    void aNewCatalogueIndexesItsPartNumbers() {
        Creator c;
        c.fill(QStringLiteral("Stock"), QStringLiteral("Stock Items"));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
        const QString db = c.folder.file(QStringLiteral("Stock.mdb"));
        QCOMPARE(sqliteShell(db,
                             "SELECT name FROM pragma_index_list('Stock Items') "
                             "WHERE origin = 'c'"),
                 QStringLiteral("Stock Items PartNumber"));
        QCOMPARE(sqliteShell(db, "SELECT name FROM pragma_index_info('Stock Items PartNumber')"),
                 QStringLiteral("PartNumber"));
    }

    // After a database is made, EXIT and the close box open it; Cancel and Escape do not.
    // Every button has an access key of its own.
    void howTheWindowEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("opened");
        QTest::newRow("EXIT") << "cmdExit" << true;
        QTest::newRow("close box") << "close" << true;
        QTest::newRow("Cancel") << "cmdCancel" << false;
        QTest::newRow("Escape") << "escape" << false;
    }
    void howTheWindowEnds() {
        QFETCH(QString, how);
        Creator c;
        QCOMPARE(accessKeyProblems(&c.window, {QStringLiteral("cmd"), QStringLiteral("Create")}),
                 QStringList());
        c.fill(QStringLiteral("Made"), QStringLiteral("Parts"));
        c.create();
        QVERIFY(c.window.bDbCreated);
        if (how == "escape")
            QTest::keyClick(&c.window, Qt::Key_Escape);
        else if (how == "close")
            c.window.close();
        else
            QTest::mouseClick(c.child<QPushButton>(how), Qt::LeftButton);
        QVERIFY(!c.window.isVisible());
        QFETCH(bool, opened);
        QCOMPARE(c.window.choice().path,
                 opened ? c.folder.file(QStringLiteral("Made.mdb")) : QString());
    }

    void messagesInTheirOrder() {
        Creator c;
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database a Needs a Name"));
        QCOMPARE(c.messageColour(), kRed);
        QCOMPARE(c.window.choice().table, QString());
        c.fill(QStringLiteral("Stock"), QString());
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Table Needs a Name"));
        QCOMPARE(c.window.choice().table, QString());
        // An existing file is never replaced or opened.
        const QString existing =
            writeFile(c.folder.file(QStringLiteral("Stock.mdb")), "somebody's file");
        c.fill(QStringLiteral("Stock"), QStringLiteral("Parts"));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("Database Name already Used, Can NOT Replace"));
        QCOMPARE(c.messageColour(), kRed);
        QCOMPARE(readFile(existing), QByteArray("somebody's file"));
        QVERIFY(!c.window.bDbCreated);
        QCOMPARE(c.window.choice().path, QString());
        QVERIFY(!c.child<QPushButton>("CreateButton")
                     ->styleSheet()
                     .contains(QStringLiteral("#00FF00")));
        QTest::mouseClick(c.child<QPushButton>("cmdExit"), Qt::LeftButton);
        QCOMPARE(c.window.choice().path, QString());
    }

    void oddNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("made");     // the file made, or "" when refused
        QTest::addColumn<QString>("refusal");  // what the red message says, in part
        const QString noName = QStringLiteral("The Database a Needs a Name");
        QTest::newRow("slash") << "../escape"
                               << ""
                               << "/ or \\";
        QTest::newRow("backslash") << "a\\b"
                                   << ""
                                   << "/ or \\";
        QTest::newRow("dot") << "."
                             << ""
                             << ". or ..";
        QTest::newRow("dot dot") << ".."
                                 << ""
                                 << ". or ..";
        QTest::newRow("control character") << "Stock\tList"
                                           << ""
                                           << "control characters";
        QTest::newRow("blanks only") << "   "
                                     << "" << noName;
        QTest::newRow("a lone no-break space") << QStringLiteral("\u00A0") << "" << noName;
        QTest::newRow("figure, narrow and ideographic spaces")
            << QStringLiteral("\u2007\u202F\u3000") << "" << noName;
        QTest::newRow("byte order mark and tab") << QStringLiteral("\uFEFF\t") << "" << noName;
        for (char16_t c : {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069,
                           0x200E, 0x200F, 0x061C})
            QTest::addRow("direction control U+%04X", unsigned(c))
                << QStringLiteral("Stock") + QChar(c) + QStringLiteral("txt") << ""
                << "direction controls";
        for (char16_t c : {0x200B, 0x200C, 0x200D, 0x2060, 0xFEFF})
            QTest::addRow("zero-width U+%04X", unsigned(c))
                << QStringLiteral("Sto") + QChar(c) + QStringLiteral("ck") << ""
                << "zero-width characters";
        QTest::newRow("line separator") << QStringLiteral("Stock\u2028List") << ""
                                        << "line breaks";
        QTest::newRow("with its extension") << "Stock.mdb"
                                            << "Stock.mdb.mdb"
                                            << "";
        QTest::newRow("semicolon and quotes") << "a;b=\"c\" it's"
                                              << "a;b=\"c\" it's.mdb"
                                              << "";
        for (const char* name : {"Ersatzteile Übersicht", "قطع الغيار", "\u00A0Stock "})
            QTest::addRow("%s", name) << QString::fromUtf8(name)
                                      << QString::fromUtf8(name) + QStringLiteral(".mdb") << "";
    }

    void oddNames() {
        QFETCH(QString, name);
        QFETCH(QString, made);
        QFETCH(QString, refusal);
        Creator c;
        c.fill(name, QStringLiteral("Parts"));
        c.create();
        if (made.isEmpty()) {
            QCOMPARE(c.messageColour(), kRed);
            QVERIFY2(c.message().contains(refusal), qPrintable(c.message()));
            QVERIFY(c.messageShownWhole());
            QVERIFY(c.files().isEmpty());
            QVERIFY(!QFile::exists(c.folder.file(QStringLiteral("../escape.mdb"))));
            QVERIFY(!c.window.bDbCreated);
        } else {
            QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
            QCOMPARE(c.files(), QStringList{made});
        }
    }

    void tableNames_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("refusal");  // what the red message says, in part; "" when made
        const QString noName = QStringLiteral("The Database Table Needs a Name");
        QTest::newRow("blanks only") << "  " << noName;
        QTest::newRow("a lone no-break space") << QStringLiteral("\u00A0") << noName;
        QTest::newRow("ideographic space and byte order mark")
            << QStringLiteral("\u3000\uFEFF") << noName;
        for (char16_t c : {u'\n', u'\r', char16_t(0x0085), char16_t(0x2028), char16_t(0x2029)})
            QTest::addRow("line break U+%04X", unsigned(c))
                << QStringLiteral("Stock") + QChar(c) + QStringLiteral("Items") << "line breaks";
        QTest::newRow("right-to-left override")
            << QStringLiteral("Stock\u202EItems") << "direction controls";
        QTest::newRow("first strong isolate")
            << QStringLiteral("\u2068Stock") << "direction controls";
        QTest::newRow("zero-width joiner")
            << QStringLiteral("Stock\u200DItems") << "zero-width characters";
        QTest::newRow("word joiner") << QStringLiteral("Stock\u2060") << "zero-width characters";
        QTest::newRow("quotes, brackets and a statement")
            << QStringLiteral("Stock \"2026\" [old]'s; DROP TABLE x") << "";
        QTest::newRow("right-to-left letters") << QString::fromUtf8("قطع الغيار") << "";
    }

    void tableNames() {
        QFETCH(QString, table);
        QFETCH(QString, refusal);
        Creator c;
        c.fill(QStringLiteral("Odd"), table, {13});
        c.create();
        const QString db = c.folder.file(QStringLiteral("Odd.mdb"));
        // A refused name is no choice.
        QCOMPARE(c.window.choice().table, refusal.isEmpty() ? table : QString());
        if (refusal.isEmpty()) {
            QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
            const QStringList columns = columnsOf(db, table);
            QCOMPARE(columns.size(), 8);
            QCOMPARE(columns.at(5), QStringLiteral("Location:202:50"));
        } else {
            QCOMPARE(c.messageColour(), kRed);
            QVERIFY2(c.message().contains(refusal), qPrintable(c.message()));
            QVERIFY(c.messageShownWhole());
            QVERIFY(c.files().isEmpty());
            QVERIFY(!c.window.bDbCreated);
            QCOMPARE(c.window.choice().path, QString());
        }
    }

    // Whatever already has the new database's name is left as it is, by the window and by the
    // store under it: nothing is written through a link, not even one pointing nowhere.
    void entriesUnderTheNameAreKept_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind :
             {"file", "folder", "link to a file", "link to a folder", "dangling link", "fifo"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void entriesUnderTheNameAreKept() {
        QFETCH(QString, kind);
        Creator c;
        const QString entry = c.folder.file(QStringLiteral("Stock.mdb"));
        const QString target = c.folder.file(QStringLiteral("elsewhere"));
        const QByteArray native = QFile::encodeName(entry);
        if (kind == QLatin1String("file")) {
            writeFile(entry, "somebody's file");
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(entry));
        } else if (kind == QLatin1String("link to a file")) {
            writeFile(target, "somebody's file");
            QVERIFY(QFile::link(target, entry));
        } else if (kind == QLatin1String("link to a folder")) {
            QVERIFY(QDir().mkdir(target));
            QVERIFY(QFile::link(target, entry));
        } else if (kind == QLatin1String("dangling link")) {
            QVERIFY(QFile::link(target, entry));
        } else {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        }
        struct stat before {};
        QCOMPARE(::lstat(native.constData(), &before), 0);
        const bool targetThere = QFileInfo::exists(target);
        const QByteArray targetBytes =
            targetThere && QFileInfo(target).isFile() ? readFile(target) : QByteArray();
        const auto unchanged = [&] {
            struct stat now {};
            return ::lstat(native.constData(), &now) == 0 && now.st_ino == before.st_ino &&
                   now.st_mode == before.st_mode && now.st_size == before.st_size &&
                   QFileInfo::exists(target) == targetThere &&
                   (!QFileInfo(target).isFile() || readFile(target) == targetBytes);
        };
        // Whatever opens the pipe is let go from its other end within seconds, and the case fails
        // instead of waiting for ever; a write into it then fails rather than ending the program.
        PipeWatchdog watchdog(kind == QLatin1String("fifo") ? entry : QString(), 3000);
        const auto pipeSignal = std::signal(SIGPIPE, SIG_IGN);
        const auto restoreSignal = qScopeGuard([&] { std::signal(SIGPIPE, pipeSignal); });

        c.fill(QStringLiteral("Stock"), QStringLiteral("Parts"));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("Database Name already Used, Can NOT Replace"));
        QCOMPARE(c.messageColour(), kRed);
        QVERIFY(!c.window.bDbCreated);
        QCOMPARE(c.window.choice().path, QString());
        QVERIFY(unchanged());

        // The store refuses it on its own too, should the name be taken after the window looked.
        store::Catalog cat;
        try {
            cat.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + entry);
            QFAIL("a new database was made over an existing entry");
        } catch (const store::StoreError& e) {
            QCOMPARE(e.number(), long(store::errFileExists));
        }
        QVERIFY2(!watchdog.standDown(), "the pipe under the name was opened");
        QVERIFY(unchanged());
    }

    // SQLite deletes or replays a journal it finds beside a database: one left there (here a
    // link pointing nowhere) is somebody's, and the file already made for the new one goes again.
    void aJournalBesideTheNameIsKept() {
        Creator c;
        const QString journal = c.folder.file(QStringLiteral("Stock.mdb-journal"));
        const QString target = c.folder.file(QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(target, journal));
        c.fill(QStringLiteral("Stock"), QStringLiteral("Parts"));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("Database Name already Used, Can NOT Replace"));
        QCOMPARE(c.messageColour(), kRed);
        QVERIFY(!c.window.bDbCreated);
        QCOMPARE(c.files(), QStringList{QStringLiteral("Stock.mdb-journal")});  // no Stock.mdb left
        QCOMPARE(QFileInfo(journal).symLinkTarget(), target);
        QVERIFY(!QFileInfo::exists(target));
        // With the journal gone, the same name makes the database.
        QVERIFY(QFile::remove(journal));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
        QCOMPARE(c.files(), QStringList{QStringLiteral("Stock.mdb")});
    }

    // Enter in a box must not create the database: the optional boxes may not be ticked yet.
    void enterDoesNotCreate_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    void enterDoesNotCreate() {
        QFETCH(int, key);
        Creator c;
        c.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&c.window));
        for (const auto& [box, text] :
             {std::pair{"txtDBname", "Stock"}, std::pair{"txtTableName", "Parts"}}) {
            auto* edit = c.child<QLineEdit>(QLatin1String(box));
            edit->setFocus();
            QVERIFY(edit->hasFocus());
            QTest::keyClicks(edit, QString::fromLatin1(text));
            QTest::keyClick(edit, Qt::Key(key));
            QVERIFY(c.files().isEmpty());
            QCOMPARE(c.message(), QString());
            QVERIFY(c.window.isVisible());
        }
        for (auto* button : c.window.findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        QVERIFY(!c.window.bDbCreated);
        QCOMPARE(c.window.choice().path, QString());
        // The box ticked after Enter is in the table the click on Create makes.
        QTest::mouseClick(c.child<QCheckBox>(QStringLiteral("Check13")), Qt::LeftButton, {},
                          QPoint(6, 8));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
        QCOMPARE(c.files(), QStringList{QStringLiteral("Stock.mdb")});
        const QStringList columns =
            columnsOf(c.folder.file(QStringLiteral("Stock.mdb")), QStringLiteral("Parts"));
        QCOMPARE(columns.size(), 8);
        QCOMPARE(columns.at(5), QStringLiteral("Location:202:50"));
    }

    void storeFailureRemovesTheHalfMadeFile() {
        Creator c;
        c.fill(QStringLiteral("Reserved"),
               QStringLiteral("sqlite_parts"));  // a name the store keeps for itself
        c.create();
        QCOMPARE(c.messageColour(), kRed);
        QVERIFY2(c.message().contains(QStringLiteral("sqlite_")), qPrintable(c.message()));
        QVERIFY(c.messageShownWhole());
        QVERIFY(c.files().isEmpty());
        QVERIFY(!c.window.bDbCreated);
        // The window is still usable.
        c.fill(QStringLiteral("Reserved"), QStringLiteral("Parts"));
        c.create();
        QCOMPARE(c.message(), QStringLiteral("The Database Was Sucessfully Created"));
    }

    void closingTheWindow() {
        {
            Creator c;
            c.fill(QStringLiteral("Made"), QStringLiteral("Parts"));
            c.create();
            c.window.close();  // the title-bar close: as EXIT
            QCOMPARE(c.window.choice().path, c.folder.file(QStringLiteral("Made.mdb")));
        }
        {
            Creator c;
            c.window.close();
            QCOMPARE(c.window.choice().path, QString());
        }
        {
            Creator c;
            c.fill(QStringLiteral("Made"), QStringLiteral("Parts"));
            c.create();
            QTest::mouseClick(c.child<QPushButton>("cmdCancel"), Qt::LeftButton);
            QCOMPARE(c.window.choice().path, QString());
            QVERIFY(QFile::exists(c.folder.file(QStringLiteral("Made.mdb"))));
        }
    }

    void mainWindowSwitchesToTheNewDatabase() {
        Session s;
        s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(s.db(), QStringLiteral("Parts"), 2);
        QVERIFY(s.start());
        s.w->show();
        onModal([](QDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("txtDBname"))
                ->setText(QStringLiteral("Workshop"));
            d->findChild<QLineEdit*>(QStringLiteral("txtTableName"))
                ->setText(QStringLiteral("Tools"));
            d->findChild<QCheckBox*>(QStringLiteral("Check4"))->setChecked(true);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CreateButton")),
                              Qt::LeftButton);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdExit")),
                              Qt::LeftButton);
        });
        s.click("cmdCreate");
        QVERIFY(s.platform.reports.empty());
        QCOMPARE(s.text("txtDatabase"), s.folder.file(QStringLiteral("Workshop.mdb")));
        QCOMPARE(s.text("txtTable"), QStringLiteral("Tools"));
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 0  Records Found"));
        // Adding, but nothing typed yet: nothing to save.
        QVERIFY(s.state().bEditMode && !s.state().bRecordChanged);
        QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        QCOMPARE(s.cell(0, 5), QStringLiteral("Qty In Stock"));
        QCOMPARE(s.cell(1, 0), QStringLiteral("1"));
        // The first record of the new table is entered and saved there.
        s.type("txtPartNumber", QStringLiteral("T-1"));
        s.type("txtPartName", QStringLiteral("Torque wrench"));
        s.click("cmdSave");
        QCOMPARE(sqliteShell(s.folder.file(QStringLiteral("Workshop.mdb")),
                             "SELECT PartNumber FROM Tools"),
                 QStringLiteral("T-1"));

        // Cancel brings back the default database, however it was left.
        onModal([](QDialog* d) {
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        s.click("cmdCreate");
        QCOMPARE(s.text("txtDatabase"), s.db());
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 2  Records Found"));
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("P-001"));
        QVERIFY(!s.state().bRecordChanged);
    }

    // Leaving a new, empty table for the chooser and cancelling there: the default catalogue
    // opens for browsing, and nothing of it can be deleted unasked.
    void anEmptyTableLeftForTheChooserLeavesNoAddingState() {
        Session s;
        s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(s.db(), QStringLiteral("Parts"), 2);
        QVERIFY(s.start());
        s.w->show();
        onModal([](QDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("txtDBname"))->setText(QStringLiteral("Empty"));
            d->findChild<QLineEdit*>(QStringLiteral("txtTableName"))
                ->setText(QStringLiteral("Tools"));
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CreateButton")),
                              Qt::LeftButton);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdExit")),
                              Qt::LeftButton);
        });
        s.click("cmdCreate");
        QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        onModal([](QDialog* d) {
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        s.click("cmdOpen");
        QCOMPARE(s.text("txtDatabase"), s.db());
        QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        for (const char* b : {"cmdAdd", "cmdEdit", "cmdNext", "cmdLast"}) QVERIFY2(s.enabled(b), b);
        QVERIFY(!s.enabled("cmdSave") && !s.state().bEditMode);
        s.platform.answers = {false};
        s.click("cmdDelete");
        QCOMPARE(s.platform.questions.size(), size_t(1));
        QCOMPARE(sqliteShell(s.db(), "SELECT count(*) FROM Parts"), QStringLiteral("2"));
    }

    void aRefusedSaveKeepsTheCreatorClosed() {
        Session s;
        s.folder.makeDatabase();
        addParts(s.db(), QStringLiteral("Parts"), 1);
        QVERIFY(s.start());
        s.w->show();
        s.click("cmdEdit");
        s.replaceText("txtPartName", QString());
        bool opened = false;
        QTimer::singleShot(0, [&] { opened = QApplication::activeModalWidget() != nullptr; });
        s.click("cmdCreate");
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QCOMPARE(s.platform.messages.back().text,
                 QStringLiteral("Please enter the Part Name before saving the record."));
        QVERIFY(s.state().bConnected);
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("P-001"));
    }
};

QTEST_MAIN(CreatorTest)
#include "tst_creator.moc"
