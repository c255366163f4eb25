#pragma once
// The splash window: the splash picture, the project's web address and a progress
// caption that the start-up changes at each step.
#include <QString>

class QWidget;

// Builds and shows the splash with its first caption; false when one is up already.
bool ShowSplash(const QString &text);
// Lets pending events run, then shows the caption at once.
void SetSplashStatus(const QString &text);
// Hides and destroys the splash; false when there is none.
bool CloseSplash();
QWidget *SplashWindow();  // the splash while it is up
