#include "ProgramIcon.h"

#include "Artwork.h"

#include <QFile>
#include <QWidget>

namespace programIcon {

QIcon LoadIcon(const QString& iconName) {
    QIcon icon;
    for (const int size : artwork::kIconSizes) {
        const QString path = artwork::IconPath(iconName, size);
        if (QFile::exists(path)) {
            icon.addFile(path, QSize(size, size));
        }
    }
    return icon;
}

void SetWindowIcon(QWidget* window, const QString& iconName, bool alsoOwner) {
    if (window == nullptr) {
        return;
    }
    const QIcon icon = LoadIcon(iconName);
    if (alsoOwner) {
        QWidget* owner = window->window();
        while (owner->parentWidget() != nullptr) {
            owner = owner->parentWidget()->window();
        }
        owner->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}

} // namespace programIcon
