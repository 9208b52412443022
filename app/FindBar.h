#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Find.h"

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
    QLineEdit* m_text;
    QPushButton* m_next;
    QPushButton* m_previous;
    QPushButton* m_filter;
    QLabel* m_count;
    QLabel* m_note;
};

// One search at a time over a table, on a thread of its own; a new search or cancel() stops the
// one running, whose result is then never delivered.
class PartSearch : public QObject {
    Q_OBJECT

public:
    PartSearch() = default;
    ~PartSearch() override;

    void start(const QString& path, const QString& table, const store::TextMatch& match);
    void cancel();
    bool running() const { return m_running; }

signals:
    void finished(const store::FoundKeys& found);
    void failed(const QString& why);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> m_workers;
    std::shared_ptr<std::atomic<bool>> m_stop;
    unsigned m_generation = 0;
    bool m_running = false;
};
