#pragma once

#include <QCoreApplication>
#include <QDate>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace paper {

class PartRows;

// The translation context of what is printed and reported here.
class Text {
    Q_DECLARE_TR_FUNCTIONS(paper)
};

// Rows done and rows in all; false stops the run.
using Progress = std::function<bool(qint64 done, qint64 all)>;

// What a run printed, and what the user is to be told about it.
struct PaperRun {
    qint64 parts = 0;
    int pages = 0;
    bool cancelled = false;
    QStringList notes;
};

// Millimetres in the device's own units.
double mm(const QPagedPaintDevice& device, double millimetres);

// Sets the paper, with no margins: the pages are drawn from the paper's corner.
void setPage(QPagedPaintDevice& device, const QPageLayout& layout);

// Writes pages to a PDF file: `paint` draws them onto the writer it is given. The file is put
// in place only when `paint` ends without cancelling; a failure throws store::StoreError.
PaperRun writePdf(const QString& path, const QPageLayout& layout,
                  const std::function<PaperRun(QPagedPaintDevice&)>& paint);

// The heading every page of a catalogue or list carries: what it is, from where and when.
struct PageHeading {
    QString title;
    QString database;
    QString table;
    QDate date = QDate::currentDate();
};

}  // namespace paper
