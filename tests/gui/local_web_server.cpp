#include "local_web_server.h"

#include <QTcpSocket>

LocalWebServer::LocalWebServer() {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void LocalWebServer::addPage(const QByteArray& path, const QString& title, const QString& body) {
    m_pages.insert(path, ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
                          "</title></head><body>" + body + "</body></html>")
                             .toUtf8());
}

void LocalWebServer::start() { m_server.listen(QHostAddress::LocalHost); }

QString LocalWebServer::bareAddress(const QByteArray& path) const {
    return QStringLiteral("127.0.0.1:%1").arg(port()) + QString::fromLatin1(path);
}

QString LocalWebServer::url(const QByteArray& path) const { return "http://" + bareAddress(path); }

void LocalWebServer::answer(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    socket->setProperty("request", QByteArray());
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray path = words.size() > 1 ? words.at(1) : QByteArray("/");
    ++m_requests[path];
    const auto page = m_pages.constFind(path);
    const QByteArray body = page != m_pages.constEnd() ? *page : QByteArray("not here");
    const QByteArray status = page != m_pages.constEnd() ? "200 OK" : "404 Not Found";
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
