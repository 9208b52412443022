#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <vector>

#include "RecordSession.h"

class QLabel;
class QLineEdit;
class QTableWidget;

// The grid of the record's columns (row 0 the names, row 1 the values) and the field editor
// under it, over the record session: what is typed into the editor goes into the session's
// draft, checked against its column.
class FieldGrid {
    Q_DECLARE_TR_FUNCTIONS(FieldGrid)

public:
    static const QColor kWhite;
    static const QColor kYellow;

    FieldGrid(QTableWidget* grid, QLineEdit* editor, QLabel* label,
              session::RecordSession& session);

    // Every column but the picture, with the draft's or the stored values, widths to fit.
    void fill();
    // A click on a cell: the cell is selected and shown in the editor. Returns the record
    // column of the cell, or an empty text for the key or no cell.
    QString select();
    // The remembered cell shown in the editor again (after a move).
    void showField();
    // Escape empties the editor; Enter puts its text into the draft.
    session::Outcome keyPress(int keyAscii);
    // The editor's text, when the user changed it, into the draft and its cell.
    session::Outcome commit();
    bool typed() const { return m_typed; }
    void setTyped(bool typed) { m_typed = typed; }
    // The current cell is the one the last select() chose (a click there needs no commit).
    bool onSelectedCell() const;
    bool isEditorColumn(int column) const;
    QString columnName(int column) const;
    // The window is filling the editor itself.
    bool isShowing() const { return m_showing; }

private:
    void setEditorText(const QString& text);

    QTableWidget* m_grid;
    QLineEdit* m_editor;
    QLabel* m_label;
    session::RecordSession& m_session;
    std::vector<int> m_fields;  // grid column -> field ordinal
    int m_row = 0;              // the remembered cell
    int m_column = 0;
    bool m_typed = false;  // the editor's text is the user's, not yet in its cell
    bool m_showing = false;
};
