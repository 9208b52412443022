#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "Connection.h"
#include "Types.h"
#include "Value.h"

namespace store {

class Catalog;
class Table;

// A column definition. Its provider properties ("AutoIncrement", "Nullable") can only be
// reached once it belongs to a catalogue, as with ADOX.
class Column {
public:
    Column() = default;
    Column(const QString& name, DataTypeEnum type = adVarWChar, long definedSize = 0)
        : Name(name), Type(type), DefinedSize(definedSize) {}

    QString Name;
    DataTypeEnum Type = adVarWChar;
    long DefinedSize = 0;
    Catalog* ParentCatalog = nullptr;

    void setProperty(const QString& name, const QVariant& value);
    QVariant property(const QString& name) const;

    bool autoIncrement() const { return m_autoIncrement; }
    bool nullable() const { return m_nullable; }
    // The declared type written into the file (read back by Refresh).
    QString declType() const;
    // What a value written to this column is converted and checked against.
    ColumnInfo info() const { return ColumnInfo{Name, QString(), Type, DefinedSize}; }
    // Plumbing for the engines: the column as read back from a database.
    void setStoredState(const QString& declType, bool autoIncrement, bool nullable);

private:
    friend class Catalog;
    bool m_autoIncrement = false;
    bool m_nullable = true;
    QString m_declType;  // as read from a file; empty for a new column
};

class Index {
public:
    struct IndexColumn {
        QString Name;
        DataTypeEnum Type = adInteger;
        SortOrderEnum SortOrder = adSortAscending;
    };

    QString Name;
    bool Unique = false;
    bool PrimaryKey = false;
    std::vector<IndexColumn> Columns;

    IndexColumn& appendColumn(const QString& name, DataTypeEnum type = adInteger);
};

class Table {
public:
    Table() = default;
    explicit Table(const QString& name) : Name(name) {}

    QString Name;
    std::vector<Column> Columns;
    std::vector<Index> Indexes;

    void appendColumn(const Column& column);
    void appendColumn(const QString& name, DataTypeEnum type, long definedSize = 0);
    // On a table already in a catalogue, the index is written to the file at once.
    void appendIndex(const Index& index);
    // Reads the columns and indexes back from the file.
    void refreshColumns();

    const Column* column(const QString& name) const;

private:
    friend class Catalog;
    Catalog* m_catalog = nullptr;  // set once the table exists in the file
};

// The schema of one database file: creating a file, its tables, columns and keys.
class Catalog {
public:
    Catalog() = default;
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Creates a new, empty database file at the connection string's "Data Source"; never
    // replaces an existing file. A server's database exists already: it is connected to, and
    // the tables appended are made there. The catalogue keeps the open connection.
    Connection& Create(const QString& connectionString, const QString& password = QString());
    // Works on an existing, open file.
    void setActiveConnection(const QString& connectionString);
    Connection& ActiveConnection() { return m_connection; }

    // Writes the table to the file; from then on it exists there.
    Table& appendTable(const Table& table);
    void refreshTables();
    const std::vector<std::unique_ptr<Table>>& Tables() const { return m_tables; }
    Table* table(const QString& name) const;

    // Plumbing for Table.
    void writeIndex(Table& table, const Index& index);
    void readTable(Table& table);

private:
    Connection m_connection;
    std::vector<std::unique_ptr<Table>> m_tables;
};

}  // namespace store
