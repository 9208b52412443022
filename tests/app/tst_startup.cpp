// Start-up of the parts record window, what it shows of the first record, and closing.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "Catalog.h"
#include "Control.h"
#include "ErrorReport.h"
#include "FindBar.h"
#include "Fixture.h"
#include "PartsLayout.h"
#include "Session.h"
#include "frmMain.h"

namespace {

const QStringList kRecordBoxes{"txtPartNumber", "txtPartName", "txtCategory", "txtDescription",
                               "txtField"};

// The program's own folder rules over an executable folder the test lays out.
class LaidOutPlatform : public ScriptedPlatform {
public:
    explicit LaidOutPlatform(const QString& executableFolder)
        : ScriptedPlatform(executableFolder), m_executable(executableFolder) {}
    QString programFolder() override { return ProgramFolders(m_executable).programFolder(); }
    QString sharedFolder() override { return ProgramFolders(m_executable).sharedFolder(); }
    QString unpackFolder() override { return ProgramFolders(m_executable).unpackFolder(); }

private:
    QString m_executable;
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheFirstRecord() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        addPart(db, QStringLiteral("Parts"),
                {{"PartNumber", "BR-1001"},
                 {"PartName", "Bronze Bushing"},
                 {"Category", "Bearings"},
                 {"Description", "Sleeve bushing"},
                 {"Image", pictureBytes("bmp", 40, 30, Qt::blue)}});
        addParts(db, QStringLiteral("Parts"), 11);
        writeFile(s.folder.file(QStringLiteral("ok.jpg")), "left over from before");

