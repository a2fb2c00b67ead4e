// Text colours that stay legible on the background they are drawn on, whatever the desktop's palette:
// a colour chosen for a light window (a dark blue heading, a blue link) is kept where it contrasts
// enough with its background, and otherwise moved to the nearest lightness of its own hue that does.
// Contrast is measured as WCAG 2 defines it, from the colours' relative luminance.
#pragma once

#include <QColor>

class QImage;
class QRect;

namespace contrast {

// The least contrast ratio for text, WCAG 2's level AA for normal-sized text.
inline constexpr double kText = 4.5;

// Relative luminance, 0 for black to 1 for white.
double Luminance(const QColor& colour);

// The contrast ratio of two colours, from 1 (alike) to 21 (black and white); the order does not matter.
double Ratio(const QColor& a, const QColor& b);

// `wanted` when it contrasts at least kText with `background`. Otherwise the colour of the same hue and
// saturation, with the lightness nearest to `wanted`'s, that does: lighter on a dark background, darker on
// a light one. `fallback` (the palette's text colour) stands in when `wanted` is invalid or no lightness of
// its hue passes; when it does not pass either, white or black does. The result always contrasts at least
// kText with `background`; both are measured as opaque.
QColor Legible(const QColor& wanted, const QColor& background, const QColor& fallback = QColor());

// The colour of `area` in `image` (clipped to the image) that text drawn over the picture has to contrast
// with: on an area light on average its darkest pixel, on a dark one its lightest. Invalid for an empty
// area.
QColor Behind(const QImage& image, const QRect& area);

} // namespace contrast
