// Giving a window, and the outermost window that owns it, the program's own icon.
#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace programIcon {

// The icon set `iconName` from the program's resources ("AAA" is the program's icon); an empty icon when
// there is no such set.
QIcon LoadIcon(const QString& iconName);

// Sets the icon on `window` and, when `alsoOwner` is true, on the outermost window that owns it.
void SetWindowIcon(QWidget* window, const QString& iconName, bool alsoOwner);

} // namespace programIcon
