#include <QApplication>

#include "ErrorReport.h"
#include "frmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    frmMain window;
    // A failed start-up has been reported; the window is never shown.
    if (!startUpGuarded(nullptr, [&] { window.Form_Load(); })) return 1;
    window.show();
    return app.exec();
}
