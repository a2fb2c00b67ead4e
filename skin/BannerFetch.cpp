#include "BannerFetch.h"

#include "BandExchange.h"
#include "BandRun.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QStringDecoder>
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

QString DecodePage(const QByteArray& body, const QByteArray& contentType) {
    std::optional<QStringConverter::Encoding> encoding;
    // The charset may stand anywhere among the parameters, after the media type.
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size() && !encoding; ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals > 0 && parameter.left(equals).trimmed().toLower() == "charset") {
            QByteArray name = parameter.mid(equals + 1).trimmed();
            name.replace('"', "");
            encoding = QStringConverter::encodingForName(name.trimmed().constData());
        }
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
    // The media type is what comes before the first parameter, when there is one at all.
    const QByteArray type = contentType.split(';').constFirst().trimmed().toLower();
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
    delete names_;
    if (reply_ != nullptr) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    pageUrl_ = QUrl();
    html_.clear();
    wanted_.clear();
    pictures_.clear();
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
    // Which pictures the page shows is learnt as rich text reads it: by the renderer, away from here.
    band::Request request;
    request.job = band::Job::Names;
    request.pageUrl = url;
    request.html = html_;
    const quint64 generation = generation_;
    auto* run = new band::Run(band::EncodeRequest(request), 16 + band::kMaxNames * (4 + band::kMaxText),
                              limits_.renderer, this);
    connect(run, &band::Run::finished, this, [this, run, url, generation](bool ok, const QByteArray& answer) {
        run->deleteLater();
        if (generation != generation_) {
            return;
        }
        const std::optional<QList<QString>> names = ok ? band::DecodeNames(answer) : std::nullopt;
        if (!names) {
            Finish(false); // a page the renderer cannot read is one it cannot paint either
            return;
        }
        QSet<QUrl> seen;
        for (const QString& name : *names) {
            const QUrl picture = url.resolved(QUrl(name));
            if (wanted_.size() < limits_.pictures && SameOrigin(picture, url) && !seen.contains(picture)) {
                seen.insert(picture);
                wanted_ << picture;
            }
        }
        NextPicture();
    });
    names_ = run;
}

void Fetch::NextPicture() {
    if (wanted_.isEmpty()) {
        Finish(true);
        return;
    }
    Get(wanted_.takeFirst(), limits_.pictureBytes, 0, false);
}

// Kept as it came: decoding is the renderer's, where a picture built to cost time or memory costs nothing
// of the window's.
void Fetch::PictureArrived(const QUrl& url, const QByteArray& body) {
    if (!body.isEmpty()) {
        pictures_.insert(url, body);
    }
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
