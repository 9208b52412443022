#include "frmMain.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTableWidget>
#include <cmath>

#include "BrowserWindow.h"
#include "Control.h"
#include "ErrorReport.h"
#include "FieldGrid.h"
#include "FindController.h"
#include "JetHeader.h"
#include "JetImport.h"
#include "MakerSite.h"
#include "PartsLayout.h"
#include "PictureCache.h"
#include "Pictures.h"
#include "Platform.h"
#include "RecordSheet.h"
#include "StoreError.h"
#include "WindowScale.h"
#include "dlgPaper.h"
#include "frmCreateDb.h"
#include "frmOpenDb.h"
#include "ui_frmMain.h"

using session::Mode;
using session::Outcome;

namespace {

const QString kLogoFile = QStringLiteral("/logo.jpg");
const QString kUnpackFile = QStringLiteral("/ok.jpg");
const QColor kWhite = FieldGrid::kWhite;
const QColor kYellow = FieldGrid::kYellow;
// Texts longer than this are shown cut; the stored value stays whole unless the user edits it.
constexpr int kShownLimitBox = 4000;
const QString kMessageCaption = session::RecordSession::kMessageCaption;
const char* const kPictureTitle =
    QT_TRANSLATE_NOOP("frmMain", "Select picture for current record...");
const char* const kPictureFilter =
    QT_TRANSLATE_NOOP("frmMain", "Image Files (*.jpg, *.bmp, *.gif)");
const QString kPicturePatterns = QStringLiteral("|*.jpg;*.bmp;*.gif;*.ico");

int typingLimit(const char* column) {
    for (const auto& t : store::parts::kRecordTexts)
        if (qstrcmp(t.column, column) == 0) return t.typingLimit;
    return 0;
}

QString recordCountCaption(long count) {
    // One blank before a non-negative number (a minus sign takes its place otherwise).
    return frmMain::tr("%1  Records Found")
        .arg((count >= 0 ? QStringLiteral(" ") : QString()) + QString::number(count));
}

bool sameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QWidget(parent),
      m_session(new session::RecordSession(this)),
      ui(std::make_unique<Ui::frmMain>()) {
    ui->setupUi(this);
    m_grid = std::make_unique<FieldGrid>(ui->MSFlexGrid1, ui->txtField, ui->lblField, *m_session);
    setFixedSize(size());  // the layout has fixed places; the window is not resized
    fitToFont(this, {{ui->cmdDelete, {tr("Cancel A&dd")}}});
    connectHandlers();
    updateActions();
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
    auto* paperMenu = new QMenu(ui->cmdPaper);
    paperMenu->setObjectName(QStringLiteral("mnuPaper"));
    const std::pair<const char*, dlgPaper::Kind> papers[] = {
        {QT_TR_NOOP("Print &Labels..."), dlgPaper::Kind::Labels},
        {QT_TR_NOOP("Print &Catalogue..."), dlgPaper::Kind::Catalogue},
        {QT_TR_NOOP("&Re-Order List..."), dlgPaper::Kind::ReorderList}};
    for (const auto& [text, kind] : papers) {
        QAction* action = paperMenu->addAction(tr(text));
        connect(action, &QAction::triggered, this,
                [this, kind = kind] { runGuarded(this, [this, kind] { openPaper(int(kind)); }); });
    }
    ui->cmdPaper->setMenu(paperMenu);
    auto shortcut = [this](const QKeySequence& keys, void (frmMain::*handler)()) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this,
                [this, handler] { runGuarded(this, [this, handler] { (this->*handler)(); }); });
    };
    // F5 shows what others have added or changed since the table was opened.
    shortcut(QKeySequence(Qt::Key_F5), &frmMain::refreshTable);
    shortcut(QKeySequence::Find, &frmMain::openFind);
    if (QKeySequence(QKeySequence::Find) != QKeySequence(Qt::CTRL | Qt::Key_F))
        shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &frmMain::openFind);
    shortcut(QKeySequence(Qt::Key_F3), &frmMain::findNext);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &frmMain::findPrevious);
    connectFind();
    connectRecord();
}

