#include "frmOpenDb.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>
#include <cmath>

#include "Control.h"
#include "ErrorReport.h"
#include "Pictures.h"
#include "Platform.h"
#include "Recordset.h"
#include "StoreError.h"
#include "ui_frmOpenDb.h"

namespace {

const QString kTag = QStringLiteral("Table");
const QString kColumnTag = QStringLiteral("Column");
constexpr int kTagRole = Qt::UserRole;
constexpr int kTwipsPerPixel = 15;
constexpr int kGridPadding = 240;  // twips beyond the widest text of a column
constexpr long kLongFieldFlags = 200;
constexpr qint64 kUnpackChunk = 1000;

QString previewStatement(const QString& table) {
    return QStringLiteral("SELECT * FROM ") + store::quoteIdentifier(table);
}

}  // namespace

int frmOpenDb::lLastRow = 0;

frmOpenDb::frmOpenDb(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmOpenDb>()) {
    ui->setupUi(this);
    setFixedSize(size());  // the controls keep their places
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto on = [this](QAbstractButton* button, void (frmOpenDb::*handler)()) { connectGuarded(button, this, handler); };
    on(ui->cmdBrowse, &frmOpenDb::cmdBrowse_Click);
    on(ui->cmdOK, &frmOpenDb::cmdOK_Click);
    on(ui->cmdCancel, &frmOpenDb::cmdCancel_Click);
    auto node = [this](QTreeWidgetItem* item) { runGuarded(this, [this, item] { trvData_NodeClick(item); }); };
    connect(ui->trvData, &QTreeWidget::itemClicked, this, node);
    connect(ui->trvData, &QTreeWidget::itemActivated, this, node);
    auto gridClick = [this] { runGuarded(this, [this] { MSFlexGrid1_Click(); }); };
    connect(ui->MSFlexGrid1, &QTableWidget::cellClicked, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableWidget::cellActivated, this, gridClick);
    ui->MSFlexGrid1->verticalHeader()->setDefaultSectionSize(18);
    ui->cmdOK->setDefault(true);
    Form_Load();
}

frmOpenDb::~frmOpenDb() { Form_Unload(); }

void frmOpenDb::Form_Load() {
    bHasImage = false;
    bDatabaseOpen = false;
    if (!Control::sDatabasePath.isEmpty()) {
        // A path that no longer opens is reported; the window stays, with nothing to choose yet.
        try {
            Open_Database();
        } catch (const store::StoreError& e) {
            reportUnexpected(e.description());
        }
    } else {
        Control::sDatabasePath = Control::sAppPath;
    }
}

void frmOpenDb::Form_Unload() {
    if (bDatabaseOpen && cnDatabase) {
        try {
            cnDatabase->Close();
        } catch (...) {
        }
    }
    cnDatabase.reset();
    bDatabaseOpen = false;
}

void frmOpenDb::reportUnexpected(const QString& description) {
    Platform::instance().warning(this, kProgramTitle, QStringLiteral("Unexpected Error: ") + description);
}

void frmOpenDb::Open_Database() {
    ui->txtPath->setText(Control::sDatabasePath);
    ui->Picture1->clear();
    // The new connection and its tree are built aside: if the file does not open, the window
    // keeps showing what it showed before.
    auto connection = std::make_unique<store::Connection>();
    connection->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                    Control::sDatabasePath + QStringLiteral(";Persist Security Info=False"));
    connection->Open(QString(), QString(), QString());
    std::swap(cnDatabase, connection);
    bDatabaseOpen = true;
    try {
        Fill_Tables();
        ui->trvData->setSortingEnabled(false);
        const int count = ui->trvData->topLevelItemCount();
        for (int i = 0; i < count; ++i) Fill_Columns(ui->trvData->topLevelItem(i));
    } catch (...) {
        std::swap(cnDatabase, connection);
        bDatabaseOpen = cnDatabase != nullptr;
        throw;
    }
    if (connection) connection->Close();
}

void frmOpenDb::Fill_Tables() {
    // Read first, shown after: a failing schema query leaves the tree as it was.
    auto rs = cnDatabase->OpenSchema(store::adSchemaTables, {QString(), QString(), QString(), kTag});
    QStringList names;
    while (!rs->EOF_()) {
        names << rs->fields()["TABLE_NAME"].Value().toString();
        rs->MoveNext();
    }
    rs->Close();
    ui->trvData->clear();
    ui->trvData->setSortingEnabled(false);
    for (const QString& name : names) {
        auto* node = new QTreeWidgetItem(ui->trvData, QStringList{name});
        node->setData(0, kTagRole, kTag);
    }
}

void frmOpenDb::Fill_Columns(QTreeWidgetItem* node) {
    if (node->childCount() > 0) return;
    auto rs = cnDatabase->OpenSchema(store::adSchemaColumns, {QString(), QString(), node->text(0), QString()});
    while (!rs->EOF_()) {
        auto* child = new QTreeWidgetItem(node, QStringList{rs->fields()["Column_Name"].Value().toString()});
        child->setData(0, kTagRole, kColumnTag);
        rs->MoveNext();
    }
    rs->Close();
}

void frmOpenDb::trvData_NodeClick(QTreeWidgetItem* Node) {
    if (Node && Node->data(0, kTagRole).toString() == kTag) Show_Table(Node);
}

