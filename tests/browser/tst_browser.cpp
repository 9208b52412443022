// The browser window against a small site served here on 127.0.0.1. This program links the
// browser's library; tst_browser_loading opens the window the program's way.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <QWindow>

#include "BrowserControl.h"
#include "Fixture.h"
#include "Language.h"
#include "frmBrowser.h"

namespace {

// Three pages: "/" and "/second" at once, "/slow" only after a few seconds.
class Site : public QObject {
public:
    Site() {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        if (!m_server.listen(QHostAddress::LocalHost)) qFatal("cannot listen on 127.0.0.1");
    }
    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    int requests(const QByteArray& path) const { return m_requests.value(path); }

private:
    void serve(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) return;
        const QByteArray path = buffer.split(' ').value(1);
        m_buffers.remove(socket);
        ++m_requests[path];
        auto reply = [socket](const QByteArray& status, const QByteArray& body) {
            socket->write("HTTP/1.1 " + status +
                          "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        };
        auto page = [](const char* title) {
            return QByteArray("<!DOCTYPE html><html><head><title>") + title +
                   "</title></head><body><p>" + title + "</p></body></html>";
        };
        if (path == "/")
            reply("200 OK", page("Front Page"));
        else if (path == "/second")
            reply("200 OK", page("Second Page"));
        else if (path == "/slow")
            QTimer::singleShot(8000, socket, [=] { reply("200 OK", page("Slow Page")); });
        else
            reply("404 Not Found", page("Not Found"));
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QByteArray, int> m_requests;
};

struct Browser {
    ProgramFolder folder;
    ScriptedPlatform platform{folder.path()};
    std::unique_ptr<frmBrowser> window;

    explicit Browser(const QString& start) {
        QDir().mkpath(folder.file("maker"));
        writeFile(folder.file("maker/index.html"),
                  "<html><head><title>Maker Home</title></head><body>home</body></html>");
        writeFile(folder.file("maker/search.html"),
                  "<html><head><title>Maker Search</title></head><body>search</body></html>");
        window = std::make_unique<frmBrowser>(folder.path());
        window->StartingAddress = start;
        window->Form_Load();
    }
    QString caption() const { return window->windowTitle(); }
    QComboBox* address() const { return window->findChild<QComboBox*>("cboAddress"); }
    QWebEngineView* view() const { return window->findChild<QWebEngineView*>("brwWebBrowser"); }
    void press(const char* key) {
        auto* bar = window->findChild<QToolBar*>("tbToolBar");
        for (QAction* a : bar->actions())
            if (a->text() == QString::fromUtf8(key)) {
                QTest::mouseClick(bar->widgetForAction(a), Qt::LeftButton);
                return;
            }
        qFatal("no toolbar button %s", key);
    }
    // Types over the address and presses Enter as a user does: the box is given the focus and
    // the keys go to the window, which hands them to whatever has the focus.
    void go(const QString& text) {
        address()->setFocus();
        QWindow* handle = window->windowHandle();
        if (!handle) qFatal("the browser window is not shown");
        QTest::keyClick(handle, Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : text) QTest::keyClick(handle, c.toLatin1());
        QTest::keyClick(handle, Qt::Key_Return);
    }
};

constexpr int kLoad = 15000;  // ms: a page load may take a while on a busy machine

}  // namespace

class BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void loadsAndFollowsTheToolbar() {
        Site site;
        Browser b(site.url("/"));
        QVERIFY(b.window->isVisible());
        QCOMPARE(b.address()->count(), 1);
        QCOMPARE(b.address()->itemText(0), site.url("/"));
        QCOMPARE(b.address()->currentText(), site.url("/"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        QTRY_VERIFY(!b.window->timTimer.isActive());

        // Enter goes to the text as typed; the list keeps only the start address.
        b.go(site.url("/second"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        QCOMPARE(b.address()->count(), 1);

        b.press("Back");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        b.press("Forward");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        const int before = site.requests("/second");
        b.press("Refresh");
        QTRY_VERIFY_WITH_TIMEOUT(site.requests("/second") > before, kLoad);
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        b.press("Home");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Maker Home"), kLoad);
        QCOMPARE(b.view()->url(), QUrl::fromLocalFile(b.folder.file("maker/index.html")));
        b.press("Search");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Maker Search"), kLoad);
        QVERIFY(b.platform.messages.empty() && b.platform.warnings.empty() &&
                b.platform.reports.empty());
    }

    // The toolbar without a mouse: its keys, and Tab from the address to its buttons.
    void theToolbarFromTheKeyboard() {
        Site site;
        Browser b(site.url("/"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        b.go(site.url("/second"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        QWindow* handle = b.window->windowHandle();
        QTest::keyClick(handle, Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        QTest::keyClick(handle, Qt::Key_Right, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        const int before = site.requests("/second");
        QTest::keyClick(handle, Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(site.requests("/second") > before, kLoad);
        QTest::keyClick(handle, Qt::Key_Home, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Maker Home"), kLoad);

        // Tab from the address reaches the toolbar's buttons, and Space presses one.
        b.address()->setFocus();
        QTest::keyClick(handle, Qt::Key_Tab);
        auto* button = qobject_cast<QToolButton*>(QApplication::focusWidget());
        QVERIFY(button);
        QVERIFY(button->toolTip().contains(QStringLiteral("(")));  // its key, told
        QTest::keyClick(handle, Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
    }

    // Enter in the address box, pressed as a user does, loads the typed address once and
    // leaves the list as it was.
    void enterGoesToTheTypedAddressOnce() {
        Site site;
        Browser b(site.url("/"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        QTRY_VERIFY(!b.window->timTimer.isActive());
        QSignalSpy starts(b.view(), &QWebEngineView::loadStarted);
        b.go(site.url("/second"));
        QCOMPARE(b.window->focusWidget(), b.address());  // where the keys went
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        QCOMPARE(b.view()->url(), QUrl(site.url("/second")));
        QCOMPARE(b.address()->currentText(), site.url("/second"));
        QCOMPARE(b.address()->count(), 1);
        QCOMPARE(b.address()->itemText(0), site.url("/"));
        QTest::qWait(500);  // time for a second load, if one were asked for
        QCOMPARE(site.requests("/second"), 1);
        QCOMPARE(starts.count(), 1);
        QCOMPARE(b.view()->history()->count(), 2);
        QVERIFY(b.platform.messages.empty() && b.platform.reports.empty());
    }

    void stopDuringASlowPage() {
        Site site;
        Browser b(site.url("/"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        b.go(site.url("/slow"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Working..."),
                                  kLoad);  // while it loads
        QVERIFY(b.window->timTimer.isActive());
        QTRY_VERIFY_WITH_TIMEOUT(site.requests("/slow") == 1, kLoad);
        b.press("Stop");
        QVERIFY(!b.window->timTimer.isActive());
        QVERIFY(b.caption() != QLatin1String("Working..."));
        QCOMPARE(b.caption(), b.window->browser()->LocationName());
        QTest::qWait(300);
        QVERIFY(!b.window->browser()->Busy());
    }

    void backWithNoHistoryAndABlankStart() {
        Site site;
        {
            Browser b(site.url("/"));
            QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
            b.press("Back");
            QTest::qWait(200);
            QCOMPARE(b.caption(), QStringLiteral("Front Page"));
            QCOMPARE(b.view()->url(), QUrl(site.url("/")));
            QVERIFY(b.platform.messages.empty() && b.platform.warnings.empty());
        }
        Browser blank{QString()};
        QCOMPARE(blank.address()->count(), 0);
        QCOMPARE(blank.address()->currentText(), QString());
        QVERIFY(!blank.window->timTimer.isActive());
        QVERIFY(blank.view()->url().isEmpty());
    }

    // In German the toolbar shows German captions and still does what each button is for.
    void theToolbarWorksInGerman() {
        InLanguage german("de");
        QCOMPARE(german.loaded, QStringLiteral("de"));
        Site site;
        Browser b(site.url("/"));
        QCOMPARE(b.window->findChild<QLabel*>("lblAddress")->text(), QStringLiteral("&Adresse:"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        b.go(site.url("/second"));
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        b.press("Zurück");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Front Page"), kLoad);
        b.press("Vorwärts");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Second Page"), kLoad);
        b.press("Startseite");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Maker Home"), kLoad);
        b.press("Suchen");
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("Maker Search"), kLoad);
    }

    void sizesFollowTheWindow() {
        Browser b{QString()};
        QCOMPARE(b.window->size(), QSize(436, 342));  // 6540 x 5130 twips
        b.window->resize(800, 600);
        QWebEngineView* page = b.view();
        QCOMPARE(page->x(), 3);         // 50 twips
        QCOMPARE(page->width(), 793);   // (800 * 15 - 100) / 15, rounded
        QCOMPARE(page->height(), 512);  // (600 * 15 - 1215 - 100) / 15, rounded
        QCOMPARE(b.address()->width(), 793);
        b.window->resize(4, 60);  // smaller than the margins: zero, never less
        QCOMPARE(page->width(), 0);
        QCOMPARE(page->height(), 0);
        QCOMPARE(b.address()->width(), 0);
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    BrowserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