void frmMain::connectRecord() {
    connect(m_session, &session::RecordSession::stateChanged, this, &frmMain::updateActions);
    connect(m_session, &session::RecordSession::recordChanged, this, [this] {
        if (!m_session->isOpen()) return;
        Reset_Colors();
        Show_Data();
        Show_Field();
    });

    // Two rows of text and the scroll bar fit the grid's height.
    // Tab leaves the grid; the arrows move between its cells.
    ui->MSFlexGrid1->setTabKeyNavigation(false);
    ui->MSFlexGrid1->verticalHeader()->setMinimumSectionSize(18);
    ui->MSFlexGrid1->verticalHeader()->setDefaultSectionSize(20);

    // A click on a cell, or Enter on the current one from the keyboard.
    auto gridClick = [this] { runGuarded(this, [this] { MSFlexGrid1_Click(); }); };
    connect(ui->MSFlexGrid1, &QTableWidget::cellClicked, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableWidget::cellActivated, this, gridClick);

    // The marketing label is clicked, or pressed with Enter or Space once it has the focus.
    ui->lblMkt->installEventFilter(this);
    ui->lblMkt->setFocusPolicy(Qt::StrongFocus);

    ui->txtField->installEventFilter(this);
    // Any change of the text is the user's (typed, pasted or put in by assistive technology),
    // except the window's own filling.
    connect(ui->txtField, &QLineEdit::textChanged, this, [this] {
        if (m_showing || m_grid->isShowing()) return;
        m_grid->setTyped(true);
        dropPendingFind();
    });
    connect(ui->txtPartNumber, &QLineEdit::textChanged, this,
            [this] { boxEdited(ui->txtPartNumber, typingLimit("PartNumber")); });
    connect(ui->txtPartName, &QLineEdit::textChanged, this,
            [this] { boxEdited(ui->txtPartName, typingLimit("PartName")); });
    connect(ui->txtCategory, &QLineEdit::textChanged, this,
            [this] { boxEdited(ui->txtCategory, typingLimit("Category")); });
    connect(ui->txtDescription, &QPlainTextEdit::textChanged, this,
            [this] { boxEdited(ui->txtDescription, typingLimit("Description")); });
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
        if (code) runGuarded(this, [this, code] { txtField_KeyPress(code); });
        // The key itself goes on to the box.
    }
    return QWidget::eventFilter(watched, event);
}

// ---- the session's state on screen -----------------------------------------------------------

void frmMain::updateActions() {
    const Mode mode = m_session->mode();
    const bool open = m_session->isOpen();
    const bool editable = m_session->isEditable();
    ui->cmdDelete->setText(mode == Mode::Adding ? tr("Cancel A&dd") : tr("&Delete"));
    ui->cmdDelete->setEnabled(open);
    ui->cmdAdd->setEnabled(mode == Mode::Browsing);
    ui->cmdEdit->setEnabled(mode == Mode::Editing || m_session->canEdit());
    ui->cmdSave->setEnabled(editable);
    ui->cmdPrint->setEnabled(open);
    ui->cmdPaper->setEnabled(open);
    const bool back = open && m_session->canGoBack();
    const bool forward = open && m_session->canGoForward();
    ui->cmdFirst->setEnabled(back);
    ui->cmdPrevious->setEnabled(back);
    ui->cmdNext->setEnabled(forward);
    ui->cmdLast->setEnabled(forward);
    ui->cmdSelect->setVisible(editable);
    ui->txtDatabase->setReadOnly(true);
    ui->txtTable->setReadOnly(true);
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory, ui->txtField})
        box->setReadOnly(!editable);
    ui->txtDescription->setReadOnly(!editable);
    showCount();
}

