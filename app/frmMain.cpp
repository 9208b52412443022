#include "frmMain.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QTableWidget>
#include <cmath>

#include "BrowserWindow.h"
#include "Control.h"
#include "ErrorReport.h"
#include "MakerSite.h"
#include "PartsLayout.h"
#include "Pictures.h"
#include "Platform.h"
#include "StoreError.h"
#include "frmCreateDb.h"
#include "frmOpenDb.h"
#include "ui_frmMain.h"

namespace {

const QString kProvider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;");
const QString kLogoFile = QStringLiteral("/logo.jpg");
const QString kUnpackFile = QStringLiteral("/ok.jpg");
constexpr qint64 kUnpackChunk = 100;
// The screen works in pixels, the layout in twips: 15 twips a pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;
constexpr int kGridPadding = 320;  // twips added to the widest text of a grid column
// Attribute flags of 200 or more mark a long field, whose values never widen a column.
constexpr long kLongFieldFlags = 200;
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kHeaderBack(0xE0, 0xE0, 0xE0);
constexpr int kFieldEditorLimit = 49;
constexpr long kErrInvalidPicture = 481;
constexpr long kErrFileNotFound = 53;
const QString kMessageCaption = QStringLiteral("Quillmark Parts Database");
const QString kPictureTitle = QStringLiteral("Select picture for current record...");
const QString kPictureFilter = QStringLiteral("Image Files (*.jpg, *.bmp, *.gif)|*.jpg;*.bmp;*.gif;*.ico");

QString trimmedCut(const QString& text, int limit) { return text.trimmed().left(limit); }

QString recordCountCaption(long count) {
    // One blank before a non-negative number (a minus sign takes its place otherwise).
    return (count >= 0 ? QStringLiteral(" ") : QString()) + QString::number(count) +
           QStringLiteral("  Records Found");
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::frmMain>()) {
    ui->setupUi(this);
    setFixedSize(size());  // the layout has fixed places; the window is not resized
    connectHandlers();
}

frmMain::~frmMain() {
    // A browser window still open goes first: its page must not outlive the program's profile.
    delete m_browser;
}

void frmMain::connectHandlers() {
    auto on = [this](QAbstractButton* button, void (frmMain::*handler)()) { connectGuarded(button, this, handler); };
    on(ui->cmdClose, &frmMain::cmdClose_Click);
    on(ui->cmdFirst, &frmMain::cmdFirst_Click);
    on(ui->cmdPrevious, &frmMain::cmdPrevious_Click);
    on(ui->cmdNext, &frmMain::cmdNext_Click);
    on(ui->cmdLast, &frmMain::cmdLast_Click);
    on(ui->cmdAdd, &frmMain::cmdAdd_Click);
    on(ui->cmdEdit, &frmMain::cmdEdit_Click);
    on(ui->cmdSave, &frmMain::cmdSave_Click);
    on(ui->cmdDelete, &frmMain::cmdDelete_Click);
    on(ui->cmdSelect, &frmMain::cmdSelect_Click);
    on(ui->cmdCreate, &frmMain::cmdCreate_Click);
    on(ui->cmdOpen, &frmMain::cmdOpen_Click);
    on(ui->cmdPrint, &frmMain::cmdPrint_Click);

    // Two rows of text and the scroll bar fit the grid's height.
    ui->MSFlexGrid1->verticalHeader()->setMinimumSectionSize(18);
    ui->MSFlexGrid1->verticalHeader()->setDefaultSectionSize(20);

    // A click on a cell, or Enter on the current one from the keyboard.
    auto gridClick = [this] { runGuarded(this, [this] { MSFlexGrid1_Click(); }); };
    connect(ui->MSFlexGrid1, &QTableWidget::cellClicked, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableWidget::cellActivated, this, gridClick);

    // The marketing label is clicked, or pressed with Enter or Space once it has the focus.
    ui->lblMkt->installEventFilter(this);
    ui->lblMkt->setFocusPolicy(Qt::StrongFocus);

    ui->txtField->setMaxLength(kFieldEditorLimit + 1);
    ui->txtField->installEventFilter(this);
    connect(ui->txtPartNumber, &QLineEdit::textChanged, this, [this] { textChanged(ui->txtPartNumber, 49); });
    connect(ui->txtPartName, &QLineEdit::textChanged, this, [this] { textChanged(ui->txtPartName, 49); });
    connect(ui->txtCategory, &QLineEdit::textChanged, this, [this] { textChanged(ui->txtCategory, 49); });
    connect(ui->txtDescription, &QPlainTextEdit::textChanged, this, [this] { textChanged(ui->txtDescription, 250); });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lblMkt) {
        bool clicked = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            clicked = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        }
        if (clicked) {
            runGuarded(this, [this] { lblMkt_Click(); });
            return true;
        }
    }
    if (watched == ui->txtField && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int code = 0;
        if (key->key() == Qt::Key_Escape)
            code = 27;
        else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            code = 13;
        else if (!key->text().isEmpty() && key->text().at(0).isPrint())
            code = key->text().at(0).unicode();
        if (code) runGuarded(this, [this, code] { txtField_KeyPress(code); });
        // The key itself goes on to the box.
    }
    return QWidget::eventFilter(watched, event);
}

