#pragma once
// The about box: a picture with the version, a credit line, a notice line, a scrolling
// list of credits and a link to the project's web page.
#include <QString>

class QLabel;
class QWidget;

// Builds and shows the box with its credits scroller running; the about-box flag is set.
void OpenAboutBox(const QString &version);
// Hides and destroys the box (its scroller stops with it); false when there is none.
bool CloseAboutBox();
// The info title button: opens the box with the version "1.5", or closes it when open.
void ToggleAbout();
// The scroller's 30 ms tick: moves the credits line one pixel to the right; at x = 248
// the next credit follows from x = -37, and at x = 100 the line stands for 500 ms.
void AboutTimer();

QWidget *AboutBox();         // the box while it is up
QLabel *AboutCreditsLine();  // its credits scroller
