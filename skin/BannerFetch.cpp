#include "BannerFetch.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <memory>

namespace banner {

namespace {

bool IsWebAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

int PortOf(const QUrl& url) {
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

class NoCookies : public QNetworkCookieJar {
public:
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// Reads the page as rich text does, to learn which pictures it would show: its images and CSS backgrounds.
// Nothing is loaded here; every other resource (a stylesheet) is answered with nothing too.
class PictureNames : public QTextDocument {
public:
    QList<QUrl> names;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource) {
            names << name;
        }
        return {};
    }
};

QList<QUrl> PicturesOf(const QString& html) {
    PictureNames document;
    document.setHtml(html);
    QList<QUrl> names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                names << QUrl(format.toImageFormat().name());
            }
        }
    }
    return names + document.names;
}

// What Qt's picture readers say about a broken picture would otherwise let a page write lines to the
// terminal: while a picture of the page is read on this thread, their messages are dropped. (libpng
// writes its errors itself, one fixed line per broken PNG, out of Qt's reach.)
thread_local bool tReadingPicture = false;
QtMessageHandler gNextHandler = nullptr;

void DropPictureReaderMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!tReadingPicture) {
        gNextHandler(type, context, message);
    }
}

QString DecodePage(const QByteArray& body, const QByteArray& contentType) {
    std::optional<QStringConverter::Encoding> encoding;
    const int charset = contentType.toLower().indexOf("charset=");
    if (charset >= 0) {
        QByteArray name = contentType.mid(charset + 8).trimmed();
        name = name.left(name.indexOf(';')).replace('"', "").trimmed();
        encoding = QStringConverter::encodingForName(name.constData());
    }
    if (!encoding) {
        encoding = QStringConverter::encodingForHtml(body);
    }
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    return decoder(body);
}

} // namespace

bool SameOrigin(const QUrl& url, const QUrl& page) {
    return IsWebAddress(url) && url.scheme() == page.scheme() &&
           url.host().compare(page.host(), Qt::CaseInsensitive) == 0 && PortOf(url) == PortOf(page);
}

bool IsHtml(const QByteArray& contentType) {
    const QByteArray type = contentType.left(contentType.indexOf(';')).trimmed().toLower();
    return type == "text/html" || type == "application/xhtml+xml";
}

Fetch::Fetch(QObject* parent, Limits limits)
    : QObject(parent), limits_(limits), network_(new QNetworkAccessManager(this)), deadline_(new QTimer(this)) {
    // No cookie is sent or kept (Get asks for that too), and no cache is set: nothing reaches the disk.
    network_->setCookieJar(new NoCookies);
    deadline_->setSingleShot(true);
}

Fetch::~Fetch() {
    ++generation_;
    if (reply_ != nullptr) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void Fetch::Start(const QUrl& address) {
    ++generation_;
    if (reply_ != nullptr) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    pageUrl_ = QUrl();
    html_.clear();
    wanted_.clear();
    pictures_.clear();
    decoded_ = 0;
    Get(address, limits_.pageBytes, limits_.redirects, true);
}

void Fetch::Get(const QUrl& url, qint64 maxBytes, int redirectsLeft, bool page) {
    const quint64 generation = generation_;
    if (!IsWebAddress(url)) {
        // Answered later, as a request would be, so that `finished` never comes from within Start.
        QTimer::singleShot(0, this, [this, generation, page] {
            if (generation == generation_) {
                page ? Finish(false) : NextPicture();
            }
        });
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setTransferTimeout(limits_.requestMs); // a silence this long ends it early
    QNetworkReply* reply = network_->get(request);
    // The network thread reads no further ahead than this, so a page that never ends is never held.
    reply->setReadBufferSize(64 * 1024);
    reply_ = reply;
    // The whole request, however slowly the server keeps it going.
    deadline_->disconnect();
    connect(deadline_, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline_->start(limits_.requestMs);

    auto body = std::make_shared<QByteArray>();
    auto refused = std::make_shared<bool>(false);
    const auto refuse = [reply, refused] {
        *refused = true;
        reply->abort();
    };
    const auto isRedirect = [reply] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        return status >= 300 && status < 400;
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [=] {
        if (isRedirect()) {
            return;
        }
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && length.toLongLong() > maxBytes) ||
            (page && !IsHtml(reply->rawHeader("Content-Type")))) {
            refuse();
        }
    });
    // Read as it comes, so that no more than the limit (and one network read) is ever held.
    connect(reply, &QNetworkReply::readyRead, this, [=] {
        if (*refused) {
            return;
        }
        body->append(reply->read(maxBytes + 1 - body->size()));
        if (body->size() > maxBytes) {
            refuse();
        }
    });
    // A wrong certificate or a demand for a password fails the request (nothing here answers either):
    // the band stays blank.
    connect(reply, &QNetworkReply::finished, this, [=, this] {
        reply->deleteLater();
        if (generation != generation_) {
            return;
        }
        deadline_->stop();
        reply_ = nullptr;
        const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (!*refused && isRedirect() && target.isValid()) {
            const QUrl next = url.resolved(target);
            // Pictures come straight from the page's server; the page may move at most so many times.
            if (page && redirectsLeft > 0 && IsWebAddress(next)) {
                Get(next, maxBytes, redirectsLeft - 1, true);
            } else {
                page ? Finish(false) : NextPicture();
            }
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = !*refused && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        if (page) {
            ok ? PageArrived(url, *body, reply->rawHeader("Content-Type")) : Finish(false);
        } else {
            ok ? PictureArrived(url, *body) : NextPicture();
        }
    });
}

void Fetch::PageArrived(const QUrl& url, const QByteArray& body, const QByteArray& contentType) {
    pageUrl_ = url;
    html_ = DecodePage(body, contentType);
    QSet<QUrl> seen;
    for (const QUrl& name : PicturesOf(html_)) {
        const QUrl picture = url.resolved(name);
        if (wanted_.size() < limits_.pictures && SameOrigin(picture, url) && !seen.contains(picture)) {
            seen.insert(picture);
            wanted_ << picture;
        }
    }
    NextPicture();
}

void Fetch::NextPicture() {
    if (wanted_.isEmpty()) {
        Finish(true);
        return;
    }
    Get(wanted_.takeFirst(), limits_.pictureBytes, 0, false);
}

void Fetch::PictureArrived(const QUrl& url, const QByteArray& body) {
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size is checked before anything is decoded; a format that does not say its size
    // is not decoded at all. The allocation limit stands behind both.
    reader.setAllocationLimit(int(limits_.decodedBytes / (1024 * 1024)));
    static const bool quiet = [] {
        gNextHandler = qInstallMessageHandler(DropPictureReaderMessages);
        return true;
    }();
    Q_UNUSED(quiet);
    tReadingPicture = true;
    const QSize size = reader.size();
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (size.isValid() && !size.isEmpty() && size.width() <= limits_.pictureSide &&
        size.height() <= limits_.pictureSide && decoded_ + bytes <= limits_.decodedBytes) {
        const QImage image = reader.read();
        if (!image.isNull() && image.size() == size) {
            decoded_ += image.sizeInBytes();
            pictures_.insert(url, image);
        }
    }
    tReadingPicture = false;
    NextPicture();
}

void Fetch::Finish(bool ok) {
    if (!ok) {
        pageUrl_ = QUrl();
        html_.clear();
        pictures_.clear();
    }
    emit finished(ok);
}

} // namespace banner
