#include "CsvWindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Connection.h"
#include "CsvTransfer.h"
#include "Platform.h"
#include "StoreError.h"

namespace {

QString exportTitle() {
    return QCoreApplication::translate("CsvWindows", "Export to CSV");
}
QString importTitle() {
    return QCoreApplication::translate("CsvWindows", "Import from CSV");
}
QString csvFilter() {
    return QCoreApplication::translate("CsvWindows", "CSV Files (*.csv)|*.csv");
}
constexpr int kSteps = 1000;  // the bar's scale, whatever the number of rows

// A modal progress dialog: "rows done of rows", and Cancel.
class RunProgress {
public:
    // `estimated`: the number of rows in all is a guess made on the way.
    RunProgress(QWidget* parent, const QString& title, const QString& verb, bool estimated = false)
        : m_verb(verb), m_estimated(estimated), m_dialog(parent) {
        m_dialog.setObjectName(QStringLiteral("dlgProgress"));
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setCancelButtonText(QCoreApplication::translate("CsvWindows", "&Cancel"));
        m_dialog.setRange(0, kSteps);
        m_dialog.setMinimumDuration(0);
        m_dialog.setMinimumWidth(360);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
    }
    exchange::Progress callback() {
        return [this](qint64 done, qint64 all) {
            const QLocale locale;
            m_dialog.setLabelText(
                all > 0 ? QCoreApplication::translate("CsvWindows", "%1 %2 of %3%4 rows")
                              .arg(m_verb, locale.toString(done),
                                   m_estimated && done < all
                                       ? QCoreApplication::translate("CsvWindows", "about ")
                                       : QString(),
                                   locale.toString(all))
                        : QCoreApplication::translate("CsvWindows", "%1 %2 rows")
                              .arg(m_verb, locale.toString(done)));
            m_dialog.setValue(all > 0 ? int(std::min<qint64>(kSteps, done * kSteps / all)) : 0);
            QApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }

private:
    QString m_verb;
    bool m_estimated;
    QProgressDialog m_dialog;
};

QString withCsvExtension(QString file) {
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".csv");
    return file;
}

}  // namespace

void exportTableToCsv(QWidget* parent, store::Connection& connection, const QString& table,
                      bool guardFormulas) {
    const QString folder = store::Connection::isServerAddress(connection.dataSource())
                               ? QDir::homePath()
                               : QFileInfo(connection.dataSource()).absolutePath();
    QString file = Platform::instance().saveFileName(
        parent, exportTitle(),
        QFileInfo(folder + QLatin1Char('/') + table + QStringLiteral(".csv")).filePath(),
        csvFilter());
    if (file.isEmpty()) return;
    file = withCsvExtension(file);
    exchange::ExportResult result;
    {
        RunProgress progress(parent, exportTitle(),
                             QCoreApplication::translate("CsvWindows", "Exported"));
        result = exchange::exportCsv(connection, table, file, progress.callback(), guardFormulas);
    }
    if (result.cancelled) {
        Platform::instance().information(
            parent, exportTitle(),
            QCoreApplication::translate("CsvWindows",
                                        "The export was cancelled; no file was written."));
        return;
    }
    QString text =
        QCoreApplication::translate("CsvWindows", "%1 rows of the table '%2' were written to '%3'.")
            .arg(QLocale().toString(result.rows), table, file);
    if (result.pictures > 0)
        text += QCoreApplication::translate("CsvWindows", " Their %1 pictures are in '%2'.")
                    .arg(QLocale().toString(result.pictures), exchange::picturesFolder(file));
    Platform::instance().information(parent, exportTitle(), text);
}

bool importCsvIntoTable(QWidget* parent, const QString& databasePath, const QString& table) {
    const QString file = Platform::instance().openFileName(
        parent, importTitle(), QFileInfo(databasePath).absolutePath(), csvFilter());
    if (file.isEmpty()) return false;
    // A connection of its own: its transaction is the import's alone.
    store::Connection connection;
    connection.Open(QStringLiteral("Data Source=") + store::Connection::quoteValue(databasePath));
    exchange::CsvImport import(connection, table, file);
    if (!import.unknownColumns().isEmpty() &&
        !Platform::instance().question(
            parent, importTitle(),
            QCoreApplication::translate(
                "CsvWindows",
                "The file names columns that the table '%1' does not have:\n\n"
                "%2\n\nImport the other columns without them?")
                .arg(table, import.unknownColumns().join(QStringLiteral("\n"))),
            false))
        return false;
    bool newKeys = false;
    for (;;) {
        connection.BeginTrans();
        bool finished;
        {
            RunProgress progress(parent, importTitle(),
                                 QCoreApplication::translate("CsvWindows", "Read"), true);
            finished = import.run(newKeys, progress.callback());
        }
        if (!finished) {
            connection.RollbackTrans();
            Platform::instance().information(
                parent, importTitle(),
                QCoreApplication::translate("CsvWindows",
                                            "The import was cancelled; the table is as it was."));
            return false;
        }
        if (import.rowsRefused() == 0) break;
        CsvRefusedRows report(parent, import, file, !newKeys && import.rowsWithTakenKeys() > 0,
                              import.rowsWithOutsidePictures() > 0);
        report.exec();
        if (report.choice() == CsvRefusedRows::ImportGoodRows) break;
        connection.RollbackTrans();
        if (report.choice() == CsvRefusedRows::ImportNothing) {
            Platform::instance().information(
                parent, importTitle(),
                QCoreApplication::translate("CsvWindows",
                                            "Nothing was imported; the table is as it was."));
            return false;
        }
        if (report.choice() == CsvRefusedRows::GiveNewKeys) newKeys = true;
        if (report.choice() == CsvRefusedRows::ReadOtherFolders)
            import.setPicturesFromAnywhere(true);
    }
    connection.CommitTrans();
    Platform::instance().information(
        parent, importTitle(),
        QCoreApplication::translate("CsvWindows",
                                    "%1 parts were imported from '%2' into the table '%3'.")
            .arg(QLocale().toString(import.rowsAdded()), file, table));
    return import.rowsAdded() > 0;
}

