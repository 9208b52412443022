#include "frmCreateDb.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>

#include "Catalog.h"
#include "Control.h"
#include "ErrorReport.h"
#include "PartsLayout.h"
#include "StoreError.h"
#include "WindowScale.h"
#include "ui_frmCreateDb.h"

namespace {
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
}  // namespace

frmCreateDb::frmCreateDb(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmCreateDb>()) {
    ui->setupUi(this);
    setFixedSize(size());
    fitToFont(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto on = [this](QAbstractButton* button, void (frmCreateDb::*handler)()) {
        connectGuarded(button, this, handler);
    };
    on(ui->CreateButton, &frmCreateDb::CreateButton_Click);
    on(ui->cmdExit, &frmCreateDb::cmdExit_Click);
    on(ui->cmdCancel, &frmCreateDb::cmdCancel_Click);
    // Enter in a name box must not create the database before the optional boxes are ticked.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Form_Load();
}

frmCreateDb::~frmCreateDb() = default;

void frmCreateDb::Form_Load() {
    ui->lblError->clear();
    bDbCreated = false;
}

void frmCreateDb::showMessage(const QString& text, const QColor& colour) {
    QPalette p = ui->lblError->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Window, palette().color(QPalette::HighlightedText));
    ui->lblError->setPalette(p);
    ui->lblError->setText(text);
}

namespace {

// Characters that show as nothing: a name made only of them looks empty.
bool isBlank(QChar c) {
    switch (c.unicode()) {
        case 0x180E:
        case 0x200B:
        case 0x2060:
        case 0xFEFF:  // zero-width spaces and joiners
        case 0x115F:
        case 0x1160:
        case 0x3164:
        case 0xFFA0:
        case 0x2800:  // fillers and the blank pattern
            return true;
        default:
            return c.isSpace();  // every space separator (no-break, figure, ideographic...) and
                                 // tab, line ends
    }
}

bool isBlankName(const QString& name) {
    return std::all_of(name.begin(), name.end(), isBlank);
}

// Controls that reorder the text shown around them, so a name would read other than it is.
bool isDirectionControl(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E ||
           u == 0x200F || u == 0x061C;
}

bool isZeroWidth(QChar c) {
    const char16_t u = c.unicode();
    return u == 0x200B || u == 0x200C || u == 0x200D || u == 0x2060 || u == 0xFEFF;
}

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

bool containsAny(const QString& name, bool (*test)(QChar)) {
    return std::any_of(name.begin(), name.end(), test);
}

// Why `name` cannot be used, or "" when it can; `what` is how the messages call it.
QString hiddenCharacters(const QString& name, const QString& what) {
    if (containsAny(name, isDirectionControl))
        return frmCreateDb::tr("The %1 can not contain invisible text direction controls")
            .arg(what);
    if (containsAny(name, isZeroWidth))
        return frmCreateDb::tr("The %1 can not contain invisible zero-width characters").arg(what);
    if (containsAny(name, isLineBreak))
        return frmCreateDb::tr("The %1 can not contain line breaks").arg(what);
    return QString();
}

}  // namespace

// Why a database name cannot make a file in the program's folder, or "" when it can.
QString frmCreateDb::refusedName(const QString& name) const {
    // A server's address makes the table in that database on the server.
    if (store::Connection::isServerAddress(name.trimmed())) return QString();
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return tr(
            "The Database Name can not contain / or \\ : the database is always made in the "
            "program's folder");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("The Database Name can not be . or ..");
    if (const QString why = hiddenCharacters(name, tr("Database Name")); !why.isEmpty()) return why;
    for (QChar c : name)
        if (c.category() == QChar::Other_Control)
            return tr("The Database Name can not contain control characters");
    return QString();
}

QString frmCreateDb::refusedTableName(const QString& name) const {
    return hiddenCharacters(name, tr("Table Name"));
}

