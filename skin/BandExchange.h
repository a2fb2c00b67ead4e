// What the window and the band's renderer (keyshelf-band, a process of its own per page) hand each other
// through the renderer's standard input and output. The renderer lays out and paints the untrusted page
// and decodes its pictures, so its answer is as untrusted as the page: every size in it is checked against
// what was asked before anything is allocated for it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QUrl>
#include <optional>

namespace band {

enum class Job : quint8 {
    Names = 1, // which pictures the page shows
    Paint = 2, // the band's picture and its link areas
};

struct Request {
    Job job = Job::Paint;
    QUrl pageUrl;
    QString html;
    QSize size; // the band, in pixels of the window
    qreal pixelRatio = 1;
    QString font;                     // the window's font (QFont::toString)
    quint32 textRgb = 0;              // the window's text colour, the page's unless it says otherwise
    quint32 linkRgb = 0;              // and its links' colour
    QHash<QUrl, QByteArray> pictures; // as fetched, not decoded
    int pictureSide = 4096;
    qint64 decodedBytes = 64 * 1024 * 1024;
};

struct Link {
    QRect area;
    QString href; // as the page wrote it
};

struct Painted {
    QImage picture; // the band, ARGB32 premultiplied, of the size asked for
    QList<Link> links;
};

// The most of each an answer may hold.
constexpr int kMaxNames = 256;
constexpr int kMaxLinks = 1024;
constexpr int kMaxText = 4096; // bytes of one name or address

QByteArray EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(const QByteArray& bytes);

QByteArray EncodeNames(const QList<QString>& names);
std::optional<QList<QString>> DecodeNames(const QByteArray& bytes);

QByteArray EncodePainted(const Painted& painted);
// Nothing unless the picture is exactly `pixels` big and every part is within its limit.
std::optional<Painted> DecodePainted(const QByteArray& bytes, QSize pixels);
// The most an answer for a band of `pixels` may take.
qint64 MaxPaintedBytes(QSize pixels);

} // namespace band
