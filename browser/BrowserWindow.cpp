#include "BrowserWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <stdexcept>

namespace BrowserWindow {

namespace {

QStringList& chosenFolders() {
    static QStringList folders;
    return folders;
}

}  // namespace

QStringList libraryFolders() {
    if (!chosenFolders().isEmpty()) return chosenFolders();
    QStringList folders{QCoreApplication::applicationDirPath()};
    // Test programs run from their own folder; the build keeps the library beside the program.
    const QString built = QStringLiteral(COGWRIGHT_BROWSER_BUILD_DIR);
    if (QDir(built) != QDir(folders.front())) folders << built;
    return folders;
}

void setLibraryFolders(const QStringList& folders) { chosenFolders() = folders; }

QWidget* open(const QString& programFolder, const QString& startingAddress) {
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
        QStringLiteral("The web browser window could not be opened: its library %1 could not be loaded.\n%2")
            .arg(QLatin1String(kLibraryName), failures.join(QLatin1Char('\n')))
            .toStdString());
}

}  // namespace BrowserWindow
