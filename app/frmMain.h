#pragma once

#include <QWidget>
#include <memory>

#include "Connection.h"
#include "Recordset.h"

namespace Ui {
class frmMain;
}

// The parts record window: one record of one table at a time.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    void Show_Data();
    void Buttons_Caption(bool Set_Buttons);

    // The window's state, public so that its tests can look at it.
    std::unique_ptr<store::Connection> cnParts;
    std::unique_ptr<store::Recordset> rsParts;
    QString sImagePath;
    QString sStoredImagePath;
    bool bEditMode = false;
    bool bRecordChanged = false;
    bool bConnected = false;

    Ui::frmMain* form() const { return ui.get(); }

public slots:
    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_Unload

private:
    void Open_Table();
    void Clear_Form();
    void Fill_Grid();

    void Form_Unload(bool& Cancel);
    void closeDatabase(bool onlyIfRows);
    void setLocked(bool locked);
    // Shows a picture file in imgPicture, whatever its format; false (and an empty picture)
    // when it cannot be read.
    bool showPictureFile(const QString& path);
    void showStoredPicture();
    void connectHandlers();

    std::unique_ptr<Ui::frmMain> ui;
    bool m_ending = false;
};
