// Window designs measure in twips, 1/1440 inch: 15 twips are one pixel at 96 dots per inch.
#pragma once

namespace twips {

inline constexpr int kPerPixel = 15;

constexpr int ToPixels(int twips) {
    return twips / kPerPixel;
}
constexpr int FromPixels(int pixels) {
    return pixels * kPerPixel;
}

} // namespace twips