void frmOpenDb::Show_Table(QTreeWidgetItem* node) {
    const QString table = node->text(0);
    QTableWidget* grid = ui->MSFlexGrid1;
    std::unique_ptr<store::Recordset> rs;
    try {
        if (!cnDatabase || !cnDatabase->isOpen())
            throw store::StoreError(store::errObjectClosed, QStringLiteral("No database is open."));
        rs = cnDatabase->Execute(previewStatement(table));
    } catch (const store::StoreError& e) {
        // Nothing previewed: the grid is blanked, so OK cannot take the table.
        grid->clearContents();
        reportUnexpected(e.description());
        return;
    }
    ui->lblCount->setText(QStringLiteral("Records in Table: ") + table);
    Control::sTableName = table;
    ui->Picture1->clear();
    bHasImage = false;
    grid->clear();
    grid->setRowCount(1);
    const int k = rs->fields().Count();
    grid->setColumnCount(k);
    const QFontMetricsF metrics(grid->font());
    auto measure = [&](const QString& text) { return float(metrics.horizontalAdvance(text) * kTwipsPerPixel); };
    auto cell = [](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return item;
    };
    std::vector<float> width(static_cast<size_t>(k));
    std::vector<long> flags(static_cast<size_t>(k));
    for (int i = 0; i < k; ++i) {
        const QString name = rs->fields()[i].Name();
        QTableWidgetItem* header = cell(name);
        header->setBackground(QColor(0xE0, 0xE0, 0xE0));
        header->setFlags(Qt::ItemIsEnabled);
        grid->setItem(0, i, header);
        if (name.toUpper() == QLatin1String("IMAGE")) bHasImage = true;
        width[size_t(i)] = measure(name);
        flags[size_t(i)] = rs->fields()[i].Attributes();
    }
    int r = 1;
    try {
        while (!rs->EOF_()) {
            grid->setRowCount(grid->rowCount() + 1);
            for (int i = 0; i < k; ++i) {
                const QVariant value = rs->fields()[i].Value();
                QString text;
                if (value.isNull()) {
                    text = QStringLiteral(" ");
                } else {
                    // A picture is shown as a note of its size, never as its bytes.
                    text = store::valueText(value);
                    if (flags[size_t(i)] < kLongFieldFlags) width[size_t(i)] = std::max(width[size_t(i)], measure(text));
                }
                grid->setItem(r, i, cell(text));
            }
            rs->MoveNext();
            ++r;
        }
    } catch (const store::StoreError& e) {
        grid->clearContents();
        reportUnexpected(e.description());
        return;
    }
    ui->txtCount->setText(QString::number(r - 1));
    rs->Close();
    for (int i = 0; i < grid->columnCount(); ++i) {
        // Half a twip goes to the even neighbour.
        const double twips = std::nearbyint(double(width[size_t(i)]) + kGridPadding);
        grid->setColumnWidth(i, int(std::lround(twips / kTwipsPerPixel)));
    }
}

void frmOpenDb::MSFlexGrid1_Click() {
    ui->Picture1->clear();
    const int row = ui->MSFlexGrid1->currentRow();
    if (bHasImage && row != lLastRow) Show_Picture();
    lLastRow = row;
}

void frmOpenDb::Show_Picture() {
    // Never reported: any failure leaves the picture box empty.
    const int R = ui->MSFlexGrid1->currentRow();
    try {
        if (R < 1 || !cnDatabase) return;
        auto rs = cnDatabase->Execute(previewStatement(Control::sTableName));
        rs->Move(R - 1);
        if (rs->EOF_()) return;
        store::Field& image = rs->fields()["Image"];
        if (image.isNull()) return;
        const QImage picture = unpackPicture(image, Control::sAppPath + QStringLiteral("/ok.jpg"), kUnpackChunk);
        if (!picture.isNull()) ui->Picture1->setPixmap(QPixmap::fromImage(picture));
    } catch (const store::StoreError&) {
        ui->Picture1->clear();
    }
}

void frmOpenDb::cmdBrowse_Click() {
    QTableWidget* grid = ui->MSFlexGrid1;
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
            if (QTableWidgetItem* item = grid->item(r, c)) item->setText(QString());
    const QString oldPath = Control::sDatabasePath;
    const QString file =
        Platform::instance().openFileName(this, QStringLiteral("Locate New Information Database"), QString(),
                                          QStringLiteral("(*.MDB)|*.mdb"));
    if (file.isEmpty()) return;
    if (file.toUpper().right(4) != QLatin1String(".MDB")) return;
    if (file == oldPath) return;
    Control::sDatabasePath = file;
    try {
        Open_Database();
    } catch (const store::StoreError& e) {
        // The chooser stays open on what it showed before.
        Control::sDatabasePath = oldPath;
        ui->txtPath->setText(oldPath);
        reportUnexpected(e.description());
    }
}

void frmOpenDb::cmdOK_Click() {
    if (!Control::sDatabasePath.isEmpty()) {
        const QTableWidgetItem* header = ui->MSFlexGrid1->item(0, 1);
        const QString second = header ? header->text() : QString();
        if (second != QLatin1String("PartNumber") || Control::sTableName.isEmpty()) Control::sDatabasePath.clear();
    }
    finish(QDialog::Accepted);
}

void frmOpenDb::cmdCancel_Click() {
    Control::sDatabasePath.clear();
    finish(QDialog::Rejected);
}

void frmOpenDb::finish(int result) {
    m_finished = true;
    Form_Unload();
    done(result);
}

void frmOpenDb::reject() {
    if (!m_finished) cmdCancel_Click();
}

void frmOpenDb::closeEvent(QCloseEvent* event) {
    if (!m_finished) cmdCancel_Click();
    event->accept();
}
