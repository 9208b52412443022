#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>

#include "Connection.h"
#include "Control.h"
#include "PreviewModel.h"
#include "Recordset.h"
#include "TablePreview.h"

class QTreeWidgetItem;

namespace Ui {
class frmOpenDb;
}

// The database chooser: the tables and columns of a database as a tree, a preview of a whole
// table with the pictures of its rows, and the choice handed back in the shared strings.
class frmOpenDb : public QDialog {
    Q_OBJECT

public:
    // Opens on `current`, the catalogue and table the parts window works on (none: on no
    // catalogue yet).
    explicit frmOpenDb(const DatabaseChoice& current = {}, QWidget* parent = nullptr);
    ~frmOpenDb() override;

    std::unique_ptr<store::Connection> cnDatabase;
    bool bDatabaseOpen = false;
    bool bHasImage = false;
    // The database and table chosen: both empty unless OK took a parts table.
    DatabaseChoice choice() const { return {m_path, m_table}; }
    // The database shown and the table previewed, as the window stands.
    QString databasePath() const { return m_path; }
    QString tableName() const { return m_table; }

    // While a server's table is previewed, its columns are measured beside the window's work:
    // until then each is as wide as its header and the texts of the first rows shown.
    bool isMeasuringColumns() const { return m_measuring; }

    // The grid row of the last click, kept from one preview and one showing to the next.
    static int lLastRow;

public slots:
    void cmdBrowse_Click();
    void cmdServer_Click();
    void cmdCopy_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void trvData_NodeClick(QTreeWidgetItem* Node);
    void MSFlexGrid1_Click();
    void cmdExportCsv_Click();
    void cmdImportCsv_Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // the close box acts as Cancel
    void reject() override;                        // so does Escape

private:
    void Form_Load();
    void Form_Unload();
    void Open_Database();
    void Fill_Tables();
    void Fill_Columns(QTreeWidgetItem* node);
    void Show_Table(QTreeWidgetItem* node);
    // The previewed table's field names; notes whether its rows have pictures, and in which column.
    QStringList previewHeaders(const std::vector<store::ColumnInfo>& columns);
    // A server's table: its rows read a page at a time as the grid shows them.
    void showServerRows(std::unique_ptr<store::TablePreview> rows);
    // Each grid column as wide as its widest text (in twips) and a margin.
    void setColumnWidths(const std::vector<float>& width);
    void Show_Picture();
    void reportUnexpected(const QString& description);
    void finish(int result);

    void endPreview();
    // Export takes any previewed table; import only a parts table.
    void enableCsvButtons();
    QStringList previewRow(int row);
    // Each column's widest text in twips (its field name too; long fields left out) and the
    // number of rows; a table without keys is held as text on the way.
    std::vector<float> widestTexts(const QString& table, store::Recordset& rs, bool keyed,
                                   long& rows);

    std::unique_ptr<Ui::frmOpenDb> ui;
    DatabaseChoice m_current;  // what the parts window works on
    bool m_finished = false;
    bool m_copying = false;  // a table is on its way to a server
    QString m_path;
    QString m_table;
    int m_doubleClickRow = -1;
    QElapsedTimer m_doubleClickTime;
    PreviewModel m_preview;
    // The previewed table's rows in order, read as the grid shows them.
    std::unique_ptr<store::Recordset> m_previewRows;
    long m_previewAt = -1;
    std::vector<QStringList> m_previewTexts;            // for a table whose rows have no keys
    std::unique_ptr<store::TablePreview> m_serverRows;  // a server's table
    // Every row of a server's table measured on a thread of its own; what a measure that is no
    // longer wanted finds is dropped.
    void startMeasuring();
    void stopMeasuring();
    struct Measure;
    std::vector<std::unique_ptr<Measure>> m_measures;
    unsigned m_measureGeneration = 0;
    bool m_measuring = false;

    // An old Jet file is shown through its conversion into a private temporary catalogue.
    bool openJetPreview(const QString& file);
    bool convertJetOnOk();
    void endJetPreview();
    QString m_jetFile;
    QString m_pictureColumn;  // "Image"; in a Jet table without one, its first long binary column
    std::unique_ptr<QTemporaryDir> m_jetPreview;
};