bool frmMain::resolve(Outcome outcome) {
    Platform& platform = Platform::instance();
    while (outcome.asks()) {
        const session::Question& q = outcome.question;
        session::Answer answer;
        if (q.kind == session::Question::Kind::SaveChanges) {
            switch (platform.saveChanges(this, q.caption, q.text)) {
                case Platform::SaveChoice::Save:
                    answer = session::Answer::Yes;
                    break;
                case Platform::SaveChoice::Discard:
                    answer = session::Answer::Discard;
                    break;
                default:
                    answer = session::Answer::Cancel;
            }
        } else {
            answer = platform.question(this, q.caption, q.text, q.defaultYes) ? session::Answer::Yes
                                                                              : session::Answer::No;
        }
        outcome = m_session->answer(answer);
    }
    if (outcome.done()) return true;
    if (outcome.errorNumber)
        platform.errorReport(this, outcome.errorNumber, outcome.message);
    else if (!outcome.message.isEmpty())
        platform.information(this, outcome.caption, outcome.message);
    if (QWidget* box = recordBox(outcome.focusColumn)) box->setFocus();
    return false;
}

bool frmMain::command(const std::function<Outcome()>& run) {
    dropPendingFind();
    if (!commitFieldEditor()) return false;
    Reset_Colors();
    return resolve(run());
}

void frmMain::showCount() {
    ui->lblCount->setText(recordCountCaption(m_session->isOpen() ? m_session->recordCount() : 0));
}

// ---- start-up, connection and closing --------------------------------------------------------

void frmMain::Form_Load() {
    const QVersionNumber v = Platform::instance().programVersion();
    setWindowTitle(tr("Quillmark Cogwright Database (version %1.%2.%3)")
                       .arg(v.majorVersion())
                       .arg(v.minorVersion())
                       .arg(v.microVersion()));
    Control::sDatabaseFile = QStringLiteral("/Parts.mdb");
    Control::sAppPath = Platform::instance().programFolder();
    Control::sSharePath = Platform::instance().sharedFolder();
    Control::sUnpackPath = Platform::instance().unpackFolder();
    // A catalogue named on the command line takes the place of the default one.
    QString path = m_startingDatabase.isEmpty() ? Control::sAppPath + Control::sDatabaseFile
                                                : m_startingDatabase;
    // An old Jet catalogue is converted into one of ours first, when the user agrees.
    if (legacy::isJetFile(path)) {
        path = startUpOnJetFile(path, m_startingDatabase.isEmpty());
        if (!m_startingDatabase.isEmpty()) m_startingDatabase = path;
    }
    openCatalogue(path, QStringLiteral("Parts"));
}

void frmMain::openCatalogue(const QString& path, const QString& table) {
    m_find->reset();
    m_session->open(path, table);
    m_find->tableOpened();
}

void frmMain::refreshTable() {
    if (!command([this] { return m_session->confirmLeaving(); })) return;
    // A filter stays on over the matches known so far, and they are looked for again.
    resolve(m_session->reload(m_find->isFiltered() ? &m_find->found().keys : nullptr));
    m_find->searchAgain();
}

void frmMain::switchDatabase(
    const std::function<DatabaseChoice(const DatabaseChoice&)>& showOther) {
    if (!command([this] { return m_session->saveBeforeLeaving(); })) return;
    const DatabaseChoice current{m_session->databasePath(), m_session->tableName()};
    m_session->closeCatalogue();
    Clear_Form();
    const DatabaseChoice choice = showOther(current);
    if (choice.isEmpty()) {
        Form_Load();
        return;
    }
    try {
        openCatalogue(choice.path, choice.table);
    } catch (const store::StoreError& e) {
        // The chosen database did not open: say so, then come back to the default one.
        Platform::instance().errorReport(this, e.number(), e.description());
        Form_Load();
    }
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
    switchDatabase([this](const DatabaseChoice& current) {
        frmOpenDb window(current, this);
        window.exec();
        return window.choice();
    });
}

void frmMain::cmdCreate_Click() {
    switchDatabase([this](const DatabaseChoice&) {
        frmCreateDb window(this);
        window.exec();
        return window.choice();
    });
}

void frmMain::endProgram() {
    closeFind();
    m_session->end();
    m_ending = true;
    Platform::instance().endProgram(0);
}

