#include "Engine.h"

#include "Connection.h"
#include "PgEngine.h"
#include "SqliteEngine.h"

namespace store::engine {

bool isServerAddress(const QString& dataSource) {
    return dataSource.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           dataSource.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<Database> open(const QString& connectionString, const QString& userId,
                               const QString& password) {
    const QString path =
        Connection::connectionValue(connectionString, QStringLiteral("Data Source"));
    if (isServerAddress(path)) return std::make_unique<PgDatabase>(path, userId, password);
    const QString mode = Connection::connectionValue(connectionString, QStringLiteral("Mode"));
    const bool readOnly = mode.compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0;
    return std::make_unique<SqliteDatabase>(SqliteDatabase::openFile(path, readOnly), path);
}

}  // namespace store::engine
