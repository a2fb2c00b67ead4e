// keyshelf-band: lays out and paints one page of the banner band, and decodes its pictures, away from the
// window. Keyshelf starts it for each page with limits the kernel enforces (processor time, address space,
// no file written, few descriptors, no network of its own, a wall-clock deadline) and hands it the page
// and the pictures it already fetched on standard input; it answers on standard output and ends. Whatever
// the page does to the layout or the picture readers costs this process, never the window.
#include "BandExchange.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Everything the window hands over: the page, its pictures and the request; never more than this.
constexpr qint64 kMaxInput = 64 * 1024 * 1024;

// Only standard input, output and error are kept: whatever else was open when the program was started
// (by any parent) is nothing this program should reach.
void closeOtherDescriptors() {
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0) {
        return;
    }
#endif
    const long most = sysconf(_SC_OPEN_MAX);
    for (long fd = 3; fd < (most > 0 && most < 65536 ? most : 65536); ++fd) {
        close(int(fd));
    }
}

QByteArray readInput() {
    QByteArray input;
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        if (input.size() + got > kMaxInput) {
            return {};
        }
        input.append(chunk, got);
    }
    return input;
}

bool writeAll(const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

// Rich text asks its document for every picture and stylesheet it meets: this one answers with the
// pictures it was handed and nothing else, and never looks on the network or the disk. A picture it was
// not handed (or could not decode) takes no room, rather than showing as a broken-file icon.
class PageDocument : public QTextDocument {
public:
    QUrl pageUrl;
    QHash<QUrl, QImage> pictures;
    QList<QUrl> asked; // every picture the page named, in the order met

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type != QTextDocument::ImageResource) {
            return {};
        }
        asked << name;
        const auto it = pictures.constFind(pageUrl.resolved(name));
        if (it != pictures.constEnd()) {
            return it.value();
        }
        static const QImage nothing = [] {
            QImage image(1, 1, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            return image;
        }();
        return nothing;
    }
};

// The pictures the page shows: its images and CSS backgrounds, in the order the page names them.
QList<QString> pictureNames(const band::Request& request) {
    PageDocument document;
    document.setHtml(request.html);
    QList<QString> names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                names << format.toImageFormat().name();
            }
        }
    }
    for (const QUrl& url : document.asked) {
        names << url.toString();
    }
    return names;
}

// Each picture's size is read from its header before it is decoded; a format that does not say its size
// is not decoded at all, and all of them together stay within the decoded limit.
QHash<QUrl, QImage> decodePictures(const band::Request& request) {
    QHash<QUrl, QImage> decoded;
    qint64 total = 0;
    for (auto it = request.pictures.constBegin(); it != request.pictures.constEnd(); ++it) {
        QBuffer buffer;
        buffer.setData(it.value());
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAllocationLimit(int(qMax<qint64>(1, request.decodedBytes / (1024 * 1024))));
        const QSize size = reader.size();
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (size.isValid() && !size.isEmpty() && size.width() <= request.pictureSide &&
            size.height() <= request.pictureSide && total + bytes <= request.decodedBytes) {
            const QImage image = reader.read();
            if (!image.isNull() && image.size() == size) {
                total += image.sizeInBytes();
                decoded.insert(it.key(), image);
            }
        }
    }
    return decoded;
}

// The page's links where they lie on the band: one area for each line a link's text runs over.
QList<band::Link> linkAreas(const QTextDocument& document, const QRectF& band) {
    QList<band::Link> links;
    const auto* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        if (lines == nullptr) {
            continue;
        }
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        if (origin.y() > band.bottom()) {
            continue;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isAnchor() || format.anchorHref().isEmpty()) {
                continue;
            }
            const int start = fragment.position() - block.position();
            const int end = start + fragment.length();
            for (int i = 0; i < lines->lineCount(); ++i) {
                const QTextLine line = lines->lineAt(i);
                const int from = qMax(start, line.textStart());
                const int to = qMin(end, line.textStart() + line.textLength());
                if (from >= to) {
                    continue;
                }
                const qreal x1 = line.cursorToX(from);
                const qreal x2 = line.cursorToX(to);
                const QRectF area(origin.x() + qMin(x1, x2), origin.y() + line.y(), qAbs(x2 - x1), line.height());
                if (area.intersects(band)) {
                    links << band::Link{area.toAlignedRect(), format.anchorHref()};
                    if (links.size() >= band::kMaxLinks) {
                        return links;
                    }
                }
            }
        }
    }
    return links;
}

band::Painted paint(const band::Request& request) {
    PageDocument document;
    document.pageUrl = request.pageUrl;
    document.pictures = decodePictures(request);
    QFont font;
    if (font.fromString(request.font)) {
        document.setDefaultFont(font);
    }
    // Rich text colours the links it reads with the application's link colour: the window's.
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Link, QColor::fromRgba(request.linkRgb));
    QGuiApplication::setPalette(palette);
    document.setDocumentMargin(0);
    document.setUndoRedoEnabled(false);
    document.setHtml(request.html);
    document.setTextWidth(request.size.width());

    band::Painted painted;
    const QSize pixels = (QSizeF(request.size) * request.pixelRatio).toSize();
    painted.picture = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    painted.picture.fill(Qt::transparent);
    painted.picture.setDevicePixelRatio(request.pixelRatio);
    const QRectF band(QPointF(0, 0), QSizeF(request.size));
    {
        QPainter painter(&painted.picture);
        painter.setClipRect(band);
        // The page's own background covers the whole band, as a browser's canvas takes the body's.
        const QBrush background = document.rootFrame()->frameFormat().background();
        if (background.style() != Qt::NoBrush) {
            painter.fillRect(band, background);
        }
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = band;
        context.palette.setColor(QPalette::Text, QColor::fromRgba(request.textRgb));
        context.palette.setColor(QPalette::Link, QColor::fromRgba(request.linkRgb));
        document.documentLayout()->draw(&painter, context);
    }
    painted.links = linkAreas(document, band);
    return painted;
}

} // namespace

int main(int argc, char** argv) {
    closeOtherDescriptors();
    // A write that the file-size limit refuses fails, rather than ending the program; a window that has
    // stopped listening ends it quietly.
    std::signal(SIGXFSZ, SIG_IGN);
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    if (argc != 2 || std::strcmp(argv[1], "--page") != 0) {
        std::fprintf(stderr, "keyshelf-band paints a page of Keyshelf's banner band for Keyshelf; it is not "
                             "started by hand.\n");
        return 2;
    }
    const std::optional<band::Request> request = band::DecodeRequest(readInput());
    if (!request) {
        return 1;
    }
    // No window system: the page is painted into memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    bool answered = false;
    if (request->job == band::Job::Names) {
        answered = writeAll(band::EncodeNames(pictureNames(*request)));
    } else if (!request->size.isEmpty() && request->size.width() <= 4096 && request->size.height() <= 4096 &&
               request->pixelRatio >= 1 && request->pixelRatio <= 4) {
        answered = writeAll(band::EncodePainted(paint(*request)));
    }
    // Everything this process did is in its answer: nothing of it needs taking down on the way out.
    _exit(answered ? 0 : 1);
}
