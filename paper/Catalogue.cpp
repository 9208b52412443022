#include "Catalogue.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSaveFile>
#include <cmath>

#include "CsvFile.h"
#include "CsvTransfer.h"
#include "PartRows.h"
#include "StoreError.h"
#include "Value.h"

namespace paper {

namespace {

constexpr double kMarginMm = 15;
// Pictures go into the PDF at this many dots per inch of their place on the page.
constexpr double kPictureDpi = 200;

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The page less the margins, in device units.
QRectF printable(const QPagedPaintDevice& device) {
    const double margin = mm(device, kMarginMm);
    return QRectF(0, 0, device.width(), device.height()).adjusted(margin, margin, -margin, -margin);
}

// What every page of a catalogue or list has: the heading at the top, "Page n of m" below.
class Pages {
public:
    Pages(QPagedPaintDevice& device, const PageHeading& heading, int count)
        : m_device(device), m_heading(heading), m_count(count) {}

    // Starts the next page and gives the room left for its content.
    QRectF next() {
        if (!m_painter.isActive())
            m_painter.begin(&m_device);
        else
            m_device.newPage();
        ++m_page;
        const QRectF page = printable(m_device);
        m_painter.setPen(Qt::black);
        m_painter.setFont(font(12, true));
        const QFontMetricsF big(m_painter.font(), &m_device);
        m_painter.drawText(QPointF(page.left(), page.top() + big.ascent()), m_heading.title);
        m_painter.setFont(font(9));
        const QFontMetricsF small(m_painter.font(), &m_device);
        const QString date = QLocale().toString(m_heading.date, QLocale::ShortFormat);
        m_painter.drawText(QRectF(page.left(), page.top(), page.width(), big.height()),
                           Qt::AlignRight | Qt::AlignBaseline, date);
        const double second = page.top() + big.height();
        const QString where = Text::tr("Database: %1    Table: %2")
                                  .arg(QFileInfo(m_heading.database).fileName().isEmpty()
                                           ? m_heading.database
                                           : QFileInfo(m_heading.database).fileName(),
                                       m_heading.table);
        m_painter.drawText(QPointF(page.left(), second + small.ascent()),
                           small.elidedText(where, Qt::ElideMiddle, page.width()));
        const double rule = second + small.height() + mm(m_device, 1);
        m_painter.drawLine(QPointF(page.left(), rule), QPointF(page.right(), rule));
        const QString footer = Text::tr("Page %1 of %2").arg(m_page).arg(m_count);
        m_painter.drawText(
            QRectF(page.left(), page.bottom() - small.height(), page.width(), small.height()),
            Qt::AlignHCenter | Qt::AlignBottom, footer);
        return QRectF(QPointF(page.left(), rule + mm(m_device, 2)),
                      QPointF(page.right(), page.bottom() - small.height() - mm(m_device, 2)));
    }

    void end() {
        if (m_painter.isActive()) m_painter.end();
    }
    QPainter& painter() { return m_painter; }
    int page() const { return m_page; }

private:
    QPagedPaintDevice& m_device;
    PageHeading m_heading;
    int m_count;
    int m_page = 0;
    QPainter m_painter;
};

// A table of text lines under headings: a line a part, the columns shared out by weight.
class ListPages {
public:
    ListPages(QPagedPaintDevice& device, const PageHeading& heading, const QStringList& headings,
              qint64 lines)
        : m_device(device), m_headings(headings), m_metrics(font(9), &device) {
        // The room for lines is the same on every page: a trial page's content area tells it.
        const double margin = mm(device, kMarginMm);
        const QFontMetricsF big(font(12, true), &device);
        const double content =
            device.height() - 2 * margin - big.height() - 2 * m_metrics.height() - mm(device, 5);
        m_perPage = qMax(1, int(content / m_metrics.lineSpacing()) - 2);
        const int count = qMax<qint64>(1, (lines + m_perPage - 1) / m_perPage);
        m_pages = std::make_unique<Pages>(device, heading, count);
        double sum = 0;
        for (int i = 0; i < headings.size(); ++i) sum += weight(i);
        for (int i = 0; i < headings.size(); ++i) m_share << weight(i) / sum;
    }

    void add(const QStringList& cells) {
        if (m_onPage == 0 || m_onPage == m_perPage) startPage();
        row(cells, false);
        ++m_onPage;
    }

    // A page that says there is nothing to list.
    void empty(const QString& why) {
        startPage();
        m_pages->painter().drawText(QPointF(m_area.left(), m_y + m_metrics.ascent()), why);
    }

    int finish() {
        m_pages->end();
        return m_pages->page();
    }

private:
    // Part number and name get more room than the others.
    double weight(int i) const { return i == 0 ? 1.4 : i == 1 ? 2.2 : 1.0; }

    void startPage() {
        m_area = m_pages->next();
        m_y = m_area.top();
        m_onPage = 0;
        row(m_headings, true);
        QPainter& p = m_pages->painter();
        p.drawLine(QPointF(m_area.left(), m_y), QPointF(m_area.right(), m_y));
        m_y += mm(m_device, 1);
    }

