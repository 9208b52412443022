#pragma once

#include <QString>
#include <functional>
#include <vector>

// Converting a Jet or ACE file into a new catalogue of ours (the child process's work).
namespace legacy {

// Lines of progress, one per event, fields split by tabs, names percent-encoded:
//   tables N | table I NAME ROWS | rows DONE ROWS | linked NAME | done TABLES ROWS
//   leftout TABLE COLUMN WHY | unreadable TABLE ROW KEY COLUMN | outofrange TABLE ROW KEY COLUMN
using ProgressLine = std::function<void(const QByteArray& line)>;

// Converts every user table of `in` into the new file `out`, which appears only when complete
// (never over an existing file). `in` is only read. Throws JetError or store::StoreError with a
// message naming `in`.
void convertJet(const QString& in, const QString& out, const ProgressLine& progress);

// The child's whole run of `cogwright --convert-jet IN OUT`: progress on standard output, a
// message naming IN on standard error and a non-zero status on failure; also when the reader
// crashes or stalls, and never with a part of OUT left behind. Returns the exit status.
int runConvertJet(const QString& in, const QString& out);

// A table that becomes a parts table: the seven fixed columns, every other one an optional
// column of the parts layout; gives the boxes of its optional columns.
struct JetTable;
bool partsShape(const JetTable& table, std::vector<int>* boxes = nullptr);

}  // namespace legacy
