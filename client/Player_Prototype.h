#pragma once
// The four player records, kept in view order: local, Left, Top, Right.
#include "Card_Prototype.h"

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class TPlayer {
public:
    void SetName(const QString &text) { Name = text.left(7); }
    QString GetName() const { return Name; }
    void SetAddress(const QString &text) { Address = text; }
    void SetScore(std::uint8_t score) { Score = score; }
    std::uint8_t GetScore() const { return Score; }
    // Moves the face-down tile of a slot and gives it the seat's bitmap by side (L, R, T).
    void PlaceTile(int slot, int left, int top, char side);
    void ClearTile(int slot);  // the slot's tile shows nothing
    void Reset();              // name, address and score; the hand is not touched

    // Slots 1..7; the board owns the controls.
    TCards *Tile(int slot) const;
    void SetTile(int slot, TCards *tile);

private:
    QString Name;
    QString Address;
    std::uint8_t Score = 0;
    std::array<QPointer<TCards>, 7> Hand;
};

enum ViewPosition { Local = 0, LeftSeat = 1, TopSeat = 2, RightSeat = 3 };

extern std::array<std::unique_ptr<TPlayer>, 4> Players;

// Where seat index 0..3 sits as the local player sees it.
int ViewOf(int seatIndex);
// The record at a view position; throws KelmarError when the table is not built.
TPlayer &Player(int view);
void CreatePlayers();
void DestroyPlayers();  // the local record first, then Left, Top and Right
