#include "RecordSheet.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>

#include "PartsLayout.h"
#include "Platform.h"
#include "Recordset.h"

QStringList recordSheetLines(const QString& database, const QString& table, store::Recordset& rs) {
    const QString rule = QStringLiteral("   ") + QString(69, QLatin1Char('-'));
    QStringList lines{QString(), QString(), QString(), QString()};
    lines << QStringLiteral("      ") +
                 QCoreApplication::translate("RecordSheet", "DATABASE  NAME = ") + database
          << QStringLiteral("      ") +
                 QCoreApplication::translate("RecordSheet", "TABLE  NAME = ") + table
          << rule << QString() << QString();
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

QString printRecordSheet(const QStringList& lines, const QString& docName) {
    std::unique_ptr<QPrinter> printer = Platform::instance().defaultPrinter();
    if (!printer)
        return QCoreApplication::translate(
            "RecordSheet",
            "The record was not printed: no printer is set up as the default printer.");
    printer->setDocName(docName);
    QPainter painter;
    if (!painter.begin(printer.get()))
        return QCoreApplication::translate(
                   "RecordSheet",
                   "The record was not printed: the printer '%1' did not take the job.")
            .arg(printer->printerName());
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
        return QCoreApplication::translate(
                   "RecordSheet",
                   "The record may not have been printed: the printer '%1' reported a failure.")
            .arg(printer->printerName());
    return QString();
}
