#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

// A small web server on 127.0.0.1 for the browser windows' tests: pages with
// titles, served on the test's event loop, counting every request by path.
class LocalWebServer final : public QObject {
public:
    LocalWebServer();

    // Adds a page: <title>title</title> and the body (HTML).
    void addPage(const QByteArray& path, const QString& title, const QString& body);
    void start();
    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:<port>" followed by the path: an address without scheme.
    QString bareAddress(const QByteArray& path = "/") const;
    QString url(const QByteArray& path = "/") const;  // with http://
    int requests(const QByteArray& path) const { return m_requests.value(path); }

private:
    void answer(class QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QByteArray, QByteArray> m_pages;
    QHash<QByteArray, int> m_requests;
};