// ---- start-up, connection and closing --------------------------------------------------------

void frmMain::Form_Load() {
    const QVersionNumber v = Platform::instance().programVersion();
    setWindowTitle(QStringLiteral("Quillmark Cogwright Database (version %1.%2.%3)")
                       .arg(v.majorVersion())
                       .arg(v.minorVersion())
                       .arg(v.microVersion()));
    cnParts = std::make_unique<store::Connection>();
    rsParts = std::make_unique<store::Recordset>();
    Control::sDatabaseFile = QStringLiteral("/Parts.mdb");
    Control::sAppPath = Platform::instance().programFolder();
    Control::sDatabasePath = Control::sAppPath + Control::sDatabaseFile;
    Control::sTableName = QStringLiteral("Parts");
    bEditMode = false;
    cnParts->setConnectionString(kProvider + QStringLiteral("Data Source=") + Control::sAppPath +
                                 Control::sDatabaseFile);
    cnParts->Open(QString(), QString(), QString());
    Open_Table();
    bConnected = true;
}

void frmMain::setLocked(bool locked) {
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory, ui->txtField})
        box->setReadOnly(locked);
    ui->txtDescription->setReadOnly(locked);
}

void frmMain::Open_Table() {
    rsParts->Open(Control::sTableName, *cnParts, store::adOpenKeyset, store::adLockPessimistic, store::adCmdTable);
    showCount();
    if (rsParts->BOF() && rsParts->EOF_()) {
        startFirstRecord();
    } else {
        Show_Data();
        ui->txtDatabase->setReadOnly(true);
        ui->txtTable->setReadOnly(true);
        setLocked(true);
        ui->cmdSave->setEnabled(false);
        ui->cmdSelect->setVisible(false);
        bEditMode = false;
    }
    bRecordChanged = false;
}

// An empty table: a new record is started at once, in the adding state.
void frmMain::startFirstRecord() {
    rsParts->AddNew();
    if ((*rsParts)[0].isNull()) (*rsParts)[0].setValue(1);
    if ((*rsParts)["CreationDate"].isNull()) (*rsParts)["CreationDate"].setValue(QDateTime::currentDateTime());
    sImagePath.clear();
    Show_Data();
    ui->txtDatabase->setReadOnly(true);
    ui->txtTable->setReadOnly(true);
    setLocked(false);
    ui->cmdSelect->setVisible(true);
    Buttons_Caption(true);
    bEditMode = true;
    bRecordChanged = false;
}

void frmMain::showCount() { ui->lblCount->setText(recordCountCaption(rsParts->RecordCount())); }

void frmMain::closeDatabase(bool onlyIfRows) {
    // Each step on its own: a failing close must not keep the next one from running.
    try {
        if (rsParts && (!onlyIfRows || rsParts->RecordCount() > 0)) rsParts->Close();
    } catch (...) {
    }
    try {
        if (cnParts) cnParts->Close();
    } catch (...) {
    }
    // Fresh, closed objects rather than none: a later command on them fails with a
    // report instead of taking the program down.
    rsParts = std::make_unique<store::Recordset>();
    cnParts = std::make_unique<store::Connection>();
    bConnected = false;
}

