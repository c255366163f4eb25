#pragma once
// The about box with its credits scroller.

// The info title button: opens the about box, or closes it when it is open.
void ToggleAbout();
