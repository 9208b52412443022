#pragma once

#include <QString>
#include <memory>
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