void frmMain::switchDatabase(const std::function<void()>& showOther, bool newDatabase) {
    if (!saveChangedRecord()) return;
    bRecordChanged = false;
    if (bConnected) closeDatabase(true);
    Clear_Form();
    showOther();
    if (Control::sTableName.isEmpty() || Control::sDatabasePath.isEmpty()) {
        Form_Load();
        return;
    }
    cnParts = std::make_unique<store::Connection>();
    rsParts = std::make_unique<store::Recordset>();
    cnParts->setConnectionString(kProvider + QStringLiteral("Data Source=") + Control::sDatabasePath);
    try {
        cnParts->Open(QString(), QString(), QString());
        Open_Table();
    } catch (const store::StoreError& e) {
        // The chosen database did not open: say so, then come back to the default one.
        Platform::instance().errorReport(this, e.number(), e.description());
        closeDatabase(false);
        Form_Load();
        return;
    }
    bConnected = true;
    if (newDatabase) bRecordChanged = true;
}

void frmMain::lblMkt_Click() {
    if (m_browser) {
        // Already open: only brought forward.
        m_browser->showNormal();
        m_browser->raise();
        m_browser->activateWindow();
        return;
    }
    // Loaded on first use, so that the engine costs nothing until the browser is wanted.
    m_browser = BrowserWindow::open(Control::sAppPath, MakerSite::homePage(Control::sAppPath).toString());
}

void frmMain::cmdOpen_Click() {
    switchDatabase(
        [this] {
            frmOpenDb window(this);
            window.exec();
        },
        false);
}

void frmMain::cmdCreate_Click() {
    switchDatabase(
        [this] {
            frmCreateDb window(this);
            window.exec();
        },
        true);
}

void frmMain::cmdClose_Click() {
    // A changed record is saved first; a refused save keeps the window open with the
    // record as typed (the refusal is reported by the caller's error report).
    if (!saveChangedRecord()) return;
    bRecordChanged = false;
    bEditMode = false;
    if (!Control::Confirm_Quit(this)) {
        setLocked(true);
        return;
    }
    // From here every step runs even when one before it failed, so that Yes always ends.
    if (bConnected) closeDatabase(true);
    m_ending = true;
    Platform::instance().endProgram(0);
}

void frmMain::Form_Unload(bool& Cancel) {
    if (!Control::Confirm_Quit(this)) {
        Cancel = true;
        return;
    }
    closeDatabase(false);
    m_ending = true;
    Platform::instance().endProgram(0);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_ending) {
        event->accept();
        return;
    }
    bool Cancel = false;
    Form_Unload(Cancel);
    if (Cancel)
        event->ignore();
    else
        event->accept();
}

// ---- record display and button states -------------------------------------------------------

void frmMain::Show_Data() {
    ui->txtDatabase->setText(Control::sDatabasePath);
    ui->txtTable->setText(Control::sTableName);
    if (!(rsParts->BOF() && rsParts->EOF_())) {
        ui->imgPicture->clear();
        const std::pair<const char*, QLineEdit*> boxes[] = {
            {"PartName", ui->txtPartName}, {"PartNumber", ui->txtPartNumber}, {"Category", ui->txtCategory}};
        for (const auto& [column, box] : boxes) box->setText(store::valueText((*rsParts)[QLatin1String(column)].Value()));
        ui->txtDescription->setPlainText(store::valueText((*rsParts)["Description"].Value()));
        showStoredPicture();
    }
    Fill_Grid();
}

bool frmMain::showPictureFile(const QString& path) {
    const QImage image = readPicture(path);
    if (image.isNull()) {
        ui->imgPicture->clear();
        return false;
    }
    ui->imgPicture->setPixmap(QPixmap::fromImage(image));
    return true;
}

