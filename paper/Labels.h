#pragma once

#include <QPageSize>
#include <QRectF>
#include <QString>
#include <vector>

#include "Barcode.h"
#include "Paper.h"

namespace paper {

// A sheet of labels or a roll: the paper, and where each label sits on it (mm).
struct LabelLayout {
    const char* name;
    const char* title;
    QPageSize::PageSizeId paper;  // QPageSize::Custom for a roll
    double pageWidth, pageHeight;
    int columns, rows;
    double labelWidth, labelHeight;
    double left, top, pitchX, pitchY;

    int labelsPerPage() const { return columns * rows; }
    // The label at `index` (0 to labelsPerPage() - 1), along each row first.
    QRectF cell(int index) const;
    QPageLayout pageLayout() const;
    QString displayTitle() const;
};

const std::vector<LabelLayout>& labelLayouts();
const LabelLayout* labelLayoutNamed(const QString& name);

// One label's text: the part number is also its barcode.
struct PartLabel {
    QString number;
    QString name;
    QString place;  // the Location, or the Category where the table has no Location
};

struct LabelOptions {
    const LabelLayout* layout = &labelLayouts().front();
    BarcodeKind barcode = BarcodeKind::Code128;
    int start = 1;   // the first free label on the first sheet, from 1
    int copies = 1;  // labels per part, side by side
};

// The smallest module a label's barcode is drawn with; a part number that needs a smaller one
// gets no barcode and says so, rather than a code no scanner reads.
constexpr double kSmallestModuleMm = 0.25;

// Draws one label into `cell` (device units, `unit` device units to the mm); false when its
// barcode could not be drawn (the label then says why).
bool paintLabel(QPainter& painter, const QRectF& cell, double unit, const PartLabel& label,
                BarcodeKind kind);

// The labels of every part `rows` gives, each `copies` times, from the start position on.
PaperRun paintLabels(QPagedPaintDevice& device, PartRows& rows, const LabelOptions& options,
                     const Progress& progress = {});

// The part's label texts from the current row; empty number when the table has no part numbers.
PartLabel labelOf(const PartRows& rows);

}  // namespace paper
