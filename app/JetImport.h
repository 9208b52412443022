#pragma once

#include <QString>

class QWidget;

// Old Jet catalogues (.mdb, .accdb) as the windows meet them. The file is converted by this
// program started again as a child process, with a progress dialog that can cancel; the
// original is only ever read.

// Converts `in` into the new file `out`. Returns an empty text when `out` is complete, else
// why not (naming `in`); nothing of `out` is left then, and `cancelled` tells whether the
// user cancelled it. Linked tables and columns that were left out are named to the user.
QString convertJetFile(QWidget* parent, const QString& in, const QString& out,
                       bool* cancelled = nullptr);

// The question asked before a Jet file is converted, naming where the new file goes.
bool askToConvertJet(QWidget* parent, const QString& jetFile, const QString& where);

// Start-up on a Jet file: asks, converts, and gives the catalogue to open. The default
// catalogue (`isDefault`) is kept as "Parts (Jet original).mdb" and the converted file takes
// its name; any other file gets "<name> (converted).mdb" beside it. On No the path comes back
// unchanged, and so on Cancel; a failed conversion throws store::StoreError.
QString startUpOnJetFile(const QString& path, bool isDefault);
