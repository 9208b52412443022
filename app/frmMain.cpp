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
#include <QShortcut>
#include <QTableWidget>
#include <cmath>

#include "BrowserWindow.h"
#include "Control.h"
#include "ErrorReport.h"
#include "JetHeader.h"
#include "JetImport.h"
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
using store::parts::kFieldEditorLimit;
// Texts longer than this are shown cut; the stored value stays whole unless the user edits it.
constexpr int kShownLimitBox = 4000;
constexpr int kShownLimitCell = 250;
constexpr long kErrInvalidPicture = 481;
constexpr long kErrFileNotFound = 53;
const QString kMessageCaption = QStringLiteral("Quillmark Parts Database");
const QString kPictureTitle = QStringLiteral("Select picture for current record...");
const QString kPictureFilter =
    QStringLiteral("Image Files (*.jpg, *.bmp, *.gif)|*.jpg;*.bmp;*.gif;*.ico");

// Only blanks are trimmed: a description's line breaks are the user's own.
QString trimmedCut(const QString& text, int limit) {
    qsizetype from = 0, to = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (from < to && blank(text.at(from))) ++from;
    while (to > from && blank(text.at(to - 1))) --to;
    return text.mid(from, to - from).left(limit);
}

int typingLimit(const char* column) {
    for (const auto& t : store::parts::kRecordTexts)
        if (qstrcmp(t.column, column) == 0) return t.typingLimit;
    return 0;
}

QString dataSource(const QString& path) {
    return QStringLiteral("Data Source=") + store::Connection::quoteValue(path);
}

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
    auto on = [this](QAbstractButton* button, void (frmMain::*handler)()) {
        connectGuarded(button, this, handler);
    };
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
    // F5 shows what others have added or changed since the table was opened.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this,
            [this] { runGuarded(this, [this] { refreshTable(); }); });

    auto shortcut = [this](const QKeySequence& keys, void (frmMain::*handler)()) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this,
                [this, handler] { runGuarded(this, [this, handler] { (this->*handler)(); }); });
    };
    shortcut(QKeySequence::Find, &frmMain::openFind);
    if (QKeySequence(QKeySequence::Find) != QKeySequence(Qt::CTRL | Qt::Key_F))
        shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &frmMain::openFind);
    shortcut(QKeySequence(Qt::Key_F3), &frmMain::findNext);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &frmMain::findPrevious);
    m_findDelay.setSingleShot(true);
    m_findDelay.setInterval(150);
    connect(&m_findDelay, &QTimer::timeout, this,
            [this] { runGuarded(this, [this] { startSearch(); }); });
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(100);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] {
        if (!m_search.running()) return;
        setCursor(Qt::BusyCursor);
        if (m_findBar) m_findBar->setCursor(Qt::BusyCursor);
    });
    connect(&m_search, &PartSearch::finished, this, [this](const store::FoundKeys& found) {
        runGuarded(this, [this, &found] { searchFinished(found); });
    });
    connect(&m_search, &PartSearch::failed, this, [this](const QString& why) {
        searchEnded();
        m_pendingFind = FindAction::None;
        if (m_findBar) m_findBar->setNote(QStringLiteral("The search stopped: ") + why);
    });

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
    connect(ui->txtField, &QLineEdit::textEdited, this, [this] { m_editorTyped = true; });
    connect(ui->txtPartNumber, &QLineEdit::textChanged, this,
            [this] { textChanged(ui->txtPartNumber, typingLimit("PartNumber")); });
    connect(ui->txtPartName, &QLineEdit::textChanged, this,
            [this] { textChanged(ui->txtPartName, typingLimit("PartName")); });
    connect(ui->txtCategory, &QLineEdit::textChanged, this,
            [this] { textChanged(ui->txtCategory, typingLimit("Category")); });
    connect(ui->txtDescription, &QPlainTextEdit::textChanged, this,
            [this] { textChanged(ui->txtDescription, typingLimit("Description")); });
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
    Control::sSharePath = Platform::instance().sharedFolder();
    Control::sUnpackPath = Platform::instance().unpackFolder();
    // A catalogue named on the command line takes the place of the default one.
    Control::sDatabasePath = m_startingDatabase.isEmpty()
                                 ? Control::sAppPath + Control::sDatabaseFile
                                 : m_startingDatabase;
    Control::sTableName = QStringLiteral("Parts");
    bEditMode = false;
    // An old Jet catalogue is converted into one of ours first, when the user agrees.
    if (legacy::isJetFile(Control::sDatabasePath)) {
        Control::sDatabasePath =
            startUpOnJetFile(Control::sDatabasePath, m_startingDatabase.isEmpty());
        if (!m_startingDatabase.isEmpty()) m_startingDatabase = Control::sDatabasePath;
    }
    cnParts->setConnectionString(kProvider + dataSource(Control::sDatabasePath));
    cnParts->Open(QString(), QString(), QString());
    // A server is shown by its address as the connection made it, never with a password.
    if (store::Connection::isServerAddress(Control::sDatabasePath))
        Control::sDatabasePath = cnParts->dataSource();
    Open_Table();
    bConnected = true;
}

void frmMain::setLocked(bool locked) {
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory, ui->txtField})
        box->setReadOnly(locked);
    ui->txtDescription->setReadOnly(locked);
}

