#pragma once

// SQLite plumbing for connections that read a whole table from start to end (a search, the
// part numbers' index): not part of the store's interface.

namespace store::sql {

// The name of an SQLite file layer that reads a database file ahead in large pieces where the
// reads go forward, so that a scan asks the system for a few hundred kilobytes at a time rather
// than for every page on its own. What it has read is forgotten whenever the connection lets its
// lock on the file go, so that it never shows a page older than the file's own. Journals and
// files in WAL mode are read as the default layer reads them.
const char* readAheadVfs();

}  // namespace store::sql
