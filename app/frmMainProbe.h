#pragma once

#include "frmMain.h"

// The parts window's state as its tests and benchmarks see it; the program itself never
// reaches into the window this way.
class frmMainProbe {
public:
    explicit frmMainProbe(frmMain& w)
        : cnParts(w.cnParts),
          rsParts(w.rsParts),
          sImagePath(w.sImagePath),
          sStoredImagePath(w.sStoredImagePath),
          bEditMode(w.bEditMode),
          bRecordChanged(w.bRecordChanged),
          bConnected(w.bConnected) {}
    std::unique_ptr<store::Connection>& cnParts;
    std::unique_ptr<store::Recordset>& rsParts;
    QString& sImagePath;
    QString& sStoredImagePath;
    bool& bEditMode;
    bool& bRecordChanged;
    bool& bConnected;
};
