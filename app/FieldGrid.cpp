#include "FieldGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <cmath>

#include "PartsLayout.h"

namespace {

// The screen works in pixels, the layout in twips: 15 twips a pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;
constexpr int kGridPadding = 320;  // twips added to the widest text of a grid column
// Attribute flags of 200 or more mark a long field, whose values never widen a column.
constexpr long kLongFieldFlags = 200;
const QColor kHeaderBack(0xE0, 0xE0, 0xE0);
// Texts longer than this are shown cut; the stored value stays whole unless the user edits it.
constexpr int kShownLimitCell = 250;
// The editor takes what its column holds; numbers and dates are never this long.
constexpr int kEditorLimit = 255;

bool sameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool isRecordText(const QString& column) {
    for (const auto& t : store::parts::kRecordTexts)
        if (sameName(column, t.column)) return true;
    return false;
}

}  // namespace

const QColor FieldGrid::kWhite(0xFF, 0xFF, 0xFF);
const QColor FieldGrid::kYellow(0xFF, 0xFF, 0x00);

FieldGrid::FieldGrid(QTableWidget* grid, QLineEdit* editor, QLabel* label,
                     session::RecordSession& session)
    : m_grid(grid), m_editor(editor), m_label(label), m_session(session) {
    m_editor->setMaxLength(kEditorLimit);
    // The chosen cell is yellow whether the grid has the focus or not.
    QPalette palette = m_grid->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, kYellow);
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
    }
    m_grid->setPalette(palette);
}

void FieldGrid::setEditorText(const QString& text) {
    const QScopedValueRollback showing(m_showing, true);
    m_editor->setText(text);
}

QString FieldGrid::columnName(int column) const {
    if (column < 0 || column >= int(m_fields.size()) || !m_session.isOpen()) return QString();
    return m_session.recordset()[m_fields[size_t(column)]].Name();
}

bool FieldGrid::isEditorColumn(int column) const {
    const QString name = columnName(column);
    return !name.isEmpty() && !isRecordText(name) && !sameName(name, store::parts::kKeyColumn);
}

void FieldGrid::fill() {
    m_grid->clear();
    m_grid->setRowCount(1);
    store::Recordset& rs = m_session.recordset();
    const int n = rs.fields().Count();
    m_fields.clear();
    for (int i = 0; i < n; ++i)
        if (!sameName(rs[i].Name(), store::parts::kImageColumn)) m_fields.push_back(i);
    const int columns = int(m_fields.size());
    m_grid->setColumnCount(columns);
    const QFontMetrics metrics(m_grid->font());
    auto measure = [&](const QString& text) {
        return metrics.horizontalAdvance(text) * kTwipsPerPixel;
    };
    std::vector<int> width(static_cast<size_t>(columns));
    auto cell = [](const QString& text, const QColor& back, bool selectable = false) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(selectable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
        item->setBackground(back);
        return item;
    };
    const bool values = !rs.EOF_() || m_session.mode() == session::Mode::Adding;
    if (values) m_grid->setRowCount(2);
    // The grid's own headers are hidden (the names are its first row), but a screen reader
    // reads them: they carry the column names, and the rows say what they hold.
    QStringList names;
    for (int c = 0; c < columns; ++c) names << rs[m_fields[size_t(c)]].Name();
    m_grid->setHorizontalHeaderLabels(names);
    m_grid->setVerticalHeaderLabels({FieldGrid::tr("Column"), FieldGrid::tr("Value")});
    for (int c = 0; c < columns; ++c) {
        store::Field& field = rs[m_fields[size_t(c)]];
        m_grid->setItem(0, c, cell(field.Name(), kHeaderBack));
        width[size_t(c)] = measure(field.Name());
        if (!values) continue;
        const QString text = m_session.text(field.Name()).left(kShownLimitCell);
        if (!text.isEmpty() && field.Attributes() < kLongFieldFlags)
            width[size_t(c)] = std::max(width[size_t(c)], measure(text));
        // The cell chosen is the grid's selection too, so that a screen reader reports it.
        m_grid->setItem(1, c,
                        cell(text, kWhite, !sameName(field.Name(), store::parts::kKeyColumn)));
    }
    for (int k = 0; k < columns; ++k)
        m_grid->setColumnWidth(
            k, int(std::lround(double(width[size_t(k)] + kGridPadding) / kTwipsPerPixel)));
}

bool FieldGrid::onSelectedCell() const {
    return m_grid->currentColumn() == m_column && std::max(m_grid->currentRow(), 1) == m_row;
}

QString FieldGrid::select() {
    int r = m_grid->currentRow();
    const int c = m_grid->currentColumn();
    // Row 0 holds the names and is not a cell to edit: a click there stands for the value below.
    if (r < 1) {
        if (m_grid->rowCount() < 2 || c < 0) return QString();
        r = 1;
        m_grid->setCurrentCell(r, c);
    }
    const QString field = columnName(c);
    if (field.isEmpty() || sameName(field, store::parts::kKeyColumn)) return QString();
    if (m_row >= 1 && m_column >= 1)
        if (QTableWidgetItem* before = m_grid->item(m_row, m_column)) before->setBackground(kWhite);
    if (QTableWidgetItem* now = m_grid->item(r, c)) now->setBackground(kYellow);
    m_row = r;
    m_column = c;
    if (isRecordText(field)) {
        m_label->setText(QString());
        setEditorText(QString());
    } else {
        showField();
    }
    m_typed = false;
    return field;
}

session::Outcome FieldGrid::keyPress(int keyAscii) {
    if (keyAscii == 27) {
        setEditorText(QString());
        m_typed = false;
    } else if (keyAscii == 13 && !m_editor->text().isEmpty()) {
        m_typed = true;
        return commit();
    }
    return session::Outcome::ok();
}

session::Outcome FieldGrid::commit() {
    if (!m_typed || !m_session.isEditable() || !isEditorColumn(m_column))
        return session::Outcome::ok();
    const QString text = m_editor->text();
    const session::Outcome taken = m_session.setText(columnName(m_column), text);
    if (!taken.done()) return taken;
    if (QTableWidgetItem* item = m_grid->item(m_row, m_column)) item->setText(text);
    m_typed = false;
    return taken;
}

void FieldGrid::showField() {
    m_typed = false;
    if (!isEditorColumn(m_column)) {
        m_label->setText(QString());
        setEditorText(QString());
        return;
    }
    QTableWidgetItem* cell = m_grid->item(m_row, m_column);
    if (cell) {
        m_grid->setCurrentCell(m_row, m_column);
        cell->setBackground(kYellow);
    }
    // The editor takes as many characters as its column holds.
    const store::Field& field = m_session.recordset()[m_fields[size_t(m_column)]];
    const long size = field.DefinedSize();
    m_editor->setMaxLength(field.Type() == store::adVarWChar && size > 0 ? int(size)
                                                                         : kEditorLimit);
    m_label->setText(m_grid->item(0, m_column) ? m_grid->item(0, m_column)->text() : QString());
    setEditorText(cell ? cell->text() : QString());
}