void frmMain::cmdClose_Click() {
    // A changed record is saved first. When it cannot be (a file that cannot be written, a
    // value to correct), the user chooses between going back to it and quitting without it.
    if (!command([this] { return m_session->saveBeforeLeaving(); })) {
        if (Platform::instance().question(
                this, kProgramTitle, tr("The record was not saved.\r\n\r\nQuit without saving it?"),
                false))
            endProgram();
        return;
    }
    if (Control::Confirm_Quit(this)) endProgram();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_ending) {
        event->accept();
        return;
    }
    event->ignore();
    runGuarded(this, [this] {
        // Changes are saved or given up at the user's word; without any, the quit question.
        if (m_session->hasChanges() || m_grid->typed()) {
            if (command([this] { return m_session->confirmLeaving(); })) endProgram();
            return;
        }
        if (Control::Confirm_Quit(this)) endProgram();
    });
    if (m_ending) event->accept();
}

// ---- record display --------------------------------------------------------------------------

void frmMain::Show_Data() {
    const QScopedValueRollback showing(m_showing, true);
    ui->txtDatabase->setText(m_session->databasePath());
    ui->txtDatabase->setCursorPosition(0);  // a long path or address shows from its start
    ui->txtTable->setText(m_session->tableName());
    if (!(rs().BOF() && rs().EOF_()) || m_session->mode() == Mode::Adding) {
        for (const auto& t : store::parts::kRecordTexts) {
            const QString column = QLatin1String(t.column);
            const QString shown = m_session->text(column).left(kShownLimitBox);
            if (auto* line = qobject_cast<QLineEdit*>(recordBox(column)))
                line->setText(shown);
            else
                ui->txtDescription->setPlainText(shown);
        }
        if (m_session->pictureChosen() && !m_pictures.image().isNull())
            ui->imgPicture->setPixmap(QPixmap::fromImage(m_pictures.image()));
        else
            showStoredPicture();
    }
    Fill_Grid();
}

QWidget* frmMain::recordBox(const QString& column) const {
    if (sameName(column, "PartNumber")) return ui->txtPartNumber;
    if (sameName(column, "PartName")) return ui->txtPartName;
    if (sameName(column, "Category")) return ui->txtCategory;
    if (sameName(column, "Description")) return ui->txtDescription;
    return nullptr;
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
    store::Field& image = rs()[QLatin1String(store::parts::kImageColumn)];
    if (image.isNull()) {
        sImagePath = Control::sSharePath + kLogoFile;
        sStoredImagePath.clear();
        showPictureFile(sImagePath);  // a missing logo leaves the picture empty
        return;
    }
    // A stored value that is no picture shows an empty picture; the record is shown all the same.
    QString path = Control::sUnpackPath + kUnpackFile;
    const QImage picture = m_pictures.stored(image, path, pictureSize());
    if (picture.isNull())
        ui->imgPicture->clear();
    else
        ui->imgPicture->setPixmap(QPixmap::fromImage(picture));
    sStoredImagePath = path;
    sImagePath = path;
}

