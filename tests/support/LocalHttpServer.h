#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for tests of the network features. It runs in the test's own
// thread: the program's fetches wait in a nested event loop, which also serves this server's sockets.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace vorlan::test {

class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    // Listens on an ephemeral port of 127.0.0.1 at once; check isListening().
    explicit LocalHttpServer(QObject* parent = nullptr);
    ~LocalHttpServer() override;

    bool isListening() const;
    quint16 port() const;
    // "http://127.0.0.1:<port>", no trailing slash; append the path.
    QUrl url() const;
    QUrl url(const QString& path) const { return QUrl(url().toString() + path); }

    // Answers GET <path> with the body and status code. Paths not configured get 404.
    void serve(const QString& path, const QByteArray& body, int status = 200);
    // Accepts GET <path> but never answers (for time limits).
    void stall(const QString& path);
    void remove(const QString& path);

    int requestCount() const { return int(requests_.size()); }
    int requestCount(const QString& path) const { return int(requests_.count(path)); }
    QStringList requests() const { return requests_; } // paths in the order asked

    // Called with the path of every request before it is answered.
    std::function<void(const QString& path)> onRequest;

    // A port of 127.0.0.1 on which nothing listens (connections are refused at once).
    static quint16 closedPort();

private:
    struct Route {
        QByteArray body;
        int status = 200;
        bool stall = false;
    };
    void accept();
    void handle(QTcpSocket* socket);

    QTcpServer* server_ = nullptr;
    QHash<QString, Route> routes_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QStringList requests_;
};

} // namespace vorlan::test
