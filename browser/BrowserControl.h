#pragma once

#include <QObject>
#include <QString>

class QWebEngineView;

// The operations the browser window asks of its web browser control, over a QWebEngineView:
// busy from the asking for a load until its end, the page's name from its title.
class BrowserControl : public QObject {
    Q_OBJECT

public:
    BrowserControl(QWebEngineView* view, QString homePage, QString searchPage,
                   QObject* parent = nullptr);

    // The address exactly as given: no scheme or prefix is added.
    void Navigate(const QString& address);
    void GoBack();
    void GoForward();
    void GoHome();
    void GoSearch();
    void Refresh();
    void Stop();
    QString LocationName() const;
    bool Busy() const { return m_busy; }

signals:
    void DownloadComplete();

private:
    QWebEngineView* m_view;
    QString m_home;
    QString m_search;
    bool m_busy = false;
};
