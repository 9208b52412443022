#include "frmMain.h"

#include <QCloseEvent>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <cmath>

#include "Control.h"
#include "ErrorReport.h"
#include "Platform.h"
#include "StoreError.h"
#include "ui_frmMain.h"

namespace {

const QString kProvider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;");
const QString kLogoFile = QStringLiteral("/logo.jpg");
const QString kUnpackFile = QStringLiteral("/ok.jpg");
constexpr qint64 kUnpackChunk = 100;
// The screen works in pixels, the layout in twips: 15 twips a pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

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

frmMain::~frmMain() = default;

void frmMain::connectHandlers() {
    auto on = [this](QAbstractButton* button, void (frmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { runGuarded(this, [this, handler] { (this->*handler)(); }); });
    };
    on(ui->cmdClose, &frmMain::cmdClose_Click);
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
    ui->lblCount->setText(recordCountCaption(rsParts->RecordCount()));
    if (rsParts->BOF() && rsParts->EOF_()) {
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
    rsParts.reset();
    cnParts.reset();
    bConnected = false;
}

void frmMain::cmdClose_Click() {
    // Every step runs even when one before it failed, so that Yes always ends the program.
    try {
        if (rsParts && rsParts->isOpen() && rsParts->RecordCount() > 0 && bRecordChanged) {
            // Saving a changed record comes with record editing.
            bRecordChanged = false;
        }
    } catch (...) {
    }
    bEditMode = false;
    if (!Control::Confirm_Quit(this)) return;
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
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
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
    if (QFile::exists(path)) QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw store::StoreError(75, QStringLiteral("The picture of this record cannot be shown: the file '%1' "
                                                   "cannot be written (%2).")
                                        .arg(path, file.errorString()));
    const qint64 size = image.ActualSize();
    for (qint64 offset = 0; offset < size; offset += kUnpackChunk) file.write(image.GetChunk(kUnpackChunk));
    file.close();
    showPictureFile(path);  // a stored value that is no picture shows an empty picture
    sStoredImagePath = path;
    sImagePath = path;
    QFile::remove(path);
}

void frmMain::Clear_Form() {
    ui->imgPicture->clear();
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory}) box->clear();
    ui->txtDescription->clear();
    ui->txtField->clear();
    ui->MSFlexGrid1->clearContents();
    QPalette white = ui->txtPartNumber->palette();
    white.setColor(QPalette::Base, Qt::white);
    for (QWidget* box : std::initializer_list<QWidget*>{ui->txtPartNumber, ui->txtPartName, ui->txtCategory,
                                                        ui->txtDescription, ui->txtField})
        box->setPalette(white);
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

void frmMain::Fill_Grid() {}