void frmMain::Clear_Form() {
    const QScopedValueRollback showing(m_showing, true);
    ui->imgPicture->clear();
    for (QLineEdit* box : {ui->txtPartName, ui->txtPartNumber, ui->txtCategory}) box->clear();
    ui->txtDescription->clear();
    ui->txtField->clear();
    m_grid->setTyped(false);
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

// ---- the grid of fields ----------------------------------------------------------------------

void frmMain::Fill_Grid() {
    m_grid->fill();
}

void frmMain::MSFlexGrid1_Click() {
    dropPendingFind();
    // What was typed into the field editor goes to its cell before another cell is shown.
    if (!m_grid->onSelectedCell() && !commitFieldEditor()) return;
    Reset_Colors();
    const QString field = m_grid->select();
    if (field.isEmpty() || !m_session->isEditable()) return;
    QWidget* box = recordBox(field) ? recordBox(field) : ui->txtField;
    setBackColor(box, FieldGrid::kYellow);
    box->setFocus();
}

void frmMain::txtField_KeyPress(int KeyAscii) {
    const Outcome taken = m_grid->keyPress(KeyAscii);
    if (taken.done()) return;
    resolve(taken);
    ui->txtField->setFocus();
}

// The field editor's text into the draft and its cell: a value the column cannot take is
// reported and stays in the editor.
bool frmMain::commitFieldEditor() {
    const Outcome taken = m_grid->commit();
    if (taken.done()) return true;
    resolve(taken);
    ui->txtField->setFocus();
    return false;
}

void frmMain::Show_Field() {
    m_grid->showField();
    setBackColor(ui->txtField, FieldGrid::kWhite);
}

void frmMain::Reset_Colors() {
    for (QWidget* box : std::initializer_list<QWidget*>{
             ui->txtPartNumber, ui->txtPartName, ui->txtCategory, ui->txtDescription, ui->txtField})
        setBackColor(box, kWhite);
}

// ---- editing and saving ----------------------------------------------------------------------

void frmMain::cmdAdd_Click() {
    if (!command([this] { return m_session->add(); })) return;
    // The boxes in the order they stand, from the first.
    ui->txtPartNumber->setFocus();
    // A new record shows no picture until one is chosen.
    ui->imgPicture->clear();
    sImagePath.clear();
}

void frmMain::cmdEdit_Click() {
    if (command([this] { return m_session->edit(); })) ui->txtPartNumber->setFocus();
}

void frmMain::cmdSave_Click() {
    // The Save button goes grey: the focus stays with the record, not on the next button.
    if (command([this] { return m_session->save(); })) ui->txtPartNumber->setFocus();
}

void frmMain::cmdDelete_Click() {
    // What was typed for the record being deleted goes with it, unless it stays.
    const bool typed = m_grid->typed();
    m_grid->setTyped(false);
    if (!command([this] { return m_session->remove(); })) m_grid->setTyped(typed);
}

// Every change of a record box while editing is the user's; the window's own filling is not.
void frmMain::boxEdited(QWidget* box, int typingLimit) {
    if (m_showing || !m_session->isEditable()) return;
    QString text;
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        if (line->text().size() > typingLimit) line->setText(line->text().left(typingLimit));
        text = line->text();
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(box)) {
        const QString all = edit->toPlainText();
        if (all.size() > typingLimit) {
            edit->setPlainText(all.left(typingLimit));
            edit->moveCursor(QTextCursor::End);
            return;  // the cut text comes back here
        }
        text = all;
    }
    dropPendingFind();
    for (const auto& t : store::parts::kRecordTexts)
        if (recordBox(QLatin1String(t.column)) == box)
            m_session->setText(QLatin1String(t.column), text);
}

// ---- navigation ------------------------------------------------------------------------------

void frmMain::cmdFirst_Click() {
    navigate(session::Move::First);
}
void frmMain::cmdPrevious_Click() {
    navigate(session::Move::Previous);
}
void frmMain::cmdNext_Click() {
    navigate(session::Move::Next);
}
void frmMain::cmdLast_Click() {
    navigate(session::Move::Last);
}

// ---- pictures --------------------------------------------------------------------------------

void frmMain::cmdSelect_Click() {
    dropPendingFind();
    const QPixmap before = ui->imgPicture->pixmap();
    ui->imgPicture->clear();
    const QString chosen = Platform::instance().openFileName(this, tr(kPictureTitle),
                                                             Control::sAppPath + QLatin1Char('/'),
                                                             tr(kPictureFilter) + kPicturePatterns);
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
    m_session->choosePicture(m_pictures.bytes());
}

void frmMain::Load_Picture(const QString& sImage) {
    ui->imgPicture->clear();
    ui->imgPicture->setPixmap(QPixmap::fromImage(m_pictures.chosen(sImage, pictureSize())));
}

// ---- printing --------------------------------------------------------------------------------

QStringList frmMain::Print_Lines() {
    return recordSheetLines(m_session->databasePath(), m_session->tableName(), rs());
}

void frmMain::cmdPrint_Click() {
    if (m_session->recordCount() == 0) {
        ui->cmdSelect->setVisible(true);
        Platform::instance().information(this, kProgramTitle,
                                         tr("The database is empty.\r\n\r\nPlease add a record."));
        return;
    }
    if (!command([this] { return m_session->saveBeforeLeaving(); })) return;
    const QString failure = printRecordSheet(
        Print_Lines(),
        QStringLiteral("%1 - %2").arg(m_session->tableName(), ui->txtPartNumber->text()));
    if (!failure.isEmpty()) Platform::instance().warning(this, kProgramTitle, failure);
}

