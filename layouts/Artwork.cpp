#include "Artwork.h"

namespace artwork {

QString IconPath(const QString& iconName, int size) {
    return QStringLiteral(":/icons/%1-%2.png").arg(iconName).arg(size);
}

} // namespace artwork
