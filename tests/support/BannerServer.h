// A tiny HTTP server on 127.0.0.1 for the banner's tests. It serves one of a set of cases at
// /adserver.asp (the test page, or a hostile one) and remembers the paths it was asked for.
#pragma once

#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

class BannerServer : public QTcpServer {
    Q_OBJECT
public:
    explicit BannerServer(QObject* parent = nullptr);
    // Listens on 127.0.0.1, on `port` or a free one when 0; false when it cannot.
    bool Start(quint16 port = 0);
    QString Address() const; // http://127.0.0.1:PORT/adserver.asp

    const QStringList& requests() const { return requests_; }

    // What the server serves; false for a name it does not know.
    //   test          a blue band with a link to /offer and a picture, /logo.png
    //   hostile       scripts and timers, a stylesheet, a frame, pictures of other servers and one that
    //                 claims 100,000 x 100,000 pixels, links to other hosts and to javascript:, file: and
    //                 mailto:, titles for tooltips, a page-wide link box that moves, and one link of its own
    //                 server, /offer
    //   huge          2 GB of page, written as the connection drains (never held)
    //   claims-huge   a Content-Length of 2 GB, then a few bytes, then silence
    //   silent        never answers
    //   unfinished    the headers and part of the page, then silence with the connection open
    //   loop          a redirect to a redirect, without end
    //   five-moves    five redirects, then the test page
    //   away          a redirect to a file: address
    //   not-html      the test page as text/plain
    //   pictures      30 pictures of its own, a 1.5 MB one, one of another port and one too tall
    //   html-bare     the test page as text/html, with no parameter
    //   html-upper    the test page as TEXT/HTML
    //   html-params   the test page as text/html with its charset after another parameter
    //   marks         a letter under a quarter of a million combining marks
    //   spans         2000 table cells each spanning a million columns
    //   nesting       tables nested 20,000 deep
    //   scans         a progressive JPEG of 4000 x 4000 pixels in 200 scans
    //   text-chunks   a PNG with 18 compressed text chunks of 48 MB each
    //   links         20,000 links
    bool SetCase(const QString& name);
    static QStringList Cases();

    static QByteArray Page();

signals:
    void requested(const QString& path);

private:
    void Answer(QTcpSocket* socket, const QString& path);

    QString case_ = QStringLiteral("test");
    QStringList requests_;
};
