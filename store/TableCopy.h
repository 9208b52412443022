#pragma once

#include <QString>
#include <functional>

namespace store {

class Connection;

// Told how far a copy has come: rows written so far and rows in all; false stops the copy.
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies a table into another database under a name that is new there: its columns, its key
// (a counting key goes on counting after the copied rows) and every row, values and pictures
// exactly. One transaction: if anything fails, or `progress` says stop, the other database is
// left as it was and the error (errOperationCancelled for a stop) is thrown.
void copyTable(Connection& from, const QString& table, Connection& to, const QString& newName,
               const CopyProgress& progress = {});

}  // namespace store
