// The windows on a catalogue kept on a server: connecting from the chooser, two people editing
// one record, F5, the server going away mid-edit, and the program started on a server address.

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "Catalog.h"
#include "ChooserSession.h"
#include "Connection.h"
#include "FindBar.h"
#include "JetConversion.h"
#include "Recordset.h"
#include "ServerAddress.h"
#include "Session.h"
#include "StoreError.h"
#include "TestServer.h"
#include "dlgConnect.h"
#include "frmCreateDb.h"
#include "frmOpenDb.h"

namespace {

QLineEdit* box(QWidget* dialog, const QString& accessibleName) {
    for (QLineEdit* e : dialog->findChildren<QLineEdit*>())
        if (e->accessibleName() == accessibleName) return e;
    qFatal("no box %s", qPrintable(accessibleName));
}

void fill(QWidget* dialog, const QString& accessibleName, const QString& text) {
    QLineEdit* e = box(dialog, accessibleName);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

// OK in the connect dialog; the connection is tried beside the window, so its end is awaited.
void pressConnect(QDialog* d) {
    auto* ok = d->findChild<QPushButton*>("cmdOK");
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!d->isVisible() || ok->isEnabled(), 20000);
}

// The catalogue "Parts" on the server, made afresh: the window starts on that table.
Catalogue freshParts(int parts) {
    TestServer::instance().psql(QStringLiteral("DROP TABLE IF EXISTS \"Parts\""));
    Catalogue cat(QStringLiteral("server"), {1, 4, 10, 13}, QStringLiteral("Parts"));
    addParts(cat.source, cat.table, parts);
    return cat;
}

// A parts window started on the server's catalogue, as `cogwright ADDRESS` starts it.
std::unique_ptr<frmMain> startOn(const QString& address) {
    auto w = std::make_unique<frmMain>();
    w->setStartingDatabase(address);
    if (!startUpGuarded(nullptr, [&] { w->Form_Load(); })) return nullptr;
    w->show();
    return w;
}

std::unique_ptr<Session> serverSession(const Catalogue& cat) {
    auto s = std::make_unique<Session>();
    s->folder.writeLogo();
    s->w = startOn(cat.source);
    if (!s->w) return nullptr;
    QApplication::setActiveWindow(s->w.get());
    if (!QTest::qWaitForWindowActive(s->w.get())) return nullptr;
    return s;
}

// The few things a test does with a second window of its own.
void click(QWidget* w, const char* button) {
    QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
}
QString text(QWidget* w, const char* box) {
    return w->findChild<QLineEdit*>(QLatin1String(box))->text();
}
void replaceText(QWidget* w, const char* box, const QString& t) {
    QWidget* b = w->findChild<QWidget*>(QLatin1String(box));
    b->setFocus();
    QTest::keyClick(b, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(b, t);
}

QString storedName(const Catalogue& cat, int key) {
    return TestServer::instance().psql(
        QStringLiteral("SELECT \"PartName\" FROM \"%1\" WHERE \"PartID\" = %2")
            .arg(cat.table)
            .arg(key));
}

// The chooser over the session's catalogue, its first table chosen in the tree.
std::unique_ptr<frmOpenDb> chooserOnItsFirstTable(Session& s) {
    Control::sAppPath = s.folder.path();
    Control::sUnpackPath = s.folder.path();
    auto chooser = std::make_unique<frmOpenDb>(DatabaseChoice{s.db(), QStringLiteral("Parts")});
    chooser->show();
    auto* tree = chooser->findChild<QTreeWidget*>("trvData");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->topLevelItem(0)).center());
    return chooser;
}

}  // namespace

class ServerWindowsTest : public QObject {
    Q_OBJECT

