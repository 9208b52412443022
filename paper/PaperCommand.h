#pragma once

#include <QString>
#include <QStringList>

#include "Catalogue.h"
#include "Labels.h"

namespace paper {

// "--print-labels", "--print-catalogue" or "--reorder-list DATABASE TABLE OUT", checked.
struct PaperRequest {
    enum class Kind { Labels, Catalogue, ReorderList };
    Kind kind = Kind::Labels;
    QString database;
    QString table;
    QString out;
    LabelOptions labels;
    CatalogueStyle style = CatalogueStyle::List;
    QStringList columns;
};

// Runs a request without a window (a QGuiApplication must exist): 0 done, 1 not done, the
// reason on standard error, what was made on standard output.
int runPaperCommand(const PaperRequest& request);

}  // namespace paper
