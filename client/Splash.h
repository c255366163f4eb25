#pragma once
// The splash window that shows start-up progress.
#include <QString>

void ShowSplash(const QString &text);
void SetSplashStatus(const QString &text);
void CloseSplash();
