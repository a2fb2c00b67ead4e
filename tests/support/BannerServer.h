// A tiny HTTP server on 127.0.0.1 for the banner's tests: answers /adserver.asp with a small page
// holding a link (or a hostile one), and remembers the paths it was asked for.
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
    // What /adserver.asp answers with; Page() unless told otherwise.
    void SetPage(const QByteArray& page) { page_ = page; }

    static QByteArray Page();
    // A page that tries everything a page on the network could try against the program showing it: it
    // navigates itself and clicks its own links from timers, opens windows, loops over alert, confirm and
    // prompt (sending any answer back to /leak), floods the console, and writes the clipboard whenever it
    // sees a press, a release or a key. Its one link, to http://www.keyshelf.example/offer, fills the band.
    // Its title reports what the page saw: "confirm=<answer> prompt=<answer> events=<real presses and keys>".
    static QByteArray HostilePage();

signals:
    void requested(const QString& path);

private:
    QStringList requests_;
    QByteArray page_ = Page();
};
