#pragma once

#include <QString>

class QWidget;

// The strings every window shares: the program's folders and the default database file name.
// What the chooser or the new database window hands back when it closes: a database file and
// a table in it, or nothing.
struct DatabaseChoice {
    QString path;
    QString table;
    bool isEmpty() const { return path.isEmpty() || table.isEmpty(); }
};

namespace Control {

extern QString sAppPath;       // the program's folder, no trailing separator
extern QString sSharePath;     // where the logo and the maker's pages are read
extern QString sUnpackPath;    // where stored pictures are unpacked for a moment
extern QString sDatabaseFile;  // "/Parts.mdb"

// "Are you  sure you want to Quit?"; true for Yes.
bool Confirm_Quit(QWidget* parent = nullptr);

}  // namespace Control