        QVERIFY(s.start());
        QVERIFY(s.platform.reports.empty());
        const QVersionNumber v = Platform::instance().programVersion();
        QCOMPARE(s.w->windowTitle(),
                 QStringLiteral("Quillmark Cogwright Database (version %1.%2.%3)")
                     .arg(v.majorVersion())
                     .arg(v.minorVersion())
                     .arg(v.microVersion()));
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 12  Records Found"));
        QCOMPARE(s.text("txtDatabase"),
                 QDir(s.folder.path()).filePath(QStringLiteral("Parts.mdb")));
        QCOMPARE(s.text("txtTable"), QStringLiteral("Parts"));
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("BR-1001"));
        QCOMPARE(s.text("txtPartName"), QStringLiteral("Bronze Bushing"));
        QCOMPARE(s.text("txtCategory"), QStringLiteral("Bearings"));
        QCOMPARE(s.text("txtDescription"), QStringLiteral("Sleeve bushing"));
        for (const QString& box : kRecordBoxes)
            QVERIFY2(s.locked(qPrintable(box)), qPrintable(box));
        QVERIFY(s.locked("txtDatabase") && s.locked("txtTable"));
        QVERIFY(!s.child<QPushButton>("cmdSave")->isEnabled());
        QVERIFY(s.child<QPushButton>("cmdSelect")->isHidden());
        QVERIFY(!s.state().bEditMode);
        QVERIFY(!s.state().bRecordChanged);
        QVERIFY(s.state().bConnected);
        // The stored bitmap is shown, and the unpack file (an old one too) is gone.
        QVERIFY(s.pictureShown());
        QCOMPARE(s.pictureColourAtCentre(), QColor(Qt::blue));
        QVERIFY(!s.unpackFileLeft());
        QCOMPARE(s.state().sImagePath, s.folder.file(QStringLiteral("ok.jpg")));
        QCOMPARE(s.state().sStoredImagePath, s.state().sImagePath);
        // The shared strings name the default database.
        QCOMPARE(Control::sAppPath, s.folder.path());
        QCOMPARE(Control::sDatabaseFile, QStringLiteral("/Parts.mdb"));
        QCOMPARE(s.text("txtTable"), QStringLiteral("Parts"));
    }

    void nextRecordsShowNullsAsEmptyAndTheLogo() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        addPart(db, QStringLiteral("Parts"),
                {{"PartNumber", "A"}, {"PartName", "First"}, {"Description", "Has one"}});
        addPart(db, QStringLiteral("Parts"), {{"PartNumber", "B"}, {"PartName", "Second"}});
        QVERIFY(s.start());
        QCOMPARE(s.state().sImagePath, s.folder.file(QStringLiteral("logo.jpg")));
        QVERIFY(s.pictureColourAtCentre().red() > 240 &&
                s.pictureColourAtCentre().green() < 20);  // a JPEG
        s.state().rsParts->MoveNext();
        s.w->Show_Data();
        QCOMPARE(s.text("txtPartName"), QStringLiteral("Second"));
        QCOMPARE(s.text("txtDescription"), QString());
        QCOMPARE(s.text("txtCategory"), QString());
    }

    void emptyTableStartsANewRecord() {
        Session s;
        s.folder.makeDatabase();
        s.folder.writeLogo();
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(s.start());
        QCOMPARE(s.text("lblCount"), QStringLiteral(" 0  Records Found"));
        QCOMPARE((*s.state().rsParts)[0].Value().toInt(), 1);
        const QDateTime created = (*s.state().rsParts)["CreationDate"].Value().toDateTime();
        QVERIFY(created >= before && created <= QDateTime::currentDateTime().addSecs(1));
        QCOMPARE(s.state().rsParts->RecordCount(), 0L);
        for (const QString& box : kRecordBoxes)
            QVERIFY2(!s.locked(qPrintable(box)), qPrintable(box));
        QVERIFY(s.locked("txtDatabase") && s.locked("txtTable"));
        QVERIFY(s.child<QPushButton>("cmdSelect")->isVisibleTo(s.w.get()));
        QVERIFY(s.state().bEditMode);
        QVERIFY(!s.state().bRecordChanged);
        // The adding state of the buttons.
        QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), QStringLiteral("Cancel A&dd"));
        QVERIFY(s.child<QPushButton>("cmdSave")->isEnabled());
        for (const char* b : {"cmdAdd", "cmdEdit", "cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            QVERIFY2(!s.child<QPushButton>(b)->isEnabled(), b);
        QCOMPARE(s.state().sImagePath,
                 s.folder.file(QStringLiteral("logo.jpg")));  // Show_Data's logo
        // Nothing was written: the pending row is not in the file.
        s.w.reset();
        QCOMPARE(readFile(s.folder.file(QStringLiteral("Parts.mdb"))).isEmpty(), false);
    }

    void failedStartUpIsReportedAndTheWindowNeverShows_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("mentioned");
        QTest::newRow("no Parts.mdb") << "none"
                                      << "Parts.mdb";
        QTest::newRow("no table Parts") << "other table"
                                        << "'Parts'";
        QTest::newRow("not a database") << "text"
                                        << "Parts.mdb";
    }

    void failedStartUpIsReportedAndTheWindowNeverShows() {
        QFETCH(QString, setup);
        QFETCH(QString, mentioned);
        Session s;
        const QString db = s.folder.file(QStringLiteral("Parts.mdb"));
        if (setup == "other table")
            s.folder.makeDatabase(QStringLiteral("Parts.mdb"), QStringLiteral("Stock"));
        if (setup == "text") writeFile(db, "This is a parts list, not a database.\n");
        const QByteArray before = readFile(db);
        QVERIFY(!s.start());
        QCOMPARE(s.platform.reports.size(), size_t(1));
        QVERIFY2(s.platform.reports.front().description.contains(mentioned),
                 qPrintable(s.platform.reports.front().description));
        QVERIFY(s.platform.reports.front().number != 0);
        QVERIFY(!s.w->isVisible());
        QCOMPARE(QFile::exists(db), setup != "none");  // nothing created
        QCOMPARE(readFile(db), before);                // nothing changed
    }

    // TOP/bin holds the executable, TOP/share/cogwright an installed program's files, TOP/home
    // is the user's home. `result`: the catalogue opened, or what the report says.
    void whereTheCatalogueLives_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("home");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("mode");
        const auto row = [](const char* name, const char* layout, const char* home, int mask,
                            const QString& result, int mode = 0) {
            QTest::newRow(name) << QString(layout) << QString(home) << mask << result << mode;
        };
        const QString data = "'TOP/home/.local/share/cogwright'";
        const QString copy = "TOP/home/.local/share/cogwright/Parts.mdb";
        row("build folder", "build", "", 022, "TOP/bin/Parts.mdb");
        row("installed, its folder writable (root)", "installed", "", 022, copy, 0644);
        row("installed, umask 027", "installed", "", 027, copy, 0640);
        row("installed, umask 002", "installed", "", 002, copy, 0664);
        row("portable copy, read-only folder", "read-only copy", "", 022, "TOP/bin/Parts.mdb");
        row("portable copy without its catalogue", "logo only", "", 022,
            "Could not find file 'TOP/bin/Parts.mdb'");
        row("build folder without its files", "empty", "", 022,
            "Could not find file 'TOP/bin/Parts.mdb'");
        row("HOME not set", "installed", "unset", 022,
            "'/.local/share/cogwright' cannot be made: HOME is not set.");
        row("HOME missing", "installed", "missing", 022,
            "'TOP/gone/.local/share/cogwright' cannot be made: the home folder 'TOP/gone' does "
            "not exist.");
        row("HOME read-only", "installed", "read-only", 022,
            data + " cannot be made: 'TOP/home/.local' could not be made (Permission denied).");
        row("a file in the way", "installed", "file", 022,
            data + " cannot be made: 'TOP/home/.local' could not be made (Not a directory).");
        row("data folder read-only", "installed", "data read-only", 022,
            data + " cannot be written: Permission denied.");
    }

    void whereTheCatalogueLives() {
        QFETCH(QString, layout);
        QFETCH(QString, home);
        QFETCH(int, mask);
        QFETCH(QString, result);
        QFETCH(int, mode);
        ProgramFolder top;
        QDir dir(top.path());
        result.replace("TOP", top.path());
        QVERIFY(dir.mkpath("bin") && dir.mkpath("home") &&
                ::chmod(qPrintable(top.path()), 0755) == 0);
        if (home == "file") writeFile(top.file("home/.local"), "not a folder");
        if (home == "data read-only") QVERIFY(dir.mkpath("home/.local/share/cogwright"));
        if (layout == "build" || layout == "read-only copy")
            addPart(top.makeDatabase("bin/Parts.mdb"), "Parts",
                    {{"PartNumber", "A"}, {"Image", pictureBytes("png", 40, 30, Qt::blue)}});
        if (layout == "logo only") writeFile(top.file("bin/logo.jpg"), pictureBytes("jpg"));
        if (layout == "installed" || layout == "logo only") {
            QVERIFY(dir.mkpath("share/cogwright"));
            addParts(top.makeDatabase("share/cogwright/Parts.mdb"), "Parts", 3);
        }
        // What the user may not write; root may write anywhere, so it is tried as nobody.
        QStringList readOnly;
        if (layout == "read-only copy") readOnly << top.file("bin");
        if (home == "read-only") readOnly << top.file("home");
        if (home == "data read-only") readOnly << top.file("home/.local/share/cogwright");
        const uid_t nobody = getpwnam("nobody")->pw_uid;
        const bool root = geteuid() == 0;
        if (root && home.isEmpty())
            QVERIFY(::chown(qPrintable(top.file("home")), nobody, nobody) == 0);
        const bool asUser = !readOnly.isEmpty() || home == "unset";
        const QByteArray oldHome = qgetenv("HOME");
        const mode_t oldMask = ::umask(mask);
        const auto restore = qScopeGuard([&] {
            if (root) QVERIFY(setresuid(0, 0, 0) == 0);
            ::umask(oldMask);
            qputenv("HOME", oldHome);
            for (const QString& folder : readOnly) ::chmod(qPrintable(folder), 0755);
        });
        for (const QString& folder : readOnly) QVERIFY(::chmod(qPrintable(folder), 0555) == 0);
        if (home == "unset")
            qunsetenv("HOME");
        else
            qputenv("HOME", QFile::encodeName(top.file(home == "missing" ? "gone" : "home")));
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CACHE_HOME");
        LaidOutPlatform platform(top.file("bin"));
        frmMain window;
        // Real and effective ids both, as access() checks the real one; the saved one goes back.
        if (asUser && root) QVERIFY(setresuid(nobody, nobody, 0) == 0);
        const bool started = startUpGuarded(nullptr, [&] { window.Form_Load(); });
        if (root) QVERIFY(setresuid(0, 0, 0) == 0);
        if (result.startsWith(top.path())) {
            QVERIFY2(
                started,
                qPrintable(platform.reports.empty() ? QString() : platform.reports[0].description));
            QCOMPARE(window.findChild<QLineEdit*>("txtDatabase")->text(), result);
            // The stored picture was unpacked somewhere the user may write, and shown.
            if (layout != "installed")
                QVERIFY(!window.findChild<QLabel*>("imgPicture")->pixmap().isNull());
        } else {
            QVERIFY(!started);
            QCOMPARE(platform.reports.size(), size_t(1));
            QVERIFY2(platform.reports[0].description.contains(result),
                     qPrintable(platform.reports[0].description));
        }
        if (mode) {
            QCOMPARE(readFile(result), readFile(top.file("share/cogwright/Parts.mdb")));
            struct stat made;
            QVERIFY(::stat(qPrintable(result), &made) == 0);
            QCOMPARE(int(made.st_mode & 0777), mode);
        }
        QVERIFY(!QFile::exists(top.file("gone")));  // a missing home is not made
    }

    void picturesThatCannotBeShown() {
        Session s;
        const QString db = s.folder.makeDatabase();
        // No logo.jpg in the folder, and a stored value that is not a picture.
        addPart(db, QStringLiteral("Parts"), {{"PartNumber", "A"}, {"PartName", "No picture"}});
        addPart(db, QStringLiteral("Parts"),
                {{"PartNumber", "B"},
                 {"PartName", "Broken picture"},
                 {"Image", QByteArray("not a picture at all")}});
        QVERIFY(s.start());
        QVERIFY(s.platform.reports.empty());
        QCOMPARE(s.text("txtPartName"), QStringLiteral("No picture"));
        QVERIFY(!s.pictureShown());
        s.state().rsParts->MoveNext();
        s.w->Show_Data();
        QCOMPARE(s.text("txtPartName"), QStringLiteral("Broken picture"));
        QVERIFY(!s.pictureShown());
        QVERIFY(!s.unpackFileLeft());
        QCOMPARE(s.state().sStoredImagePath, s.folder.file(QStringLiteral("ok.jpg")));
    }

    void browsingButtonsFollowTheCursor() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(db, QStringLiteral("Parts"), 2);
        QVERIFY(s.start());
        auto* next = s.child<QPushButton>("cmdNext");
        auto* last = s.child<QPushButton>("cmdLast");
        // Next onto the last row leaves Next on; only passing the end turns Next and Last off.
        QTest::mouseClick(next, Qt::LeftButton);
        for (const char* b : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdAdd", "cmdEdit"})
            QVERIFY2(s.child<QPushButton>(b)->isEnabled(), b);
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(!next->isEnabled());
        QVERIFY(!last->isEnabled());
        QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), QStringLiteral("&Delete"));
        QTest::mouseClick(s.child<QPushButton>("cmdFirst"), Qt::LeftButton);
        QVERIFY(!s.child<QPushButton>("cmdFirst")->isEnabled());
        QVERIFY(!s.child<QPushButton>("cmdPrevious")->isEnabled());
        QVERIFY(next->isEnabled() && last->isEnabled());
    }

    void quitQuestionFromBothWaysOfClosing() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(db, QStringLiteral("Parts"), 1);
        QVERIFY(s.start());
        s.w->show();

        // The Close button, answered No, then Yes.
        QTest::mouseClick(s.child<QPushButton>("cmdEdit"), Qt::LeftButton);
        s.platform.answers = {false};
        QTest::mouseClick(s.child<QPushButton>("cmdClose"), Qt::LeftButton);
        QCOMPARE(s.platform.questions.size(), size_t(1));
        QCOMPARE(s.platform.questions.back().caption,
                 QStringLiteral("Quillmark Cogwright Manager"));
        QCOMPARE(s.platform.questions.back().text,
                 QStringLiteral("Are you  sure you want to Quit?"));
        QVERIFY(!s.platform.ended);
        QVERIFY(!s.state().bEditMode);
        QVERIFY(s.state().bConnected && s.w->isVisible());

        // The close box, answered No: the window stays.
        s.platform.answers = {false};
        QVERIFY(!s.w->close());
        QVERIFY(s.w->isVisible());
        QVERIFY(!s.platform.ended);
        QCOMPARE(s.platform.questions.size(), size_t(2));

        s.platform.answers = {true};
        QTest::mouseClick(s.child<QPushButton>("cmdClose"), Qt::LeftButton);
        QVERIFY(s.platform.ended);
        QCOMPARE(s.platform.exitCode, 0);
        QVERIFY(!s.state().bConnected);
        QVERIFY(!s.state().cnParts->isOpen());
        QVERIFY(s.platform.reports.empty());
    }

    void closeBoxAnsweredYesEndsTheProgram() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        QVERIFY(s.start());  // an empty table: a new row is pending
        s.w->show();
        s.platform.answers = {true};
        QVERIFY(s.w->close());
        QVERIFY(s.platform.ended);
        QVERIFY(!s.state().bConnected);
        QCOMPARE(s.platform.questions.size(), size_t(1));
        // The pending row was not saved on this way out.
        ProgramFolder other;
        Q_UNUSED(other);
        store::Connection cn;
        cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db);
        store::Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        QCOMPARE(rs.RecordCount(), 0L);
    }

    void controlsCarryTheirNamesCaptionsAndAccessibleNames() {
        Session s;
        s.folder.makeDatabase();
        QVERIFY(s.start());
        const std::pair<const char*, const char*> captions[] = {
            {"cmdFirst", "&First"},
            {"cmdPrevious", "&Previous"},
            {"cmdNext", "&Next"},
            {"cmdLast", "&Last"},
            {"cmdEdit", "&Edit"},
            {"cmdAdd", "&Add"},
            {"cmdSave", "&Save"},
            {"cmdOpen", "Select Data&base"},
            {"cmdCreate", "Create Ne&w Database"},
            {"cmdPrint", "P&rint"},
            {"cmdClose", "&Close"},
            {"cmdSelect", "Add Pic&ture"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(s.child<QPushButton>(name)->text(), QString::fromUtf8(caption));
        QCOMPARE(s.text("lblMkt"),
                 QStringLiteral("Click here to  Vist the Quillmark Software, Inc. Website for "
                                "Information on our other Database Products"));
        const std::pair<const char*, const char*> accessible[] = {
            {"txtPartNumber", "Part Number"},    {"txtPartName", "Part Name"},
            {"txtCategory", "Category"},         {"txtDescription", "Description"},
            {"txtDatabase", "Database Name"},    {"txtTable", "Table Name"},
            {"txtField", "Selected Field Data"}, {"MSFlexGrid1", "Optional Item Data"}};
        for (const auto& [name, label] : accessible)
            QCOMPARE(s.child(name)->accessibleName(), QString::fromUtf8(label));
        QCOMPARE(s.child<QLabel>("lblNumber")->buddy(), s.child("txtPartNumber"));
        QCOMPARE(s.child<QLabel>("Label2")->buddy(), s.child("txtField"));
        // Twips / 15: the grid spans 9255 x 975 twips at 240, 4200.
        QCOMPARE(s.child("MSFlexGrid1")->geometry(), QRect(16, 280, 617, 65));
        QCOMPARE(s.w->size(), QSize(679, 528));
    }

    // Tab goes the way the eye reads and leaves the grid; every button has an access key of its
    // own; after Add, Edit and Save the focus is in Part Number.
    void theKeyboardGoesWhereTheEyeDoes() {
        Session s;
        s.folder.makeDatabase();
        addParts(s.db(), QStringLiteral("Parts"), 3);
        QVERIFY(s.start());
        s.w->show();
        s.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.w.get()));
        QStringList order;
        for (QWidget* w = s.w->nextInFocusChain(); w && w != s.w.get() && order.size() < 6;
             w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible()) order << w->objectName();
        QCOMPARE(order, (QStringList{"txtPartNumber", "txtPartName", "txtCategory",
                                     "txtDescription", "MSFlexGrid1", "txtField"}));
        s.grid()->setFocus();
        QTest::keyClick(s.grid(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() != s.grid(), "Tab stayed in the grid");

        // Every button has an access key; no two that can be pressed at once share one.
        const auto checkAccessKeys = [&] {
            QCOMPARE(accessKeyProblems(s.w.get(), {QStringLiteral("cmd")}), QStringList());
        };
        checkAccessKeys();
        s.click("cmdEdit");
        checkAccessKeys();
        s.click("cmdSave");

        for (const char* button : {"cmdAdd", "cmdSave", "cmdPrevious", "cmdEdit"}) {
            s.child<QWidget>("cmdNext")->setFocus();
            s.click(button);
            if (QLatin1String(button) == QLatin1String("cmdPrevious")) continue;
            QVERIFY2(QApplication::focusWidget() == s.child("txtPartNumber"),
                     qPrintable(QLatin1String(button) + ": " +
                                QApplication::focusWidget()->objectName()));
            if (QLatin1String(button) == QLatin1String("cmdAdd")) {
                s.type("txtPartNumber", "K-1");
                s.type("txtPartName", "Key");
            }
        }
    }

    // A user without a mouse: from start-up, with keys alone, edits and saves a record, moves,
    // adds a part with a picture, finds a part, and takes another table from the chooser.
    void keyboardOnly() {
        Session s;
        const QString db = s.folder.makeDatabase();
        s.folder.writeLogo();
        addParts(db, QStringLiteral("Parts"), 3);
        {
            store::Catalog catalog;
            catalog.setActiveConnection(QStringLiteral("Data Source=") + db);
            store::parts::createPartsTable(catalog, QStringLiteral("Spare"), {});
        }
        addPart(db, QStringLiteral("Spare"), {{"PartNumber", "S-1"}, {"PartName", "Spare one"}});
        QVERIFY(s.start());
        s.w->show();
        QApplication::setActiveWindow(s.w.get());
        QVERIFY(QTest::qWaitForWindowActive(s.w.get()));
        // Until no button is held down by an access key: then its click has been handled.
        const auto settle = [] {
            const auto down = [] {
                const auto buttons =
                    QApplication::activeWindow()
                        ? QApplication::activeWindow()->findChildren<QAbstractButton*>()
                        : QList<QAbstractButton*>();
                return std::any_of(buttons.begin(), buttons.end(),
                                   [](QAbstractButton* b) { return b->isDown(); });
            };
            for (int i = 0; i < 200 && down(); ++i) QTest::qWait(10);
            QTest::qWait(20);
        };
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) {
            QWidget* to = QApplication::focusWidget();
            QTest::keyClick(to ? to : QApplication::activeWindow(), k, m);
            // An access key presses its button a moment later, as the user sees it go down.
            if (m & Qt::AltModifier) settle();
        };
        const auto type = [](const QString& text) {
            QTest::keyClicks(QApplication::focusWidget(), text);
        };
        const auto sql = [&](const char* query) { return sqliteShell(db, QLatin1String(query)); };

        key(Qt::Key_E, Qt::AltModifier);  // &Edit
        key(Qt::Key_Tab);
        key(Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("Typed name"));
        key(Qt::Key_S, Qt::AltModifier);  // &Save
        QCOMPARE(sql("SELECT PartName FROM Parts WHERE PartID = 1"), QStringLiteral("Typed name"));

        key(Qt::Key_N, Qt::AltModifier);  // &Next
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("P-002"));

        key(Qt::Key_A, Qt::AltModifier);  // &Add
        type(QStringLiteral("K-9"));
        key(Qt::Key_Tab);
        type(QStringLiteral("Keyed part"));
        s.platform.fileChoices.push_back(
            writeFile(s.folder.file(QStringLiteral("k9.png")), pictureBytes("png")));
        key(Qt::Key_T, Qt::AltModifier);  // Add Pic&ture
        key(Qt::Key_S, Qt::AltModifier);
        QCOMPARE(sql("SELECT PartName, length(Image) > 0 FROM Parts WHERE PartNumber = 'K-9'"),
                 QStringLiteral("Keyed part|1"));

        key(Qt::Key_F, Qt::ControlModifier);
        // The find bar is a window of its own: here no window manager hands it the keyboard.
        QWidget* bar = s.w->findChild<FindBar*>();
        QVERIFY(bar && bar->isVisible());
        QApplication::setActiveWindow(bar);
        type(QStringLiteral("P-003"));
        key(Qt::Key_Return);
        QTRY_COMPARE(s.text("txtPartNumber"), QStringLiteral("P-003"));
        key(Qt::Key_Escape);
        QTRY_COMPARE(QApplication::activeWindow(), s.w.get());

        bool chosen = false;
        std::function<void(int)> inChooser = [&](int tries) {
            auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!chooser) {
                if (tries > 0) QTimer::singleShot(50, [&, tries] { inChooser(tries - 1); });
                return;
            }
            auto* tree = chooser->findChild<QWidget*>(QStringLiteral("trvData"));
            tree->setFocus();  // where the chooser's Tab order starts
            QTest::keyClick(tree, Qt::Key_Home);
            QTest::keyClick(tree, Qt::Key_Down);    // the second table
            QTest::keyClick(tree, Qt::Key_Return);  // shown in the preview
            // The preview is read before OK takes the table.
            auto* ok = chooser->findChild<QAbstractButton*>(QStringLiteral("cmdOK"));
            for (int i = 0; i < 300 && !(ok->isEnabled() && ok->window()->isActiveWindow()); ++i)
                QTest::qWait(10);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);  // &OK
            for (int i = 0; i < 300 && chooser->isVisible(); ++i) QTest::qWait(10);
            chosen = !chooser->isVisible();
            if (!chosen) chooser->reject();
        };
        QTimer::singleShot(0, [&] { inChooser(100); });
        key(Qt::Key_B, Qt::AltModifier);  // Select Data&base
        QVERIFY(chosen);
        QCOMPARE(s.text("txtTable"), QStringLiteral("Spare"));
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("S-1"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
