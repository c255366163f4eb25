#include "KelmarInfo.h"

// The information panel is not built yet: notice 1 shows only its memo line.
void ShowInfoPanel() {}