void frmMain::showStoredPicture() {
    store::Field& image = (*rsParts)["Image"];
    if (image.isNull()) {
        sImagePath = Control::sAppPath + kLogoFile;
        showPictureFile(sImagePath);  // a missing logo leaves the picture empty
        return;
    }
    const QString path = Control::sAppPath + kUnpackFile;
    // A stored value that is no picture shows an empty picture; the record is shown all the same.
    const QImage picture = unpackPicture(image, path, kUnpackChunk);
    if (picture.isNull())
        ui->imgPicture->clear();
    else
        ui->imgPicture->setPixmap(QPixmap::fromImage(picture));
    sStoredImagePath = path;
    sImagePath = path;
}

void frmMain::Clear_Form() {
    ui->imgPicture->clear();
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory}) box->clear();
    ui->txtDescription->clear();
    ui->txtField->clear();
    for (int r = 0; r < ui->MSFlexGrid1->rowCount(); ++r)
        for (int c = 0; c < ui->MSFlexGrid1->columnCount(); ++c)
            if (QTableWidgetItem* item = ui->MSFlexGrid1->item(r, c)) item->setText(QString());
    Reset_Colors();
}

void frmMain::setBackColor(QWidget* box, const QColor& colour) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, colour);
    box->setPalette(p);
    // A multi-line box paints its text area with a palette of its own.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(box)) area->viewport()->setPalette(p);
}

void frmMain::Buttons_Caption(bool Set_Buttons) {
    if (Set_Buttons) {
        ui->cmdDelete->setText(QStringLiteral("Cancel Add"));
        ui->cmdAdd->setEnabled(false);
        ui->cmdEdit->setEnabled(false);
        ui->cmdSave->setEnabled(true);
        for (QPushButton* b : {ui->cmdPrevious, ui->cmdNext, ui->cmdFirst, ui->cmdLast}) b->setEnabled(false);
        return;
    }
    ui->cmdDelete->setText(QStringLiteral("&Delete"));
    ui->cmdAdd->setEnabled(true);
    ui->cmdEdit->setEnabled(false);
    ui->cmdSave->setEnabled(false);
    ui->cmdSelect->setVisible(false);
    if (rsParts->BOF()) {
        ui->cmdPrevious->setEnabled(false);
        ui->cmdFirst->setEnabled(false);
        return;
    }
    ui->cmdPrevious->setEnabled(true);
    ui->cmdFirst->setEnabled(true);
    const bool more = !rsParts->EOF_();
    ui->cmdNext->setEnabled(more);
    ui->cmdLast->setEnabled(more);
}

// ---- the grid of fields ----------------------------------------------------------------------

void frmMain::Fill_Grid() {
    QTableWidget* grid = ui->MSFlexGrid1;
    grid->clear();
    grid->setRowCount(1);
    const int n = rsParts->fields().Count();
    grid->setColumnCount(n - 1);
    lGridCols = n - 1;
    const QFontMetrics metrics(grid->font());
    auto measure = [&](const QString& text) { return metrics.horizontalAdvance(text) * kTwipsPerPixel; };
    std::vector<int> width(size_t(std::max(0, n - 1)));
    auto cell = [](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        return item;
    };
    for (int i = 0; i <= n - 2; ++i) {
        const QString name = (*rsParts)[i].Name();
        QTableWidgetItem* header = cell(name);
        header->setBackground(kHeaderBack);
        grid->setItem(0, i, header);
        width[size_t(i)] = measure(name);
    }
    if (!rsParts->EOF_()) {
        grid->setRowCount(2);
        for (int i = 0; i <= n - 2; ++i) {
            store::Field& field = (*rsParts)[i];
            const QVariant value = field.Value();
            QString text;
            if (!value.isNull()) {
                text = store::valueText(value);
                if (field.Attributes() < kLongFieldFlags) width[size_t(i)] = std::max(width[size_t(i)], measure(text));
            }
            QTableWidgetItem* item = cell(text);
            item->setBackground(kWhite);
            grid->setItem(1, i, item);
        }
    }
    for (int k = 0; k < grid->columnCount(); ++k)
        grid->setColumnWidth(k, int(std::lround(double(width[size_t(k)] + kGridPadding) / kTwipsPerPixel)));
}

