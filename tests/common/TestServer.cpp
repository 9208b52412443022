#include "TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <atomic>

#include "Catalog.h"
#include "Connection.h"
#include "PartsLayout.h"

TestServer& TestServer::instance() {
    static TestServer server;
    return server;
}

TestServer::TestServer() {
    const QString envFile = qEnvironmentVariable("COGWRIGHT_PG_ENV");
    if (envFile.isEmpty()) {
        m_error = QStringLiteral(
            "COGWRIGHT_PG_ENV is not set: the test server was not started (run the tests with "
            "ctest)");
        return;
    }
    QFile file(envFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral(
                      "no test server: %1 cannot be read (did the pg_cluster_start test fail?)")
                      .arg(envFile);
        return;
    }
    m_envDir = QFileInfo(envFile).absolutePath();
    for (const QByteArray& line : file.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1)).trimmed();
        if (key == "PGTEST_HOST") host = value;
        if (key == "PGTEST_PORT") port = value;
        if (key == "PGTEST_USER") user = value;
        if (key == "PGTEST_PASSWORD") password = value;
    }
    // libpq finds the password here, as it would in a user's ~/.pgpass.
    qputenv("PGPASSFILE", QFile::encodeName(m_envDir + QStringLiteral("/pgpass")));
}

TestServer::~TestServer() {
    if (!m_database.isEmpty())
        psql(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(m_database),
             QStringLiteral("postgres"));
}

bool TestServer::available(QString* why) const {
    if (why) *why = m_error;
    return m_error.isEmpty() && !port.isEmpty();
}

QString TestServer::database() {
    if (m_database.isEmpty() && available()) {
        m_database = QStringLiteral("cw_%1_%2")
                         .arg(QCoreApplication::applicationName().toLower())
                         .arg(QCoreApplication::applicationPid());
        psql(QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(m_database),
             QStringLiteral("postgres"));
        psql(QStringLiteral("CREATE DATABASE \"%1\"").arg(m_database), QStringLiteral("postgres"));
    }
    return m_database;
}

QString TestServer::url(const QString& database) const {
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(user, host, port,
             database.isEmpty() ? const_cast<TestServer*>(this)->database() : database);
}

QString TestServer::psql(const QString& sql, const QString& database) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("psql"),
            {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("-A"),
             QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), host,
             QStringLiteral("-p"), port, QStringLiteral("-U"), user, QStringLiteral("-d"),
             database.isEmpty() ? this->database() : database, QStringLiteral("-c"), sql});
    p.waitForFinished(60000);
    if (p.exitCode() != 0) qWarning("psql: %s", p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

static bool runCluster(const QString& envDir, const char* command) {
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral(COGWRIGHT_SOURCE_DIR "/scripts/pg-cluster"),
                                     QString::fromLatin1(command), envDir});
    p.waitForFinished(60000);
    if (p.exitCode() != 0)
        qWarning("pg-cluster %s: %s", command, p.readAllStandardError().constData());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool TestServer::pause() {
    return runCluster(m_envDir, "pause");
}
bool TestServer::resume() {
    return runCluster(m_envDir, "resume");
}

namespace {
constexpr int kLetGoMs = 20000;
}

LetGoAfter::LetGoAfter(int graceMs, std::function<void()> letGo) {
    m_thread = std::thread([this, graceMs, letGo = std::move(letGo)] {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(graceMs), [this] { return m_done; }))
            letGo();
    });
}

LetGoAfter::~LetGoAfter() {
    {
        std::lock_guard hold(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

SilentPort::SilentPort() {
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    // The kernel completes the connections in the backlog; nothing here ever reads them.
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&where), length) != 0 ||
        ::listen(m_socket, 16) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&where), &length) != 0)
        return;
    port = ntohs(where.sin_port);
    m_letGo = std::make_unique<LetGoAfter>(kLetGoMs, [socket = m_socket] {
        for (int waiting; (waiting = ::accept4(socket, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;)
            ::close(waiting);
    });
}

SilentPort::~SilentPort() {
    m_letGo.reset();
    if (m_socket >= 0) ::close(m_socket);
}

Frozen::Frozen(qint64 pid) : m_pid(pid) {
    stopped = pid > 0 && ::kill(pid_t(pid), SIGSTOP) == 0;
    if (stopped)
        m_letGo = std::make_unique<LetGoAfter>(kLetGoMs, [pid] { ::kill(pid_t(pid), SIGCONT); });
}

Frozen::~Frozen() {
    m_letGo.reset();
    if (stopped) ::kill(pid_t(m_pid), SIGCONT);
}

Catalogue::Catalogue(const QString& engine, const std::vector<int>& boxes, const QString& tableName)
    : onServer(engine == QLatin1String("server")) {
    static std::atomic<int> made{0};
    if (!onServer) {
        folder = std::make_unique<ProgramFolder>();
        table = tableName.isEmpty() ? QStringLiteral("Parts") : tableName;
        source = folder->makeDatabase(QStringLiteral("Parts.mdb"), table, boxes);
        return;
    }
    TestServer& server = TestServer::instance();
    QString why;
    if (!server.available(&why)) {
        QTest::qFail(qPrintable(why), __FILE__, __LINE__);
        return;
    }
    // Every catalogue on the server is a table of its own in this program's database.
    table = tableName.isEmpty() ? QStringLiteral("Parts %1").arg(++made) : tableName;
    source = server.url();
    store::Catalog catalog;
    catalog.Create(connectionString());
    store::parts::createPartsTable(catalog, table, boxes);
    catalog.ActiveConnection().Close();
}

QString Catalogue::connectionString() const {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           store::Connection::quoteValue(source);
}

void addEngineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("file") << QStringLiteral("file");
    QTest::newRow("server") << QStringLiteral("server");
}
