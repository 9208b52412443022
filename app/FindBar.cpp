#include "FindBar.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "StoreError.h"

FindBar::FindBar(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("FindBar"));
    if (parent) setFont(parent->font());
    setWindowTitle(tr("Find a Part"));
    auto* label = new QLabel(tr("&Find:"), this);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("txtFind"));
    m_text->setAccessibleName(tr("Find"));
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(200);
    label->setBuddy(m_text);
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        b->setAutoDefault(false);
        return b;
    };
    m_next = button("cmdFindNext", tr("Find &Next"));
    m_previous = button("cmdFindPrevious", tr("Find &Previous"));
    m_filter = button("cmdShowOnly", tr("Show &Only Matches"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblFindCount"));
    m_count->setAccessibleName(tr("Matches"));
    m_count->setMinimumWidth(110);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblFindNote"));
    m_note->setAccessibleName(tr("Find result"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_text, 1);
    row->addWidget(m_next);
    row->addWidget(m_previous);
    row->addWidget(m_filter);
    row->addWidget(m_count);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(8, 6, 8, 6);
    all->setSpacing(2);
    all->addLayout(row);
    all->addWidget(m_note);
    connectActions();
}

void FindBar::connectActions() {
    // Typed, pasted, cleared with the clear button or put in by assistive technology: every
    // change is the user's.
    connect(m_text, &QLineEdit::textChanged, this, &FindBar::textEdited);
    connect(m_text, &QLineEdit::returnPressed, this, &FindBar::nextRequested);
    connect(m_next, &QPushButton::clicked, this, &FindBar::nextRequested);
    connect(m_previous, &QPushButton::clicked, this, &FindBar::previousRequested);
    connect(m_filter, &QPushButton::clicked, this, &FindBar::filterRequested);
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, &FindBar::nextRequested);
    auto* shiftF3 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(shiftF3, &QShortcut::activated, this, &FindBar::previousRequested);
    auto* again = new QShortcut(QKeySequence::Find, this);
    connect(again, &QShortcut::activated, this, [this] {
        m_text->setFocus();
        m_text->selectAll();
    });
}

QString FindBar::text() const {
    return m_text->text();
}

void FindBar::showFor(QWidget* window) {
    adjustSize();
    // Just under the window, as wide as it; pulled up over its foot where the screen ends.
    const QRect frame = window->frameGeometry();
    int y = frame.bottom() + 1;
    if (const QScreen* screen = window->screen()) {
        const QRect avail = screen->availableGeometry();
        if (y + height() > avail.bottom()) y = std::max(avail.top(), frame.bottom() - height());
    }
    resize(std::max(frame.width(), sizeHint().width()), sizeHint().height());
    move(frame.left(), y);
    show();
    raise();
    activateWindow();
    m_text->setFocus();
    m_text->selectAll();
}

void FindBar::setFilterOn(bool on) {
    m_filter->setText(on ? tr("Show &All") : tr("Show &Only Matches"));
    m_filter->setAccessibleName(on ? tr("Show All") : tr("Show Only Matches"));
}

void FindBar::setCount(const QString& count) {
    m_count->setText(count);
    announce();
}
void FindBar::setNote(const QString& note) {
    m_note->setText(note);
    announce();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit closeRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindBar::closeEvent(QCloseEvent* event) {
    // The close box does what Escape does; the window decides when the bar goes.
    event->ignore();
    emit closeRequested();
}

void FindBar::announce() {
    // A screen reader speaks the focused box's description when it changes, and reads the
    // labels by their names: both say what the search found.
    const QString count = m_count->text();
    const QString note = m_note->text();
    m_count->setAccessibleName(count.isEmpty() ? tr("Matches") : count);
    m_note->setAccessibleName(note.isEmpty() ? tr("Find result") : note);
    QStringList said;
    for (const QString& part : {count, note})
        if (!part.isEmpty()) said << part;
    m_text->setAccessibleDescription(said.join(QStringLiteral(" ")));
}