void frmMain::Open_Table() {
    resetFind();
    rsParts->Open(Control::sTableName, *cnParts, store::adOpenKeyset, store::adLockPessimistic,
                  store::adCmdTable);
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
    ui->txtField->clear();
    ui->lblField->clear();
    m_editorTyped = false;
    rsParts->AddNew();
    if ((*rsParts)[0].isNull()) (*rsParts)[0].setValue(1);
    if ((*rsParts)["CreationDate"].isNull())
        (*rsParts)["CreationDate"].setValue(QDateTime::currentDateTime());
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

// The table's keys read again, on the same record (or the next one, if it is gone), so that the
// records others have added since show; a changed record is saved first, as for a move.
void frmMain::refreshTable() {
    if (!bConnected || !commitFieldEditor() || !saveChangedRecord()) return;
    bRecordChanged = false;
    if (rsParts->isEditing()) rsParts->CancelUpdate();
    const QVariant mark = rsParts->Bookmark();
    const bool filtered = rsParts->isFiltered();
    auto fresh = std::make_unique<store::Recordset>();
    fresh->Open(Control::sTableName, *cnParts, store::adOpenKeyset, store::adLockPessimistic,
                store::adCmdTable);
    // A filter stays on over the matches known so far, and they are looked for again.
    if (filtered) fresh->setFilter(m_found.keys);
    if (filtered && fresh->RecordCount() == 0) {
        fresh->clearFilter();
        if (m_findBar) m_findBar->setFilterOn(false);
    }
    rsParts->Close();
    rsParts = std::move(fresh);
    bEditMode = false;
    Reset_Colors();
    // Others' changes are looked at again.
    if (!m_match.isEmpty()) {
        m_foundReady = false;
        startSearch();
    }
    if (rsParts->BOF() && rsParts->EOF_()) {
        showCount();
        startFirstRecord();
        return;
    }
    if (mark.isValid()) rsParts->setBookmark(mark);
    showCount();
    for (QPushButton* b : {ui->cmdFirst, ui->cmdPrevious, ui->cmdNext, ui->cmdLast})
        b->setEnabled(true);
    ui->cmdDelete->setText(QStringLiteral("&Delete"));
    showMoved();
}

void frmMain::showCount() {
    ui->lblCount->setText(recordCountCaption(rsParts->RecordCount()));
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
    // Fresh, closed objects rather than none: a later command on them fails with a
    // report instead of taking the program down.
    rsParts = std::make_unique<store::Recordset>();
    cnParts = std::make_unique<store::Connection>();
    bConnected = false;
}

void frmMain::switchDatabase(const std::function<DatabaseChoice()>& showOther) {
    if (!commitFieldEditor() || !saveChangedRecord()) return;
    bRecordChanged = false;
    if (bConnected) closeDatabase(true);
    Clear_Form();
    const DatabaseChoice choice = showOther();
    if (choice.isEmpty()) {
        Form_Load();
        return;
    }
    Control::sDatabasePath = choice.path;
    Control::sTableName = choice.table;
    cnParts = std::make_unique<store::Connection>();
    rsParts = std::make_unique<store::Recordset>();
    cnParts->setConnectionString(kProvider + dataSource(Control::sDatabasePath));
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
    m_browser = BrowserWindow::open(Control::sSharePath,
                                    MakerSite::homePage(Control::sSharePath).toString());
}

void frmMain::cmdOpen_Click() {
    switchDatabase([this] {
        frmOpenDb window(this);
        window.exec();
        return window.choice();
    });
}

void frmMain::cmdCreate_Click() {
    switchDatabase([this] {
        frmCreateDb window(this);
        window.exec();
        return window.choice();
    });
}

void frmMain::cmdClose_Click() {
    // A changed record is saved first. When it cannot be (a file that cannot be written, a
    // value to correct), the user chooses between going back to it and quitting without it.
    bool saved = false;
    try {
        saved = commitFieldEditor() && saveChangedRecord();
    } catch (const store::StoreError& e) {
        Platform::instance().errorReport(this, e.number(), e.description());
    }
    if (!saved) {
        if (!Platform::instance().question(
                this, kProgramTitle,
                QStringLiteral("The record was not saved.\r\n\r\nQuit without saving it?"), false))
            return;
        closeDatabase(false);
        m_ending = true;
        Platform::instance().endProgram(0);
        return;
    }
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
    ui->txtDatabase->setCursorPosition(0);  // a long path or address shows from its start
    ui->txtTable->setText(Control::sTableName);
    if (!(rsParts->BOF() && rsParts->EOF_())) {
        ui->imgPicture->clear();
        m_cutBoxes.clear();
        for (const auto& t : store::parts::kRecordTexts) {
            const QString column = QLatin1String(t.column);
            const QString shown =
                shownText(column, (*rsParts)[column].Value(), kShownLimitBox, m_cutBoxes);
            // Longer than a save keeps (stored by another program): left whole unless edited.
            if (shown.size() > t.saveLimit) m_cutBoxes.insert(column, shown);
            if (auto* line = qobject_cast<QLineEdit*>(recordBox(column)))
                line->setText(shown);
            else
                ui->txtDescription->setPlainText(shown);
        }
        showStoredPicture();
    }
    Fill_Grid();
}

QString frmMain::shownText(const QString& column, const QVariant& value, int limit,
                           QHash<QString, QString>& cuts) {
    const QString full = store::valueText(value);
    if (full.size() <= limit) return full;
    // Shown cut: a save leaves the stored value whole unless the user changes this text.
    const QString shown = full.left(limit);
    cuts.insert(column, shown);
    return shown;
}

bool frmMain::unchangedCut(const QHash<QString, QString>& cuts, const QString& column,
                           const QString& text) {
    const auto it = cuts.constFind(column);
    return it != cuts.cend() && *it == text;
}

QWidget* frmMain::recordBox(const QString& column) const {
    if (column.compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0)
        return ui->txtPartNumber;
    if (column.compare(QLatin1String("PartName"), Qt::CaseInsensitive) == 0) return ui->txtPartName;
    if (column.compare(QLatin1String("Category"), Qt::CaseInsensitive) == 0) return ui->txtCategory;
    if (column.compare(QLatin1String("Description"), Qt::CaseInsensitive) == 0)
        return ui->txtDescription;
    return nullptr;
}

QString frmMain::gridFieldName(int column) const {
    if (column < 0 || column >= int(m_gridFields.size()) || !rsParts || !rsParts->isOpen())
        return QString();
    return (*rsParts)[m_gridFields[size_t(column)]].Name();
}

bool frmMain::isEditorColumn(int column) const {
    const QString name = gridFieldName(column);
    return !name.isEmpty() && !recordBox(name) &&
           name.compare(QLatin1String(store::parts::kKeyColumn), Qt::CaseInsensitive) != 0;
}

QSize frmMain::pictureSize() const {
    return ui->imgPicture->size() * ui->imgPicture->devicePixelRatioF();
}

bool frmMain::showPictureFile(const QString& path) {
    const QImage image = readPicture(path, nullptr, pictureSize());
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
        sImagePath = Control::sSharePath + kLogoFile;
        showPictureFile(sImagePath);  // a missing logo leaves the picture empty
        return;
    }
    QString path = Control::sUnpackPath + kUnpackFile;
    const QVariant stored = image.Value();
    QImage picture;
    if (stored.typeId() == QMetaType::QByteArray && !m_lastPicture.image.isNull() &&
        m_lastPicture.bytes == *static_cast<const QByteArray*>(stored.constData())) {
        // The picture just chosen or just shown: its bytes are known, so is their picture.
        picture = m_lastPicture.image;
    } else {
        // A stored value that is no picture shows an empty picture; the record is shown all the
        // same.
        picture = unpackPicture(image, path, kUnpackChunk, pictureSize());
        m_lastPicture = {
            stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray(),
            picture};
    }
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
    m_editorTyped = false;
    m_cutBoxes.clear();
    m_cutCells.clear();
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
        for (QPushButton* b : {ui->cmdPrevious, ui->cmdNext, ui->cmdFirst, ui->cmdLast})
            b->setEnabled(false);
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
    m_cutCells.clear();
    // Every column but the picture, found by its name wherever it stands.
    const int n = rsParts->fields().Count();
    m_gridFields.clear();
    for (int i = 0; i < n; ++i)
        if ((*rsParts)[i].Name().compare(QLatin1String(store::parts::kImageColumn),
                                         Qt::CaseInsensitive) != 0)
            m_gridFields.push_back(i);
    const int columns = int(m_gridFields.size());
    grid->setColumnCount(columns);
    lGridCols = columns;
    const QFontMetrics metrics(grid->font());
    auto measure = [&](const QString& text) {
        return metrics.horizontalAdvance(text) * kTwipsPerPixel;
    };
    std::vector<int> width(static_cast<size_t>(columns));
    auto cell = [](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        return item;
    };
    for (int c = 0; c < columns; ++c) {
        const QString name = (*rsParts)[m_gridFields[size_t(c)]].Name();
        QTableWidgetItem* header = cell(name);
        header->setBackground(kHeaderBack);
        grid->setItem(0, c, header);
        width[size_t(c)] = measure(name);
    }
    if (!rsParts->EOF_()) {
        grid->setRowCount(2);
        for (int c = 0; c < columns; ++c) {
            store::Field& field = (*rsParts)[m_gridFields[size_t(c)]];
            const QVariant value = field.Value();
            QString text;
            if (!value.isNull()) {
                text = shownText(field.Name(), value, kShownLimitCell, m_cutCells);
                if (field.Attributes() < kLongFieldFlags)
                    width[size_t(c)] = std::max(width[size_t(c)], measure(text));
            }
            QTableWidgetItem* item = cell(text);
            item->setBackground(kWhite);
            grid->setItem(1, c, item);
        }
    }
    for (int k = 0; k < grid->columnCount(); ++k)
        grid->setColumnWidth(
            k, int(std::lround(double(width[size_t(k)] + kGridPadding) / kTwipsPerPixel)));
}

