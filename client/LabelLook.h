#pragma once
// Labels that stay readable whatever the skin does: the colour a text is drawn in when
// the program gives none, contrast between colours, and the plates that set the board's
// labels off the skin's pictures.
#include <QColor>

class QLabel;

// The toolkit's own text colour, which a skin's colour set does not change.
QColor SystemTextColor();
// The contrast ratio of two colours by their relative luminance: 1 (equal) to 21.
double ContrastRatio(const QColor &a, const QColor &b);
// The plate behind a text of this colour: a light or a dark one, whichever sets it off more.
QColor PlateFor(const QColor &text);
// Under the skin the label's text stands on a plate; without it the label is untouched.
void PlateUnderSkin(QLabel *label);
