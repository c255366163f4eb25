#pragma once
// Waits of the client: one that blocks the thread, one that keeps the window alive.

// Blocks the user-interface thread; nothing is handled meanwhile.
void BlockingSleep(int milliseconds);
// Dispatches pending events until the duration has passed since the call.
void WaitPumping(int milliseconds);

// The connection watchdog's timer, created disabled.
void CreateWatchdogTimer();
