#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "Catalogue.h"
#include "Labels.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPagedPaintDevice;
class QRadioButton;
class QSpinBox;

namespace store {
class Connection;
}

// What the paper dialogs print from: the open table, the part on screen and the find's matches.
struct PaperSource {
    store::Connection* connection = nullptr;
    QString database;
    QString table;
    QStringList columns;                         // the table's, in its order
    std::optional<qint64> currentKey;            // none while a new part is being added
    std::optional<std::vector<qint64>> matches;  // the parts the find filter shows, when on
};

// Labels, the printed catalogue or the re-order list: which parts, how, then a preview, the
// printer or a PDF (or CSV) file.
class dlgPaper : public QDialog {
    Q_OBJECT

public:
    enum class Kind { Labels, Catalogue, ReorderList };

    dlgPaper(Kind kind, PaperSource source, QWidget* parent = nullptr);
    ~dlgPaper() override;

private:
    void buildParts();
    void buildLabels();
    void buildCatalogue();
    void buildButtons();
    // The keys chosen, or none for the whole table.
    std::optional<std::vector<qint64>> chosenKeys() const;
    QPageLayout pageLayout() const;
    paper::PaperRun paint(QPagedPaintDevice& device, const paper::Progress& progress);
    void preview();
    void savePdf();
    void saveCsv();
    void tell(const paper::PaperRun& run, const QString& done);
    paper::PageHeading heading(const QString& title) const;

    Kind m_kind;
    PaperSource m_source;
    QRadioButton* m_current = nullptr;
    QRadioButton* m_matches = nullptr;
    QRadioButton* m_all = nullptr;
    QComboBox* m_layout = nullptr;
    QComboBox* m_barcode = nullptr;
    QSpinBox* m_start = nullptr;
    QSpinBox* m_copies = nullptr;
    QRadioButton* m_list = nullptr;
    QRadioButton* m_cards = nullptr;
    QListWidget* m_columns = nullptr;
};
