#pragma once
// Waits of the client: one that blocks the thread, one that keeps the window alive.

// Blocks the user-interface thread; nothing is handled meanwhile.
void BlockingSleep(int milliseconds);
// Dispatches pending events until the duration has passed since the call.
void WaitPumping(int milliseconds);

#include <QPointer>
#include <QTimer>

// The connection watchdog: a 1000 ms timer, created disabled, whose every fifth tick
// checks that a connection expected to be up still is.
extern QPointer<QTimer> WatchdogTimer;
void CreateWatchdogTimer();
void SetWatchdogEnabled(bool enabled);
// Counts WatchdogTicks up to 255, where it stays; at 5 it checks and starts again at 0.
void WatchdogTick();
// When Online but not connected: tells the player, marks the board offline and asks
// "restart the game?"; OK clears the table, the memo and the player records.
void CheckConnection();
