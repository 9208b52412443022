#include "BrowserControl.h"

#include <QWebEngineHistory>
#include <QWebEngineView>

BrowserControl::BrowserControl(QWebEngineView* view, QString homePage, QString searchPage,
                               QObject* parent)
    : QObject(parent), m_view(view), m_home(std::move(homePage)), m_search(std::move(searchPage)) {
    connect(view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(view, &QWebEngineView::loadFinished, this, [this] {
        m_busy = false;
        emit DownloadComplete();
    });
}

// The engine says a load has started only a moment after it is asked for one; busy starts
// at the asking, or the window's poll could find it idle in between and stop looking.
void BrowserControl::Navigate(const QString& address) {
    const QUrl url(address);
    if (url.isValid() && !url.isEmpty()) m_busy = true;
    m_view->setUrl(url);
}

void BrowserControl::GoBack() {
    if (!m_view->history()->canGoBack()) return;
    m_busy = true;
    m_view->back();
}

void BrowserControl::GoForward() {
    if (!m_view->history()->canGoForward()) return;
    m_busy = true;
    m_view->forward();
}

void BrowserControl::GoHome() {
    Navigate(m_home);
}

void BrowserControl::GoSearch() {
    Navigate(m_search);
}

void BrowserControl::Refresh() {
    m_busy = true;
    m_view->reload();
}

void BrowserControl::Stop() {
    m_view->stop();
    m_busy = false;
}

QString BrowserControl::LocationName() const {
    const QString title = m_view->title();
    return title.isEmpty() ? m_view->url().toString() : title;
}
