#include "KelmarInfo.h"

void ShowInfoPanel() {}
