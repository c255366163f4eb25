#include "Splash.h"

void ShowSplash(const QString &) {}

void SetSplashStatus(const QString &) {}

void CloseSplash() {}
