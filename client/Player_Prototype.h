#pragma once
// A seat's row of tiles on the board; what the seat holds (name, address, score) is the
// table model's.
#include "Card_Prototype.h"
#include "TableModel.h"

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>

// The rows of face-down tiles: lying on the Left and Right, upright on Top.
enum class SeatSide { Left, Right, Top };

class TPlayer {
public:
    // Moves the face-down tile of a slot and gives it the seat's bitmap by side.
    void PlaceTile(int slot, int left, int top, SeatSide side);
    void ClearTile(int slot);  // the slot's tile shows nothing

    // Slots 1..7; the board owns the controls.
    TCards *Tile(int slot) const;
    void SetTile(int slot, TCards *tile);
    int SlotOf(const TCards *tile) const;  // 0 when the tile is none of this row's

private:
    std::array<QPointer<TCards>, 7> Hand;
};
