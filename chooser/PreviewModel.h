#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

// The preview grid's cells: row 0 holds the field names, rows 1 to n the records. Record rows
// are asked for only as they come into view, so that a table of any size previews in the
// memory of what is on screen.
class PreviewModel : public QAbstractTableModel {
public:
    using RowSource = std::function<QStringList(int row)>;  // the texts of record row 1..n

    void reset(const QStringList& headers, int rows, RowSource source);
    // Every cell's text emptied; the numbers of rows and columns stay.
    void blank();
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_headers;
    int m_rows = 0;
    RowSource m_source;
    bool m_blank = false;
    mutable int m_cachedRow = -1;
    mutable QStringList m_cached;
};
