#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

class QAction;
class BrowserControl;

namespace Ui {
class frmBrowser;
}

// A small browser window on the maker's site: a toolbar, an address box and the page.
class frmBrowser : public QWidget {
    Q_OBJECT

public:
    // Home and Search go to the maker's pages under `programFolder`.
    explicit frmBrowser(const QString& programFolder, QWidget* parent = nullptr);
    ~frmBrowser() override;

    // Set by the opener before Form_Load; empty opens the window without navigating.
    QString StartingAddress;

    // Shows the window and goes to StartingAddress.
    void Form_Load();

    BrowserControl* browser() const { return m_browser; }
    QTimer timTimer;

public slots:
    void Form_Resize();
    void brwWebBrowser_DownloadComplete();
    void cboAddress_Click();
    void cboAddress_KeyPress(int KeyAscii);
    void timTimer_Timer();
    void tbToolBar_ButtonClick(QAction* Button);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::frmBrowser> ui;
    BrowserControl* m_browser;
};