void frmMain::MSFlexGrid1_Click() {
    QTableWidget* grid = ui->MSFlexGrid1;
    int r = grid->currentRow();
    const int c = grid->currentColumn();
    Reset_Colors();
    // Row 0 holds the names and is not a cell to edit: a click there stands for the value below.
    if (r < 1) {
        if (grid->rowCount() < 2 || c < 0) return;
        r = 1;
        grid->setCurrentCell(r, c);
    }
    if (c < 1 || c >= lGridCols) return;
    const QString H = grid->item(0, c) ? grid->item(0, c)->text() : QString();
    const QString V = grid->item(r, c) ? grid->item(r, c)->text() : QString();
    if (lSelRow >= 1 && lSelCol >= 1) {
        if (QTableWidgetItem* before = grid->item(lSelRow, lSelCol)) before->setBackground(kWhite);
    }
    if (QTableWidgetItem* now = grid->item(r, c)) now->setBackground(kYellow);
    lSelRow = r;
    lSelCol = c;
    if (c <= 4) {
        ui->lblField->setText(QString());
        ui->txtField->setText(QString());
        if (bEditMode) {
            QWidget* boxes[] = {nullptr, ui->txtPartNumber, ui->txtPartName, ui->txtCategory, ui->txtDescription};
            setBackColor(boxes[c], kYellow);
            boxes[c]->setFocus();
        }
    } else {
        ui->lblField->setText(H);
        ui->txtField->setText(V);
        if (bEditMode) {
            setBackColor(ui->txtField, kYellow);
            ui->txtField->setFocus();
        }
    }
}

void frmMain::txtField_KeyPress(int KeyAscii) {
    if (KeyAscii == 27) {
        ui->txtField->setText(QString());
    } else if (KeyAscii == 13 && !ui->txtField->text().isEmpty()) {
        if (QTableWidgetItem* item = ui->MSFlexGrid1->item(lSelRow, lSelCol)) {
            item->setText(ui->txtField->text());
            bRecordChanged = true;
        }
    }
    if (ui->txtField->text().size() > kFieldEditorLimit) ui->txtField->setText(ui->txtField->text().left(kFieldEditorLimit));
}

void frmMain::Show_Field() {
    QTableWidget* grid = ui->MSFlexGrid1;
    if (lSelCol > 4 && lSelCol < lGridCols) {
        const QString header = grid->item(0, lSelCol) ? grid->item(0, lSelCol)->text() : QString();
        QTableWidgetItem* cell = grid->item(lSelRow, lSelCol);
        if (cell) {
            grid->setCurrentCell(lSelRow, lSelCol);
            cell->setBackground(kYellow);
        }
        ui->lblField->setText(header);
        ui->txtField->setText(cell ? cell->text() : QString());
    } else {
        ui->lblField->setText(QString());
        ui->txtField->setText(QString());
    }
    setBackColor(ui->txtField, kWhite);
}

void frmMain::Reset_Colors() {
    for (QWidget* box : std::initializer_list<QWidget*>{ui->txtPartNumber, ui->txtPartName, ui->txtCategory,
                                                        ui->txtDescription, ui->txtField})
        setBackColor(box, kWhite);
}

// ---- editing and saving ----------------------------------------------------------------------

