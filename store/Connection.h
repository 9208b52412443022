#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "Types.h"

struct sqlite3;

namespace store {

class Recordset;
namespace engine {
class Database;
}

// A connection to one database: a file (opening never creates or changes it) or, when "Data
// Source" is a postgresql:// address, a database on a server.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString ConnectionString() const { return m_connectionString; }
    void setConnectionString(const QString& connectionString);

    // Empty arguments take the connection string already set. A password is used for this open
    // only and never kept in the connection string.
    void Open(const QString& connectionString = QString(), const QString& userId = QString(),
              const QString& password = QString(), long options = -1);
    // Closes every recordset opened over this connection too; a second Close does nothing.
    void Close();
    bool isOpen() const { return m_db != nullptr; }

    // The path named by "Data Source" of the connection string, or the server's address.
    QString dataSource() const { return m_path; }

    // One transaction over many writes: the updates made until CommitTrans reach the file
    // together, RollbackTrans leaves the file as it was (reopen recordsets that wrote meanwhile).
    // Other programs wait to write while it is open. Closing the connection rolls it back.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const;

    // A table's name written for a statement of this connection: on a server, in the schema
    // whose tables OpenSchema lists.
    QString tableReference(const QString& table) const;

    // Runs one statement; a query gives a forward-only, read-only recordset on its first row.
    std::unique_ptr<Recordset> Execute(const QString& commandText, long options = adCmdText);

    // adSchemaTables with restrictions (catalog, schema, name, type): one row per user table,
    // in creation order, with TABLE_NAME and TABLE_TYPE ("TABLE"). adSchemaColumns with
    // restrictions (catalog, schema, table, column): one row per column in table order, with
    // TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, IS_NULLABLE.
    std::unique_ptr<Recordset> OpenSchema(SchemaEnum schema, const QStringList& restrictions = {});

    // Plumbing for the store's own classes.
    engine::Database& engine() const;
    // The file's SQLite handle; a server connection has none.
    sqlite3* handle() const;
    void attach(Recordset* rs);
    void detach(Recordset* rs);

    // Key=value pairs of a connection string; keys compared without case. A value in double
    // or single quotes is taken whole (a doubled quote inside stands for one).
    static QString connectionValue(const QString& connectionString, const QString& key);
    // True for a postgresql:// address: a catalogue on a server rather than a file.
    static bool isServerAddress(const QString& dataSource);
    // A value written so that connectionValue gives it back whole, whatever it holds
    // (';', '=', quotes, blanks at either end).
    static QString quoteValue(const QString& value);

    // Opens an existing file: the checks and settings every open goes through.
    static sqlite3* openFile(const QString& path, bool readOnly);

private:
    QString m_connectionString;
    QString m_path;
    std::unique_ptr<engine::Database> m_db;
    std::vector<Recordset*> m_recordsets;

    friend class Catalog;
    void adopt(std::unique_ptr<engine::Database> db);
};

// The user tables of a database file, in creation order.
QStringList userTables(sqlite3* db);

// A table or column name written so that a statement takes it as a name, whatever it holds.
QString quoteIdentifier(const QString& name);

}  // namespace store
