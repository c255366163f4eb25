#include "About.h"

// The about box is not built yet: the button does nothing.
void ToggleAbout() {}
