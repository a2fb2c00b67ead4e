#include "BandExchange.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QtEndian>

namespace band {

namespace {

constexpr quint32 kRequestMagic = 0x4b534252; // "KSBR"
constexpr quint32 kNamesMagic = 0x4b53424e;   // "KSBN"
constexpr quint32 kPaintedMagic = 0x4b534250; // "KSBP"
constexpr int kMaxSide = 16384;

// Reads the answer's numbers and texts, each only while the bytes last.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return at_ == bytes_.size(); }
    qint64 left() const { return bytes_.size() - at_; }
    quint32 number() {
        if (!ok_ || left() < 4) {
            ok_ = false;
            return 0;
        }
        const quint32 value = qFromBigEndian<quint32>(bytes_.constData() + at_);
        at_ += 4;
        return value;
    }
    QByteArray take(qint64 size) {
        if (!ok_ || size < 0 || size > left()) {
            ok_ = false;
            return {};
        }
        const QByteArray part = bytes_.mid(at_, size);
        at_ += size;
        return part;
    }
    QString text() {
        const quint32 size = number();
        if (size > quint32(kMaxText)) {
            ok_ = false;
            return {};
        }
        return QString::fromUtf8(take(size));
    }

private:
    const QByteArray& bytes_;
    qint64 at_ = 0;
    bool ok_ = true;
};

void putNumber(QByteArray& out, quint32 value) {
    char number[4];
    qToBigEndian(value, number);
    out.append(number, 4);
}

void putText(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8().left(kMaxText);
    putNumber(out, quint32(utf8.size()));
    out += utf8;
}

} // namespace

QByteArray EncodeRequest(const Request& request) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kRequestMagic << quint8(request.job) << request.pageUrl << request.html << request.size << request.pixelRatio
        << request.font << request.textRgb << request.linkRgb << request.pictures << qint32(request.pictureSide)
        << qint64(request.decodedBytes);
    return bytes;
}

std::optional<Request> DecodeRequest(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    Request request;
    quint32 magic = 0;
    quint8 job = 0;
    qint32 side = 0;
    qint64 decoded = 0;
    in >> magic >> job >> request.pageUrl >> request.html >> request.size >> request.pixelRatio >> request.font >>
        request.textRgb >> request.linkRgb >> request.pictures >> side >> decoded;
    if (in.status() != QDataStream::Ok || magic != kRequestMagic ||
        (job != quint8(Job::Names) && job != quint8(Job::Paint))) {
        return std::nullopt;
    }
    request.job = Job(job);
    request.pictureSide = side;
    request.decodedBytes = decoded;
    return request;
}

QByteArray EncodeNames(const QList<QString>& names) {
    QByteArray out;
    putNumber(out, kNamesMagic);
    const qsizetype count = qMin<qsizetype>(names.size(), kMaxNames);
    putNumber(out, quint32(count));
    for (qsizetype i = 0; i < count; ++i) {
        putText(out, names[i]);
    }
    return out;
}

std::optional<QList<QString>> DecodeNames(const QByteArray& bytes) {
    Reader in(bytes);
    if (in.number() != kNamesMagic) {
        return std::nullopt;
    }
    const quint32 count = in.number();
    if (!in.ok() || count > quint32(kMaxNames)) {
        return std::nullopt;
    }
    QList<QString> names;
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        names << in.text();
    }
    if (!in.ok() || !in.atEnd()) {
        return std::nullopt;
    }
    return names;
}

QByteArray EncodePainted(const Painted& painted) {
    const QImage picture = painted.picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray out;
    putNumber(out, kPaintedMagic);
    putNumber(out, quint32(picture.width()));
    putNumber(out, quint32(picture.height()));
    for (int y = 0; y < picture.height(); ++y) {
        out.append(reinterpret_cast<const char*>(picture.constScanLine(y)), picture.width() * 4);
    }
    const qsizetype count = qMin<qsizetype>(painted.links.size(), kMaxLinks);
    putNumber(out, quint32(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QRect& area = painted.links[i].area;
        for (const int value : {area.x(), area.y(), area.width(), area.height()}) {
            putNumber(out, quint32(value));
        }
        putText(out, painted.links[i].href);
    }
    return out;
}

qint64 MaxPaintedBytes(QSize pixels) {
    return 16 + qint64(pixels.width()) * pixels.height() * 4 + qint64(kMaxLinks) * (20 + kMaxText);
}

std::optional<Painted> DecodePainted(const QByteArray& bytes, QSize pixels) {
    Reader in(bytes);
    if (in.number() != kPaintedMagic || pixels.isEmpty() || pixels.width() > kMaxSide || pixels.height() > kMaxSide) {
        return std::nullopt;
    }
    const quint32 width = in.number();
    const quint32 height = in.number();
    // The size asked for, and nothing else: only then is the picture's room made.
    if (!in.ok() || width != quint32(pixels.width()) || height != quint32(pixels.height()) ||
        in.left() < qint64(width) * height * 4) {
        return std::nullopt;
    }
    Painted painted;
    painted.picture = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    if (painted.picture.isNull()) {
        return std::nullopt;
    }
    for (int y = 0; y < pixels.height(); ++y) {
        const QByteArray line = in.take(qint64(width) * 4);
        memcpy(painted.picture.scanLine(y), line.constData(), size_t(line.size()));
    }
    const quint32 count = in.number();
    if (!in.ok() || count > quint32(kMaxLinks)) {
        return std::nullopt;
    }
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        const int x = int(in.number());
        const int y = int(in.number());
        const int w = int(in.number());
        const int h = int(in.number());
        const QString href = in.text();
        // Areas are in the window's own pixels; whatever lies outside the band is of no use to a click.
        const QRect area = QRect(x, y, qBound(0, w, kMaxSide), qBound(0, h, kMaxSide));
        if (in.ok() && area.isValid() && x > -kMaxSide && y > -kMaxSide && x < kMaxSide && y < kMaxSide) {
            painted.links << Link{area, href};
        }
    }
    if (!in.ok() || !in.atEnd()) {
        return std::nullopt;
    }
    return painted;
}

} // namespace band
