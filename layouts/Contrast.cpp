#include "Contrast.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <optional>

namespace contrast {
namespace {

// An sRGB channel (0 to 1) in linear light.
double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// The colour as the screen shows it: 8 bits a channel.
QColor Quantised(const QColor& colour) {
    return QColor::fromRgba(colour.rgba());
}

bool Passes(const QColor& text, const QColor& background) {
    return Ratio(text, background) >= kText;
}

} // namespace

double Luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double Ratio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Legible(const QColor& wanted, const QColor& background, const QColor& fallback) {
    if (wanted.isValid() && Passes(wanted, background)) {
        return wanted;
    }
    // White contrasts more with a dark background, black with a light one, and one of them always reaches
    // kText.
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    const QColor farthest = Ratio(white, background) >= Ratio(black, background) ? white : black;
    const QColor standIn = fallback.isValid() && Passes(fallback, background) ? fallback : farthest;
    if (!wanted.isValid()) {
        return standIn;
    }

    const QColor hsl = wanted.toHsl();
    const float hue = std::max(hsl.hslHueF(), 0.0f); // greys have none
    const float saturation = hsl.hslSaturationF();
    const float alpha = hsl.alphaF();
    const auto at = [&](double lightness) {
        return Quantised(QColor::fromHslF(hue, saturation, static_cast<float>(lightness), alpha));
    };
    // From the wanted lightness toward white or black, contrast first falls while the colour nears the
    // background and then only grows: the least change that passes is found by halving the distance.
    // Both ways are tried (only near a mid grey do both reach kText), and the nearer one wins.
    std::optional<double> nearest;
    for (const double end : {1.0, 0.0}) {
        if (!Passes(at(end), background)) {
            continue;
        }
        double failing = hsl.lightnessF();
        double passing = end;
        for (int step = 0; step < 24; ++step) {
            const double middle = (failing + passing) / 2;
            (Passes(at(middle), background) ? passing : failing) = middle;
        }
        if (!nearest || std::abs(passing - hsl.lightnessF()) < std::abs(*nearest - hsl.lightnessF())) {
            nearest = passing;
        }
    }
    return nearest ? at(*nearest) : standIn;
}

QColor Behind(const QImage& image, const QRect& area) {
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty()) {
        return {};
    }
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    double red = 0;
    double green = 0;
    double blue = 0;
    QRgb darkest = 0;
    QRgb lightest = 0;
    double least = 2;
    double most = -1;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb pixel = line[x];
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
            const double light = Luminance(QColor(pixel));
            if (light < least) {
                least = light;
                darkest = pixel;
            }
            if (light > most) {
                most = light;
                lightest = pixel;
            }
        }
    }
    const double count = static_cast<double>(inside.width()) * inside.height();
    const QColor average(qRound(red / count), qRound(green / count), qRound(blue / count));
    const bool light = Ratio(average, Qt::black) > Ratio(average, Qt::white);
    return QColor(light ? darkest : lightest);
}

} // namespace contrast