void frmCreateDb::CreateButton_Click() {
    showMessage(QString(), kRed);
    if (bDbCreated) {
        showMessage(tr("You Must Exit this Window Before Creating another Database"), kRed);
        return;
    }
    sNewDbName = ui->txtDBname->text();
    if (isBlankName(sNewDbName)) {
        showMessage(tr("The Database a Needs a Name"), kRed);
        return;
    }
    if (const QString why = refusedName(sNewDbName); !why.isEmpty()) {
        showMessage(why, kRed);
        return;
    }
    m_table = ui->txtTableName->text();
    if (isBlankName(m_table)) {
        showMessage(tr("The Database Table Needs a Name"), kRed);
        return;
    }
    if (const QString why = refusedTableName(m_table); !why.isEmpty()) {
        showMessage(why, kRed);
        return;
    }
    if (!Create_Database()) return;
    ui->CreateButton->setStyleSheet(QStringLiteral("background-color: #00FF00;"));
    showMessage(tr("The Database Was Sucessfully Created"), kGreen);
    bDbCreated = true;
    m_choice = {sNewDbPath, m_table};
}

bool frmCreateDb::Create_Database() {
    std::vector<int> boxes;
    for (int n = 1; n <= store::parts::kOptionalCount; ++n) {
        auto* box = findChild<QCheckBox*>(QStringLiteral("Check%1").arg(n));
        if (box && box->isChecked()) boxes.push_back(n);
    }
    if (store::Connection::isServerAddress(sNewDbName.trimmed())) {
        // On a server the database is there already: the new parts table is made in it.
        try {
            store::Catalog catNewDb;
            store::Connection& cn =
                catNewDb.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                store::Connection::quoteValue(sNewDbName.trimmed()));
            sNewDbPath = cn.dataSource();
            store::parts::createPartsTable(catNewDb, m_table, boxes);
            catNewDb.ActiveConnection().Close();
        } catch (const store::StoreError& e) {
            showMessage(e.description(), kRed);
            return false;
        }
        return true;
    }
    sNewDbName += QStringLiteral(".mdb");
    sNewDbPath = Control::sAppPath + QLatin1Char('/') + sNewDbName;
    // Any entry under the name is in use, a link (even one pointing nowhere) included.
    const QFileInfo existing(sNewDbPath);
    if (existing.isSymLink() || existing.exists()) {
        showMessage(tr("Database Name already Used, Can NOT Replace"), kRed);
        return false;
    }
    bool created = false;
    try {
        store::Catalog catNewDb;
        catNewDb.Create(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
            store::Connection::quoteValue(sNewDbPath));
        created = true;
        store::parts::createPartsTable(catNewDb, m_table, boxes);
        // An index of the part numbers: the find bar reads them from it when the catalogue is
        // opened, much sooner than from the table (a file made elsewhere gets none unasked).
        store::Index byNumber;
        byNumber.Name = m_table + QStringLiteral(" PartNumber");
        byNumber.appendColumn(QStringLiteral("PartNumber"), store::adVarWChar);
        catNewDb.table(m_table)->appendIndex(byNumber);
        catNewDb.ActiveConnection().Close();
    } catch (const store::StoreError& e) {
        // A half-made file is no database anyone wants: it goes, and the window stays usable.
        if (created) QFile::remove(sNewDbPath);
        // The store also refuses a name whose journal is already there, or taken in the meantime.
        showMessage(e.number() == store::errFileExists
                        ? tr("Database Name already Used, Can NOT Replace")
                        : e.description(),
                    kRed);
        return false;
    }
    return true;
}

void frmCreateDb::cmdExit_Click() {
    if (!bDbCreated) m_choice = {};
    m_closing = true;
    accept();
}

void frmCreateDb::cmdCancel_Click() {
    m_choice = {};
    m_closing = true;
    QDialog::reject();
}

// Escape is Cancel, as in every dialog: it never opens what was made.
void frmCreateDb::reject() {
    if (!m_closing) cmdCancel_Click();
}

void frmCreateDb::closeEvent(QCloseEvent* event) {
    if (!m_closing) cmdExit_Click();
    event->accept();
}
