#pragma once
// The information panel that notice 1 shows: a borderless, partly see-through picture
// that grows into view, stands for a second and fades out.

class QAbstractButton;
class QWidget;

// The board that owns the panel and the info title button that the panel's sequence
// disables; handed over once at start-up.
void BindInformationPanel(QWidget *board, QAbstractButton *infoButton);
// Builds the panel at its full size, disables the info title button, plays "clap" and
// shows the panel; false, and nothing else, when a panel is up already.
bool ShowInformationPanel();
// Fades the panel out, enables the info title button and destroys the panel; false when
// there is none.
bool HideInformationPanel();
// Shrinks the panel to 112 x 27 and grows it back to its full size, centred on the
// screen, a fifth of its size every 30 ms, height before width.
void ZoomShowForm();
// The whole sequence for notice 1: show, zoom, stand for 1000 ms (the board answering
// meanwhile), fade. A notice 1 that arrives while a sequence runs is ignored.
void ShowInfoPanel();

QWidget *InformationPanel();  // the panel while it is up
