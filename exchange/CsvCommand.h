#pragma once

#include <QString>

namespace exchange {

// Exit statuses of the command-line forms.
enum CsvExit : int {
    kCsvDone = 0,
    kCsvFailed = 1,   // the database, table or file could not be used; nothing written
    kCsvRefused = 3,  // the file's rows or columns were refused; nothing written
};

// "--export-csv DATABASE TABLE FILE" and "--import-csv DATABASE TABLE FILE" without a window:
// progress on standard output, the reason of a failure on standard error. An import from a
// script is all or nothing: any refused row or unknown column leaves the table as it was.
// Texts a spreadsheet would run as formulas are written with a leading "'" unless
// `guardFormulas` is false; pictures outside the CSV's folder are read only when allowed.
int exportCsvCommand(const QString& database, const QString& table, const QString& csvPath,
                     bool guardFormulas = true);
int importCsvCommand(const QString& database, const QString& table, const QString& csvPath,
                     bool picturesFromAnywhere = false);

}  // namespace exchange
