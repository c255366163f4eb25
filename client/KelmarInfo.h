#pragma once
// The information panel that notice 1 shows.

// Grows the panel into view, leaves it standing for a second, then fades it out.
void ShowInfoPanel();
