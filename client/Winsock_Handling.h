#pragma once
// The server's messages: batch dispatch, handlers and the turn indicator.
void SetTurnIndicator(bool active);
void CloseClientSocket();
