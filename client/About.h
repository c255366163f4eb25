#pragma once
// The about box with its credits scroller.
void ToggleAboutBox();
