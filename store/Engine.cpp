#include "Engine.h"

#include "Connection.h"
#include "SqliteEngine.h"

namespace store::engine {

std::unique_ptr<Database> open(const QString& connectionString, const QString& userId, const QString& password) {
    Q_UNUSED(userId);
    Q_UNUSED(password);
    const QString path = Connection::connectionValue(connectionString, QStringLiteral("Data Source"));
    const QString mode = Connection::connectionValue(connectionString, QStringLiteral("Mode"));
    const bool readOnly = mode.compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0;
    return std::make_unique<SqliteDatabase>(SqliteDatabase::openFile(path, readOnly), path);
}

}  // namespace store::engine
