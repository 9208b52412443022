#pragma once

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Fixture.h"

// The throwaway PostgreSQL server that CTest starts for the tests (scripts/pg-cluster); its
// address is read from the file named by COGWRIGHT_PG_ENV. Each test program gets a database
// of its own on it, dropped when the program ends.
class TestServer {
public:
    static TestServer& instance();

    // False, with the reason, when no server was started for the tests.
    bool available(QString* why = nullptr) const;
    QString host, port, user, password;

    // postgresql://user@host:port/database; this program's own database by default.
    QString url(const QString& database = QString()) const;
    QString database();
    // Runs SQL through psql as the server's superuser, on this program's database; returns its
    // output.
    QString psql(const QString& sql, const QString& database = QString());
    // Stops the server and starts it again, as an administrator restarting it would.
    bool pause();
    bool resume();

private:
    TestServer();
    ~TestServer();
    QString m_envDir, m_error, m_database;
};

// Runs `letGo` once `graceMs` have passed, unless the object goes first: code under test that
// would wait for ever is let go, so that its test fails in seconds instead of hanging.
class LetGoAfter {
public:
    LetGoAfter(int graceMs, std::function<void()> letGo);
    ~LetGoAfter();
    LetGoAfter(const LetGoAfter&) = delete;
    LetGoAfter& operator=(const LetGoAfter&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

// A port on 127.0.0.1 that takes connections and never answers, as a stalled server does;
// after 20 s the connections waiting on it are closed.
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    int port = 0;  // 0 when no socket could be made

private:
    int m_socket = -1;
    std::unique_ptr<LetGoAfter> m_letGo;
};

// Stops the process (a server's backend) until the object goes, as a suspended host stops; it
// goes on by itself after 20 s.
class Frozen {
public:
    explicit Frozen(qint64 pid);
    ~Frozen();
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;
    bool stopped = false;

private:
    qint64 m_pid;
    std::unique_ptr<LetGoAfter> m_letGo;
};

// A parts table to test against: in a catalogue file, or on the test server under a name of its
// own.
struct Catalogue {
    explicit Catalogue(const QString& engine, const std::vector<int>& boxes = {1, 4, 10, 13},
                       const QString& table = QString());
    bool onServer;
    std::unique_ptr<ProgramFolder> folder;
    QString source;  // the file's path or the server's address
    QString table;
    QString connectionString() const;
};

// Ends a test whose store call threw with a failure that names the error, rather than with the
// test program's end.
#define FAIL_ON_STORE_ERROR(e) \
    QFAIL(qPrintable(QStringLiteral("store error %1: %2").arg((e).number()).arg((e).description())))

// QTest data rows "file" and "server" under the column "engine".
void addEngineRows();
