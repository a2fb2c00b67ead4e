// A tiny HTTP server on 127.0.0.1 for the banner's tests: answers /adserver.asp with a small page
// holding a link, and remembers the paths it was asked for.
#pragma once

#include <QStringList>
#include <QTcpServer>

class BannerServer : public QTcpServer {
    Q_OBJECT
public:
    explicit BannerServer(QObject* parent = nullptr);
    // Listens on 127.0.0.1, on `port` or a free one when 0; false when it cannot.
    bool Start(quint16 port = 0);
    QString Address() const; // http://127.0.0.1:PORT/adserver.asp

    const QStringList& requests() const { return requests_; }

    static QByteArray Page();

signals:
    void requested(const QString& path);

private:
    QStringList requests_;
};
