#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "Control.h"
#include "Fixture.h"
#include "frmOpenDb.h"

// The database chooser over a program folder of the test's own, shown as the main window shows it.
struct ChooserSession {
    ProgramFolder folder;
    ScriptedPlatform platform{folder.path()};
    QString db;
    std::unique_ptr<frmOpenDb> window;

    // The chooser opens on `database` (none: on no database yet).
    void open(const QString& database) {
        Control::sAppPath = folder.path();
        Control::sUnpackPath = folder.path();
        window = std::make_unique<frmOpenDb>(
            DatabaseChoice{database, database.isEmpty() ? QString() : QStringLiteral("Parts")});
        window->show();
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        T* c = window->findChild<T*>(QLatin1String(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QTreeWidget* tree() const { return child<QTreeWidget>("trvData"); }
    QTableView* grid() const { return child<QTableView>("MSFlexGrid1"); }
    int rows() const { return grid()->model()->rowCount(); }
    QStringList tables() const {
        QStringList out;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            out << tree()->topLevelItem(i)->text(0);
        return out;
    }
    // The table's node in the tree; null when the tree has none.
    QTreeWidgetItem* node(const QString& table) const {
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            if (tree()->topLevelItem(i)->text(0) == table) return tree()->topLevelItem(i);
        return nullptr;
    }
    void clickNode(QTreeWidgetItem* item) {
        if (!item) qFatal("no such node in the tree");
        tree()->scrollToItem(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualItemRect(item).center());
    }
    void preview(const QString& table) {
        QTreeWidgetItem* item = node(table);
        if (!item) qFatal("no table node %s", qPrintable(table));
        clickNode(item);
    }
    void clickRow(int row) {
        const QModelIndex index = grid()->model()->index(row, 0);
        grid()->scrollTo(index);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(index).center());
    }
    QString cell(int r, int c) const { return grid()->model()->index(r, c).data().toString(); }
    QPixmap picture() const { return child<QLabel>("Picture1")->pixmap(); }
    bool enabled(const char* button) const { return child<QPushButton>(button)->isEnabled(); }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void browse(const QString& choice) {
        platform.fileChoices = {choice};
        click("cmdBrowse");
    }
};

// Runs `script` on the modal window that comes up next, once it is up. A window still open long
// after is closed, so that a test whose script did not end it fails instead of waiting forever.
inline void onModal(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) qFatal("no modal window came up");
        QPointer<QDialog> watched(dialog);
        QTimer::singleShot(30000, [watched] {
            if (watched && watched->isVisible()) {
                qWarning("a modal window was still open after 30 s: closed");
                watched->reject();
            }
        });
        script(dialog);
    });
}
