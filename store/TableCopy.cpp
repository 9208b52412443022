#include "TableCopy.h"

#include "Catalog.h"
#include "Connection.h"
#include "Engine.h"
#include "StoreError.h"

namespace store {

void copyTable(Connection& from, const QString& table, Connection& to, const QString& newName,
               const CopyProgress& progress) {
    engine::Database& source = from.engine();
    engine::Database& target = to.engine();
    QString name;
    for (const QString& t : source.userTables())
        if (t.compare(table, Qt::CaseInsensitive) == 0) name = t;
    if (name.isEmpty())
        throw StoreError(errTableNotFound,
                         Text::tr("The table '%1' cannot be found in the database '%2'.")
                             .arg(table, from.dataSource()));
    if (newName.trimmed().isEmpty())
        throw StoreError(errInvalidArgument, Text::tr("A table needs a name."));
    for (const QString& t : target.userTables())
        if (t.compare(newName, Qt::CaseInsensitive) == 0)
            throw StoreError(
                errInvalidArgument,
                Text::tr("The database %1 already has a table named '%2'; a copy never replaces a "
                         "table.")
                    .arg(to.dataSource(), newName));
    Table read(name);
    source.readTable(read);
    // Each engine writes the types in its own words.
    Table definition(newName);
    for (const Column& c : read.Columns) {
        Column copy(c.Name, c.Type, c.DefinedSize);
        copy.setStoredState(QString(), c.autoIncrement(), c.nullable());
        definition.Columns.push_back(copy);
    }
    QString order;
    for (const Index& i : read.Indexes)
        if (i.PrimaryKey) {
            definition.Indexes.push_back(i);
            for (const auto& c : i.Columns)
                order += (order.isEmpty() ? QStringLiteral(" ORDER BY ") : QStringLiteral(",")) +
                         quoteIdentifier(c.Name);
        }
    qint64 total = 0;
    {
        auto count =
            source.query(QStringLiteral("SELECT count(*) FROM ") + source.tableReference(name));
        std::vector<QVariant> row(1);
        if (count->next(&row)) total = row[0].toLongLong();
    }
    QString columns;
    for (const Column& c : definition.Columns) {
        if (!columns.isEmpty()) columns += QLatin1Char(',');
        columns += quoteIdentifier(c.Name);
    }
    auto rows = source.query(
        QStringLiteral("SELECT %1 FROM %2%3").arg(columns, source.tableReference(name), order));
    target.copyInto(definition, *rows, total, progress);
}

}  // namespace store
