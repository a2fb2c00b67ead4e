// The optional appearance: the skin layer and the banner above the main window's list.
#pragma once

class QWidget;

namespace modSkin {

// Prepares the skin layer at the end of the splash, whether or not skinning is on.
void SkinStartUp();
// Shows a window in the skin's look.
void SkinForm(QWidget* form);
// Puts the banner page in its band above the main window's list.
void ShowBanner(QWidget* form);

} // namespace modSkin
