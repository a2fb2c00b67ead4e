// Fetches the banner's page and its pictures with Qt Network, within fixed limits, for the band to draw as
// rich text. The page comes from the network, over plain HTTP, so anyone on the way may serve anything:
// only the page and the pictures it shows from its own server are fetched (never a stylesheet, script,
// frame or anything else it names), each within a size and a time, and nothing is kept on disk.
#pragma once

#include "BandRun.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace banner {

struct Limits {
    qint64 pageBytes = 512 * 1024;
    qint64 pictureBytes = 1024 * 1024;
    int pictureSide = 4096;                 // pixels, either way
    int pictures = 20;                      // the first this many the page names; the rest are not fetched
    qint64 decodedBytes = 64 * 1024 * 1024; // every picture of the page decoded, together
    int redirects = 5;
    int requestMs = 10000;    // each request, from start to end
    band::RunLimits renderer; // each run of the renderer, which reads the page and decodes its pictures
};

// Whether `url` is of the same scheme, host and port as `page` (the page's own server).
bool SameOrigin(const QUrl& url, const QUrl& page);
// Whether the Content-Type names HTML.
bool IsHtml(const QByteArray& contentType);

class Fetch : public QObject {
    Q_OBJECT
public:
    explicit Fetch(QObject* parent = nullptr, Limits limits = {});
    ~Fetch() override;

    // Fetches the page at `address`, then its pictures; `finished` follows once, unless Start is called
    // again first (which drops the fetch in progress).
    void Start(const QUrl& address);

    // After `finished(true)`: the page's address after redirects, its text, and its pictures by address,
    // as they came (not decoded).
    const QUrl& pageUrl() const { return pageUrl_; }
    const QString& html() const { return html_; }
    const QHash<QUrl, QByteArray>& pictures() const { return pictures_; }
    const Limits& limits() const { return limits_; }

signals:
    void finished(bool ok);

private:
    // One request within the limits; the page's ends in PageArrived or Finish(false), a picture's in
    // PictureArrived or the next picture.
    void Get(const QUrl& url, qint64 maxBytes, int redirectsLeft, bool page);
    void PageArrived(const QUrl& url, const QByteArray& body, const QByteArray& contentType);
    void NextPicture();
    void PictureArrived(const QUrl& url, const QByteArray& body);
    void Finish(bool ok);

    Limits limits_;
    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QTimer* deadline_;
    QUrl pageUrl_;
    QString html_;
    QList<QUrl> wanted_; // the pictures still to fetch
    QHash<QUrl, QByteArray> pictures_;
    QPointer<band::Run> names_; // the renderer reading the page for its pictures
    quint64 generation_ = 0;    // a Start drops whatever an earlier one still has under way
};

} // namespace banner
