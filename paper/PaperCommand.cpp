#include "PaperCommand.h"

#include <QFileInfo>
#include <cstdio>
#include <new>

#include "Connection.h"
#include "PartRows.h"
#include "StoreError.h"

namespace paper {

namespace {

void err(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("cogwright: ") + text + QLatin1Char('\n')), stderr);
}

void out(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

PageHeading headingFor(const PaperRequest& r, const QString& title) {
    PageHeading heading;
    heading.title = title;
    heading.database = r.database;
    heading.table = r.table;
    return heading;
}

PaperRun run(const PaperRequest& r, store::Connection& connection) {
    PartRows rows(connection, r.table);
    switch (r.kind) {
        case PaperRequest::Kind::Labels:
            return writePdf(r.out, r.labels.layout->pageLayout(), [&](QPagedPaintDevice& device) {
                return paintLabels(device, rows, r.labels);
            });
        case PaperRequest::Kind::Catalogue: {
            CatalogueOptions options{r.style, r.columns,
                                     headingFor(r, Text::tr("Parts catalogue"))};
            return writePdf(r.out, cataloguePageLayout(), [&](QPagedPaintDevice& device) {
                return paintCatalogue(device, rows, options);
            });
        }
        case PaperRequest::Kind::ReorderList: {
            const ReorderList list = reorderList(rows);
            if (r.out.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
                writeReorderCsv(r.out, list);
                PaperRun done;
                done.parts = qint64(list.parts.size());
                return done;
            }
            return writePdf(r.out, cataloguePageLayout(), [&](QPagedPaintDevice& device) {
                return paintReorderList(device, list, headingFor(r, Text::tr("Re-order list")));
            });
        }
    }
    return {};
}

}  // namespace

int runPaperCommand(const PaperRequest& r) {
    try {
        store::Connection connection;
        const QString source = store::Connection::isServerAddress(r.database)
                                   ? r.database
                                   : QFileInfo(r.database).absoluteFilePath();
        connection.Open(QStringLiteral("Data Source=") + store::Connection::quoteValue(source));
        const PaperRun done = run(r, connection);
        if (r.kind != PaperRequest::Kind::ReorderList && done.pages == 0) {
            err(done.notes.join(QLatin1Char(' ')));
            return 1;
        }
        for (const QString& note : done.notes) err(note);
        if (r.kind == PaperRequest::Kind::Labels)
            out(Text::tr("Printed the labels of %1 parts on %n page(s) to '%2'.", nullptr,
                         done.pages)
                    .arg(done.parts)
                    .arg(r.out));
        else if (r.kind == PaperRequest::Kind::Catalogue)
            out(Text::tr("Printed %1 parts on %n page(s) to '%2'.", nullptr, done.pages)
                    .arg(done.parts)
                    .arg(r.out));
        else
            out(Text::tr("%1 parts are at or below their re-order level; the list is in '%2'.")
                    .arg(done.parts)
                    .arg(r.out));
        return 0;
    } catch (const store::StoreError& e) {
        err(e.description());
        return 1;
    } catch (const std::bad_alloc&) {
        err(Text::tr("There is not enough memory to print the table '%1'.").arg(r.table));
        return 1;
    }
}

}  // namespace paper
