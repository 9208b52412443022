// The yardstick for bench_startup: the barest Qt window, ended the same way as the program.
// Built twice: plain, and linked with the browser engine (without using it) and sharing OpenGL
// contexts as the engine asks, to show what having the engine at start-up costs.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

#ifdef BARE_WINDOW_WITH_ENGINE
#include <QWebEngineView>
#endif

#include "ExitWhenShown.h"

int main(int argc, char** argv) {
    startupStep("main");
#ifdef BARE_WINDOW_WITH_ENGINE
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // A use of the engine's library, so that the linker keeps it.
    [[maybe_unused]] const QMetaObject* volatile engine = &QWebEngineView::staticMetaObject;
#endif
    QApplication app(argc, argv);
    startupStep("application");
    QLabel window(QStringLiteral("A bare window"));
    window.resize(640, 540);
    startupStep("window");
    ExitWhenShown probe;
    window.installEventFilter(&probe);
    window.show();
    startupStep("show");
    return app.exec();
}
