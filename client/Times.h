#pragma once
// Waits of the client: one that blocks the thread, one that keeps the window alive.

// Blocks the user-interface thread; nothing is handled meanwhile.
void BlockingSleep(int milliseconds);
// Dispatches pending events until the duration has passed since the call.
void WaitPumping(int milliseconds);

#include <QPointer>
#include <QTimer>

// The connection watchdog's timer (1000 ms), created disabled.
extern QPointer<QTimer> WatchdogTimer;
void CreateWatchdogTimer();
void SetWatchdogEnabled(bool enabled);
