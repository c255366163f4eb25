#include "Player_Prototype.h"

void DestroyPlayers() {}
