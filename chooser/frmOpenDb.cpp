#include "frmOpenDb.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
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
    ui->MSFlexGrid1->setModel(&m_preview);
    // Enter on a row acts as a click. A double-click is one click: the activation and the
    // second click that come with it on the same row are passed over.
    auto gridClick = [this](const QModelIndex& index) {
        if (index.row() == m_doubleClickRow && m_doubleClickTime.isValid() &&
            m_doubleClickTime.elapsed() <= QApplication::doubleClickInterval())
            return;
        runGuarded(this, [this] { MSFlexGrid1_Click(); });
    };
    connect(ui->MSFlexGrid1, &QTableView::clicked, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableView::activated, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_doubleClickRow = index.row();
        m_doubleClickTime.start();
    });
    ui->MSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->MSFlexGrid1->verticalHeader()->setDefaultSectionSize(18);
    // No default button: Enter in the tree or the preview must not accept the choice.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Form_Load();
}

frmOpenDb::~frmOpenDb() {
    ui->MSFlexGrid1->setModel(nullptr);
    Form_Unload();
}

void frmOpenDb::Form_Load() {
    bHasImage = false;
    bDatabaseOpen = false;
    // Opens on the database the parts window works on.
    m_path = Control::sDatabasePath;
    m_table = Control::sTableName;
    if (!m_path.isEmpty()) {
        // A path that no longer opens is reported; the window stays, with nothing to choose yet.
        try {
            Open_Database();
        } catch (const store::StoreError& e) {
            reportUnexpected(e.description());
        }
    } else {
        m_path = Control::sAppPath;
    }
}

void frmOpenDb::Form_Unload() {
    endPreview();
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
    ui->txtPath->setText(m_path);
    ui->Picture1->clear();
    // The new connection and its tree are built aside: if the file does not open, the window
    // keeps showing what it showed before.
    auto connection = std::make_unique<store::Connection>();
    connection->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                    store::Connection::quoteValue(m_path) +
                                    QStringLiteral(";Persist Security Info=False"));
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

void frmOpenDb::endPreview() {
    m_previewRows.reset();
    m_previewAt = -1;
    m_previewTexts.clear();
}

QStringList frmOpenDb::previewRow(int row) {
    if (!m_previewTexts.empty()) return m_previewTexts.at(size_t(row - 1));
    QStringList texts;
    try {
        store::Recordset& rs = *m_previewRows;
        if (m_previewAt < 0) {
            rs.MoveFirst();
            m_previewAt = 0;
        }
        rs.Move(row - 1 - m_previewAt);
        m_previewAt = row - 1;
        const int k = rs.fields().Count();
        for (int i = 0; i < k; ++i) {
            const QVariant value = rs[i].Value();
            texts << (value.isNull() ? QStringLiteral(" ") : store::valueText(value));
        }
    } catch (const store::StoreError&) {
        // gone since the preview (a closed connection): shown blank
    }
    return texts;
}

