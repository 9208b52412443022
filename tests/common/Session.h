#pragma once

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "ErrorReport.h"
#include "Fixture.h"
#include "frmMain.h"
#include "frmMainProbe.h"

// A program folder, the scripted platform over it and the window, as the program starts them.
struct Session {
    ProgramFolder folder;
    ScriptedPlatform platform{folder.path()};
    std::unique_ptr<frmMain> w;

    frmMainProbe state() const { return frmMainProbe(*w); }

    bool start() {
        w = std::make_unique<frmMain>();
        return startUpGuarded(nullptr, [&] { w->Form_Load(); });
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        T* c = w->findChild<T*>(QLatin1String(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QString text(const char* name) const {
        if (auto* e = w->findChild<QLineEdit*>(QLatin1String(name))) return e->text();
        if (auto* p = w->findChild<QPlainTextEdit*>(QLatin1String(name))) return p->toPlainText();
        return child<QLabel>(name)->text();
    }
    bool locked(const char* name) const {
        if (auto* e = w->findChild<QLineEdit*>(QLatin1String(name))) return e->isReadOnly();
        return child<QPlainTextEdit>(name)->isReadOnly();
    }
    bool pictureShown() const { return !child<QLabel>("imgPicture")->pixmap().isNull(); }
    QColor pictureColourAtCentre() const {
        const QImage img = child<QLabel>("imgPicture")->pixmap().toImage();
        return img.pixelColor(img.width() / 2, img.height() / 2);
    }
    bool unpackFileLeft() const { return QFile::exists(folder.file(QStringLiteral("ok.jpg"))); }

    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Types into a box as the user does: focus, then the keys.
    void type(const char* box, const QString& keys) {
        QWidget* b = child(box);
        b->setFocus();
        QTest::keyClicks(b, keys);
    }
    // Selects all of a box's text and types over it, as the user does.
    void replaceText(const char* box, const QString& text) {
        QWidget* b = child(box);
        b->setFocus();
        QTest::keyClick(b, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Delete);
        else
            QTest::keyClicks(b, text);
    }
    QTableWidget* grid() const { return child<QTableWidget>("MSFlexGrid1"); }
    void clickCell(int row, int column) {
        QTableWidget* g = grid();
        QTableWidgetItem* item = g->item(row, column);
        if (!item) qFatal("no grid cell %d,%d", row, column);
        g->scrollToItem(item);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualItemRect(item).center());
    }
    // Types over the field editor's text for grid column `column`, without Enter.
    void typeInEditor(int column, const QString& text) {
        clickCell(1, column);
        auto* editor = child<QLineEdit>("txtField");
        editor->setFocus();
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, text);
    }
    QString cell(int row, int column) const {
        QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    QColor cellBack(int row, int column) const {
        return grid()->item(row, column)->background().color();
    }
    // The colour the box's text area is painted in.
    QColor back(const char* box) const {
        QWidget* b = child(box);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(b)) b = area->viewport();
        return b->palette().color(QPalette::Base);
    }
    bool enabled(const char* button) const { return child<QPushButton>(button)->isEnabled(); }
    QString db() const { return folder.file(QStringLiteral("Parts.mdb")); }
};

// Starts a session on what its folder holds and shows the window, active, as a user finds it.
inline std::unique_ptr<Session> shownSession(std::unique_ptr<Session> s) {
    if (!s->start()) qFatal("start-up failed");
    s->w->show();
    QApplication::setActiveWindow(s->w.get());
    if (!QTest::qWaitForWindowActive(s->w.get())) qFatal("the window did not become active");
    return s;
}

// A session on a table of `parts` numbered parts with Retail Price, Qty In Stock, Weight, Location.
inline std::unique_ptr<Session> shownSession(int parts) {
    auto s = std::make_unique<Session>();
    s->folder.makeDatabase();
    s->folder.writeLogo();
    addParts(s->db(), QStringLiteral("Parts"), parts);
    return shownSession(std::move(s));
}
