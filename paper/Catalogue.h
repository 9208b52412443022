#pragma once

#include <QStringList>
#include <QVariant>
#include <vector>

#include "Paper.h"

namespace paper {

enum class CatalogueStyle { List, Cards };

struct CatalogueOptions {
    CatalogueStyle style = CatalogueStyle::List;
    // The list's columns after part number, name and category.
    QStringList columns;
    PageHeading heading;
};

// Cards per page, across and down.
constexpr int kCardColumns = 2;
constexpr int kCardRows = 3;

// A4 upright, drawn from the paper's corner with margins of our own.
QPageLayout cataloguePageLayout();

// Every part `rows` gives, a line each or a card each with its picture; the pages are made and
// handed to the device one at a time.
PaperRun paintCatalogue(QPagedPaintDevice& device, PartRows& rows, const CatalogueOptions& options,
                        const Progress& progress = {});

// The parts to order: those whose stock and what is on order come to their re-order level or
// below. A part with no re-order level is never listed; no stock or nothing on order counts 0.
struct ReorderList {
    QStringList columns;  // as the table spells them: number, name, quantities, suppliers
    std::vector<std::vector<QVariant>> parts;
};

// Why a table with these columns has no re-order list (the columns it lacks), or empty.
QString reorderListRefusal(const QString& table, const QStringList& columns);
// Reads the list, or throws store::StoreError with the refusal above.
ReorderList reorderList(PartRows& rows, const Progress& progress = {});
PaperRun paintReorderList(QPagedPaintDevice& device, const ReorderList& list,
                          const PageHeading& heading);
// The list as CSV, written whole or not at all; store::StoreError when it cannot be.
void writeReorderCsv(const QString& path, const ReorderList& list);

}  // namespace paper
