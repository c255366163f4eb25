#pragma once
// The protocol catalogue's messages as byte arrays for the server's sockets, and a
// received move's expected form (the shared encoder's).
#include "Game.h"
#include "Protocol.h"

#include <QByteArray>

namespace Wire {

using Protocol::Notice;
using enum Protocol::Notice;

QByteArray Greeting(int seat);                                  // H, seat number
QByteArray DealTile(int slot, int tile);                        // A, slot, tile as two digits
QByteArray NoticeMessage(int notice);                           // C, notice number
QByteArray Reset();                                             // D
QByteArray TurnSwitch();                                        // F
QByteArray WhoseMove(int seat);                                 // J, seat index
QByteArray TilePlayed(int seat, int slot);                      // K, seat index, slot
QByteArray PlayerName(int seat, const QByteArray &name);        // ^@, seat number, name
QByteArray PlayerAddress(int seat, const QByteArray &address);  // ^#, seat number, address
QByteArray PlayerScore(int seat, int score);                    // ^$, seat number, score

// The chain updates of a checked move, as every client gets them: the new halves (B)
// and the positions they occupy (E).
QByteArray ChainUpdates(const Placed &move);
// The messages the client program sends for this move, the hand state last.
QByteArrayList ClientMove(const Placed &move);

}  // namespace Wire