void frmMain::MSFlexGrid1_Click() {
    QTableWidget* grid = ui->MSFlexGrid1;
    // What was typed into the field editor goes to its cell before another cell is shown.
    const bool sameCell =
        grid->currentColumn() == lSelCol && std::max(grid->currentRow(), 1) == lSelRow;
    if (!sameCell && !commitFieldEditor()) return;
    int r = grid->currentRow();
    const int c = grid->currentColumn();
    Reset_Colors();
    // Row 0 holds the names and is not a cell to edit: a click there stands for the value below.
    if (r < 1) {
        if (grid->rowCount() < 2 || c < 0) return;
        r = 1;
        grid->setCurrentCell(r, c);
    }
    if (c < 0 || c >= lGridCols) return;
    const QString field = gridFieldName(c);
    if (field.compare(QLatin1String(store::parts::kKeyColumn), Qt::CaseInsensitive) == 0) return;
    const QString H = grid->item(0, c) ? grid->item(0, c)->text() : QString();
    const QString V = grid->item(r, c) ? grid->item(r, c)->text() : QString();
    if (lSelRow >= 1 && lSelCol >= 1) {
        if (QTableWidgetItem* before = grid->item(lSelRow, lSelCol)) before->setBackground(kWhite);
    }
    if (QTableWidgetItem* now = grid->item(r, c)) now->setBackground(kYellow);
    lSelRow = r;
    lSelCol = c;
    m_editorTyped = false;
    if (QWidget* box = recordBox(field)) {
        ui->lblField->setText(QString());
        ui->txtField->setText(QString());
        if (bEditMode) {
            setBackColor(box, kYellow);
            box->setFocus();
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
        m_editorTyped = false;
    } else if (KeyAscii == 13 && !ui->txtField->text().isEmpty()) {
        writeEditorToCell();
    }
    if (ui->txtField->text().size() > kFieldEditorLimit)
        ui->txtField->setText(ui->txtField->text().left(kFieldEditorLimit));
}

// The field editor's text into its cell, checked against the column first: a value the column
// cannot take is reported (by the error it throws) and stays in the editor.
void frmMain::writeEditorToCell() {
    QTableWidgetItem* item = ui->MSFlexGrid1->item(lSelRow, lSelCol);
    if (!item || !isEditorColumn(lSelCol)) return;
    const QString text = ui->txtField->text();
    if (!text.isEmpty()) (*rsParts)[m_gridFields[size_t(lSelCol)]].Convert(text);
    item->setText(text);
    bRecordChanged = true;
    m_editorTyped = false;
}

bool frmMain::commitFieldEditor() {
    if (!m_editorTyped || ui->txtField->isReadOnly()) return true;
    try {
        writeEditorToCell();
    } catch (const store::StoreError& e) {
        Platform::instance().errorReport(this, e.number(), e.description());
        ui->txtField->setFocus();
        return false;
    }
    m_editorTyped = false;
    return true;
}

void frmMain::leaveEditing() {
    bEditMode = false;
    bRecordChanged = false;
    Buttons_Caption(false);
    setLocked(true);
}

void frmMain::Show_Field() {
    QTableWidget* grid = ui->MSFlexGrid1;
    m_editorTyped = false;
    if (isEditorColumn(lSelCol) && lSelCol < lGridCols) {
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
    for (QWidget* box : std::initializer_list<QWidget*>{
             ui->txtPartNumber, ui->txtPartName, ui->txtCategory, ui->txtDescription, ui->txtField})
        setBackColor(box, kWhite);
}

// ---- editing and saving ----------------------------------------------------------------------

// The bytes the save is to put into Image, read before anything of the row is assigned so
// that a picture that cannot be read leaves the row untouched. `write` is false when Image
// stays as it is.
QByteArray frmMain::pictureToStore(bool& write) {
    write = false;
    const QString logo = Control::sSharePath + kLogoFile;
    if (sImagePath.isEmpty()) sImagePath = logo;
    if (sImagePath == sStoredImagePath) return QByteArray();
    QFile file(sImagePath);
    if (sImagePath == logo && !file.exists()) return QByteArray();  // no logo: no picture at all
    if (!file.exists())
        throw store::StoreError(
            kErrFileNotFound, QStringLiteral("The picture file '%1' cannot be found, so the record "
                                             "was not saved. Choose the picture again.")
                                  .arg(sImagePath));
    if (const QString why = pictureFileRefusal(sImagePath); !why.isEmpty())
        throw store::StoreError(kErrFileNotFound,
                                why + QStringLiteral(" The record was not saved."));
    if (!file.open(QIODevice::ReadOnly))
        throw store::StoreError(kErrFileNotFound,
                                QStringLiteral("The picture file '%1' cannot be read (%2), so the "
                                               "record was not saved.")
                                    .arg(sImagePath, file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw store::StoreError(kErrFileNotFound,
                                QStringLiteral("The picture file '%1' could not be read whole, so "
                                               "the record was not saved.")
                                    .arg(sImagePath));
    write = true;
    return bytes;
}

bool frmMain::Save_Record() {
    auto boxText = [](QWidget* box) {
        if (auto* line = qobject_cast<QLineEdit*>(box)) return line->text();
        return static_cast<QPlainTextEdit*>(box)->toPlainText();
    };
    struct Text {
        QString column;
        QString value;
        bool kept;  // a long stored text shown cut and not edited: left as stored
    };
    std::vector<Text> texts;
    for (const auto& t : store::parts::kRecordTexts) {
        const QString column = QLatin1String(t.column);
        const QString typed = boxText(recordBox(column));
        const bool kept = unchangedCut(m_cutBoxes, column, typed);
        texts.push_back({column, kept ? typed : trimmedCut(typed, t.saveLimit), kept});
    }
    auto textOf = [&](int i) { return texts[size_t(i)].value; };
    if (textOf(0).isEmpty()) {
        Platform::instance().information(
            this, kMessageCaption,
            QStringLiteral("Please enter the Part Number before saving the record."));
        ui->txtPartNumber->setFocus();
        return false;
    }
    if (textOf(1).isEmpty()) {
        Platform::instance().information(
            this, kMessageCaption,
            QStringLiteral("Please enter the Part Name before saving the record."));
        ui->txtPartName->setFocus();
        return false;
    }
    bool writePicture = false;
    const QByteArray picture = pictureToStore(writePicture);

    store::Recordset& rs = *rsParts;
    for (const Text& t : texts)
        if (!t.kept) rs[t.column].setValue(t.value);
    // The optional columns are all but the fixed ones, wherever the table puts them.
    for (int c = 0; c < int(m_gridFields.size()); ++c) {
        store::Field& field = rs[m_gridFields[size_t(c)]];
        if (store::parts::isFixedColumn(field.Name())) continue;
        const QTableWidgetItem* cell = ui->MSFlexGrid1->item(1, c);
        const QString text = cell ? cell->text() : QString();
        if (unchangedCut(m_cutCells, field.Name(), text)) continue;
        if (!text.isEmpty())
            field.setValue(text);
        else if (field.Type() == store::adVarWChar || field.Type() == store::adLongVarWChar)
            field.setValue(QString());
        else
            field.setValue(qint16(0));
    }
    // Assigned whole: a save tried again after a refusal must not add the picture twice.
    if (writePicture) rs[QLatin1String(store::parts::kImageColumn)].setValue(picture);
    try {
        rs.Update();
    } catch (const store::StoreError& e) {
        if (e.number() == store::errRecordChanged) return keepOrReload(e.description());
        if (e.number() == store::errRecordDeleted) return saveAsNew(e.description());
        throw;
    }
    showCount();
    Show_Data();
    noteRecordSaved();
    return true;
}

// Another program saved this record since it was shown: nothing of the user's is written over
// it without their word. False either way, since this save wrote nothing.
bool frmMain::keepOrReload(const QString& why) {
    store::Recordset& rs = *rsParts;
    if (Platform::instance().question(
            this, kMessageCaption,
            why + QStringLiteral("\r\n\r\nShow the other version instead of your changes?"
                                 "\r\n(No keeps your changes on screen; saving them again "
                                 "then replaces the other version.)"),
            false)) {
        rs.CancelUpdate();
        rs.Resync();
        Show_Data();
        bRecordChanged = false;
    } else {
        rs.Resync();
    }
    return false;
}

// The record was deleted by another program: what the user has on screen can still be kept
// as a new record.
bool frmMain::saveAsNew(const QString& why) {
    store::Recordset& rs = *rsParts;
    if (!Platform::instance().question(
            this, kMessageCaption,
            why + QStringLiteral("\r\n\r\nSave what is on screen as a new record?")))
        return false;
    const int n = rs.fields().Count();
    std::vector<QVariant> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) values[size_t(i)] = rs[i].Value();
    rs.CancelUpdate();
    rs.AddNew();
    for (int i = 0; i < n; ++i) {
        store::Field& field = rs[i];
        if (values[size_t(i)].isNull() ||
            field.Name().compare(QLatin1String(store::parts::kKeyColumn), Qt::CaseInsensitive) == 0)
            continue;
        if (field.Type() == store::adLongVarBinary)
            field.AppendChunk(values[size_t(i)].toByteArray());
        else
            field.setValue(values[size_t(i)]);
    }
    return Save_Record();
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
    if ((*rsParts)["CreationDate"].isNull())
        (*rsParts)["CreationDate"].setValue(QDateTime::currentDateTime());
    Fill_Grid();
    sImagePath.clear();
}

void frmMain::cmdAdd_Click() {
    if (!commitFieldEditor()) return;
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
    if (!commitFieldEditor()) return;
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
    m_editorTyped = false;  // what was typed for the record being deleted goes with it
    Reset_Colors();
    long count = 0;
    step([&] { count = rsParts->RecordCount(); });
    if (count == 0) {
        ui->cmdSelect->setVisible(true);
        Platform::instance().information(
            this, kMessageCaption,
            QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        // Still empty: the new record starts over, in the adding state, so that what is typed
        // next counts as a change.
        Clear_Form();
        step([&] { Fill_Grid(); });
        sImagePath.clear();
        setLocked(false);
        step([&] { Buttons_Caption(true); });
        bEditMode = true;
        bRecordChanged = false;
        return;
    }
    ui->cmdSelect->setVisible(false);
    bool empty = false;
    step([&] { empty = rsParts->BOF() && rsParts->EOF_(); });
    if (!empty) {
        QVariant gone;
        step([&] { gone = rsParts->Bookmark(); });
        step([&] { rsParts->Delete(store::adAffectCurrent); });
        noteRecordDeleted(gone);
        bool filterEmptied = false;
        step([&] { filterEmptied = rsParts->isFiltered() && rsParts->RecordCount() == 0; });
        if (filterEmptied) {
            // The last match is gone: the whole table again, from its first record.
            step([&] { rsParts->clearFilter(); });
            if (m_findBar) {
                m_findBar->setFilterOn(false);
                m_findBar->setNote(QString());
            }
        }
        step([&] { showCount(); });
        step([&] { empty = rsParts->BOF() && rsParts->EOF_(); });
        if (!empty) {
            if (!filterEmptied)
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
            step([&] { Show_Field(); });
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
        hasRow =
            rsParts && rsParts->isOpen() && (rsParts->RecordCount() > 0 || rsParts->isEditing());
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
    if (!commitFieldEditor()) return;
    const bool wasEditing = bEditMode;
    bEditMode = false;
    Reset_Colors();
    if (bRecordChanged && !trySave(wasEditing)) return;
    if (move != Move::Next) bRecordChanged = false;
    refilterBeforeMove();
    store::Recordset& rs = *rsParts;
    if (rs.BOF() && rs.EOF_()) return;
    const QVariant left = rs.Bookmark();
    auto backPair = [this](bool on) {
        ui->cmdPrevious->setEnabled(on);
        ui->cmdFirst->setEnabled(on);
    };
    auto forwardPair = [this](bool on) {
        ui->cmdNext->setEnabled(on);
        ui->cmdLast->setEnabled(on);
    };
    try {
        moveCursor(move, backPair, forwardPair);
    } catch (const store::StoreError& e) {
        if (e.number() != store::errNoCurrentRecord) throw;
        // Someone else deleted the record moved to: said so, and the table read again from there.
        Platform::instance().information(
            this, kMessageCaption,
            e.description() + QStringLiteral("\r\n\r\nThe next record is shown."));
        refreshTable();
        return;
    }
    settleFilter(left);
    showMoved();
}

void frmMain::showMoved() {
    ui->cmdSelect->setVisible(false);
    ui->cmdEdit->setEnabled(true);
    ui->cmdAdd->setEnabled(true);
    ui->cmdSave->setEnabled(false);
    setLocked(true);  // editing has ended: nothing typed from here on can be lost unnoticed
    Show_Data();
    Show_Field();
}

void frmMain::moveCursor(Move move, const std::function<void(bool)>& backPair,
                         const std::function<void(bool)>& forwardPair) {
    store::Recordset& rs = *rsParts;
    switch (move) {
        case Move::First:
            rs.MoveFirst();
            backPair(false);
            forwardPair(true);
            break;
        case Move::Previous:
            // A single step onto the first row leaves the pair on; only passing the end turns it
            // off.
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
}

void frmMain::cmdFirst_Click() {
    navigate(Move::First);
}
void frmMain::cmdPrevious_Click() {
    navigate(Move::Previous);
}
void frmMain::cmdNext_Click() {
    navigate(Move::Next);
}
void frmMain::cmdLast_Click() {
    navigate(Move::Last);
}

// ---- pictures --------------------------------------------------------------------------------

void frmMain::cmdSelect_Click() {
    const QPixmap before = ui->imgPicture->pixmap();
    ui->imgPicture->clear();
    const QString chosen = Platform::instance().openFileName(
        this, kPictureTitle, Control::sAppPath + QLatin1Char('/'), kPictureFilter);
    if (chosen.isEmpty()) return;  // cancelled
    // The name exactly as chosen (blanks included) is the file shown and the file saved; a
    // refused choice leaves the record's picture as it was.
    try {
        Load_Picture(chosen);
    } catch (...) {
        ui->imgPicture->setPixmap(before);
        throw;
    }
    sImagePath = chosen;
    bRecordChanged = true;
}

void frmMain::Load_Picture(const QString& sImage) {
    if (const QString refused = pictureFileRefusal(sImage); !refused.isEmpty()) {
        ui->imgPicture->clear();
        throw store::StoreError(kErrInvalidPicture, refused);
    }
    // Read once and decoded from memory; the bytes are kept with their picture, so that the save
    // that stores them need not decode them again.
    QFile file(sImage);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kPictureFileLimit + 1);
    QString why = file.errorString();
    const QImage image = bytes.isEmpty() ? QImage() : decodePicture(bytes, &why, pictureSize());
    if (!image.isNull()) m_lastPicture = {bytes, image};
    if (image.isNull()) {
        ui->imgPicture->clear();
        throw store::StoreError(
            kErrInvalidPicture,
            QStringLiteral("File does not appear to be a valid image file...\r\n\r\n") + why);
    }
    ui->imgPicture->setPixmap(QPixmap::fromImage(image));
}

// ---- printing --------------------------------------------------------------------------------

QStringList frmMain::Print_Lines() {
    const QString rule = QStringLiteral("   ") + QString(69, QLatin1Char('-'));
    QStringList lines{QString(), QString(), QString(), QString()};
    lines << QStringLiteral("      DATABASE  NAME = ") + Control::sDatabasePath
          << QStringLiteral("      TABLE  NAME = ") + Control::sTableName << rule << QString()
          << QString();
    store::Recordset& rs = *rsParts;
    const int n = rs.fields().Count();
    for (int i = 0; i < n; ++i) {
        if (rs[i].Name().compare(QLatin1String(store::parts::kImageColumn), Qt::CaseInsensitive) ==
            0)
            continue;
        lines << QStringLiteral("      ") + rs[i].Name() + QStringLiteral(" :  ") +
                     store::valueText(rs[i].Value());
    }
    lines << rule;
    return lines;
}

void frmMain::cmdPrint_Click() {
    if (rsParts->RecordCount() == 0) {
        ui->cmdSelect->setVisible(true);
        Platform::instance().information(
            this, kProgramTitle,
            QStringLiteral("The database is empty.\r\n\r\nPlease add a record."));
        return;
    }
    if (!commitFieldEditor()) return;
    if (bRecordChanged) {
        if (!Save_Record()) return;
        leaveEditing();  // saved: the window is as after Save
    }
    bRecordChanged = false;

    const QStringList lines = Print_Lines();
    std::unique_ptr<QPrinter> printer = Platform::instance().defaultPrinter();
    if (!printer) {
        Platform::instance().warning(
            this, kProgramTitle,
            QStringLiteral("The record was not printed: no printer is set up as the "
                           "default printer."));
        return;
    }
    printer->setDocName(
        QStringLiteral("%1 - %2").arg(Control::sTableName, ui->txtPartNumber->text()));
    QPainter painter;
    if (!painter.begin(printer.get())) {
        Platform::instance().warning(
            this, kProgramTitle,
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
        Platform::instance().warning(
            this, kProgramTitle,
            QStringLiteral("The record may not have been printed: the printer '%1' reported "
                           "a failure.")
                .arg(printer->printerName()));
}

// ---- finding parts ---------------------------------------------------------------------------

void frmMain::openFind() {
    if (!m_findBar) {
        m_findBar = new FindBar(this);
        auto guarded = [this](void (frmMain::*handler)()) {
            return [this, handler] { runGuarded(this, [this, handler] { (this->*handler)(); }); };
        };
        connect(m_findBar, &FindBar::textEdited, this, [this](const QString& text) {
            runGuarded(this, [this, &text] { findTextEdited(text); });
        });
        connect(m_findBar, &FindBar::nextRequested, this, guarded(&frmMain::findNext));
        connect(m_findBar, &FindBar::previousRequested, this, guarded(&frmMain::findPrevious));
        connect(m_findBar, &FindBar::filterRequested, this, [this] {
            runGuarded(this, [this] {
                if (rsParts->isFiltered())
                    showAll();
                else
                    runFind(FindAction::Filter);
            });
        });
        connect(m_findBar, &FindBar::closeRequested, this, guarded(&frmMain::closeFind));
    }
    m_findBar->showFor(this);
}

void frmMain::findNext() {
    runFind(FindAction::Next);
}
void frmMain::findPrevious() {
    runFind(FindAction::Previous);
}

void frmMain::findTextEdited(const QString& text) {
    m_search.cancel();
    searchEnded();
    m_pendingFind = FindAction::None;
    m_match = store::TextMatch(text);
    m_foundReady = false;
    m_findBar->setNote(QString());
    if (text.isEmpty()) {
        m_findDelay.stop();
        m_found = {};
        m_findBar->setCount(QString());
        if (rsParts->isFiltered()) showAll();
        return;
    }
    m_findDelay.start();
}

void frmMain::startSearch() {
    m_findDelay.stop();
    m_changedDuringSearch = false;
    if (m_match.isEmpty() || !bConnected) return;
    m_search.start(Control::sDatabasePath, Control::sTableName, m_match);
    m_busyDelay.start();
}

void frmMain::searchEnded() {
    m_busyDelay.stop();
    unsetCursor();
    if (m_findBar) m_findBar->unsetCursor();
}

QString frmMain::matchCount() const {
    const size_t n = m_found.keys.size();
    if (n == 0) return QStringLiteral("No part matches.");
    return n == 1 ? QStringLiteral("1 part matches") : QStringLiteral("%1 parts match").arg(n);
}

void frmMain::searchFinished(const store::FoundKeys& found) {
    searchEnded();
    if (std::exchange(m_changedDuringSearch, false)) {
        // A save or delete may have come after the rows it touched were read: looked for again.
        startSearch();
        return;
    }
    m_found = found;
    m_foundReady = true;
    if (m_findBar) m_findBar->setCount(matchCount());
    FindAction action = std::exchange(m_pendingFind, FindAction::None);
    if (rsParts->isFiltered()) {
        // The filter follows the text typed while it is on; never in the middle of an edit, which
        // only the user's own next move may save.
        m_refilter = true;
        const bool editing = bEditMode || bRecordChanged || rsParts->isEditing();
        if (action == FindAction::None && !editing) action = FindAction::Filter;
    }
    if (action != FindAction::None) runFind(action);
}

void frmMain::refilterBeforeMove() {
    if (!std::exchange(m_refilter, false) || !rsParts->isFiltered()) return;
    // The record on screen stays in the keyset for this move; leaving it settles whether it
    // matches.
    const QVariant current = rsParts->Bookmark();
    std::vector<qint64> keys = m_found.keys;
    if (current.isValid()) keys.push_back(current.toLongLong());
    rsParts->setFilter(keys);
    if (current.isValid()) rsParts->setBookmark(current);
    showCount();
}

void frmMain::runFind(FindAction action) {
    if (!m_findBar || m_match.isEmpty() || !bConnected) return;
    if (!m_foundReady) {
        // Done once the search has finished; typing further or Escape drops it.
        m_pendingFind = action;
        if (!m_search.running()) startSearch();
        return;
    }
    if (m_found.keys.empty()) {
        m_findBar->setNote(QStringLiteral("No part matches."));
        if (action == FindAction::Filter && rsParts->isFiltered()) showAll();
        return;
    }
    if (action == FindAction::Filter)
        applyFilter();
    else
        jump(action == FindAction::Next);
}

bool frmMain::leaveForFind() {
    if (!commitFieldEditor()) return false;
    const bool wasEditing = bEditMode;
    bEditMode = false;
    Reset_Colors();
    if (bRecordChanged && !trySave(wasEditing)) return false;
    bRecordChanged = false;
    return true;
}

void frmMain::jump(bool forward) {
    if (!leaveForFind()) return;
    refilterBeforeMove();
    // The save may have taken the last match away.
    if (m_found.keys.empty()) {
        m_findBar->setNote(QStringLiteral("No part matches."));
        return;
    }
    const bool fresh = m_match.text() != m_lastJumpText;
    m_lastJumpText = m_match.text();
    const bool toExact = fresh && !m_found.exact.empty();
    const std::vector<qint64>& pool = toExact ? m_found.exact : m_found.keys;
    const QVariant current = rsParts->Bookmark();
    qint64 target = forward ? pool.front() : pool.back();
    bool wrapped = false;
    if (current.isValid()) {
        const qint64 at = current.toLongLong();
        if (forward) {
            const auto it = std::upper_bound(pool.begin(), pool.end(), at);
            wrapped = it == pool.end();
            if (!wrapped) target = *it;
        } else {
            const auto it = std::lower_bound(pool.begin(), pool.end(), at);
            wrapped = it == pool.begin();
            if (!wrapped) target = *(it - 1);
        }
    }
    rsParts->setBookmark(target);
    if (rsParts->Bookmark() != QVariant::fromValue(target)) {
        // Deleted by another program since the search: forgotten, and the next match tried.
        noteRecordDeleted(QVariant::fromValue(target));
        if (current.isValid()) rsParts->setBookmark(current);
        jump(forward);
        return;
    }
    settleFilter(current);
    arrived();
    QString note;
    if (wrapped && !toExact)
        note = forward ? QStringLiteral("Passed the end; continued from the start.")
                       : QStringLiteral("Passed the start; continued from the end.");
    m_findBar->setNote(note);
}

void frmMain::applyFilter() {
    if (!leaveForFind()) return;
    if (m_found.keys.empty()) {
        m_findBar->setNote(QStringLiteral("No part matches."));
        if (rsParts->isFiltered()) showAll();
        return;
    }
    const QVariant current = rsParts->Bookmark();
    m_refilter = false;
    rsParts->setFilter(m_found.keys);
    // On the same record where it matches; otherwise a part number typed exactly goes first.
    const auto has = [this](const std::vector<qint64>& keys, const QVariant& key) {
        return key.isValid() && std::binary_search(keys.begin(), keys.end(), key.toLongLong());
    };
    if (has(m_found.keys, current))
        rsParts->setBookmark(current);
    else if (!m_found.exact.empty())
        rsParts->setBookmark(m_found.exact.front());
    m_lastJumpText = m_match.text();
    showCount();
    arrived();
    m_findBar->setFilterOn(true);
    m_findBar->setNote(
        QStringLiteral("Filter on: First, Previous, Next and Last show only the matching parts."));
}

bool frmMain::showAll() {
    if (!leaveForFind()) return false;
    const QVariant current = rsParts->Bookmark();
    rsParts->clearFilter();
    if (current.isValid()) {
        try {
            rsParts->setBookmark(current);
        } catch (const store::StoreError&) {
            // Gone meanwhile: the first record stands.
        }
    }
    showCount();
    if (m_findBar) {
        m_findBar->setFilterOn(false);
        m_findBar->setNote(QString());
    }
    if (rsParts->BOF() && rsParts->EOF_()) {
        startFirstRecord();
        return true;
    }
    arrived();
    return true;
}

void frmMain::closeFind() {
    if (!m_findBar) return;
    if (rsParts->isFiltered() && !showAll()) return;
    m_search.cancel();
    searchEnded();
    m_pendingFind = FindAction::None;
    m_findDelay.stop();
    m_findBar->hide();
    activateWindow();
}

void frmMain::resetFind() {
    m_search.cancel();
    searchEnded();
    m_findDelay.stop();
    m_pendingFind = FindAction::None;
    m_found = {};
    m_foundReady = false;
    m_refilter = false;
    m_changedDuringSearch = false;
    m_lastJumpText.clear();
    if (!m_findBar) return;
    m_findBar->setFilterOn(false);
    m_findBar->setNote(QString());
    m_findBar->setCount(QString());
    // The text stays: it is looked for again in the table now shown.
    if (m_findBar->isVisible() && !m_match.isEmpty()) m_findDelay.start();
}

void frmMain::arrived() {
    const long at = rsParts->AbsolutePosition();
    const long count = rsParts->RecordCount();
    ui->cmdPrevious->setEnabled(at > 1);
    ui->cmdFirst->setEnabled(at > 1);
    ui->cmdNext->setEnabled(at >= 1 && at < count);
    ui->cmdLast->setEnabled(at >= 1 && at < count);
    ui->cmdDelete->setText(QStringLiteral("&Delete"));
    showMoved();
}

void frmMain::settleFilter(const QVariant& left) {
    if (!rsParts->isFiltered() || !left.isValid()) return;
    const qint64 key = left.toLongLong();
    if (std::binary_search(m_found.keys.begin(), m_found.keys.end(), key)) return;
    const QVariant here = rsParts->Bookmark();
    if (!here.isValid() || here == left) return;  // still on it
    rsParts->setFilter(m_found.keys);
    rsParts->setBookmark(here);
    showCount();
}

bool frmMain::currentMatches(bool* exact) const {
    *exact = false;
    bool hit = false;
    store::Recordset& rs = *rsParts;
    for (int i = 0; i < rs.fields().Count(); ++i) {
        store::Field& field = rs[i];
        if (!store::TextMatch::searched(field.Type()) ||
            field.Name().compare(QLatin1String(store::parts::kKeyColumn), Qt::CaseInsensitive) == 0)
            continue;
        const QVariant value = field.Value();
        if (field.Name().compare(QLatin1String("PartNumber"), Qt::CaseInsensitive) == 0 &&
            m_match.isExact(value))
            *exact = true;
        hit = hit || m_match.matches(value);
    }
    return hit;
}

void frmMain::noteRecordSaved() {
    if (m_match.isEmpty()) return;
    if (m_search.running()) m_changedDuringSearch = true;
    const QVariant key = rsParts->Bookmark();
    if (!key.isValid()) return;
    bool exact = false;
    const bool hit = currentMatches(&exact);
    auto keep = [k = key.toLongLong()](std::vector<qint64>& keys, bool in) {
        const auto it = std::lower_bound(keys.begin(), keys.end(), k);
        const bool there = it != keys.end() && *it == k;
        if (in && !there) keys.insert(it, k);
        if (!in && there) keys.erase(it);
    };
    keep(m_found.keys, hit);
    keep(m_found.exact, exact);
    if (m_findBar && m_foundReady) m_findBar->setCount(matchCount());
}

void frmMain::noteRecordDeleted(const QVariant& key) {
    if (!key.isValid()) return;
    if (m_search.running()) m_changedDuringSearch = true;
    for (std::vector<qint64>* keys : {&m_found.keys, &m_found.exact}) {
        const auto it = std::lower_bound(keys->begin(), keys->end(), key.toLongLong());
        if (it != keys->end() && *it == key.toLongLong()) keys->erase(it);
    }
    if (m_findBar && m_foundReady) m_findBar->setCount(matchCount());
}
