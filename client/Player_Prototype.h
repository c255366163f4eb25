#pragma once
// The four player records, in view order.
void DestroyPlayers();
