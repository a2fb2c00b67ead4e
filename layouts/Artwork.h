// The program's pictures and icons, kept as a Qt resource.
#pragma once

#include <QString>
#include <array>

namespace artwork {

// The sizes, in pixels, every icon set holds.
inline constexpr std::array<int, 5> kIconSizes = {128, 64, 48, 32, 16};

// The resource path of one image of an icon set: ":/icons/AAA-32.png".
QString IconPath(const QString& iconName, int size);

} // namespace artwork
