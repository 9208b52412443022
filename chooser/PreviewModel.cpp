#include "PreviewModel.h"

#include <QColor>

void PreviewModel::reset(const QStringList& headers, int rows, RowSource source) {
    beginResetModel();
    m_headers = headers;
    m_rows = rows;
    m_source = std::move(source);
    m_blank = false;
    m_cachedRow = -1;
    m_cached.clear();
    endResetModel();
}

void PreviewModel::blank() {
    m_blank = true;
    m_cachedRow = -1;
    m_cached.clear();
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString PreviewModel::text(int row, int column) const {
    if (m_blank || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return QString();
    if (row == 0) return m_headers.at(column);
    if (row != m_cachedRow) {
        m_cached = m_source ? m_source(row) : QStringList();
        m_cachedRow = row;
    }
    return m_cached.value(column);
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + m_rows;
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole) return text(index.row(), index.column());
    if (role == Qt::BackgroundRole && index.row() == 0) return QColor(0xE0, 0xE0, 0xE0);
    return QVariant();
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
    return index.row() == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
