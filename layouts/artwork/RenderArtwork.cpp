// Build-time tool: renders one SVG drawing of the artwork to PNG files at the sizes the program shows
// them, so that the program itself embeds ready pictures and never loads the SVG library.
//
// Usage: render_artwork DRAWING.svg SIZE OUT.png [SIZE OUT.png]...
// SIZE is WIDTHxHEIGHT, or one number for a square picture.
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <cstdio>

namespace {

bool svgWarned = false;

// A drawing that uses something Qt SVG leaves out would come out wrong without failing, so any
// complaint from the SVG reader fails the build. Other chatter (the offscreen platform's note on
// XDG_RUNTIME_DIR) would only clutter the build log.
void noteWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool fromSvg = context.category != nullptr && QByteArray(context.category).startsWith("qt.svg");
    if (fromSvg && type != QtDebugMsg && type != QtInfoMsg) {
        svgWarned = true;
    }
    if (fromSvg || type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

QSize parseSize(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    bool wideOk = false;
    bool highOk = true;
    const int width = parts.value(0).toInt(&wideOk);
    const int height = parts.size() == 2 ? parts[1].toInt(&highOk) : width;
    if (parts.size() > 2 || !wideOk || !highOk || width <= 0 || height <= 0) {
        return {};
    }
    return {width, height};
}

// Qt quietly draws text in another font when the one named is missing; the pictures would then ship
// with the wrong lettering, so a missing font is an error here.
bool fontsInstalled(const QString& svgPath) {
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QString svg = QString::fromUtf8(file.readAll());
    static const QRegularExpression family(QStringLiteral("font-family\\s*[=:]\\s*[\"']?([^\"';]+)"));
    bool all = true;
    for (auto it = family.globalMatch(svg); it.hasNext();) {
        const QString name = it.next().captured(1).trimmed();
        if (!QFontDatabase::families().contains(name)) {
            std::fprintf(stderr, "%s: font \"%s\" is not installed\n", qPrintable(svgPath), qPrintable(name));
            all = false;
        }
    }
    return all;
}

} // namespace

int main(int argc, char* argv[]) {
    // Text needs the font database, which needs a QGuiApplication; no display is wanted for that.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(noteWarnings);
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() < 4 || args.size() % 2 != 0) {
        std::fprintf(stderr, "usage: render_artwork DRAWING.svg SIZE OUT.png [SIZE OUT.png]...\n");
        return 2;
    }
    const QString svgPath = args[1];
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid() || svgWarned || !fontsInstalled(svgPath)) {
        std::fprintf(stderr, "render_artwork: cannot render %s\n", qPrintable(svgPath));
        return 1;
    }
    for (int i = 2; i < args.size(); i += 2) {
        const QSize size = parseSize(args[i]);
        if (!size.isValid()) {
            std::fprintf(stderr, "render_artwork: bad size %s\n", qPrintable(args[i]));
            return 2;
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        // A picture without a see-through pixel is stored without an alpha channel: a quarter less to
        // decode when it is shown.
        bool opaque = true;
        for (int y = 0; y < image.height() && opaque; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width() && opaque; ++x) {
                opaque = qAlpha(row[x]) == 255;
            }
        }
        if (opaque) {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
        // Quality 0 is zlib's strongest compression: the smallest file, the least to read at start-up.
        if (svgWarned || !image.save(args[i + 1], "PNG", 0)) {
            std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(args[i + 1]));
            return 1;
        }
    }
    return 0;
}