void frmOpenDb::Show_Table(QTreeWidgetItem* node) {
    const QString table = node->text(0);
    QTableView* grid = ui->MSFlexGrid1;
    auto fail = [this](const QString& description) {
        // Nothing previewed: the grid is blanked, so OK cannot take the table.
        endPreview();
        m_preview.blank();
        reportUnexpected(description);
    };
    std::unique_ptr<store::Recordset> rs;
    try {
        if (!cnDatabase || !cnDatabase->isOpen())
            throw store::StoreError(store::errObjectClosed, QStringLiteral("No database is open."));
        rs = cnDatabase->Execute(previewStatement(table));
    } catch (const store::StoreError& e) {
        fail(e.description());
        return;
    }
    ui->lblCount->setText(QStringLiteral("Records in Table: ") + table);
    m_table = table;
    ui->Picture1->clear();
    bHasImage = false;
    endPreview();

    // The grid shows rows from a keyset over the table, in the same order as the query; a
    // table whose rows have no keys is held as text instead.
    auto rows = std::make_unique<store::Recordset>();
    bool keyed = true;
    try {
        rows->Open(table, *cnDatabase, store::adOpenKeyset, store::adLockReadOnly, store::adCmdTable);
    } catch (const store::StoreError&) {
        keyed = false;
    }

    const int k = rs->fields().Count();
    const QFontMetricsF metrics(grid->font());
    // Catalogues repeat their values (categories, makers, prices): each text is measured once.
    QHash<QString, float> measured;
    auto measure = [&](const QString& text) {
        auto it = measured.constFind(text);
        if (it == measured.cend()) it = measured.insert(text, float(metrics.horizontalAdvance(text) * kTwipsPerPixel));
        return *it;
    };
    std::vector<float> width(static_cast<size_t>(k));
    std::vector<long> flags(static_cast<size_t>(k));
    QStringList headers;
    for (int i = 0; i < k; ++i) {
        const QString name = rs->fields()[i].Name();
        headers << name;
        if (name.toUpper() == QLatin1String("IMAGE")) bHasImage = true;
        width[size_t(i)] = measure(name);
        flags[size_t(i)] = rs->fields()[i].Attributes();
    }
    int r = 1;
    try {
        while (!rs->EOF_()) {
            QStringList texts;
            for (int i = 0; i < k; ++i) {
                const QVariant value = rs->fields()[i].Value();
                if (value.isNull()) {
                    if (!keyed) texts << QStringLiteral(" ");
                    continue;
                }
                // A picture is shown as a note of its size, never as its bytes; long fields never widen.
                const QString text = store::valueText(value);
                if (!keyed) texts << text;
                if (flags[size_t(i)] < kLongFieldFlags) width[size_t(i)] = std::max(width[size_t(i)], measure(text));
            }
            if (!keyed) m_previewTexts.push_back(texts);
            rs->MoveNext();
            ++r;
        }
        rs->Close();
    } catch (const store::StoreError& e) {
        fail(e.description());
        return;
    }
    if (keyed && rows->RecordCount() != r - 1) {
        fail(QStringLiteral("The table '%1' changed while it was read.").arg(table));
        return;
    }
    if (keyed) m_previewRows = std::move(rows);
    ui->txtCount->setText(QString::number(r - 1));
    m_preview.reset(headers, r - 1, [this](int row) { return previewRow(row); });
    for (int i = 0; i < k; ++i) {
        // Half a twip goes to the even neighbour.
        const double twips = std::nearbyint(double(width[size_t(i)]) + kGridPadding);
        grid->setColumnWidth(i, int(std::lround(twips / kTwipsPerPixel)));
    }
}

void frmOpenDb::MSFlexGrid1_Click() {
    ui->Picture1->clear();
    const int row = ui->MSFlexGrid1->currentIndex().row();
    if (bHasImage && row != lLastRow) Show_Picture();
    lLastRow = row;
}

void frmOpenDb::Show_Picture() {
    // Never reported: any failure leaves the picture box empty.
    const int R = ui->MSFlexGrid1->currentIndex().row();
    try {
        if (R < 1 || !cnDatabase) return;
        auto rs = cnDatabase->Execute(previewStatement(m_table));
        rs->Move(R - 1);
        if (rs->EOF_()) return;
        store::Field& image = rs->fields()["Image"];
        if (image.isNull()) return;
        QString unpackFile = Control::sAppPath + QStringLiteral("/ok.jpg");
        const QImage picture = unpackPicture(image, unpackFile, kUnpackChunk);
        if (!picture.isNull()) ui->Picture1->setPixmap(QPixmap::fromImage(picture));
    } catch (const store::StoreError&) {
        ui->Picture1->clear();
    }
}

void frmOpenDb::cmdBrowse_Click() {
    m_preview.blank();
    const QString oldPath = m_path;
    const QString file =
        Platform::instance().openFileName(this, QStringLiteral("Locate New Information Database"), QString(),
                                          QStringLiteral("(*.MDB)|*.mdb"));
    if (file.isEmpty()) return;
    if (file.toUpper().right(4) != QLatin1String(".MDB")) return;
    if (file == oldPath) return;
    m_path = file;
    try {
        Open_Database();
    } catch (const store::StoreError& e) {
        // The chooser stays open on what it showed before.
        m_path = oldPath;
        ui->txtPath->setText(oldPath);
        reportUnexpected(e.description());
    }
}

void frmOpenDb::cmdOK_Click() {
    if (!m_path.isEmpty()) {
        const QString second = m_preview.text(0, 1);
        if (second != QLatin1String("PartNumber") || m_table.isEmpty()) m_path.clear();
    }
    finish(QDialog::Accepted);
}

void frmOpenDb::cmdCancel_Click() {
    m_path.clear();
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
