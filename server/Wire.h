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
QByteArray ChainPicture(int position, int pips);                // B, position letter, pips
QByteArray Occupy(int position);                                // E, position letter
QByteArray Reset();                                             // D
QByteArray TurnSwitch();                                        // F
QByteArray WhoseMove(int seat);                                 // J, seat index
QByteArray TurnOffered(int seat, int seconds);                  // J and M: whose move and its clock
QByteArray TilePlayed(int seat, int slot);                      // K, seat index, slot
QByteArray PlayerName(int seat, const QByteArray &name);        // ^@, seat number, name
QByteArray PlayerAddress(int seat, const QByteArray &address);  // ^#, seat number, address
QByteArray PlayerScore(int seat, int score);                    // ^$, seat number, score

// The extensions, which a client that knows only the messages above passes over.
using Protocol::Ending;
using Protocol::Reason;
QByteArray Announcement(int seat);             // ^~, seat number, "kelmar", version
QByteArray Clock(int seat, int seconds);       // M: the mover's seconds, 0 for no deadline
QByteArray ReasonTold(Reason reason);          // N
QByteArray MoveTold(int seat, int tile);       // O: seat index, tile number
QByteArray Pass(int seat);                     // P
QByteArray EndTold(Ending ending, int seat);   // Q
QByteArray Total(int seat, int total);         // R
QByteArray Match(int target, int winnerSeat);  // S: the winner as a seat index, -1 for none
QByteArray Back(int seat);                     // U

// The chain updates of a checked move, as every client gets them: the new halves (B)
// and the positions they occupy (E).
QByteArray ChainUpdates(const Placed &move);
// A checked move as every client gets it, in one array: the tile told (O, tile: the tile
// number it had in its slot), the chain updates, the slot played (K) and a pass (P) for
// each seat in passed.
QByteArray MoveRelayed(const Placed &move, int tile, const QList<int> &passed);
// The messages the client program sends for this move, the hand state last.
QByteArrayList ClientMove(const Placed &move);
// The same in one array, as the client program writes them.
QByteArray ClientMoveJoined(const Placed &move);
// Whether the messages are exactly those ClientMove gives.
bool IsClientMove(const QByteArrayList &messages, const Placed &move);

}  // namespace Wire
