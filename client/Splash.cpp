#include "Splash.h"

// The splash window is not built yet: start-up shows no progress.
void ShowSplash(const QString &) {}

void SetSplashStatus(const QString &) {}

void CloseSplash() {}
