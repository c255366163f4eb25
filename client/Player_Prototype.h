#pragma once
// A player record: one seat at the table as the local player sees it.
#include "Card_Prototype.h"

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>

// The rows of face-down tiles: lying on the Left and Right, upright on Top.
enum class SeatSide { Left, Right, Top };

class TPlayer {
public:
    void SetName(const QString &text) { Name = text.left(7); }
    QString GetName() const { return Name; }
    void SetScore(std::uint8_t score) { Score = score; }
    std::uint8_t GetScore() const { return Score; }
    // Moves the face-down tile of a slot and gives it the seat's bitmap by side.
    void PlaceTile(int slot, int left, int top, SeatSide side);
    void ClearTile(int slot);  // the slot's tile shows nothing
    void Reset();              // name and score; the hand is not touched

    // Slots 1..7; the board owns the controls.
    TCards *Tile(int slot) const;
    void SetTile(int slot, TCards *tile);

private:
    QString Name;
    std::uint8_t Score = 0;
    std::array<QPointer<TCards>, 7> Hand;
};

enum ViewPosition { Local = 0, LeftSeat = 1, TopSeat = 2, RightSeat = 3 };

// Where seat index 0..3 sits as the local player sees it.
int ViewOf(int seatIndex);
