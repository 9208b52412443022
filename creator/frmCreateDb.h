#pragma once

#include <QDialog>
#include <memory>

#include "Control.h"

namespace Ui {
class frmCreateDb;
}

// The new database window: names a new parts database and its table, and makes the file
// in the program's folder with the fixed and the ticked optional columns.
class frmCreateDb : public QDialog {
    Q_OBJECT

public:
    explicit frmCreateDb(QWidget* parent = nullptr);
    ~frmCreateDb() override;

    bool bDbCreated = false;
    QString sNewDbName;
    QString sNewDbPath;

    // The database made and its table; empty when none was made or the window was cancelled.
    DatabaseChoice choice() const { return m_choice; }

public slots:
    void CreateButton_Click();
    void cmdExit_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // the title-bar close acts as EXIT
    void reject() override;                        // so does Escape

private:
    void Form_Load();
    // False when the name was refused or the store failed; the message is then shown.
    bool Create_Database();
    void showMessage(const QString& text, const QColor& colour);
    QString refusedName(const QString& name) const;
    QString refusedTableName(const QString& name) const;

    std::unique_ptr<Ui::frmCreateDb> ui;
    bool m_closing = false;
    QString m_table;
    DatabaseChoice m_choice;
};
