// The main window's label opens the browser window from its own library, loaded at the first
// click as the program does. Unlike tst_browser, this program does not link that library.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "BrowserWindow.h"
#include "Session.h"

namespace {

constexpr int kLoad = 15000;  // ms: a page load may take a while on a busy machine

bool engineLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) qFatal("cannot read /proc/self/maps");
    return maps.readAll().contains("libQt6WebEngineCore");
}

void writeMakerHome(const ProgramFolder& folder) {
    QDir().mkpath(folder.file("maker"));
    writeFile(folder.file("maker/index.html"),
              "<html><head><title>Maker Home</title></head></html>");
}

QString startingAddress(QWidget* browser) {
    auto* box = browser->findChild<QComboBox*>(QStringLiteral("cboAddress"));
    return box ? box->currentText() : QString();
}

}  // namespace

class BrowserLoadingTest : public QObject {
    Q_OBJECT

private slots:
    // The engine complains when it is loaded into an application made without what it needs,
    // and so does Qt when that is asked for too late.
    void init() {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("initialized from a plugin")));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("must be set before")));
    }

    // First here: no test before it may have opened the browser.
    void theLabelLoadsTheEngineOpensRaisesAndReopens() {
        Session s;
        s.folder.makeDatabase();
        addParts(s.db(), QStringLiteral("Parts"), 1);
        writeMakerHome(s.folder);
        QVERIFY(s.start());
        s.w->show();
        QVERIFY(!engineLoaded());  // the parts window is up without it
        auto* label = s.child<QLabel>("lblMkt");
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(engineLoaded());
        QPointer<QWidget> first = s.w->browserWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible() && !first->isModal());
        QCOMPARE(startingAddress(first),
                 QUrl::fromLocalFile(s.folder.file("maker/index.html")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(first->windowTitle(), QStringLiteral("Maker Home"), kLoad);
        QVERIFY(s.w->isEnabled());  // the main window stays usable
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(s.w->browserWindow(), first.data());  // only brought forward
        first->close();
        QTRY_VERIFY(!first);
        label->setFocus();
        QTest::keyClick(label, Qt::Key_Return);  // the keyboard way
        QVERIFY(s.w->browserWindow());
        QTRY_COMPARE_WITH_TIMEOUT(s.w->browserWindow()->windowTitle(), QStringLiteral("Maker Home"),
                                  kLoad);
        QVERIFY(s.platform.reports.empty());
    }

    // When the library cannot be loaded, the click says so and the parts window goes on; once
    // it can be found, the next click opens the browser.
    void theLabelReportsAMissingBrowserLibrary() {
        Session s;
        s.folder.makeDatabase();
        addParts(s.db(), QStringLiteral("Parts"), 1);
        writeMakerHome(s.folder);
        QTemporaryDir empty, broken;
        writeFile(broken.filePath("libcogwright_browser.so"), "not a library");
        const QStringList usual = BrowserWindow::libraryFolders();
        auto restore = qScopeGuard([] { BrowserWindow::setLibraryFolders({}); });
        BrowserWindow::setLibraryFolders({empty.path(), broken.path()});
        QVERIFY(s.start());
        s.w->show();
        auto* label = s.child<QLabel>("lblMkt");
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(s.platform.reports.size(), size_t(1));
        const QString said = s.platform.reports.front().description;
        QVERIFY2(said.contains("web browser window could not be opened") &&
                     said.contains("cogwright_browser") && said.contains(empty.path()) &&
                     said.contains(broken.path()),
                 qPrintable(said));
        QVERIFY(!s.w->browserWindow());
        QVERIFY(s.w->isVisible() && s.w->isEnabled());
        QCOMPARE(s.text("txtPartNumber"), QStringLiteral("P-001"));

        BrowserWindow::setLibraryFolders({});
        QCOMPARE(BrowserWindow::libraryFolders(), usual);
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(s.w->browserWindow());
        QTRY_COMPARE_WITH_TIMEOUT(s.w->browserWindow()->windowTitle(), QStringLiteral("Maker Home"),
                                  kLoad);
        QCOMPARE(s.platform.reports.size(), size_t(1));
    }

    // The engine is in the browser's library only; the program finds that library beside it.
    void theProgramLeavesTheEngineToTheLibrary() {
        const QString folder = QStringLiteral(COGWRIGHT_PROGRAM_DIR);
        auto linked = [](const QString& file) {
            QProcess ldd;
            ldd.start(QStringLiteral("ldd"), {file});
            if (!ldd.waitForFinished(30000) || ldd.exitCode() != 0) return QString();
            return QString::fromLocal8Bit(ldd.readAllStandardOutput());
        };
        const QString program = linked(folder + "/cogwright");
        const QString library = linked(folder + "/libcogwright_browser.so");
        QVERIFY2(program.contains("libQt6Widgets"), qPrintable(program));
        QVERIFY2(!program.contains("WebEngine") && !program.contains("cogwright_browser"),
                 qPrintable(program));
        QVERIFY2(library.contains("libQt6WebEngineWidgets"), qPrintable(library));
        const QStringList folders = BrowserWindow::libraryFolders();
        QVERIFY(folders.size() >= 2);
        QCOMPARE(folders.front(),
                 QCoreApplication::applicationDirPath());  // beside the executable first
        QVERIFY(folders.contains(folder));
    }
};

int main(int argc, char** argv) {
    // Made as the program makes it: nothing set for the engine beforehand.
    QApplication app(argc, argv);
    BrowserLoadingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser_loading.moc"
