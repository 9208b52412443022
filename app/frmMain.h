#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "Connection.h"
#include "Control.h"
#include "FindBar.h"
#include "PictureCache.h"
#include "RecordSession.h"
#include "Recordset.h"

class FieldGrid;
namespace session {
class FindController;
}

namespace Ui {
class frmMain;
}

// The parts record window: one record of one table at a time.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The catalogue Form_Load opens instead of Parts.mdb in the program's folder.
    void setStartingDatabase(const QString& path) { m_startingDatabase = path; }
    void Form_Load();
    void Show_Data();
    void Load_Picture(const QString& sImage);
    session::RecordSession& recordSession() { return *m_session; }

    // The browser window while it is open.
    QWidget* browserWindow() const { return m_browser; }

    // The printed sheet of the current record, line by line (made apart from the painting so
    // that it can be read without a printer).
    QStringList Print_Lines();

public slots:
    void cmdClose_Click();
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdSelect_Click();
    void cmdCreate_Click();
    void cmdOpen_Click();
    void cmdPrint_Click();
    // Labels, the printed catalogue and the re-order list, from the Print More menu.
    void openPaper(int kind);
    void lblMkt_Click();
    void MSFlexGrid1_Click();
    void txtField_KeyPress(int KeyAscii);
    // The find bar: opened with Ctrl+F; F3 and Shift+F3 jump to the next and previous match.
    void openFind();
    void findNext();
    void findPrevious();

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tests look at the state through a probe of their own.
    friend class frmMainProbe;

    session::RecordSession* m_session;
    QString sImagePath;        // the picture file shown: the logo, the unpack file or a chosen one
    QString sStoredImagePath;  // the unpack file of the stored picture shown

    store::Recordset& rs() { return m_session->recordset(); }
    // Every enabled, visible and read-only state of the window, from the session's.
    void updateActions();
    // Asks the questions an outcome carries until it is settled, and tells what was refused;
    // true when the command was carried out.
    bool resolve(session::Outcome outcome);
    // The session's command run as a handler: a find waiting for its results is dropped.
    bool command(const std::function<session::Outcome()>& run);
    void openCatalogue(const QString& path, const QString& table);
    void Clear_Form();
    void Fill_Grid();
    void Show_Field();
    void Reset_Colors();
    void boxEdited(QWidget* box, int typingLimit);

    // Saves, closes, shows the other window modally, then opens what it chose (or the
    // default database when it chose nothing).
    void switchDatabase(const std::function<DatabaseChoice(const DatabaseChoice&)>& showOther);
    void showCount();
    void setBackColor(QWidget* box, const QColor& colour);
    void endProgram();
    // Shows a picture file in imgPicture, whatever its format; false (and an empty picture)
    // when it cannot be read.
    bool showPictureFile(const QString& path);
    // The picture control's size in device pixels: pictures are read to it.
    QSize pictureSize() const;
    void showStoredPicture();
    void connectHandlers();
    void connectRecord();

    QWidget* recordBox(const QString& column) const;
    // Text typed into the field editor and not yet in its cell goes there (as Enter would);
    // false, with a report, when the column cannot take it.
    bool commitFieldEditor();

    PictureCache m_pictures;
    std::unique_ptr<FieldGrid> m_grid;
    bool m_showing = false;  // the window itself is filling the boxes
    QString m_startingDatabase;

    // ---- finding parts
    void connectFind();
    void dropPendingFind();
    void navigate(session::Move move);
    void refreshTable();
    void closeFind();

    std::unique_ptr<Ui::frmMain> ui;
    QPointer<FindBar> m_findBar;
    session::FindController* m_find = nullptr;
    bool m_ending = false;
    QPointer<QWidget> m_browser;
};
