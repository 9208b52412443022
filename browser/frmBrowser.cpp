#include "frmBrowser.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "BrowserControl.h"
#include "MakerSite.h"
#include "ui_frmBrowser.h"

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kTimerMs = 5;
constexpr int kMargin = 50;  // twips left and right of the address box and the page
constexpr int kBelow = 100;  // twips under the page

int twips(int pixels) {
    return pixels * kTwipsPerPixel;
}
int pixels(int twips) {
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

}  // namespace

frmBrowser::frmBrowser(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::frmBrowser>()) {
    ui->setupUi(this);
    m_browser = new BrowserControl(ui->brwWebBrowser, MakerSite::homePage(programFolder).toString(),
                                   MakerSite::searchPage(programFolder).toString(), this);
    const std::pair<QAction*, QStyle::StandardPixmap> icons[] = {
        {ui->actBack, QStyle::SP_ArrowBack},   {ui->actForward, QStyle::SP_ArrowForward},
        {ui->actStop, QStyle::SP_BrowserStop}, {ui->actRefresh, QStyle::SP_BrowserReload},
        {ui->actHome, QStyle::SP_DirHomeIcon}, {ui->actSearch, QStyle::SP_FileDialogContentsView}};
    const char* themeNames[] = {"go-previous",  "go-next", "process-stop",
                                "view-refresh", "go-home", "edit-find"};
    for (size_t i = 0; i < std::size(icons); ++i)
        icons[i].first->setIcon(
            QIcon::fromTheme(QLatin1String(themeNames[i]), style()->standardIcon(icons[i].second)));
    // The toolbar from the keyboard: the usual browser keys, and Tab reaches its buttons.
    const std::pair<QAction*, QKeySequence> keys[] = {
        {ui->actBack, QKeySequence::Back},
        {ui->actForward, QKeySequence::Forward},
        {ui->actStop, QKeySequence(Qt::Key_Escape)},
        {ui->actRefresh, QKeySequence::Refresh},
        {ui->actHome, QKeySequence(Qt::ALT | Qt::Key_Home)},
        {ui->actSearch, QKeySequence(Qt::CTRL | Qt::Key_K)}};
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(action->toolTip(),
                                                         key.toString(QKeySequence::NativeText)));
        if (QWidget* button = ui->tbToolBar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    }
    connect(ui->tbToolBar, &QToolBar::actionTriggered, this, &frmBrowser::tbToolBar_ButtonClick);
    connect(m_browser, &BrowserControl::DownloadComplete, this,
            &frmBrowser::brwWebBrowser_DownloadComplete);
    connect(ui->cboAddress, qOverload<int>(&QComboBox::activated), this,
            [this] { cboAddress_Click(); });
    // A key typed by the user goes to the combo box (its line edit's focus proxy), which hands it
    // on to the line edit by calling its event() directly, past any filter there: Enter is taken
    // at the combo box. A key sent to the line edit itself is taken there.
    ui->cboAddress->installEventFilter(this);
    ui->cboAddress->lineEdit()->installEventFilter(this);
    timTimer.setInterval(kTimerMs);
    timTimer.stop();
    connect(&timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);
}

frmBrowser::~frmBrowser() {
    timTimer.stop();
    // The view and its page go before the profile they belong to.
    delete ui->brwWebBrowser;
    ui->brwWebBrowser = nullptr;
}

void frmBrowser::Form_Load() {
    show();
    ui->tbToolBar->repaint();
    Form_Resize();
    const QRect label = ui->lblAddress->geometry();
    ui->cboAddress->move(pixels(kMargin), label.y() + label.height() + 1);
    if (!StartingAddress.isEmpty()) {
        ui->cboAddress->setEditText(StartingAddress);
        ui->cboAddress->addItem(StartingAddress);
        timTimer.start();
        m_browser->Navigate(StartingAddress);
    }
}

void frmBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::Form_Resize() {
    // Computed in twips like the layout; a window smaller than its margins gets zero, not less.
    const int innerWidth = twips(width());
    const int innerHeight = twips(height());
    const QRect address = ui->picAddress->geometry();
    ui->picAddress->resize(width(), address.height());
    ui->tbToolBar->resize(width(), ui->tbToolBar->height());
    ui->cboAddress->resize(pixels(std::max(0, innerWidth - 2 * kMargin)), ui->cboAddress->height());
    const int pageWidth = std::max(0, innerWidth - 2 * kMargin);
    const int pageHeight =
        std::max(0, innerHeight - twips(address.y() + address.height()) - kBelow);
    ui->brwWebBrowser->resize(pixels(pageWidth), pixels(pageHeight));
}

void frmBrowser::brwWebBrowser_DownloadComplete() {
    setWindowTitle(m_browser->LocationName());
}

void frmBrowser::cboAddress_Click() {
    timTimer.start();
    m_browser->Navigate(ui->cboAddress->currentText());
}

void frmBrowser::cboAddress_KeyPress(int KeyAscii) {
    if (KeyAscii == 13) cboAddress_Click();
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
    const bool address = watched == ui->cboAddress || watched == ui->cboAddress->lineEdit();
    if (address && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cboAddress_KeyPress(13);
            return true;  // taken here: the combo box neither adds the address nor activates an
                          // item
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmBrowser::timTimer_Timer() {
    if (m_browser->Busy()) {
        setWindowTitle(tr("Working..."));
    } else {
        timTimer.stop();
        setWindowTitle(m_browser->LocationName());
    }
}

void frmBrowser::tbToolBar_ButtonClick(QAction* Button) {
    timTimer.start();
    // The button itself, never its caption, which is in the user's language.
    if (Button == ui->actBack) {
        m_browser->GoBack();
    } else if (Button == ui->actForward) {
        m_browser->GoForward();
    } else if (Button == ui->actRefresh) {
        m_browser->Refresh();
    } else if (Button == ui->actHome) {
        m_browser->GoHome();
    } else if (Button == ui->actSearch) {
        m_browser->GoSearch();
    } else if (Button == ui->actStop) {
        timTimer.stop();
        m_browser->Stop();
        setWindowTitle(m_browser->LocationName());
    }
}
