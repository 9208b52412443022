#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

#include "ExchangeText.h"

namespace store {
class Connection;
class TableAppender;
}  // namespace store

namespace exchange {

struct CsvField;

// Told how far a long run has come; false asks it to stop.
using Progress = std::function<bool(qint64 rowsDone, qint64 rowsInAll)>;

struct ExportResult {
    qint64 rows = 0;
    qint64 pictures = 0;
    bool cancelled = false;
};

// Writes a whole table as CSV: a header row of its column names, then one line per row. Binary
// values (pictures) go into the folder "<name of the CSV>_pictures" beside it, one file per
// record named by its key and given the extension its content shows; the field holds the
// file's name relative to the CSV. Streamed: a table of any size in little memory. A failed or
// cancelled export leaves no CSV and no picture file of its own behind. The picture folder must
// be new or empty: no file the user has is replaced. A pipe or the standard output is written
// as the rows come; an ordinary file only when the export is done.
// With `guardFormulas`, a text that a spreadsheet would take for a formula is written with a
// leading "'" (formulaGuarded).
ExportResult exportCsv(store::Connection& connection, const QString& table, const QString& csvPath,
                       const Progress& progress = {}, bool guardFormulas = false);

// A text that begins with a formula sign (= + - @, a tab or CR) made inert for spreadsheets
// with a leading "'" when `guard` is set; a text with quotes before such a sign gets one more
// whatever `guard` is. formulaUnguarded takes exactly that quote off again, so that the text
// reads back as it was.
bool isFormulaStart(QChar c);
QString formulaGuarded(const QString& text, bool guard);
QString formulaUnguarded(const QString& text);

// Whether `csvPath` is one of the program's own streams (/dev/stdout, /dev/fd/N): written to as
// it stands, with the pictures in the current folder.
bool isProcessTarget(const QString& csvPath);

// The folder the pictures of `csvPath` go into.
QString picturesFolder(const QString& csvPath);

// One row of the import refused: where, what and why.
struct Refusal {
    qint64 line = 0;
    QString column;
    QString value;
    QString reason;
};

// Reading a CSV file into a parts table, in steps, so that the user can be asked between them:
// open (the header row read and matched), then run inside a transaction of the connection, then
// commit or roll back.
class CsvImport {
public:
    // The refused rows kept in detail; the rest are counted.
    static constexpr size_t kRefusalsKept = 1000;

    // Reads the header row. Throws StoreError for a table that is not a parts table, a file
    // that cannot be read or is not CSV text, an empty file, a header that names a column twice.
    CsvImport(store::Connection& connection, const QString& table, const QString& csvPath);
    ~CsvImport();

    // Header names that match no column of the table (the first 20, each cut to its start);
    // their values are left out.
    static constexpr qsizetype kUnknownListed = 20;
    QStringList unknownColumns() const {
        QStringList names = m_unknown;
        if (m_moreUnknown > 0) names << Text::tr("(and %1 more)").arg(m_moreUnknown);
        return names;
    }
    // Pictures are read from the CSV's folder and below it only, unless others are allowed.
    void setPicturesFromAnywhere(bool allowed) { m_picturesFromAnywhere = allowed; }

    // Adds the file's rows to the table inside the connection's open transaction: each row
    // through the store's own checks, a refused row left out and recorded. A key in the file is
    // kept where it is free; where it is taken the row is refused, or with `newKeys` given the
    // next free key. False when `progress` asked to stop (the caller rolls back).
    bool run(bool newKeys, const Progress& progress = {});

    qint64 rowsRead() const { return m_rowsRead; }
    qint64 rowsAdded() const { return m_rowsAdded; }
    qint64 rowsRefused() const { return m_rowsRefused; }
    // Rows refused only because their key is taken.
    qint64 rowsWithTakenKeys() const { return m_takenKeyRows; }
    // Rows refused only because a picture is outside the CSV's folder, among others.
    qint64 rowsWithOutsidePictures() const { return m_outsideRows; }
    const std::vector<Refusal>& refusals() const { return m_refusals; }

private:
    struct RowState {
        bool refused = false;
        bool keyTaken = false;
        bool outside = false;
    };
    void refuse(qint64 line, const QString& column, const QString& value, const QString& reason);
    // Each value is handed to the target as it is taken.
    void takeField(store::TableAppender& target, int column, const CsvField& f, qint64 line,
                   bool newKeys, RowState& row);
    void takeKey(store::TableAppender& target, int column, const QString& text, qint64 line,
                 bool newKeys, RowState& row);
    void takePicture(store::TableAppender& target, int column, const QString& text, qint64 line,
                     RowState& row);

    store::Connection& m_connection;
    QString m_table;
    QString m_path;
    QStringList m_header;
    QStringList m_unknown;
    qsizetype m_moreUnknown = 0;
    std::vector<int> m_columnOf;  // per field of the file: the table's column, or -1
    qint64 m_rowsRead = 0;
    qint64 m_rowsAdded = 0;
    qint64 m_rowsRefused = 0;
    qint64 m_takenKeyRows = 0;
    qint64 m_outsideRows = 0;
    bool m_picturesFromAnywhere = false;
    QString m_folder;  // the CSV's folder, links resolved
    std::vector<Refusal> m_refusals;
};

// The refused rows as lines of text, "line 12, "Qty In Stock" "abc": why", at most `limit`.
QStringList refusalLines(const CsvImport& import, int limit);

}  // namespace exchange
