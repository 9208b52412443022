// The entry point that the program finds by name once it has loaded this library.

#include <QtGlobal>
#include <type_traits>

#include "BrowserWindow.h"
#include "frmBrowser.h"

extern "C" Q_DECL_EXPORT QWidget* cogwright_open_browser(const QString& programFolder,
                                                         const QString& startingAddress) {
    static_assert(std::is_same_v<decltype(&cogwright_open_browser), BrowserWindow::OpenFunction>);
    auto* window = new frmBrowser(programFolder);  // no owner: both windows stay usable
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->StartingAddress = startingAddress;
    window->Form_Load();
    return window;
}