void frmMain::openPaper(int which) {
    const auto kind = dlgPaper::Kind(which);
    // What is printed is what is in the file: the record on screen is saved first.
    if (!command([this] { return m_session->saveBeforeLeaving(); })) return;
    PaperSource source;
    source.connection = &m_session->connection();
    source.database = m_session->databasePath();
    source.table = m_session->tableName();
    for (int i = 0; i < rs().fields().Count(); ++i) source.columns << rs()[i].Name();
    if (kind == dlgPaper::Kind::ReorderList) {
        const QString refusal = paper::reorderListRefusal(source.table, source.columns);
        if (!refusal.isEmpty()) {
            Platform::instance().information(this, kProgramTitle, refusal);
            return;
        }
    }
    const QString key = QLatin1String(store::parts::kKeyColumn);
    if (m_session->mode() == Mode::Browsing && m_session->recordCount() > 0 &&
        source.columns.contains(key, Qt::CaseInsensitive) && !rs()[key].isNull())
        source.currentKey = rs()[key].Value().toLongLong();
    if (m_find && m_find->isFiltered()) source.matches = m_find->found().keys;
    dlgPaper dialog(kind, std::move(source), this);
    dialog.exec();
}

// ---- finding parts ---------------------------------------------------------------------------

void frmMain::connectFind() {
    m_find = new session::FindController(*m_session, this);
    m_find->setWindow([this] { return command([this] { return m_session->saveBeforeLeaving(); }); },
                      [this](const Outcome& outcome) { return resolve(outcome); });
    connect(m_find, &session::FindController::busyChanged, this, [this](bool busy) {
        for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_findBar)}) {
            if (!w) continue;
            if (busy)
                w->setCursor(Qt::BusyCursor);
            else
                w->unsetCursor();
        }
    });
}

void frmMain::dropPendingFind() {
    m_find->dropPending();
}

// A move by the navigation buttons: the changes saved, then, inside a filter, the keys brought
// up to date before the move and the record left settled after it.
void frmMain::navigate(session::Move move) {
    if (!command([this] { return m_session->saveBeforeLeaving(); })) return;
    m_find->beforeMove();
    const QVariant left = rs().Bookmark();
    if (!command([this, move] { return m_session->move(move); })) return;
    m_find->afterMove(left);
}

void frmMain::openFind() {
    if (!m_findBar) {
        m_findBar = new FindBar(this);
        using session::FindController;
        auto guarded = [this](auto work) {
            return [this, work] { runGuarded(this, [this, work] { work(m_find); }); };
        };
        connect(m_findBar, &FindBar::textEdited, this, [this](const QString& text) {
            runGuarded(this, [this, &text] { m_find->setText(text); });
        });
        connect(m_findBar, &FindBar::nextRequested, this,
                guarded([](FindController* f) { f->run(FindController::Action::Next); }));
        connect(m_findBar, &FindBar::previousRequested, this,
                guarded([](FindController* f) { f->run(FindController::Action::Previous); }));
        connect(m_findBar, &FindBar::filterRequested, this,
                guarded([](FindController* f) { f->toggleFilter(); }));
        connect(m_findBar, &FindBar::closeRequested, this,
                [this] { runGuarded(this, [this] { closeFind(); }); });
        connect(m_find, &FindController::countChanged, m_findBar, &FindBar::setCount);
        connect(m_find, &FindController::noteChanged, m_findBar, &FindBar::setNote);
        connect(m_find, &FindController::filterOnChanged, m_findBar, &FindBar::setFilterOn);
    }
    m_find->setActive(true);
    m_findBar->showFor(this);
}

void frmMain::findNext() {
    m_find->run(session::FindController::Action::Next);
}
void frmMain::findPrevious() {
    m_find->run(session::FindController::Action::Previous);
}

void frmMain::closeFind() {
    if (!m_findBar || !m_find->close()) return;
    m_findBar->hide();
    activateWindow();
}
