// Old Jet files in the windows: the chooser previews one and converts it on OK; a start-up on
// a Jet Parts.mdb converts it and goes on as on a file of ours.

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeWidget>

#include "Connection.h"
#include "Control.h"
#include "JetConversion.h"
#include "JetReference.h"
#include "Session.h"
#include "frmOpenDb.h"

class JetWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        legacy::JetConversion::setProgram(QStringLiteral(COGWRIGHT_BIN));
    }
};

QTEST_MAIN(JetWindowsTest)
#include "tst_jet_windows.moc"
