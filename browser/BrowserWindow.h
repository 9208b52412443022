#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The browser window and its web engine live in a library of their own, loaded when the window
// is first opened, so that starting the program does not load the engine. This header is all
// that the opener sees of it: no engine header comes in through here.
namespace BrowserWindow {

// The library's one entry point: shows a new browser window (no owner, deleted when closed)
// going to `startingAddress`; Home and Search go to the maker's pages under `programFolder`.
using OpenFunction = QWidget* (*)(const QString& programFolder, const QString& startingAddress);
inline constexpr char kOpenFunction[] = "cogwright_open_browser";
inline constexpr char kLibraryName[] = "cogwright_browser";

// Loads the library on first use and opens a window through it. Throws std::runtime_error,
// saying what was looked for and where, when the library cannot be loaded.
QWidget* open(const QString& programFolder, const QString& startingAddress);

// Where the library is looked for, in order: beside the executable, then in the build's
// program folder. Tests may give their own list; an empty one puts these back.
QStringList libraryFolders();
void setLibraryFolders(const QStringList& folders);

}  // namespace BrowserWindow
