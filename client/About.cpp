#include "About.h"

void ToggleAboutBox() {}
