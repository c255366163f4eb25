#pragma once
// Building the table on the main board and putting it back for a new game.
#include <QCursor>
#include <QRect>
#include <QSize>
#include <optional>

// How the board takes the screen.
struct ScreenFit {
    enum Kind { FillWorkArea, Centred, Borderless, TooSmall };
    Kind kind;
    QRect frame;  // the board's client area on the screen (empty for TooSmall)
};
// Exactly 800 x 600: fill the work area without a border. Larger in both: a fixed
// 800 x 600 window centred. Larger in one and exactly the size in the other: a
// borderless 800 x 600 board centred, as a border would not fit. Smaller in either:
// too small.
ScreenFit FitScreen(QSize screen, QRect workArea);
// Replaces the primary screen's geometry for FitScreen (tests); nullopt uses the real one.
void SetScreenOverride(std::optional<std::pair<QSize, QRect>> screen);

inline const char *const ScreenTooSmallText =
    "This Games required : Windows-compatible display with at least 800x600 resolution";

void BuildTable();
void LoadSkin();
void CreateBanner();
QCursor CustomCursor(int number);  // 1 buttons, 2 pointing at a hand tile, 3 dragging
