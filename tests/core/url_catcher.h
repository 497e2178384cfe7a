#pragma once
// Receives the addresses that QDesktopServices would hand to the browser.
#include <QList>
#include <QObject>
#include <QUrl>

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