    TestServer& server = TestServer::instance();

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(server.available(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void theChooserConnectsToAServerAndHandsBackItsTable() {
        try {
            Catalogue cat(QStringLiteral("server"));
            addParts(cat.source, cat.table, 4);
            const QString user = QStringLiteral("clerk_%1").arg(QCoreApplication::applicationPid());
            server.psql(
                QStringLiteral(
                    "CREATE ROLE %2 LOGIN PASSWORD 'counter top'; GRANT ALL ON \"%1\" TO %2")
                    .arg(cat.table, user));
            Session s;
            s.folder.makeDatabase();
            Control::sAppPath = s.folder.path();
            Control::sUnpackPath = s.folder.path();
            frmOpenDb chooser(DatabaseChoice{s.db(), QStringLiteral("Parts")});
            chooser.show();
            auto* button = chooser.findChild<QPushButton*>("cmdServer");
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral("Connect to &Server..."));

            QStringList seen;
            onModal([&](QDialog* d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Connect to Server"));
                QVERIFY(!box(d, QStringLiteral("Password"))->isVisible());  // not asked for yet
                fill(d, QStringLiteral("Host"), server.host);
                fill(d, QStringLiteral("Port"), server.port);
                fill(d, QStringLiteral("Database"), server.database());
                fill(d, QStringLiteral("User"), user);
                pressConnect(d);
                // The server wants a password: the dialog stays and asks for it.
                QVERIFY(d->isVisible());
                QLineEdit* password = box(d, QStringLiteral("Password"));
                QVERIFY(password->isVisible());
                QCOMPARE(password->echoMode(), QLineEdit::Password);
                seen << d->findChild<QLabel*>("lblMessage")->text();
                fill(d, QStringLiteral("Password"), QStringLiteral("wrong"));
                pressConnect(d);
                QVERIFY(d->isVisible());
                seen << d->findChild<QLabel*>("lblMessage")->text();
                fill(d, QStringLiteral("Password"), QStringLiteral("counter top"));
                QTest::keyClick(box(d, QStringLiteral("Password")), Qt::Key_Return);
            });
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(seen.size(), 2);
            QVERIFY2(seen[0].contains(QLatin1String("asks for a password")), qPrintable(seen[0]));
            QVERIFY2(seen[1].contains(QLatin1String("did not accept")), qPrintable(seen[1]));

            const QString address = QStringLiteral("postgresql://%1@%2:%3/%4")
                                        .arg(user, server.host, server.port, server.database());
            QCOMPARE(chooser.findChild<QLineEdit*>("txtPath")->text(), address);
            auto* tree = chooser.findChild<QTreeWidget*>("trvData");
            QTreeWidgetItem* node = nullptr;
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                if (tree->topLevelItem(i)->text(0) == cat.table) node = tree->topLevelItem(i);
            QVERIFY(node);
            QCOMPARE(node->child(1)->text(0), QStringLiteral("PartNumber"));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(node).center());
            QCOMPARE(chooser.findChild<QLineEdit*>("txtCount")->text(), QStringLiteral("4"));
            auto* grid = chooser.findChild<QTableView*>("MSFlexGrid1");
            QCOMPARE(grid->model()->index(2, 1).data().toString(), QStringLiteral("P-002"));
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
            QCOMPARE(chooser.choice().path, address);
            QCOMPARE(chooser.choice().table, cat.table);
            // The password went nowhere near the address, the caption or the files of the folder.
            QVERIFY(!chooser.choice().path.contains(QLatin1String("counter")));
            for (const QFileInfo& f : QDir(s.folder.path()).entryInfoList(QDir::Files))
                QVERIFY2(!readFile(f.filePath()).contains("counter top"), qPrintable(f.fileName()));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // A server port that takes the connection and never answers: the connect dialog goes on
    // answering while it waits, Cancel leaves at once, and the wait ends by itself in time.
    void theConnectDialogAnswersWhileTheServerIsSilent_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("waited out") << false;
    }
    void theConnectDialogAnswersWhileTheServerIsSilent() {
        QFETCH(bool, cancel);
        qputenv("COGWRIGHT_SERVER_TIMEOUT", "2");
        const auto unset = qScopeGuard([] { qunsetenv("COGWRIGHT_SERVER_TIMEOUT"); });
        SilentPort silent;
        QVERIFY(silent.port > 0);
        Session s;
        s.folder.makeDatabase();
        Control::sAppPath = s.folder.path();
        Control::sUnpackPath = s.folder.path();
        frmOpenDb chooser(DatabaseChoice{s.db(), QStringLiteral("Parts")});
        chooser.show();
        int ticks = 0;
        QTimer tick;
        tick.setInterval(100);
        connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        QElapsedTimer took;
        qint64 ended = -1;
        int ticksWaiting = 0;
        QString said;
        onModal([&](QDialog* d) {
            fill(d, QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
            fill(d, QStringLiteral("Port"), QString::number(silent.port));
            fill(d, QStringLiteral("Database"), QStringLiteral("x"));
            fill(d, QStringLiteral("User"), server.user);
            auto* ok = d->findChild<QPushButton*>("cmdOK");
            auto* message = d->findChild<QLabel*>("lblMessage");
            tick.start();
            took.start();
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(message->text(), QStringLiteral("Connecting..."));
            QVERIFY(!ok->isEnabled());
            if (cancel) {
                QTest::qWait(300);
                QTest::mouseClick(d->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
                ended = took.elapsed();
                QVERIFY(!d->isVisible());
                return;
            }
            QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 15000);
            ended = took.elapsed();
            ticksWaiting = ticks;
            said = message->text();
            QVERIFY(d->isVisible());
            d->reject();
        });
        QTest::mouseClick(chooser.findChild<QPushButton*>("cmdServer"), Qt::LeftButton);
        if (cancel) {
            QVERIFY2(ended >= 0 && ended < 1500, qPrintable(QString::number(ended)));
        } else {
            QVERIFY2(ended >= 0 && ended < 5000, qPrintable(QString::number(ended)));
            QVERIFY2(ticksWaiting >= 10, qPrintable(QString::number(ticksWaiting)));
            QVERIFY2(said.contains(QLatin1String("timeout")), qPrintable(said));
        }
        QCOMPARE(chooser.findChild<QLineEdit*>("txtPath")->text(), s.db());
        QVERIFY(s.platform.warnings.empty() && s.platform.reports.empty());
    }

    // What is typed into the connect dialog reaches the connection as typed, and an address in
    // use shows in the boxes as it was typed, whatever the names hold.
    void theConnectDialogKeepsNamesAsTyped_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("user");
        for (const char* special : {"+", ",", "/", "*", ";", "=", "?", "@", ":", "%", " "}) {
            const QString odd = QStringLiteral("a%1b").arg(QLatin1String(special));
            QTest::addRow("user with '%s'", special)
                << QStringLiteral("db.example") << QStringLiteral("parts") << odd;
            QTest::addRow("database with '%s'", special)
                << QStringLiteral("db.example") << odd << QStringLiteral("clerk");
        }
        QTest::newRow("socket folder")
            << QStringLiteral("/tmp/pg sock") << QStringLiteral("parts") << QStringLiteral("clerk");
        QTest::newRow("socket folder with a colon")
            << QStringLiteral("/run/pg:1") << QStringLiteral("parts") << QStringLiteral("clerk");
        QTest::newRow("IPv6") << QStringLiteral("fe80::1") << QStringLiteral("parts")
                              << QStringLiteral("clerk");
    }
    void theConnectDialogKeepsNamesAsTyped() {
        QFETCH(QString, host);
        QFETCH(QString, database);
        QFETCH(QString, user);
        std::optional<store::ServerAddress> reached;
        dlgConnect typed([&](const QString& address, const QString&) {
            // Read here as the connection reads it; the dialog thread waits for the answer.
            reached = store::ServerAddress::parse(address);
            return address;
        });
        typed.show();
        fill(&typed, QStringLiteral("Host"), host);
        fill(&typed, QStringLiteral("Port"), QStringLiteral("5433"));
        fill(&typed, QStringLiteral("Database"), database);
        fill(&typed, QStringLiteral("User"), user);
        pressConnect(&typed);
        QCOMPARE(typed.result(), int(QDialog::Accepted));
        QVERIFY(reached.has_value());
        QCOMPARE(reached->host, host);
        QCOMPARE(reached->port, 5433);
        QCOMPARE(reached->database, database);
        QCOMPARE(reached->user, user);

        dlgConnect again([](const QString& address, const QString&) { return address; });
        again.setAddress(typed.address());
        QCOMPARE(box(&again, QStringLiteral("Host"))->text(), host);
        QCOMPARE(box(&again, QStringLiteral("Port"))->text(), QStringLiteral("5433"));
        QCOMPARE(box(&again, QStringLiteral("Database"))->text(), database);
        QCOMPARE(box(&again, QStringLiteral("User"))->text(), user);
    }

    void twoWindowsOnOneRecordNeverOverwriteEachOther() {
        try {
            const Catalogue cat = freshParts(3);
            auto a = serverSession(cat);
            QVERIFY(a);
            QCOMPARE(a->text("txtDatabase"), cat.source);
            auto b = startOn(cat.source);
            QVERIFY(b);

            a->click("cmdEdit");
            a->replaceText("txtPartName", QStringLiteral("Alice's name"));
            click(b.get(), "cmdEdit");
            replaceText(b.get(), "txtPartName", QStringLiteral("Bob's name"));
            a->click("cmdSave");
            QCOMPARE(storedName(cat, 1), QStringLiteral("Alice's name"));
            // Bob's save is refused; he keeps his text on screen.
            a->platform.answers = {false};
            click(b.get(), "cmdSave");
            QVERIFY(!a->platform.questions.empty());
            QVERIFY2(a->platform.questions.back().text.contains(QLatin1String("changed")),
                     qPrintable(a->platform.questions.back().text));
            QCOMPARE(text(b.get(), "txtPartName"), QStringLiteral("Bob's name"));
            QCOMPARE(storedName(cat, 1), QStringLiteral("Alice's name"));
            click(b.get(), "cmdSave");  // saved again knowing it: replaces Alice's
            QCOMPARE(storedName(cat, 1), QStringLiteral("Bob's name"));
            // Alice's window shows the other version when she says so.
            a->click("cmdFirst");
            QCOMPARE(a->text("txtPartName"), QStringLiteral("Bob's name"));
            a->click("cmdEdit");
            a->replaceText("txtPartName", QStringLiteral("Alice again"));
            click(b.get(), "cmdFirst");
            click(b.get(), "cmdEdit");
            replaceText(b.get(), "txtPartName", QStringLiteral("Bob again"));
            click(b.get(), "cmdSave");
            a->platform.answers = {true};
            a->click("cmdSave");
            QCOMPARE(a->text("txtPartName"), QStringLiteral("Bob again"));
            QCOMPARE(storedName(cat, 1), QStringLiteral("Bob again"));
            QVERIFY(a->platform.reports.empty());
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void f5ShowsTheRecordsOfOthersAndStaysOnTheRecord() {
        try {
            const Catalogue cat = freshParts(3);
            auto s = serverSession(cat);
            QVERIFY(s);
            s->click("cmdNext");
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-002"));
            const QString countBefore = s->text("lblCount");
            addPart(cat.source, cat.table,
                    {{"PartNumber", "NEW-1"}, {"PartName", "added elsewhere"}});
            server.psql(
                QStringLiteral(
                    "UPDATE \"%1\" SET \"PartName\" = 'renamed elsewhere' WHERE \"PartID\" = 2")
                    .arg(cat.table));
            QTest::keyClick(s->w.get(), Qt::Key_F5);
            QVERIFY(s->text("lblCount") != countBefore);
            QVERIFY2(s->text("lblCount").contains(QLatin1String("4")),
                     qPrintable(s->text("lblCount")));
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-002"));
            QCOMPARE(s->text("txtPartName"), QStringLiteral("renamed elsewhere"));
            s->click("cmdLast");
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("NEW-1"));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void aRecordDeletedByAnotherUserIsSaidSoWhenReached() {
        try {
            const Catalogue cat = freshParts(3);
            auto s = serverSession(cat);
            QVERIFY(s);
            server.psql(QStringLiteral("DELETE FROM \"Parts\" WHERE \"PartID\" = 2"));
            s->click("cmdNext");
            QCOMPARE(s->platform.messages.size(), size_t(1));
            QVERIFY2(s->platform.messages[0].text.contains(QLatin1String("deleted")),
                     qPrintable(s->platform.messages[0].text));
            QVERIFY(s->platform.reports.empty());
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-003"));
            QVERIFY2(s->text("lblCount").contains(QLatin1String("2")),
                     qPrintable(s->text("lblCount")));
            s->click("cmdPrevious");
            QCOMPARE(s->text("txtPartNumber"), QStringLiteral("P-001"));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // After a Jet file was previewed, the server connected to is what OK takes: no question
    // about converting, no conversion left beside the Jet file.
    void aServerAfterAJetPreviewIsWhatOkTakes() {
        try {
            const Catalogue cat = freshParts(2);
            Session s;
            s.folder.makeDatabase();
            Control::sAppPath = s.folder.path();
            Control::sUnpackPath = s.folder.path();
            legacy::JetConversion::setProgram(QStringLiteral(COGWRIGHT_BIN));
            QTemporaryDir elsewhere;
            const QString jet = elsewhere.filePath(QStringLiteral("Old.mdb"));
            QVERIFY(QFile::copy(QStringLiteral(COGWRIGHT_SOURCE_DIR "/tests/data/nwind.mdb"), jet));
            frmOpenDb chooser(DatabaseChoice{s.db(), QStringLiteral("Parts")});
            chooser.show();
            s.platform.fileChoices = {jet};
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdBrowse"), Qt::LeftButton);
            QCOMPARE(chooser.findChild<QLineEdit*>("txtPath")->text(), jet);
            onModal([&](QDialog* d) {
                fill(d, QStringLiteral("Host"), server.host);
                fill(d, QStringLiteral("Port"), server.port);
                fill(d, QStringLiteral("Database"), server.database());
                fill(d, QStringLiteral("User"), server.user);
                pressConnect(d);
            });
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdServer"), Qt::LeftButton);
            auto* tree = chooser.findChild<QTreeWidget*>("trvData");
            const auto nodes = tree->findItems(cat.table, Qt::MatchExactly);
            QCOMPARE(nodes.size(), 1);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(nodes.first()).center());
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
            QVERIFY(s.platform.questions.empty());
            QVERIFY(store::Connection::isServerAddress(chooser.choice().path));
            QCOMPARE(chooser.choice().table, cat.table);
            QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"Old.mdb"});
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void aFileTableIsCopiedToTheServerFromTheChooser() {
        try {
            Session s;
            s.folder.makeDatabase();
            addParts(s.db(), QStringLiteral("Parts"), 7);
            addPart(s.db(), QStringLiteral("Parts"),
                    {{"PartNumber", "PIC"}, {"Image", pictureBytes("jpg")}});
            const auto shown = chooserOnItsFirstTable(s);
            frmOpenDb& chooser = *shown;
            const QString name =
                QStringLiteral("Team parts %1").arg(QCoreApplication::applicationPid());
            onModal([&](QDialog* d) {
                fill(d, QStringLiteral("Host"), server.host);
                fill(d, QStringLiteral("Port"), server.port);
                fill(d, QStringLiteral("Database"), server.database());
                fill(d, QStringLiteral("User"), server.user);
                pressConnect(d);
                onModal([&](QDialog* ask) {
                    auto* edit = ask->findChild<QLineEdit*>();
                    edit->selectAll();
                    QTest::keyClicks(edit, name);
                    QTest::keyClick(edit, Qt::Key_Return);
                });
            });
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdCopy"), Qt::LeftButton);
            QVERIFY(s.platform.warnings.empty());
            QCOMPARE(s.platform.messages.size(), size_t(1));
            QVERIFY2(s.platform.messages[0].text.contains(QLatin1String("8 records")),
                     qPrintable(s.platform.messages[0].text));
            QCOMPARE(
                server.psql(
                    QStringLiteral("SELECT count(*) || ' ' || md5(string_agg(\"PartNumber\" || "
                                   "coalesce(md5(\"Image\"), ''), ',' "
                                   "ORDER BY \"PartID\")) FROM \"%1\"")
                        .arg(name)),
                server.psql(QStringLiteral("SELECT '8 ' || md5(string_agg(n, ',' ORDER BY k)) FROM "
                                           "(VALUES %1) v(k, n)")
                                .arg([&] {
                                    QStringList rows;
                                    for (int i = 1; i <= 7; ++i)
                                        rows << QStringLiteral("(%1, 'P-%2')")
                                                    .arg(i)
                                                    .arg(i, 3, 10, QLatin1Char('0'));
                                    rows
                                        << QStringLiteral("(8, 'PIC%1')")
                                               .arg(QString::fromLatin1(
                                                   QCryptographicHash::hash(pictureBytes("jpg"),
                                                                            QCryptographicHash::Md5)
                                                       .toHex()));
                                    return rows.join(QLatin1Char(','));
                                }())));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // The chooser's OK pressed behind the copy's dialogs (as an accessibility tool can) does
    // nothing: the copy goes on, and the chooser stays, on its table, until OK is pressed after.
    void okBehindTheCopyToTheServerWaits_data() {
        QTest::addColumn<QString>("behind");
        QTest::newRow("connect dialog") << QStringLiteral("connect");
        QTest::newRow("name question") << QStringLiteral("name");
        QTest::newRow("copy progress") << QStringLiteral("progress");
    }
    void okBehindTheCopyToTheServerWaits() {
        QFETCH(QString, behind);
        try {
            Session s;
            s.folder.makeDatabase();
            // Enough rows for the copy to show its progress on the way.
            addParts(s.db(), QStringLiteral("Parts"), 1200);
            const auto shown = chooserOnItsFirstTable(s);
            frmOpenDb& chooser = *shown;
            const QString name =
                QStringLiteral("Behind %1 %2").arg(behind).arg(QCoreApplication::applicationPid());
            auto* ok = chooser.findChild<QPushButton*>("cmdOK");
            QString pressedOver;
            auto pressOk = [&] {
                pressedOver = QApplication::activeModalWidget()->metaObject()->className();
                ok->click();
            };
            // Pressed once the progress is up: the copy's own wait for events runs it.
            std::function<void(int)> whileCopying = [&](int tries) {
                if (qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()) || !tries)
                    pressOk();
                else
                    QTimer::singleShot(0, [&, tries] { whileCopying(tries - 1); });
            };
            onModal([&](QDialog* d) {
                if (behind == QLatin1String("connect")) pressOk();
                fill(d, QStringLiteral("Host"), server.host);
                fill(d, QStringLiteral("Port"), server.port);
                fill(d, QStringLiteral("Database"), server.database());
                fill(d, QStringLiteral("User"), server.user);
                pressConnect(d);
                onModal([&](QDialog* ask) {
                    if (behind == QLatin1String("name")) pressOk();
                    if (behind == QLatin1String("progress")) whileCopying(100);
                    auto* edit = ask->findChild<QLineEdit*>();
                    edit->selectAll();
                    QTest::keyClicks(edit, name);
                    QTest::keyClick(edit, Qt::Key_Return);
                });
            });
            QTest::mouseClick(chooser.findChild<QPushButton*>("cmdCopy"), Qt::LeftButton);
            QCOMPARE(pressedOver, behind == QLatin1String("connect") ? QStringLiteral("dlgConnect")
                                  : behind == QLatin1String("name")
                                      ? QStringLiteral("QInputDialog")
                                      : QStringLiteral("QProgressDialog"));
            QVERIFY(chooser.isVisible());
            QVERIFY(s.platform.warnings.empty());
            QCOMPARE(s.platform.messages.size(), size_t(1));
            QVERIFY2(s.platform.messages[0].text.contains(QLatin1String("1200 records")),
                     qPrintable(s.platform.messages[0].text));
            QCOMPARE(server.psql(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(name)),
                     QStringLiteral("1200"));
            QTest::mouseClick(ok, Qt::LeftButton);
            QVERIFY(!chooser.isVisible());
            QCOMPARE(chooser.choice().path, s.db());
            QCOMPARE(chooser.choice().table, QStringLiteral("Parts"));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // A table of the same name in a schema named after the login, which the login's default
    // search path reads first, is never what the windows show: they all read the tree's tables.
    void everyDoorReadsTheTablesOfTheTree_data() {
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("seen");
        QTest::newRow("preview") << QStringLiteral("preview") << QStringLiteral("P-011");
        QTest::newRow("record count") << QStringLiteral("count") << QStringLiteral("11");
        QTest::newRow("export to CSV") << QStringLiteral("export") << QStringLiteral("12 lines");
        QTest::newRow("find bar") << QStringLiteral("find") << QStringLiteral("P-011");
        QTest::newRow("parts window") << QStringLiteral("parts") << QStringLiteral("P-011");
    }
    void everyDoorReadsTheTablesOfTheTree() {
        QFETCH(QString, door);
        QFETCH(QString, seen);
        try {
            const Catalogue cat = freshParts(11);
            server.psql(QStringLiteral("CREATE SCHEMA \"%1\"; CREATE TABLE \"%1\".\"Parts\" (LIKE "
                                       "public.\"Parts\"); INSERT INTO \"%1\".\"Parts\" "
                                       "(\"PartID\", \"PartNumber\") VALUES (1, 'SHADOW')")
                            .arg(server.user));
            const auto dropShadow = qScopeGuard([&] {
                server.psql(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(server.user));
            });
            QCOMPARE(server.psql(QStringLiteral("SELECT count(*) FROM \"Parts\"")),
                     QStringLiteral("1"));  // what an unqualified name reads
            QString shown;
            if (door == QLatin1String("find") || door == QLatin1String("parts")) {
                auto s = serverSession(cat);
                QVERIFY(s);
                if (door == QLatin1String("find")) {
                    QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
                    auto* bar = s->w->findChild<FindBar*>();
                    QVERIFY(bar && bar->isVisible());
                    auto* box = bar->findChild<QLineEdit*>(QStringLiteral("txtFind"));
                    QTest::keyClicks(box, QStringLiteral("P-011"));
                    QTRY_VERIFY(
                        !bar->findChild<QLabel*>(QStringLiteral("lblFindCount"))->text().isEmpty());
                    QTest::keyClick(box, Qt::Key_Return);
                } else {
                    s->click("cmdLast");
                }
                shown = s->text("txtPartNumber");
            } else {
                ChooserSession c;
                c.open(cat.source);
                c.preview(QStringLiteral("Parts"));
                if (door == QLatin1String("preview")) {
                    shown = c.cell(11, 1);
                } else if (door == QLatin1String("count")) {
                    shown = c.child<QLineEdit>("txtCount")->text();
                } else {
                    const QString csv = c.folder.file(QStringLiteral("out.csv"));
                    c.platform.fileChoices = {csv};
                    c.click("cmdExportCsv");
                    shown = QStringLiteral("%1 lines").arg(readFile(csv).trimmed().count('\n') + 1);
                }
            }
            QCOMPARE(shown, seen);
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // A server's table of many rows previews a page at a time: its count and first rows at once,
    // any row when it comes into view, the picture of the row clicked, and, once every row is
    // read beside the window, each column as wide as its widest value.
    void aServerTablePreviewsAPageAtATime() {
        try {
            const Catalogue cat = freshParts(0);
            const QByteArray green = pictureBytes("png", 20, 20, Qt::green);
            server.psql(
                QStringLiteral(
                    "INSERT INTO \"Parts\" (\"PartNumber\", \"PartName\", \"Category\", "
                    "\"Retail Price\", \"Qty In Stock\", \"Weight\", \"Location\", "
                    "\"CreationDate\", \"Image\") SELECT 'P-' || lpad(g::text, 4, '0'), "
                    "CASE g WHEN 700 THEN 'WWWWWWWWWWWWWWWW' ELSE 'Hex bolt' END, "
                    "CASE WHEN g = 701 THEN '螺栓螺母螺栓螺母' WHEN g % 3 = 0 THEN NULL "
                    "ELSE 'Bolts' END, "
                    "CASE g WHEN 702 THEN 99999998.5 ELSE 10000 + g % 900 + 0.25 END, "
                    "CASE g WHEN 703 THEN -2147483648 ELSE g % 100 END, "
                    "CASE g WHEN 704 THEN 123.125 ELSE (g % 8) * 0.25 END, "
                    "CASE g WHEN 706 THEN 'Shelf' || chr(9) || 'and rack' ELSE 'Shelf 1' END, "
                    "CASE g WHEN 705 THEN timestamp '2026-12-22 22:22:00' "
                    "ELSE timestamp '2026-01-01' + g * interval '97 minutes' END, "
                    "CASE g WHEN 1200 THEN decode('%1', 'hex') END "
                    "FROM generate_series(1, 1500) g")
                    .arg(QString::fromLatin1(green.toHex())));
            ChooserSession c;
            c.open(cat.source);
            c.preview(QStringLiteral("Parts"));
            QCOMPARE(c.child<QLineEdit>("txtCount")->text(), QStringLiteral("1500"));
            QCOMPARE(c.rows(), 1501);
            QCOMPARE(c.cell(1, 1), QStringLiteral("P-0001"));
            QCOMPARE(c.cell(3, 3), QStringLiteral(" "));  // Null
            QCOMPARE(c.cell(1500, 1), QStringLiteral("P-1500"));
            QCOMPARE(c.cell(700, 2), QStringLiteral("WWWWWWWWWWWWWWWW"));
            QCOMPARE(c.cell(2, 1), QStringLiteral("P-0002"));
            const int image = c.grid()->model()->columnCount() - 1;
            QCOMPARE(c.cell(0, image), QStringLiteral("Image"));
            QCOMPARE(c.cell(1200, image),
                     QStringLiteral("(picture, %1 bytes)").arg(QLocale().toString(green.size())));
            c.clickRow(1200);
            QTRY_VERIFY(!c.child<QLabel>("Picture1")->pixmap().isNull());
            QCOMPARE(c.child<QLabel>("Picture1")->pixmap().toImage().pixelColor(10, 10),
                     QColor(Qt::green));

            QTRY_VERIFY_WITH_TIMEOUT(!c.window->isMeasuringColumns(), 30000);
            store::Connection cn;
            cn.Open(cat.connectionString());
            auto rs = cn.Execute(QStringLiteral("SELECT * FROM ") + cn.tableReference(cat.table));
            const QFontMetricsF metrics(c.grid()->font());
            auto twips = [&](const QString& t) { return float(metrics.horizontalAdvance(t) * 15); };
            std::vector<float> widest;
            for (int i = 0; i < rs->fields().Count(); ++i)
                widest.push_back(twips(rs->fields()[i].Name()));
            while (!rs->EOF_()) {
                for (int i = 0; i < rs->fields().Count(); ++i) {
                    const QVariant value = rs->fields()[i].Value();
                    if (rs->fields()[i].Attributes() < 200 && !value.isNull())
                        widest[size_t(i)] =
                            std::max(widest[size_t(i)], twips(store::valueText(value)));
                }
                rs->MoveNext();
            }
            QCOMPARE(c.grid()->model()->columnCount(), int(widest.size()));
            for (size_t i = 0; i < widest.size(); ++i) {
                const int expected =
                    int(std::lround(std::nearbyint(double(widest[i]) + 240) / 15.0));
                QVERIFY2(c.grid()->columnWidth(int(i)) == expected,
                         qPrintable(QStringLiteral("%1: %2 pixels, not %3")
                                        .arg(c.cell(0, int(i)))
                                        .arg(c.grid()->columnWidth(int(i)))
                                        .arg(expected)));
            }
            QVERIFY(c.platform.warnings.empty());
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void theServerGoingAwayMidEditLosesNothingTyped() {
        try {
            const Catalogue cat = freshParts(2);
            auto s = serverSession(cat);
            QVERIFY(s);
            s->click("cmdEdit");
            s->replaceText("txtPartName", QStringLiteral("typed during the outage"));
            QVERIFY(server.pause());
            const auto back = qScopeGuard([&] { server.resume(); });
            s->click("cmdSave");
            QVERIFY(!s->platform.reports.empty());
            QCOMPARE(s->platform.reports.back().number, long(store::errConnectionLost));
            QCOMPARE(s->text("txtPartName"), QStringLiteral("typed during the outage"));
            QVERIFY(server.resume());
            s->click("cmdSave");
            QCOMPARE(storedName(cat, 1), QStringLiteral("typed during the outage"));
            QCOMPARE(s->platform.reports.size(), size_t(1));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    void theNewDatabaseWindowMakesThePartsTableOnAServer() {
        try {
            Session s;
            Control::sAppPath = s.folder.path();
            frmCreateDb creator;
            creator.show();
            const QString table =
                QStringLiteral("Made \"here\" %1").arg(QCoreApplication::applicationPid());
            replaceText(&creator, "txtDBname", server.url());
            replaceText(&creator, "txtTableName", table);
            auto* retailPrice = creator.findChild<QCheckBox*>("Check1");
            retailPrice->setFocus();
            QTest::keyClick(retailPrice, Qt::Key_Space);
            QVERIFY(retailPrice->isChecked());
            click(&creator, "CreateButton");
            QCOMPARE(creator.findChild<QLabel*>("lblError")->text(),
                     QStringLiteral("The Database Was Sucessfully Created"));
            QCOMPARE(server.psql(QStringLiteral(
                                     "SELECT string_agg(a.attname || ' ' || "
                                     "format_type(a.atttypid, a.atttypmod), ', ' "
                                     "ORDER BY a.attnum) FROM pg_attribute a JOIN pg_class c ON "
                                     "c.oid = a.attrelid "
                                     "WHERE c.relname = $$%1$$ AND a.attnum > 5 AND a.attnum < 7")
                                     .arg(table)),
                     QStringLiteral("Retail Price numeric(19,4)"));
            click(&creator, "cmdExit");
            QCOMPARE(creator.choice().path, server.url());
            QCOMPARE(creator.choice().table, table);
            // The same name again is refused, and nothing on the server changes.
            frmCreateDb again;
            again.show();
            replaceText(&again, "txtDBname", server.url());
            replaceText(&again, "txtTableName", table);
            click(&again, "CreateButton");
            QVERIFY2(again.findChild<QLabel*>("lblError")
                         ->text()
                         .contains(QLatin1String("already has a table")),
                     qPrintable(again.findChild<QLabel*>("lblError")->text()));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }

    // The CSV commands take a server's address as the chooser does: an export writes the
    // server's table; an import, which a server table cannot take all or nothing, is refused.
    void theCsvCommandsTakeAServerAddress_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("export") << QStringLiteral("--export-csv") << 0
                                << QStringLiteral("Exported 3 rows");
        QTest::newRow("import") << QStringLiteral("--import-csv") << 1
                                << QStringLiteral("on a server is not possible");
    }
    void theCsvCommandsTakeAServerAddress() {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const Catalogue cat = freshParts(3);
        QTemporaryDir folder;
        const QString csv = folder.filePath(QStringLiteral("parts.csv"));
        if (option == QLatin1String("--import-csv"))
            writeFile(csv, "PartNumber,PartName\nNEW-1,From a file\n");
        const ProgramRun r =
            runProgram(QStringLiteral(COGWRIGHT_BIN), {option, cat.source, cat.table, csv});
        const QString out = QString::fromLocal8Bit(r.out + r.err);
        QCOMPARE(r.code, exitCode);
        QVERIFY2(out.contains(said), qPrintable(out));
        if (option == QLatin1String("--export-csv")) {
            const QByteArray written = readFile(csv);
            QCOMPARE(written.trimmed().count('\n'), 3);
            QVERIFY2(written.contains("P-003"), written.constData());
        }
        QCOMPARE(server.psql(QStringLiteral("SELECT count(*) FROM \"Parts\"")),
                 QStringLiteral("3"));
    }

    void theProgramStartsOnAServerAddress() {
        try {
            const Catalogue cat = freshParts(2);
            ProgramFolder folder;
            folder.makeDatabase();
            folder.writeLogo();
            const ProgramRun r =
                runProgram(QStringLiteral(COGWRIGHT_BIN), {cat.source}, folder.path(),
                           {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                            QStringLiteral("COGWRIGHT_EXIT_WHEN_SHOWN=1")});
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out.trimmed(), QByteArray("shown"));
            // A password written into the address is used, and shown nowhere.
            {
                Session shown;
                shown.w = std::make_unique<frmMain>();
                shown.w->setStartingDatabase(QStringLiteral("postgresql://%1:%2@%3:%4/%5")
                                                 .arg(server.user, server.password, server.host,
                                                      server.port, server.database()));
                qunsetenv("PGPASSFILE");
                const bool started = startUpGuarded(nullptr, [&] { shown.w->Form_Load(); });
                qputenv("PGPASSFILE", qgetenv("COGWRIGHT_PG_ENV").replace("server.env", "pgpass"));
                QVERIFY(started);
                QCOMPARE(shown.text("txtDatabase"), server.url());
                QVERIFY(!shown.text("txtDatabase").contains(server.password));
            }
            // An address that leads nowhere is reported, and the program does not start.
            Session s;
            s.w = std::make_unique<frmMain>();
            s.w->setStartingDatabase(server.url(QStringLiteral("no_such_catalogue")));
            QVERIFY(!startUpGuarded(nullptr, [&] { s.w->Form_Load(); }));
            QCOMPARE(s.platform.reports.size(), size_t(1));
            QVERIFY2(s.platform.reports[0].description.contains(QLatin1String("no_such_catalogue")),
                     qPrintable(s.platform.reports[0].description));
        } catch (const store::StoreError& e) {
            FAIL_ON_STORE_ERROR(e);
        }
    }
};

QTEST_MAIN(ServerWindowsTest)
#include "tst_serverwindows.moc"
