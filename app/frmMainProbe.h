#pragma once

#include "frmMain.h"

// The parts window's state as its tests and benchmarks see it; the program itself never
// reaches into the window this way.
class frmMainProbe {
public:
    explicit frmMainProbe(frmMain& w)
        : session(*w.m_session),
          cnParts(&session.connection()),
          rsParts(&session.recordset()),
          sImagePath(w.sImagePath),
          sStoredImagePath(w.sStoredImagePath),
          bEditMode(session.isEditable()),
          bRecordChanged(session.hasChanges()),
          bConnected(session.isOpen()) {}
    session::RecordSession& session;
    store::Connection* cnParts;
    store::Recordset* rsParts;
    QString& sImagePath;
    QString& sStoredImagePath;
    bool bEditMode;
    bool bRecordChanged;
    bool bConnected;
};
