#pragma once
// The waits of the client and the connection watchdog.

// Dispatches pending events until the duration has passed since the call; the
// information panel's zoom will use it.
void WaitPumping(int milliseconds);

// A 1000 ms timer, created disabled, whose every fifth tick checks that a connection
// expected to be up still is.
void CreateWatchdogTimer();
// Counts WatchdogTicks up to 255, where it stays; at 5 it checks and starts again at 0.
void WatchdogTick();
// When Online but not connected: tells the player, marks the board offline and asks
// "restart the game?"; OK clears the table, the memo and the player records.
void CheckConnection();
