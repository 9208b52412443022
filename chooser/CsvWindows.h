#pragma once

#include <QDialog>
#include <QString>

namespace store {
class Connection;
}
namespace exchange {
class CsvImport;
}
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTableWidget;

// Asks for a file and writes the table there as CSV with its pictures, under a progress dialog
// that can cancel; `guardFormulas` as exchange::exportCsv takes it.
void exportTableToCsv(QWidget* parent, store::Connection& connection, const QString& table,
                      bool guardFormulas = true);

// Asks for a CSV file and adds its rows to the parts table: unknown columns and refused rows
// are shown before anything is written, and the user chooses. True when rows were added.
bool importCsvIntoTable(QWidget* parent, const QString& databasePath, const QString& table);

// The refused rows of an import (line, column, value, reason) and the choice what to do.
class CsvRefusedRows : public QDialog {
    Q_OBJECT

public:
    enum Choice { ImportNothing, ImportGoodRows, GiveNewKeys, ReadOtherFolders };
    CsvRefusedRows(QWidget* parent, const exchange::CsvImport& import, const QString& file,
                   bool offerNewKeys, bool offerOtherFolders);
    Choice choice() const { return m_choice; }

private:
    QDialogButtonBox* choiceButtons(const exchange::CsvImport& import, bool offerNewKeys,
                                    bool offerOtherFolders);
    void addChoice(QDialogButtonBox* buttons, const QString& text, const char* name, Choice choice);

    Choice m_choice = ImportNothing;
};
