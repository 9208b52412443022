#include "frmCreateDb.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>

#include "Catalog.h"
#include "Control.h"
#include "ErrorReport.h"
#include "PartsLayout.h"
#include "StoreError.h"
#include "ui_frmCreateDb.h"

namespace {
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
}  // namespace

frmCreateDb::frmCreateDb(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmCreateDb>()) {
    ui->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto on = [this](QAbstractButton* button, void (frmCreateDb::*handler)()) { connectGuarded(button, this, handler); };
    on(ui->CreateButton, &frmCreateDb::CreateButton_Click);
    on(ui->cmdExit, &frmCreateDb::cmdExit_Click);
    on(ui->cmdCancel, &frmCreateDb::cmdCancel_Click);
    ui->CreateButton->setDefault(true);
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

// Why a database name cannot make a file in the program's folder, or "" when it can.
QString frmCreateDb::refusedName(const QString& name) const {
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("The Database Name can not contain / or \\ : the database is always made in the "
                              "program's folder");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("The Database Name can not be . or ..");
    for (QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The Database Name can not contain control characters");
    return QString();
}

void frmCreateDb::CreateButton_Click() {
    showMessage(QString(), kRed);
    if (bDbCreated) {
        showMessage(QStringLiteral("You Must Exit this Window Before Creating another Database"), kRed);
        return;
    }
    sNewDbName = ui->txtDBname->text();
    if (sNewDbName.isEmpty()) {
        showMessage(QStringLiteral("The Database a Needs a Name"), kRed);
        return;
    }
    if (const QString why = refusedName(sNewDbName); !why.isEmpty()) {
        showMessage(why, kRed);
        return;
    }
    Control::sTableName = ui->txtTableName->text();
    if (Control::sTableName.isEmpty()) {
        showMessage(QStringLiteral("The Database Table Needs a Name"), kRed);
        return;
    }
    if (!Create_Database()) return;
    ui->CreateButton->setStyleSheet(QStringLiteral("background-color: #00FF00;"));
    showMessage(QStringLiteral("The Database Was Sucessfully Created"), kGreen);
    bDbCreated = true;
    Control::sDatabasePath = Control::sAppPath + QLatin1Char('/') + sNewDbName;
}

bool frmCreateDb::Create_Database() {
    sNewDbName += QStringLiteral(".mdb");
    sNewDbPath = Control::sAppPath + QLatin1Char('/') + sNewDbName;
    // Any entry under the name is in use, a link (even one pointing nowhere) included.
    const QFileInfo existing(sNewDbPath);
    if (existing.isSymLink() || existing.exists()) {
        showMessage(QStringLiteral("Database Name already Used, Can NOT Replace"), kRed);
        return false;
    }
    std::vector<int> boxes;
    for (int n = 1; n <= store::parts::kOptionalCount; ++n) {
        auto* box = findChild<QCheckBox*>(QStringLiteral("Check%1").arg(n));
        if (box && box->isChecked()) boxes.push_back(n);
    }
    bool created = false;
    try {
        store::Catalog catNewDb;
        catNewDb.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") + sNewDbPath);
        created = true;
        store::parts::createPartsTable(catNewDb, Control::sTableName, boxes);
        catNewDb.ActiveConnection().Close();
    } catch (const store::StoreError& e) {
        // A half-made file is no database anyone wants: it goes, and the window stays usable.
        if (created) QFile::remove(sNewDbPath);
        // The store also refuses a name whose journal is already there, or taken in the meantime.
        showMessage(e.number() == store::errFileExists ? QStringLiteral("Database Name already Used, Can NOT Replace")
                                                       : e.description(),
                    kRed);
        return false;
    }
    return true;
}

void frmCreateDb::cmdExit_Click() {
    if (!bDbCreated) Control::sDatabasePath.clear();
    m_closing = true;
    accept();
}

void frmCreateDb::cmdCancel_Click() {
    Control::sDatabasePath.clear();
    m_closing = true;
    QDialog::reject();
}

void frmCreateDb::reject() {
    if (!m_closing) cmdExit_Click();
}

void frmCreateDb::closeEvent(QCloseEvent* event) {
    if (!m_closing) cmdExit_Click();
    event->accept();
}
