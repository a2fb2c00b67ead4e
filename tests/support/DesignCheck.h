// Holds a built window against its design table: every control by name, of the right kind, with its
// caption, geometry in twips and tab order.
#pragma once

#include "Design.h"

#include <QStringList>

class QWidget;

// Returns the differences found, one line each; empty when the window matches its design. Controls
// named in `outside` may lie partly outside the client area, as their design has them.
QStringList CheckDesign(QWidget* window, const layouts::Window& design, const QStringList& outside = {});

// Destroys every window a test left behind (windows without a parent; their popups go with them).
void DestroyAllWindows();
