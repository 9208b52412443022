#include <QApplication>
#include "ErrorReport.h"
#include "ExitWhenShown.h"
#include "frmMain.h"


int main(int argc, char** argv) {
    // Qt::AA_ShareOpenGLContexts is not set here: it would load the OpenGL driver at every start.
    // The browser's loader makes the shared context the engine needs when the browser is first
    // opened (BrowserWindow.cpp).
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    frmMain window;
    // A failed start-up has been reported; the window is never shown.
    if (!startUpGuarded(nullptr, [&] { window.Form_Load(); })) return 1;
    ExitWhenShown probe;
    if (qEnvironmentVariableIntValue("COGWRIGHT_EXIT_WHEN_SHOWN") == 1) window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
