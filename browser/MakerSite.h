#pragma once

#include <QString>
#include <QUrl>

// The maker's site as the program ships it, in its own folder, so that the browser window
// works without a network. Home and Search of the browser window go here too.
namespace MakerSite {

inline const QString kHomePage = QStringLiteral("/maker/index.html");
inline const QString kSearchPage = QStringLiteral("/maker/search.html");

// Addresses of the pages in the program's folder (`programFolder` without a trailing separator).
inline QUrl homePage(const QString& programFolder) {
    return QUrl::fromLocalFile(programFolder + kHomePage);
}
inline QUrl searchPage(const QString& programFolder) {
    return QUrl::fromLocalFile(programFolder + kSearchPage);
}

}  // namespace MakerSite