    void row(const QStringList& cells, bool bold) {
        QPainter& p = m_pages->painter();
        QFont f = font(9, bold);
        p.setFont(f);
        const QFontMetricsF metrics(f, &m_device);
        const double gap = mm(m_device, 2);
        double x = m_area.left();
        for (int i = 0; i < cells.size() && i < m_share.size(); ++i) {
            const double width = m_area.width() * m_share[i];
            const QString text = metrics.elidedText(cells[i], Qt::ElideRight, width - gap);
            p.drawText(QPointF(x, m_y + metrics.ascent()), text);
            x += width;
        }
        m_y += metrics.lineSpacing();
    }

    QPagedPaintDevice& m_device;
    QStringList m_headings;
    QFontMetricsF m_metrics;
    std::unique_ptr<Pages> m_pages;
    QList<double> m_share;
    int m_perPage = 1;
    int m_onPage = 0;
    QRectF m_area;
    double m_y = 0;
};

QString text(const QVariant& value) {
    return store::valueText(value);
}

// The picture scaled into `box` with its shape kept, or a framed note where there is none.
void paintPicture(QPainter& painter, const QRectF& box, const QByteArray& bytes, double unit) {
    QImage image;
    if (!bytes.isEmpty()) image.loadFromData(bytes);
    if (image.isNull()) {
        painter.save();
        painter.setPen(QPen(Qt::gray, unit * 0.2));
        painter.drawRect(box);
        painter.setFont(font(8));
        painter.drawText(
            box, Qt::AlignCenter | Qt::TextWordWrap,
            bytes.isEmpty() ? Text::tr("No picture") : Text::tr("The picture cannot be shown"));
        painter.restore();
        return;
    }
    const QSizeF fitted = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
    const QSize dots = (fitted / unit * kPictureDpi / 25.4).toSize().expandedTo(QSize(1, 1));
    if (image.width() > dots.width() || image.height() > dots.height())
        image = image.scaled(dots, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QRectF place(box.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
    painter.drawImage(place, image);
}

void paintCard(QPainter& painter, const QRectF& card, PartRows& rows, double unit) {
    painter.save();
    painter.setPen(QPen(Qt::gray, unit * 0.2));
    painter.drawRect(card);
    painter.restore();
    const QRectF inner = card.adjusted(3 * unit, 3 * unit, -3 * unit, -3 * unit);
    const QRectF pictureBox(inner.topLeft(), QSizeF(inner.width(), inner.height() * 0.55));
    paintPicture(painter, pictureBox, rows.value(QStringLiteral("Image")).toByteArray(), unit);
    double y = pictureBox.bottom() + 2 * unit;
    const auto line = [&](const QFont& f, const QString& s) {
        painter.setFont(f);
        const QFontMetricsF metrics(f, painter.device());
        painter.drawText(QPointF(inner.left(), y + metrics.ascent()),
                         metrics.elidedText(s, Qt::ElideRight, inner.width()));
        y += metrics.lineSpacing();
    };
    line(font(11, true), text(rows.value(QStringLiteral("PartNumber"))));
    line(font(9), text(rows.value(QStringLiteral("PartName"))));
    line(font(9), text(rows.value(QStringLiteral("Category"))));
    painter.setFont(font(8));
    painter.drawText(QRectF(QPointF(inner.left(), y + unit), inner.bottomRight()), Qt::TextWordWrap,
                     text(rows.value(QStringLiteral("Description"))));
}

PaperRun paintCards(QPagedPaintDevice& device, PartRows& rows, const CatalogueOptions& options,
                    qint64 all, const Progress& progress) {
    PaperRun run;
    const int perPage = kCardColumns * kCardRows;
    Pages pages(device, options.heading, int(qMax<qint64>(1, (all + perPage - 1) / perPage)));
    const double unit = mm(device, 1);
    QRectF area;
    while (rows.next()) {
        if (progress && !progress(run.parts, all)) {
            run.cancelled = true;
            break;
        }
        const int at = int(run.parts % perPage);
        if (at == 0) area = pages.next();
        const double w = area.width() / kCardColumns;
        const double h = area.height() / kCardRows;
        const QRectF card(area.left() + (at % kCardColumns) * w,
                          area.top() + (at / kCardColumns) * h, w, h);
        paintCard(pages.painter(), card.adjusted(unit, unit, -unit, -unit), rows, unit);
        ++run.parts;
    }
    if (run.parts == 0 && !run.cancelled) {
        const QRectF room = pages.next();
        pages.painter().drawText(room, Qt::AlignLeft | Qt::AlignTop, Text::tr("No parts."));
    }
    pages.end();
    run.pages = pages.page();
    return run;
}

QString heading(const QString& column) {
    if (column == QLatin1String("PartNumber")) return Text::tr("Part Number");
    if (column == QLatin1String("PartName")) return Text::tr("Part Name");
    if (column == QLatin1String("Category")) return Text::tr("Category");
    return column;
}

}  // namespace

QPageLayout cataloguePageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Millimeter);
}

PaperRun paintCatalogue(QPagedPaintDevice& device, PartRows& rows, const CatalogueOptions& options,
                        const Progress& progress) {
    if (rows.column(QStringLiteral("PartNumber")).isEmpty())
        throw store::StoreError(store::errItemNotFound,
                                Text::tr("The table '%1' has no PartNumber column: it is not a "
                                         "table of parts.")
                                    .arg(rows.table()));
    const qint64 all = rows.count();
    if (options.style == CatalogueStyle::Cards)
        return paintCards(device, rows, options, all, progress);
    QStringList columns{QStringLiteral("PartNumber"), QStringLiteral("PartName"),
                        QStringLiteral("Category")};
    for (const QString& c : options.columns)
        if (!rows.column(c).isEmpty() && !columns.contains(c, Qt::CaseInsensitive)) columns << c;
    QStringList headings;
    for (const QString& c : columns) headings << heading(c);
    ListPages list(device, options.heading, headings, all);
    PaperRun run;
    while (rows.next()) {
        if (progress && !progress(run.parts, all)) {
            run.cancelled = true;
            break;
        }
        QStringList cells;
        for (const QString& c : columns) cells << text(rows.value(c));
        list.add(cells);
        ++run.parts;
    }
    if (run.parts == 0 && !run.cancelled) list.empty(Text::tr("No parts."));
    run.pages = list.finish();
    return run;
}

QString reorderListRefusal(const QString& table, const QStringList& columns) {
    QStringList lacking;
    for (const char* needed : {"PartNumber", "Qty In Stock", "Re-Order Level"})
        if (!columns.contains(QLatin1String(needed), Qt::CaseInsensitive))
            lacking << QLatin1Char('"') + QLatin1String(needed) + QLatin1Char('"');
    if (lacking.isEmpty()) return {};
    return Text::tr("The table '%1' has no re-order list: it lacks the column(s) %2.")
        .arg(table, lacking.join(QStringLiteral(", ")));
}

ReorderList reorderList(PartRows& rows, const Progress& progress) {
    const QString refusal = reorderListRefusal(rows.table(), rows.columns());
    if (!refusal.isEmpty()) throw store::StoreError(store::errItemNotFound, refusal);
    const QString stock = rows.column(QStringLiteral("Qty In Stock"));
    const QString level = rows.column(QStringLiteral("Re-Order Level"));
    const QString onOrder = rows.column(QStringLiteral("Qty On Order"));
    ReorderList list;
    list.columns << rows.column(QStringLiteral("PartNumber"));
    if (!rows.column(QStringLiteral("PartName")).isEmpty())
        list.columns << rows.column(QStringLiteral("PartName"));
    list.columns << stock;
    if (!onOrder.isEmpty()) list.columns << onOrder;
    list.columns << level;
    for (const QString& c : rows.columns())
        if (c.startsWith(QLatin1String("Supplier"), Qt::CaseInsensitive)) list.columns << c;
    const qint64 all = rows.count();
    qint64 done = 0;
    while (rows.next()) {
        if (progress && !progress(done, all)) break;
        ++done;
        const QVariant wanted = rows.value(level);
        if (wanted.isNull()) continue;
        const double have = rows.value(stock).toDouble() +
                            (onOrder.isEmpty() ? 0.0 : rows.value(onOrder).toDouble());
        if (have > wanted.toDouble()) continue;
        std::vector<QVariant> part;
        for (const QString& c : list.columns) part.push_back(rows.value(c));
        list.parts.push_back(std::move(part));
    }
    return list;
}

PaperRun paintReorderList(QPagedPaintDevice& device, const ReorderList& list,
                          const PageHeading& heading) {
    QStringList headings;
    for (const QString& c : list.columns) headings << paper::heading(c);
    ListPages pages(device, heading, headings, qint64(list.parts.size()));
    PaperRun run;
    for (const auto& part : list.parts) {
        QStringList cells;
        for (const QVariant& v : part) cells << text(v);
        pages.add(cells);
        ++run.parts;
    }
    if (list.parts.empty()) pages.empty(Text::tr("No part is at or below its re-order level."));
    run.pages = pages.finish();
    return run;
}

void writeReorderCsv(const QString& path, const ReorderList& list) {
    QSaveFile file(path);
    QByteArray out;
    for (int i = 0; i < list.columns.size(); ++i) {
        if (i) out += ',';
        exchange::appendCsvField(out, list.columns[i], false);
    }
    out += "\r\n";
    for (const auto& part : list.parts) {
        for (size_t i = 0; i < part.size(); ++i) {
            if (i) out += ',';
            const QVariant& v = part[i];
            if (v.typeId() == QMetaType::QString)
                exchange::appendCsvField(out, exchange::formulaGuarded(v.toString(), true), false);
            else
                exchange::appendCsvValue(out, v);
        }
        out += "\r\n";
    }
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw store::StoreError(
            exchange::kErrFileAccess,
            Text::tr("The file '%1' cannot be written (%2).").arg(path, file.errorString()));
}

}  // namespace paper
