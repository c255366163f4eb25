#include "Winsock_Handling.h"

void SetTurnIndicator(bool) {}

void CloseClientSocket() {}
