#include "modSkin.h"

namespace modSkin {

// The skin layer and the banner page arrive with the appearance work; until then these keep their
// places in the start-up sequence and change nothing.
void SkinStartUp() {}
void SkinForm(QWidget*) {}
void ShowBanner(QWidget*) {}

} // namespace modSkin