// The bytes the save is to put into Image, read before anything of the row is assigned so
// that a picture that cannot be read leaves the row untouched. `write` is false when Image
// stays as it is.
QByteArray frmMain::pictureToStore(bool& write) {
    write = false;
    const QString logo = Control::sAppPath + kLogoFile;
    if (sImagePath.isEmpty()) sImagePath = logo;
    if (sImagePath == sStoredImagePath) return QByteArray();
    QFile file(sImagePath);
    if (sImagePath == logo && !file.exists()) return QByteArray();  // no logo: no picture at all
    if (!file.exists())
        throw store::StoreError(kErrFileNotFound, QStringLiteral("The picture file '%1' cannot be found, so the record "
                                                                 "was not saved. Choose the picture again.")
                                                      .arg(sImagePath));
    if (!file.open(QIODevice::ReadOnly))
        throw store::StoreError(kErrFileNotFound, QStringLiteral("The picture file '%1' cannot be read (%2), so the "
                                                                 "record was not saved.")
                                                      .arg(sImagePath, file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw store::StoreError(kErrFileNotFound, QStringLiteral("The picture file '%1' could not be read whole, so "
                                                                 "the record was not saved.")
                                                      .arg(sImagePath));
    write = true;
    return bytes;
}

bool frmMain::Save_Record() {
    const QString number = trimmedCut(ui->txtPartNumber->text(), 49);
    const QString name = trimmedCut(ui->txtPartName->text(), 79);
    const QString category = trimmedCut(ui->txtCategory->text(), 49);
    const QString description = trimmedCut(ui->txtDescription->toPlainText(), 250);
    if (number.isEmpty()) {
        Platform::instance().information(this, kMessageCaption,
                                         QStringLiteral("Please enter the Part Number before saving the record."));
        ui->txtPartNumber->setFocus();
        return false;
    }
    if (name.isEmpty()) {
        Platform::instance().information(this, kMessageCaption,
                                         QStringLiteral("Please enter the Part Name before saving the record."));
        ui->txtPartName->setFocus();
        return false;
    }
    bool writePicture = false;
    const QByteArray picture = pictureToStore(writePicture);

    store::Recordset& rs = *rsParts;
    rs["PartNumber"].setValue(number);
    rs["PartName"].setValue(name);
    rs["Category"].setValue(category);
    rs["Description"].setValue(description);
    const int n = rs.fields().Count();
    for (int k = store::parts::kFirstOptional; k <= n - 3; ++k) {
        const QTableWidgetItem* cell = ui->MSFlexGrid1->item(1, k);
        const QString text = cell ? cell->text() : QString();
        store::Field& field = rs[k];
        if (!text.isEmpty())
            field.setValue(text);
        else if (field.Type() == store::adVarWChar || field.Type() == store::adLongVarWChar)
            field.setValue(QString());
        else
            field.setValue(qint16(0));
    }
    if (writePicture) rs["Image"].AppendChunk(picture);
    rs.Update();
    showCount();
    Show_Data();
    return true;
}

void frmMain::Add_New_Record() {
    // The store assigns the key; this candidate only stands in for a store that does not.
    int candidate = 1;
    try {
        candidate = (*rsParts)[0].Value().toInt() + 1;
    } catch (const store::StoreError&) {
        // no current row to count on
    }
    Clear_Form();
    Buttons_Caption(true);
    rsParts->AddNew();
    if ((*rsParts)[0].isNull()) (*rsParts)[0].setValue(candidate);
    if ((*rsParts)["CreationDate"].isNull()) (*rsParts)["CreationDate"].setValue(QDateTime::currentDateTime());
    Fill_Grid();
    sImagePath.clear();
}

void frmMain::cmdAdd_Click() {
    if (bRecordChanged && !Save_Record()) return;
    Reset_Colors();
    ui->txtDatabase->setReadOnly(true);
    ui->txtTable->setReadOnly(true);
    setLocked(false);
    bEditMode = true;
    ui->cmdSelect->setVisible(true);
    Add_New_Record();
}

void frmMain::cmdEdit_Click() {
    ui->cmdSelect->setVisible(true);
    ui->cmdAdd->setEnabled(false);
    ui->cmdSave->setEnabled(true);
    ui->txtDatabase->setReadOnly(true);
    ui->txtTable->setReadOnly(true);
    setLocked(false);
    ui->txtPartName->setFocus();
    bEditMode = true;
}

void frmMain::cmdSave_Click() {
    const bool wasEditing = bEditMode;
    bEditMode = false;
    Reset_Colors();
    if (!trySave(wasEditing)) return;
    bRecordChanged = false;
    Buttons_Caption(false);
    setLocked(true);
}

void frmMain::cmdDelete_Click() {
    // No question is asked; each step runs even when the one before it failed.
    auto step = [](auto&& work) {
        try {
            work();
        } catch (...) {
        }
    };
    bEditMode = false;
    Reset_Colors();
    long count = 0;
    step([&] { count = rsParts->RecordCount(); });
    if (count == 0) {
        ui->cmdSelect->setVisible(true);
        Platform::instance().information(this, kMessageCaption,
                                         QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        return;
    }
    ui->cmdSelect->setVisible(false);
    bool empty = false;
    step([&] { empty = rsParts->BOF() && rsParts->EOF_(); });
    if (!empty) {
        step([&] { rsParts->Delete(store::adAffectCurrent); });
        step([&] { showCount(); });
        step([&] { empty = rsParts->BOF() && rsParts->EOF_(); });
        if (!empty) {
            step([&] {
                rsParts->MoveNext();
                if (rsParts->EOF_()) rsParts->MoveLast();
            });
            step([&] { empty = rsParts->BOF() && rsParts->EOF_(); });
            if (empty) {
                // The table is empty now: a new record starts at once, as at start-up.
                startFirstRecord();
                return;
            }
            step([&] { Show_Data(); });
            setLocked(true);
        }
    }
    bRecordChanged = false;
    step([&] { Buttons_Caption(false); });
}

void frmMain::textChanged(QWidget* box, int typingLimit) {
    if (!bEditMode) return;
    bRecordChanged = true;
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        if (line->text().size() > typingLimit) line->setText(line->text().left(typingLimit));
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        const QString all = text->toPlainText();
        if (all.size() > typingLimit) {
            text->setPlainText(all.left(typingLimit));
            text->moveCursor(QTextCursor::End);
        }
    }
}

// ---- navigation ------------------------------------------------------------------------------

bool frmMain::saveChangedRecord() {
    // A pending new row counts as a record to save, though the store does not count it yet.
    bool hasRow = false;
    try {
        hasRow = rsParts && rsParts->isOpen() && (rsParts->RecordCount() > 0 || rsParts->isEditing());
    } catch (const store::StoreError&) {
    }
    if (!hasRow || !bRecordChanged) return true;
    return trySave(bEditMode);
}

bool frmMain::trySave(bool wasEditing) {
    // A refused save leaves the user editing what was typed.
    bool saved = false;
    try {
        saved = Save_Record();
    } catch (...) {
        bEditMode = wasEditing;
        throw;
    }
    if (!saved) bEditMode = wasEditing;
    return saved;
}

void frmMain::navigate(Move move) {
    const bool wasEditing = bEditMode;
    bEditMode = false;
    Reset_Colors();
    if (bRecordChanged && !trySave(wasEditing)) return;
    if (move != Move::Next) bRecordChanged = false;
    store::Recordset& rs = *rsParts;
    if (rs.BOF() && rs.EOF_()) return;
    auto backPair = [this](bool on) {
        ui->cmdPrevious->setEnabled(on);
        ui->cmdFirst->setEnabled(on);
    };
    auto forwardPair = [this](bool on) {
        ui->cmdNext->setEnabled(on);
        ui->cmdLast->setEnabled(on);
    };
    switch (move) {
        case Move::First:
            rs.MoveFirst();
            backPair(false);
            forwardPair(true);
            break;
        case Move::Previous:
            // A single step onto the first row leaves the pair on; only passing the end turns it off.
            rs.MovePrevious();
            if (rs.BOF()) {
                rs.MoveFirst();
                backPair(false);
            }
            forwardPair(true);
            break;
        case Move::Next:
            rs.MoveNext();
            if (rs.EOF_()) {
                rs.MoveLast();
                forwardPair(false);
            }
            backPair(true);
            bRecordChanged = false;
            break;
        case Move::Last:
            rs.MoveLast();
            forwardPair(false);
            backPair(true);
            break;
    }
    ui->cmdSelect->setVisible(false);
    ui->cmdEdit->setEnabled(true);
    ui->cmdAdd->setEnabled(true);
    ui->cmdSave->setEnabled(false);
    setLocked(true);  // editing has ended: nothing typed from here on can be lost unnoticed
    Show_Data();
    Show_Field();
}

void frmMain::cmdFirst_Click() { navigate(Move::First); }
void frmMain::cmdPrevious_Click() { navigate(Move::Previous); }
void frmMain::cmdNext_Click() { navigate(Move::Next); }
void frmMain::cmdLast_Click() { navigate(Move::Last); }

// ---- pictures --------------------------------------------------------------------------------

void frmMain::cmdSelect_Click() {
    ui->imgPicture->clear();
    const QString chosen = Platform::instance().openFileName(this, kPictureTitle, Control::sAppPath + QLatin1Char('/'),
                                                             kPictureFilter);
    if (chosen.isEmpty()) return;  // cancelled
    sImagePath = chosen;
    const QString trimmed = chosen.trimmed();
    if (!trimmed.isEmpty()) {
        Load_Picture(trimmed);
        bRecordChanged = true;
    }
}

void frmMain::Load_Picture(const QString& sImage) {
    if (!QFileInfo::exists(sImage)) {
        ui->imgPicture->clear();
        return;
    }
    QString why;
    const QImage image = readPicture(sImage, &why);
    if (image.isNull()) {
        ui->imgPicture->clear();
        throw store::StoreError(kErrInvalidPicture,
                                QStringLiteral("File does not appear to be a valid image file...\r\n\r\n") + why);
    }
    ui->imgPicture->setPixmap(QPixmap::fromImage(image));
}

// ---- printing --------------------------------------------------------------------------------

QStringList frmMain::Print_Lines() {
    const QString rule = QStringLiteral("   ") + QString(69, QLatin1Char('-'));
    QStringList lines{QString(), QString(), QString(), QString()};
    lines << QStringLiteral("      DATABASE  NAME = ") + Control::sDatabasePath
          << QStringLiteral("      TABLE  NAME = ") + Control::sTableName << rule << QString() << QString();
    store::Recordset& rs = *rsParts;
    const int n = rs.fields().Count();
    for (int i = 0; i <= n - 2; ++i)
        lines << QStringLiteral("      ") + rs[i].Name() + QStringLiteral(" :  ") + store::valueText(rs[i].Value());
    lines << rule;
    return lines;
}

void frmMain::cmdPrint_Click() {
    if (rsParts->RecordCount() == 0) {
        ui->cmdSelect->setVisible(true);
        Platform::instance().information(this, kProgramTitle,
                                         QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        return;
    }
    if (bRecordChanged && !Save_Record()) return;
    bRecordChanged = false;

    const QStringList lines = Print_Lines();
    std::unique_ptr<QPrinter> printer = Platform::instance().defaultPrinter();
    if (!printer) {
        Platform::instance().warning(this, kProgramTitle,
                                     QStringLiteral("The record was not printed: no printer is set up as the "
                                                    "default printer."));
        return;
    }
    printer->setDocName(QStringLiteral("%1 - %2").arg(Control::sTableName, ui->txtPartNumber->text()));
    QPainter painter;
    if (!painter.begin(printer.get())) {
        Platform::instance().warning(this, kProgramTitle,
                                     QStringLiteral("The record was not printed: the printer '%1' did not take the "
                                                    "job.")
                                         .arg(printer->printerName()));
        return;
    }
    QFont font(QStringLiteral("Times New Roman"), 12);
    const QFontMetricsF metrics(font, printer.get());
    const double pageHeight = painter.viewport().height();
    double y = metrics.ascent();
    for (int i = 0; i < lines.size(); ++i) {
        // The first two empty lines come from one print statement made in bold and underlined.
        font.setBold(i < 2);
        font.setUnderline(i < 2);
        painter.setFont(font);
        if (y > pageHeight) {
            printer->newPage();
            y = metrics.ascent();
        }
        painter.drawText(QPointF(0, y), lines.at(i));
        y += metrics.lineSpacing();
    }
    if (!painter.end())
        Platform::instance().warning(this, kProgramTitle,
                                     QStringLiteral("The record may not have been printed: the printer '%1' reported "
                                                    "a failure.")
                                         .arg(printer->printerName()));
}
