#pragma once

#include <QString>
#include <QStringList>

namespace store {
class Recordset;
}

// The printed sheet of one record: the catalogue, the table, then every column but the picture
// as "name :  value", between two rules.
QStringList recordSheetLines(const QString& database, const QString& table, store::Recordset& rs);

// Prints the lines on the default printer, the first two bold and underlined; returns what the
// user is to be warned of when it could not (empty when printed).
QString printRecordSheet(const QStringList& lines, const QString& docName);
