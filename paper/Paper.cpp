#include "Paper.h"

#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QSaveFile>

#include "CsvFile.h"
#include "StoreError.h"

namespace paper {

namespace {

// Fine enough for barcodes' modules; the pictures are scaled to their place, not to this.
constexpr int kPdfResolution = 600;

}  // namespace

double mm(const QPagedPaintDevice& device, double millimetres) {
    return millimetres * device.logicalDpiX() / 25.4;
}

void setPage(QPagedPaintDevice& device, const QPageLayout& layout) {
    device.setPageLayout(layout);
    device.setPageMargins(QMarginsF(), QPageLayout::Millimeter);
}

PaperRun writePdf(const QString& path, const QPageLayout& layout,
                  const std::function<PaperRun(QPagedPaintDevice&)>& paint) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw store::StoreError(
            exchange::kErrFileAccess,
            Text::tr("The file '%1' cannot be written (%2).").arg(path, file.errorString()));
    PaperRun run;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setCreator(QStringLiteral("Quillmark Cogwright Database"));
        setPage(writer, layout);
        run = paint(writer);
    }
    if (run.cancelled || run.pages == 0) {
        file.cancelWriting();
        return run;
    }
    if (!file.commit())
        throw store::StoreError(
            exchange::kErrFileAccess,
            Text::tr("The file '%1' cannot be written (%2).").arg(path, file.errorString()));
    return run;
}

}  // namespace paper
