#include "dlgPaper.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Connection.h"
#include "ErrorReport.h"
#include "PartRows.h"
#include "PartsLayout.h"
#include "Platform.h"
#include "StoreError.h"

namespace {

constexpr int kSteps = 1000;

// "Rows done of rows" with Cancel, shown when a run takes a while.
class PaperProgress {
public:
    explicit PaperProgress(QWidget* parent) : m_dialog(parent) {
        m_dialog.setObjectName(QStringLiteral("dlgProgress"));
        m_dialog.setWindowTitle(kProgramTitle);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setCancelButtonText(dlgPaper::tr("&Cancel"));
        m_dialog.setRange(0, kSteps);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
    }
    paper::Progress callback() {
        return [this](qint64 done, qint64 all) {
            const QLocale locale;
            m_dialog.setLabelText(dlgPaper::tr("Printed %1 of %2 parts")
                                      .arg(locale.toString(done), locale.toString(all)));
            m_dialog.setValue(all > 0 ? int(qMin<qint64>(kSteps, done * kSteps / all)) : 0);
            QApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

}  // namespace

dlgPaper::dlgPaper(Kind kind, PaperSource source, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_source(std::move(source)) {
    setObjectName(QStringLiteral("dlgPaper"));
    setWindowTitle(kind == Kind::Labels      ? tr("Print Labels")
                   : kind == Kind::Catalogue ? tr("Print Catalogue")
                                             : tr("Re-Order List"));
    auto* layout = new QVBoxLayout(this);
    if (kind != Kind::ReorderList) buildParts();
    if (kind == Kind::Labels) buildLabels();
    if (kind == Kind::Catalogue) buildCatalogue();
    if (kind == Kind::ReorderList)
        layout->addWidget(new QLabel(
            tr("The parts of the table '%1' whose stock and what is on order come to their "
               "re-order level or below.")
                .arg(m_source.table),
            this));
    buildButtons();
}

dlgPaper::~dlgPaper() = default;

void dlgPaper::buildParts() {
    auto* group = new QGroupBox(tr("Parts"), this);
    auto* box = new QVBoxLayout(group);
    if (m_kind == Kind::Labels) {
        m_current = new QRadioButton(tr("The &part on screen"), group);
        m_current->setObjectName(QStringLiteral("optCurrent"));
        m_current->setEnabled(m_source.currentKey.has_value());
        box->addWidget(m_current);
    }
    m_matches = new QRadioButton(tr("The parts the &find shows"), group);
    m_matches->setObjectName(QStringLiteral("optMatches"));
    m_matches->setEnabled(m_source.matches.has_value());
    m_all = new QRadioButton(tr("The &whole table"), group);
    m_all->setObjectName(QStringLiteral("optAll"));
    box->addWidget(m_matches);
    box->addWidget(m_all);
    (m_current && m_current->isEnabled() ? m_current : m_all)->setChecked(true);
    layout()->addWidget(group);
}

void dlgPaper::buildLabels() {
    auto* form = new QFormLayout;
    m_layout = new QComboBox(this);
    m_layout->setObjectName(QStringLiteral("cboLayout"));
    for (const paper::LabelLayout& l : paper::labelLayouts())
        m_layout->addItem(l.displayTitle(), QString::fromLatin1(l.name));
    m_barcode = new QComboBox(this);
    m_barcode->setObjectName(QStringLiteral("cboBarcode"));
    for (auto kind :
         {paper::BarcodeKind::Code128, paper::BarcodeKind::QrCode, paper::BarcodeKind::DataMatrix})
        m_barcode->addItem(paper::barcodeKindTitle(kind), int(kind));
    m_start = new QSpinBox(this);
    m_start->setObjectName(QStringLiteral("spnStart"));
    m_copies = new QSpinBox(this);
    m_copies->setObjectName(QStringLiteral("spnCopies"));
    m_copies->setRange(1, 999);
    const auto limitStart = [this] {
        m_start->setRange(1,
                          paper::labelLayouts()[size_t(m_layout->currentIndex())].labelsPerPage());
    };
    limitStart();
    connect(m_layout, &QComboBox::currentIndexChanged, this, limitStart);
    form->addRow(tr("&Layout:"), m_layout);
    form->addRow(tr("&Barcode:"), m_barcode);
    form->addRow(tr("&Start at label:"), m_start);
    form->addRow(tr("Cop&ies of each:"), m_copies);
    static_cast<QVBoxLayout*>(layout())->addLayout(form);
}

void dlgPaper::buildCatalogue() {
    auto* group = new QGroupBox(tr("Style"), this);
    auto* box = new QVBoxLayout(group);
    m_list = new QRadioButton(tr("A &list, a line for each part"), group);
    m_list->setObjectName(QStringLiteral("optList"));
    m_cards = new QRadioButton(tr("&Cards with pictures, six to a page"), group);
    m_cards->setObjectName(QStringLiteral("optCards"));
    m_list->setChecked(true);
    box->addWidget(m_list);
    box->addWidget(m_cards);
    layout()->addWidget(group);
    auto* label = new QLabel(tr("More c&olumns in the list:"), this);
    m_columns = new QListWidget(this);
    m_columns->setObjectName(QStringLiteral("lstColumns"));
    label->setBuddy(m_columns);
    for (const QString& c : m_source.columns) {
        if (store::parts::isFixedColumn(c)) continue;
        auto* item = new QListWidgetItem(c, m_columns);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(m_list, &QRadioButton::toggled, m_columns, &QWidget::setEnabled);
    layout()->addWidget(label);
    layout()->addWidget(m_columns);
}

void dlgPaper::buildButtons() {
    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](const QString& name, const QString& text, void (dlgPaper::*slot)()) {
        auto* b = buttons->addButton(text, QDialogButtonBox::ActionRole);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connectGuarded(b, this, slot);
        return b;
    };
    add(QStringLiteral("cmdPreview"), tr("Pre&view..."), &dlgPaper::preview)->setDefault(true);
    add(QStringLiteral("cmdPdf"), tr("Save as P&DF..."), &dlgPaper::savePdf);
    if (m_kind == Kind::ReorderList)
        add(QStringLiteral("cmdCsv"), tr("Save as &CSV..."), &dlgPaper::saveCsv);
    auto* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("cmdCancel"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout()->addWidget(buttons);
}

std::optional<std::vector<qint64>> dlgPaper::chosenKeys() const {
    if (m_current && m_current->isChecked() && m_source.currentKey)
        return std::vector<qint64>{*m_source.currentKey};
    if (m_matches && m_matches->isChecked() && m_source.matches) return m_source.matches;
    return std::nullopt;
}

QPageLayout dlgPaper::pageLayout() const {
    if (m_kind == Kind::Labels)
        return paper::labelLayouts()[size_t(m_layout->currentIndex())].pageLayout();
    return paper::cataloguePageLayout();
}

paper::PageHeading dlgPaper::heading(const QString& title) const {
    paper::PageHeading h;
    h.title = title;
    h.database = m_source.database;
    h.table = m_source.table;
    return h;
}

paper::PaperRun dlgPaper::paint(QPagedPaintDevice& device, const paper::Progress& progress) {
    paper::PartRows rows(*m_source.connection, m_source.table, chosenKeys());
    if (m_kind == Kind::Labels) {
        paper::LabelOptions options;
        options.layout = &paper::labelLayouts()[size_t(m_layout->currentIndex())];
        options.barcode = paper::BarcodeKind(m_barcode->currentData().toInt());
        options.start = m_start->value();
        options.copies = m_copies->value();
        return paper::paintLabels(device, rows, options, progress);
    }
    if (m_kind == Kind::Catalogue) {
        paper::CatalogueOptions options;
        options.style =
            m_cards->isChecked() ? paper::CatalogueStyle::Cards : paper::CatalogueStyle::List;
        for (int i = 0; i < m_columns->count(); ++i)
            if (m_columns->item(i)->checkState() == Qt::Checked)
                options.columns << m_columns->item(i)->text();
        options.heading = heading(tr("Parts catalogue"));
        return paper::paintCatalogue(device, rows, options, progress);
    }
    const paper::ReorderList list = paper::reorderList(rows, progress);
    return paper::paintReorderList(device, list, heading(tr("Re-order list")));
}

void dlgPaper::preview() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    paper::setPage(printer, pageLayout());
    printer.setDocName(windowTitle() + QStringLiteral(" - ") + m_source.table);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgPreview"));
    // Large enough to read a label sheet; the user may make it larger still.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(800, 700)));
    paper::PaperRun run;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* p) {
        PaperProgress progress(&dialog);
        runGuarded(this, [&] { run = paint(*p, progress.callback()); });
    });
    dialog.exec();
    if (!run.notes.isEmpty())
        Platform::instance().warning(this, kProgramTitle, run.notes.join(QStringLiteral("\n\n")));
}

void dlgPaper::savePdf() {
    QString file = Platform::instance().saveFileName(this, tr("Save as PDF"),
                                                     QFileInfo(m_source.database).absolutePath(),
                                                     tr("PDF files") + QStringLiteral("|*.pdf"));
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
    PaperProgress progress(this);
    const paper::PaperRun run = paper::writePdf(
        file, pageLayout(), [&](QPagedPaintDevice& d) { return paint(d, progress.callback()); });
    if (run.cancelled) return;
    tell(run, run.pages == 0 ? QString()
                             : tr("Printed %1 parts on %n page(s) to '%2'.", nullptr, run.pages)
                                   .arg(run.parts)
                                   .arg(QDir::toNativeSeparators(file)));
}

void dlgPaper::saveCsv() {
    QString file = Platform::instance().saveFileName(this, tr("Save as CSV"),
                                                     QFileInfo(m_source.database).absolutePath(),
                                                     tr("CSV files") + QStringLiteral("|*.csv"));
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".csv");
    paper::PartRows rows(*m_source.connection, m_source.table);
    const paper::ReorderList list = paper::reorderList(rows);
    paper::writeReorderCsv(file, list);
    paper::PaperRun run;
    run.parts = qint64(list.parts.size());
    tell(run, tr("%1 parts are at or below their re-order level; the list is in '%2'.")
                  .arg(run.parts)
                  .arg(QDir::toNativeSeparators(file)));
}

void dlgPaper::tell(const paper::PaperRun& run, const QString& done) {
    if (!run.notes.isEmpty())
        Platform::instance().warning(this, kProgramTitle, run.notes.join(QStringLiteral("\n\n")));
    if (!done.isEmpty()) Platform::instance().information(this, kProgramTitle, done);
}
