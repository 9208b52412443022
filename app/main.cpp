#include <QApplication>

#include "ErrorReport.h"
#include "frmMain.h"

int main(int argc, char** argv) {
    // The browser window's engine shares OpenGL contexts; this has to be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    frmMain window;
    // A failed start-up has been reported; the window is never shown.
    if (!startUpGuarded(nullptr, [&] { window.Form_Load(); })) return 1;
    window.show();
    return app.exec();
}
