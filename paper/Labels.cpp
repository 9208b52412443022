#include "Labels.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include "PartRows.h"
#include "Value.h"

namespace paper {

namespace {

constexpr double kGapMm = 1.0;

// The largest size from `largest` down whose text fits `width`, elided at the smallest.
QString fitted(QPainter& painter, QFont& font, double largest, double smallest, double width,
               const QString& text) {
    for (double size = largest;; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetricsF metrics(font, painter.device());
        if (metrics.horizontalAdvance(text) <= width || size - 0.5 < smallest)
            return metrics.elidedText(text, Qt::ElideRight, width);
    }
}

// Draws `text` at the top of `box` and takes its line off the box.
void line(QPainter& painter, QRectF& box, const QFont& font, const QString& text) {
    if (text.isEmpty()) return;
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(QPointF(box.left(), box.top() + metrics.ascent()), text);
    box.setTop(box.top() + metrics.height());
}

}  // namespace

QRectF LabelLayout::cell(int index) const {
    const int column = index % columns;
    const int row = index / columns;
    return QRectF(left + column * pitchX, top + row * pitchY, labelWidth, labelHeight);
}

QPageLayout LabelLayout::pageLayout() const {
    const QPageSize size = paper == QPageSize::Custom
                               ? QPageSize(QSizeF(pageWidth, pageHeight), QPageSize::Millimeter,
                                           QString::fromLatin1(name), QPageSize::ExactMatch)
                               : QPageSize(paper);
    // A roll's page is its label as it lies, wider than long: no turning to landscape.
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

QString LabelLayout::displayTitle() const {
    return Text::tr(title);
}

const std::vector<LabelLayout>& labelLayouts() {
    // Sheets are centred on the paper, as their makers cut them.
    static const std::vector<LabelLayout> layouts{
        {"a4-3x7", QT_TRANSLATE_NOOP("paper", "A4, 3 × 7 labels of 63.5 × 38.1 mm (L7160)"),
         QPageSize::A4, 210, 297, 3, 7, 63.5, 38.1, 7.21, 15.15, 66.04, 38.1},
        {"a4-2x7", QT_TRANSLATE_NOOP("paper", "A4, 2 × 7 labels of 99.1 × 38.1 mm (L7163)"),
         QPageSize::A4, 210, 297, 2, 7, 99.1, 38.1, 4.65, 15.15, 101.6, 38.1},
        {"letter-3x10",
         QT_TRANSLATE_NOOP("paper", "US Letter, 3 × 10 labels of 66.7 × 25.4 mm (5160)"),
         QPageSize::Letter, 215.9, 279.4, 3, 10, 66.675, 25.4, 4.7625, 12.7, 69.85, 25.4},
        {"roll-62x29", QT_TRANSLATE_NOOP("paper", "Roll 62 mm wide, labels 29 mm long"),
         QPageSize::Custom, 62, 29, 1, 1, 62, 29, 0, 0, 62, 29},
        {"roll-89x36", QT_TRANSLATE_NOOP("paper", "Roll, labels of 89 × 36 mm"), QPageSize::Custom,
         89, 36, 1, 1, 89, 36, 0, 0, 89, 36},
    };
    return layouts;
}

const LabelLayout* labelLayoutNamed(const QString& name) {
    for (const LabelLayout& layout : labelLayouts())
        if (name.compare(QLatin1String(layout.name), Qt::CaseInsensitive) == 0) return &layout;
    return nullptr;
}

PartLabel labelOf(const PartRows& rows) {
    const QString place = rows.column(QStringLiteral("Location")).isEmpty()
                              ? QStringLiteral("Category")
                              : QStringLiteral("Location");
    return {store::valueText(rows.value(QStringLiteral("PartNumber"))),
            store::valueText(rows.value(QStringLiteral("PartName"))),
            store::valueText(rows.value(place))};
}

bool paintLabel(QPainter& painter, const QRectF& cell, double unit, const PartLabel& label,
                BarcodeKind kind) {
    const bool low = cell.height() / unit < 30;
    const double pad = (low ? 1.5 : 2.0) * unit;
    const QRectF inner = cell.adjusted(pad, pad, -pad, -pad);
    const Barcode code = makeBarcode(kind, label.number);

    QRectF text = inner;
    QRectF codeBox;
    if (code.isLinear()) {
        // Three lines of text above, the bars below them across the label.
        codeBox = inner;
    } else {
        const double side = qMin(inner.height(), inner.width() * 0.45);
        codeBox =
            QRectF(inner.right() - side, inner.top() + (inner.height() - side) / 2, side, side);
        text.setRight(codeBox.left() - kGapMm * unit);
    }

    QFont number(QStringLiteral("Liberation Sans"));
    number.setBold(true);
    const QString numberText =
        fitted(painter, number, low ? 11 : 14, 6, text.width(), label.number);
    QFont small(QStringLiteral("Liberation Sans"));
    const QString name = fitted(painter, small, 7, 7, text.width(), label.name);
    const QString place = fitted(painter, small, 7, 7, text.width(), label.place);
    painter.setPen(Qt::black);
    line(painter, text, number, numberText);
    line(painter, text, small, name);
    line(painter, text, small, place);
    if (code.isLinear()) codeBox.setTop(text.top() + kGapMm * unit);

    const double module = code.moduleSize(codeBox.size() / unit);
    if (code.isValid() && module >= kSmallestModuleMm && codeBox.height() >= 4 * unit) {
        code.draw(painter, codeBox);
        return true;
    }
    const QString why = !code.error.isEmpty()
                            ? code.error
                            : Text::tr("The part number is too long for %1 on this label.")
                                  .arg(barcodeKindTitle(kind));
    QFont note(QStringLiteral("Liberation Sans"));
    note.setPointSizeF(6);
    note.setItalic(true);
    painter.setFont(note);
    painter.drawText(codeBox, Qt::AlignCenter | Qt::TextWordWrap, Text::tr("No barcode: ") + why);
    return false;
}

PaperRun paintLabels(QPagedPaintDevice& device, PartRows& rows, const LabelOptions& options,
                     const Progress& progress) {
    PaperRun run;
    if (rows.column(QStringLiteral("PartNumber")).isEmpty()) {
        run.notes << Text::tr(
                         "The table '%1' has no PartNumber column, so it has no labels to print.")
                         .arg(rows.table());
        return run;
    }
    const LabelLayout& layout = *options.layout;
    const qint64 all = rows.count();
    const double unit = mm(device, 1);
    QPainter painter;
    int position = qBound(1, options.start, layout.labelsPerPage()) - 1;
    QStringList withoutCode;
    while (rows.next()) {
        if (progress && !progress(run.parts, all)) {
            run.cancelled = true;
            break;
        }
        const PartLabel label = labelOf(rows);
        for (int copy = 0; copy < qMax(1, options.copies); ++copy) {
            if (!painter.isActive()) {
                painter.begin(&device);
                run.pages = 1;
            } else if (position == layout.labelsPerPage()) {
                device.newPage();
                ++run.pages;
                position = 0;
            }
            const QRectF cell = layout.cell(position++);
            const QRectF inDevice(cell.topLeft() * unit, cell.size() * unit);
            if (!paintLabel(painter, inDevice, unit, label, options.barcode) && copy == 0)
                withoutCode << label.number;
        }
        ++run.parts;
    }
    if (painter.isActive()) painter.end();
    if (run.parts == 0 && !run.cancelled)
        run.notes << Text::tr("The table '%1' has no parts to label.").arg(rows.table());
    if (!withoutCode.isEmpty())
        run.notes << Text::tr(
                         "%n label(s) have no barcode, because %1 cannot carry the part number on "
                         "this label: %2",
                         nullptr, int(withoutCode.size()))
                         .arg(barcodeKindTitle(options.barcode),
                              withoutCode.mid(0, 10).join(QStringLiteral(", ")) +
                                  (withoutCode.size() > 10 ? QStringLiteral(", …") : QString()));
    if (progress && !run.cancelled) progress(run.parts, all);
    return run;
}

}  // namespace paper
