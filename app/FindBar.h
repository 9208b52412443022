#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The find bar of the parts window: a small tool window of its own that stays over the window,
// so that its access keys (Find &Next) never clash with the window's own (&Next).
class FindBar : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent);

    QString text() const;
    void showFor(QWidget* window);  // shown under `window`, the text selected for typing over
    void setFilterOn(bool on);
    void setCount(const QString& count);
    void setNote(const QString& note);

signals:
    void textEdited(const QString& text);
    void nextRequested();
    void previousRequested();
    void filterRequested();
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The text's edits, the buttons and the keys F3, Shift+F3 and Find.
    void connectActions();
    // What the search found, told to screen readers as it changes.
    void announce();

    QLineEdit* m_text;
    QPushButton* m_next;
    QPushButton* m_previous;
    QPushButton* m_filter;
    QLabel* m_count;
    QLabel* m_note;
};