namespace {

// How many rows were refused, and whether the list below is cut short.
QLabel* refusalSummary(QWidget* parent, const exchange::CsvImport& import, const QString& file) {
    const QLocale locale;
    QString text =
        QCoreApplication::translate(
            "CsvWindows",
            "%1 of the %2 rows of '%3' cannot be imported. Nothing has been written yet.")
            .arg(locale.toString(import.rowsRefused()), locale.toString(import.rowsRead()), file);
    if (qint64(import.refusals().size()) >= qint64(exchange::CsvImport::kRefusalsKept))
        text += QCoreApplication::translate("CsvWindows", " The first %1 reasons are listed.")
                    .arg(locale.toString(qint64(import.refusals().size())));
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lblSummary"));
    label->setWordWrap(true);
    return label;
}

// One row a refusal: line, column, value and reason.
QTableWidget* refusalTable(QWidget* parent, const exchange::CsvImport& import) {
    auto* table = new QTableWidget(int(import.refusals().size()), 4, parent);
    table->setObjectName(QStringLiteral("tblRefused"));
    table->setAccessibleName(QCoreApplication::translate("CsvWindows", "Refused Rows"));
    table->setHorizontalHeaderLabels({QCoreApplication::translate("CsvWindows", "Line"),
                                      QCoreApplication::translate("CsvWindows", "Column"),
                                      QCoreApplication::translate("CsvWindows", "Value"),
                                      QCoreApplication::translate("CsvWindows", "Reason")});
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    int row = 0;
    for (const exchange::Refusal& r : import.refusals()) {
        auto* line = new QTableWidgetItem(QString::number(r.line));
        line->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, 0, line);
        table->setItem(row, 1, new QTableWidgetItem(r.column));
        QString value = r.value;
        value.replace(QLatin1Char('\n'), QChar(0x21B5));
        table->setItem(row, 2, new QTableWidgetItem(value));
        table->setItem(row, 3, new QTableWidgetItem(r.reason));
        table->item(row, 3)->setToolTip(r.reason);
        ++row;
    }
    // The reason takes the room that is left, wrapped onto more lines where it needs them.
    table->resizeColumnsToContents();
    table->setColumnWidth(2, std::min(table->columnWidth(2), 160));
    table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table->setWordWrap(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

}  // namespace

CsvRefusedRows::CsvRefusedRows(QWidget* parent, const exchange::CsvImport& import,
                               const QString& file, bool offerNewKeys, bool offerOtherFolders)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgRefusedRows"));
    setWindowTitle(QCoreApplication::translate("CsvWindows", "Rows Refused"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(720, 420);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(refusalSummary(this, import, file));
    layout->addWidget(refusalTable(this, import));
    layout->addWidget(choiceButtons(import, offerNewKeys, offerOtherFolders));
}

QDialogButtonBox* CsvRefusedRows::choiceButtons(const exchange::CsvImport& import,
                                                bool offerNewKeys, bool offerOtherFolders) {
    auto* buttons = new QDialogButtonBox(this);
    addChoice(buttons,
              QCoreApplication::translate("CsvWindows", "&Import the %1 Other Rows")
                  .arg(QLocale().toString(import.rowsAdded())),
              "cmdImportGood", ImportGoodRows);
    buttons->findChild<QPushButton*>(QStringLiteral("cmdImportGood"))
        ->setEnabled(import.rowsAdded() > 0);
    if (offerNewKeys)
        addChoice(buttons, QCoreApplication::translate("CsvWindows", "Give Taken &Keys New Keys"),
                  "cmdNewKeys", GiveNewKeys);
    if (offerOtherFolders)
        addChoice(buttons,
                  QCoreApplication::translate("CsvWindows", "Read Pictures from &Other Folders"),
                  "cmdOtherFolders", ReadOtherFolders);
    addChoice(buttons, QCoreApplication::translate("CsvWindows", "Import &Nothing"),
              "cmdImportNothing", ImportNothing);
    buttons->findChild<QPushButton*>(QStringLiteral("cmdImportNothing"))->setDefault(true);
    return buttons;
}

void CsvRefusedRows::addChoice(QDialogButtonBox* buttons, const QString& text, const char* name,
                               Choice choice) {
    auto* button =
        buttons->addButton(text, choice == ImportNothing    ? QDialogButtonBox::RejectRole
                                 : choice == ImportGoodRows ? QDialogButtonBox::AcceptRole
                                                            : QDialogButtonBox::ActionRole);
    button->setObjectName(QLatin1String(name));
    connect(button, &QPushButton::clicked, this, [this, choice] {
        m_choice = choice;
        if (choice == ImportNothing)
            reject();
        else
            accept();
    });
}
