#include "BrowserControl.h"

#include <QWebEngineHistory>
#include <QWebEngineView>

BrowserControl::BrowserControl(QWebEngineView* view, QString homePage, QString searchPage, QObject* parent)
    : QObject(parent), m_view(view), m_home(std::move(homePage)), m_search(std::move(searchPage)) {
    connect(view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(view, &QWebEngineView::loadFinished, this, [this] {
        m_busy = false;
        emit DownloadComplete();
    });
}

void BrowserControl::Navigate(const QString& address) { m_view->setUrl(QUrl(address)); }

void BrowserControl::GoBack() {
    if (m_view->history()->canGoBack()) m_view->back();
}

void BrowserControl::GoForward() {
    if (m_view->history()->canGoForward()) m_view->forward();
}

void BrowserControl::GoHome() { Navigate(m_home); }

void BrowserControl::GoSearch() { Navigate(m_search); }

void BrowserControl::Refresh() { m_view->reload(); }

void BrowserControl::Stop() { m_view->stop(); }

QString BrowserControl::LocationName() const {
    const QString title = m_view->title();
    return title.isEmpty() ? m_view->url().toString() : title;
}
