#include "BannerServer.h"

#include <QTcpSocket>

BannerServer::BannerServer(QObject* parent) : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                const QList<QByteArray> words = request.split(' ');
                const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
                requests_.append(path);
                emit requested(path);
                const bool known = path == QLatin1String("/adserver.asp");
                const QByteArray body = known ? Page() : QByteArray("not here");
                socket->write((known ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                              QByteArray("Content-Type: text/html; charset=utf-8\r\nContent-Length: ") +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool BannerServer::Start(quint16 port) {
    return listen(QHostAddress::LocalHost, port);
}

QString BannerServer::Address() const {
    return QStringLiteral("http://127.0.0.1:%1/adserver.asp").arg(serverPort());
}

QByteArray BannerServer::Page() {
    return "<!doctype html><html><body style=\"margin:0;background:#1f5fbf;color:white;font:bold 20px sans-serif;"
           "height:63px;display:flex;align-items:center;justify-content:center\">"
           "<a id=\"offer\" href=\"http://www.keyshelf.example/offer\" style=\"color:#ffd84a\">"
           "Keyshelf test banner</a></body></html>";
}
