#include "BrowserWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QOpenGLContext>
#include <stdexcept>

QT_BEGIN_NAMESPACE
// Exported by Qt GUI for the modules that share contexts (the engine among them), not declared
// in a public header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace BrowserWindow {

namespace {

// The engine draws through an OpenGL context shared with the application's. QGuiApplication
// makes one at its start when told to (Qt::AA_ShareOpenGLContexts), which would cost every
// start of the program the loading of the OpenGL driver. It is made here instead, as Qt would
// have made it, before the engine is loaded and while no window has an OpenGL context yet.
void shareOpenGLContexts() {
#if QT_CONFIG(opengl)
    if (QOpenGLContext::globalShareContext()) return;
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
    // Goes while the windowing system is still there.
    qAddPostRoutine([] {
        delete QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
    });
#endif
}

QStringList& chosenFolders() {
    static QStringList folders;
    return folders;
}

}  // namespace

QStringList libraryFolders() {
    if (!chosenFolders().isEmpty()) return chosenFolders();
    // Beside the program, or where an installed program keeps its libraries (PREFIX/lib/cogwright).
    QStringList folders{
        QCoreApplication::applicationDirPath(),
        QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/cogwright"))
            .absolutePath()};
    // Test programs run from their own folder; the build keeps the library beside the program.
    const QString built = QStringLiteral(COGWRIGHT_BROWSER_BUILD_DIR);
    if (QDir(built) != QDir(folders.front())) folders << built;
    return folders;
}

void setLibraryFolders(const QStringList& folders) {
    chosenFolders() = folders;
}

QWidget* open(const QString& programFolder, const QString& startingAddress) {
    shareOpenGLContexts();
    QStringList failures;
    for (const QString& folder : libraryFolders()) {
        // The library stays loaded for the rest of the run: its windows' code lives there.
        QLibrary library(QDir(folder).filePath(QLatin1String(kLibraryName)));
        if (!library.load()) {
            failures << library.errorString();
            continue;
        }
        auto openWindow = reinterpret_cast<OpenFunction>(library.resolve(kOpenFunction));
        if (!openWindow) {
            failures << library.errorString();
            continue;
        }
        return openWindow(programFolder, startingAddress);
    }
    throw std::runtime_error(
        QCoreApplication::translate(
            "BrowserWindow",
            "The web browser window could not be opened: its library %1 could not be loaded.\n%2")
            .arg(QLatin1String(kLibraryName), failures.join(QLatin1Char('\n')))
            .toStdString());
}

}  // namespace BrowserWindow
