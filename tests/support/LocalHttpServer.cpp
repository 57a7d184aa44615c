#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace vorlan::test {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &LocalHttpServer::accept);
    server_->listen(QHostAddress::LocalHost, 0);
}

LocalHttpServer::~LocalHttpServer() {
    server_->close();
    const QList<QTcpSocket*> open = pending_.keys();
    pending_.clear();
    for (QTcpSocket* socket : open)
        socket->abort();
}

bool LocalHttpServer::isListening() const {
    return server_->isListening();
}

quint16 LocalHttpServer::port() const {
    return server_->serverPort();
}

QUrl LocalHttpServer::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

void LocalHttpServer::serve(const QString& path, const QByteArray& body, int status) {
    routes_.insert(path, Route{body, status, false});
}

void LocalHttpServer::stall(const QString& path) {
    routes_.insert(path, Route{{}, 0, true});
}

void LocalHttpServer::remove(const QString& path) {
    routes_.remove(path);
}

quint16 LocalHttpServer::closedPort() {
    // Bind an ephemeral port and let it go again: nothing listens there right afterwards.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 9;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void LocalHttpServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        pending_.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { handle(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::handle(QTcpSocket* socket) {
    auto it = pending_.find(socket);
    if (it == pending_.end())
        return;
    it.value() += socket->readAll();
    const QByteArray& buffer = it.value();
    if (!buffer.contains("\r\n\r\n"))
        return; // the request head is not complete yet

    // Request line: METHOD SP target SP version. Only the path part of the target selects a route.
    const QList<QByteArray> parts = buffer.left(buffer.indexOf("\r\n")).split(' ');
    QString path = parts.size() >= 2 ? QString::fromUtf8(parts.at(1)) : QString();
    if (const qsizetype q = path.indexOf(QLatin1Char('?')); q >= 0)
        path.truncate(q);
    pending_.erase(it);
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

    requests_ << path;
    if (onRequest)
        onRequest(path);

    const Route route = routes_.value(path, Route{QByteArray("not found"), 404, false});
    if (route.stall) {
        pending_.insert(socket, QByteArray()); // kept open until the client gives up
        return;
    }
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reasonPhrase(route.status) +
        "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(route.body.size()) +
        "\r\nConnection: close\r\n\r\n" + route.body;
    socket->write(response);
    socket->disconnectFromHost(); // after the pending bytes are written
}

} // namespace vorlan::test
