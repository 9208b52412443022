#include "Catalog.h"

#include "Engine.h"
#include "SqliteEngine.h"
#include "StoreError.h"

namespace store {

// ---- Column, Index, Table ------------------------------------------------------------------

void Column::setProperty(const QString& name, const QVariant& value) {
    if (!ParentCatalog)
        throw StoreError(errItemNotFound,
                         Text::tr("The property '%1' of the column '%2' can only be set once the "
                                  "column belongs to a catalogue.")
                             .arg(name, Name));
    if (name.compare(QLatin1String("AutoIncrement"), Qt::CaseInsensitive) == 0)
        m_autoIncrement = value.toBool();
    else if (name.compare(QLatin1String("Nullable"), Qt::CaseInsensitive) == 0)
        m_nullable = value.toBool();
    else
        throw StoreError(errItemNotFound, Text::tr("The column has no property '%1'.").arg(name));
}

QVariant Column::property(const QString& name) const {
    if (name.compare(QLatin1String("AutoIncrement"), Qt::CaseInsensitive) == 0)
        return m_autoIncrement;
    if (name.compare(QLatin1String("Nullable"), Qt::CaseInsensitive) == 0) return m_nullable;
    throw StoreError(errItemNotFound, Text::tr("The column has no property '%1'.").arg(name));
}

void Column::setStoredState(const QString& declType, bool autoIncrement, bool nullable) {
    m_declType = declType;
    m_autoIncrement = autoIncrement;
    m_nullable = nullable;
}

QString Column::declType() const {
    return m_declType.isEmpty() ? declForType(Type, DefinedSize) : m_declType;
}

Index::IndexColumn& Index::appendColumn(const QString& name, DataTypeEnum type) {
    Columns.push_back(IndexColumn{name, type, adSortAscending});
    return Columns.back();
}

void Table::appendColumn(const Column& column) {
    if (m_catalog)
        throw StoreError(
            errOperationNotAllowed,
            Text::tr("Columns cannot be added to the table '%1' once it exists.").arg(Name));
    for (const Column& c : Columns)
        if (c.Name.compare(column.Name, Qt::CaseInsensitive) == 0)
            throw StoreError(
                errInvalidArgument,
                Text::tr("The table already has a column named '%1'.").arg(column.Name));
    if (column.Name.trimmed().isEmpty())
        throw StoreError(errInvalidArgument, Text::tr("A column needs a name."));
    Columns.push_back(column);
}

void Table::appendColumn(const QString& name, DataTypeEnum type, long definedSize) {
    appendColumn(Column(name, type, definedSize));
}

void Table::appendIndex(const Index& index) {
    if (index.Columns.empty())
        throw StoreError(errInvalidArgument,
                         Text::tr("The index '%1' has no column.").arg(index.Name));
    if (m_catalog)
        m_catalog->writeIndex(*this, index);
    else
        Indexes.push_back(index);
}

void Table::refreshColumns() {
    if (m_catalog) m_catalog->readTable(*this);
}

const Column* Table::column(const QString& name) const {
    for (const Column& c : Columns)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

// ---- Catalog -------------------------------------------------------------------------------

Connection& Catalog::Create(const QString& connectionString, const QString& password) {
    const QString source =
        Connection::connectionValue(connectionString, QStringLiteral("Data Source"));
    if (engine::isServerAddress(source)) {
        // A server's databases are made by its administrator; a new catalogue there is a new table.
        m_connection.Close();
        m_tables.clear();
        m_connection.Open(connectionString, QString(), password);
        return m_connection;
    }
    auto db = engine::SqliteDatabase::createFile(source);
    m_connection.Close();
    m_tables.clear();
    m_connection.setConnectionString(connectionString);
    m_connection.adopt(std::move(db));
    return m_connection;
}

void Catalog::setActiveConnection(const QString& connectionString) {
    m_connection.Close();
    m_connection.setConnectionString(connectionString);
    m_connection.Open();
    refreshTables();
}

Table* Catalog::table(const QString& name) const {
    for (const auto& t : m_tables)
        if (t->Name.compare(name, Qt::CaseInsensitive) == 0) return t.get();
    return nullptr;
}

Table& Catalog::appendTable(const Table& table) {
    engine::Database& db = m_connection.engine();
    if (table.Name.trimmed().isEmpty())
        throw StoreError(errInvalidArgument, Text::tr("A table needs a name."));
    if (table.Columns.empty())
        throw StoreError(errInvalidArgument,
                         Text::tr("The table '%1' has no column.").arg(table.Name));
    for (const QString& existing : db.userTables())
        if (existing.compare(table.Name, Qt::CaseInsensitive) == 0)
            throw StoreError(
                errInvalidArgument,
                Text::tr("The database already has a table named '%1'.").arg(table.Name));
    for (const Index& i : table.Indexes)
        for (const auto& ic : i.Columns)
            if (!table.column(ic.Name))
                throw StoreError(errItemNotFound,
                                 Text::tr("The table '%1' has no column '%2' to index.")
                                     .arg(table.Name, ic.Name));
    db.createTable(table);
    auto copy = std::make_unique<Table>(table);
    copy->m_catalog = this;
    for (Column& c : copy->Columns) c.ParentCatalog = this;
    m_tables.push_back(std::move(copy));
    return *m_tables.back();
}

void Catalog::writeIndex(Table& table, const Index& index) {
    engine::Database& db = m_connection.engine();
    // The engine would take an unknown name as a quoted text and index that.
    for (const auto& ic : index.Columns)
        if (!table.column(ic.Name))
            throw StoreError(
                errItemNotFound,
                Text::tr("The table '%1' has no column '%2' to index.").arg(table.Name, ic.Name));
    if (index.PrimaryKey)
        for (const Index& i : table.Indexes)
            if (i.PrimaryKey)
                throw StoreError(
                    errInvalidArgument,
                    Text::tr("The table '%1' already has a primary key.").arg(table.Name));
    db.createIndex(table, index);
    table.Indexes.push_back(index);
}

void Catalog::readTable(Table& table) {
    m_connection.engine().readTable(table);
    for (Column& c : table.Columns) c.ParentCatalog = this;
}

void Catalog::refreshTables() {
    m_tables.clear();
    for (const QString& name : m_connection.engine().userTables()) {
        auto t = std::make_unique<Table>(name);
        t->m_catalog = this;
        readTable(*t);
        m_tables.push_back(std::move(t));
    }
}

}  // namespace store
