// The game without sockets: the course of a game, the check of every kind of move as
// the client sends it, and the bots.
#include "Bot.h"
#include "Game.h"
#include "Wire.h"

#include <QTest>

namespace {
using Tiles = QList<std::pair<int, int>>;

// A deal with the named tiles in the first slots of each seat and the rest of the set,
// in tile order, in the free slots.
Deal arrange(const std::array<Tiles, Seats> &named)
{
    Deal deal{};
    QList<int> rest;
    for (int t = 1; t <= Rules::TileCount; ++t)
        rest << t;
    for (int seat = 0; seat < Seats; ++seat)
        for (int i = 0; i < named[seat].size(); ++i)
            rest.removeOne(deal[seat][i] = Rules::TileOf(named[seat][i].first, named[seat][i].second));
    for (Hand &hand : deal)
        for (int &tile : hand)
            if (tile == 0)
                tile = rest.takeFirst();
    return deal;
}

int slotOf(const Game &game, int seat, std::pair<int, int> tile)
{
    for (int slot = 1; slot <= Rules::HandSize; ++slot)
        if (game.tile(seat, slot) == Rules::TileOf(tile.first, tile.second))
            return slot;
    return 0;
}

// Judges the move as the client would send it and plays it when it is accepted.
Judgement play(Game &game, int seat, std::pair<int, int> tile, int target, QByteArray *sent = nullptr)
{
    Judgement judgement = game.judge(seat, {slotOf(game, seat, tile), target});
    if (judgement.fault != Fault::None)
        return judgement;
    const QByteArrayList messages = Wire::ClientMove(judgement.placed);
    if (sent)
        *sent = messages.join();
    judgement = JudgeMessages(game, seat, messages);
    if (judgement.fault == Fault::None)
        game.play(judgement.placed);
    return judgement;
}

// 25 tiles that match one after the other, starting with 6-6: seat k % 4 plays tile k.
const Tiles Line
    = {{6, 6}, {5, 6}, {5, 5}, {4, 5}, {4, 6}, {3, 6}, {3, 5}, {2, 5}, {2, 6}, {1, 6}, {1, 5}, {0, 5}, {0, 4},
       {4, 4}, {3, 4}, {3, 3}, {2, 3}, {2, 4}, {1, 4}, {1, 3}, {0, 3}, {0, 2}, {2, 2}, {1, 2}, {1, 1}};

Deal lineDeal()
{
    std::array<Tiles, Seats> named;
    for (int k = 0; k < Line.size(); ++k)
        named[k % Seats] << Line[k];
    return arrange(named);
}
}  // namespace

class TestServerRules : public QObject {
    Q_OBJECT
private slots:
    void openingIsFreeAndShowsBothHalves();
    void chainGrowsOnBothEnds();
    void fullRingEndsOnPosition26();
    void passingAndBlockedGame();
    void refusals_data();
    void refusals();
    void botPlaysHeaviestTileAndDoubleFirst();
    void botGamesEndProperly();
};

void TestServerRules::openingIsFreeAndShowsBothHalves()
{
    Game game(arrange({Tiles{{0, 1}, {6, 6}}, Tiles{{5, 6}}, {}, {}}));
    QCOMPARE(game.mover(), 0);  // the holder of 6-6
    QCOMPARE(game.legalMoves(0).size(), Rules::HandSize);
    QByteArray sent;
    const Judgement opening = play(game, 0, {0, 1}, 1, &sent);
    QCOMPARE(opening.fault, Fault::None);
    QCOMPARE(sent, QByteArray("Ba1Bb0EbZ0X01Yr0Yl1Wt0"));
    QCOMPARE(Wire::ChainUpdates(opening.placed), QByteArray("Ba1Bb0EaEb"));
    QCOMPARE(int(game.pips(1)), 1);
    QCOMPARE(int(game.pips(2)), 0);
    QCOMPARE(game.mover(), 1);
}

void TestServerRules::chainGrowsOnBothEnds()
{
    Game game(arrange({Tiles{{6, 6}}, Tiles{{4, 6}}, Tiles{{5, 6}}, Tiles{{5, 5}}}));
    QCOMPARE(play(game, 0, {6, 6}, 1).fault, Fault::None);
    QByteArray sent;
    QCOMPARE(play(game, 1, {4, 6}, 1, &sent).fault, Fault::None);  // left branch: to 26
    QCOMPARE(sent, QByteArray("Bz4EaEzZ1X11Yl4Wt1"));
    QCOMPARE(play(game, 2, {5, 6}, 2, &sent).fault, Fault::None);  // right branch: to 3
    QCOMPARE(sent, QByteArray("Bc5EbEcZ2X21Yr5Wt2"));
    const Judgement doubled = play(game, 3, {5, 5}, 3, &sent);
    QCOMPARE(doubled.fault, Fault::None);
    QCOMPARE(sent, QByteArray("Bd5EcEdZ3X31Yr5Wt3"));
    QCOMPARE(Wire::ChainUpdates(doubled.placed) + Wire::TilePlayed(3, 1), QByteArray("Bd5EcEdK31"));
    QCOMPARE(int(game.pips(26)), 4);
    QCOMPARE(int(game.pips(4)), 5);
}

void TestServerRules::fullRingEndsOnPosition26()
{
    Game game(lineDeal());
    QByteArray sent;
    for (int k = 0; k < Line.size(); ++k)
        QCOMPARE(play(game, k % Seats, Line[k], k == 0 ? 1 : k + 1, &sent).fault, Fault::None);
    QCOMPARE(sent, QByteArray("Bz1EyEzZ0X07Yl1Wf0"));  // 26 is on the left: the place after it counts as taken
    QCOMPARE(game.end(), Game::End::Domino);
    for (int p = 1; p <= Rules::RingSize; ++p)
        QVERIFY(game.occupied(p));
    QCOMPARE(game.pipsLeft(0), 0);
    QCOMPARE(game.pipsLeft(3), 6);  // 0-6 is left over
}

void TestServerRules::passingAndBlockedGame()
{
    // Seat 1 holds no 6 and passes after the opening 6-6.
    Game passing(arrange({Tiles{{6, 6}}, {}, Tiles{{0, 6}, {1, 6}, {2, 6}}, Tiles{{3, 6}, {4, 6}, {5, 6}}}));
    QCOMPARE(play(passing, 0, {6, 6}, 1).fault, Fault::None);
    QCOMPARE(passing.mover(), 2);

    // Every 6 is played and both ends show 6: nobody can move.
    Game game(arrange(
        {Tiles{{6, 6}, {2, 3}, {4, 5}}, Tiles{{0, 6}, {1, 6}, {5, 6}}, Tiles{{2, 6}, {3, 6}}, Tiles{{0, 1}, {4, 6}}}));
    const QList<std::tuple<int, std::pair<int, int>, int>> moves
        = {{0, {6, 6}, 1}, {1, {0, 6}, 2},  {2, {2, 6}, 1}, {3, {0, 1}, 3}, {0, {2, 3}, 26},
           {1, {1, 6}, 4}, {2, {3, 6}, 25}, {3, {4, 6}, 5}, {0, {4, 5}, 6}};
    for (const auto &[seat, tile, target] : moves)
        QCOMPARE(play(game, seat, tile, target).fault, Fault::None);
    QCOMPARE(game.mover(), 1);
    QCOMPARE(game.judge(1, {slotOf(game, 1, {5, 6}), 2}).fault, Fault::NotAnEnd);  // 1 and 3 are taken
    QCOMPARE(game.judge(1, {1, 7}).fault, Fault::NoTile);                          // 0-6 is played
    QCOMPARE(game.play(game.judge(1, {slotOf(game, 1, {5, 6}), 7}).placed), QList<int>({2, 3, 0, 1}));
    QCOMPARE(game.end(), Game::End::Blocked);
    QCOMPARE(game.mover(), -1);
}

void TestServerRules::refusals_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<QByteArray>("move");
    QTest::addColumn<Fault>("fault");
    // After the opening 6-6 by seat 0, seat 1 is to move holding 5-6 in slot 1 and 1-2 in slot 2.
    QTest::newRow("accepted") << 1 << QByteArray("Bc5EbEcZ1X11Yr5Wt1") << Fault::None;
    QTest::newRow("out of turn") << 2 << QByteArray("Bc5EbEcZ2X21Yr5Wt2") << Fault::OutOfTurn;
    QTest::newRow("naming another seat") << 1 << QByteArray("Bc5EbEcZ2X21Yr5Wt2") << Fault::OutOfTurn;
    QTest::newRow("slot 8") << 1 << QByteArray("Bc5EbEcZ1X18Yr5Wt1") << Fault::NoTile;
    QTest::newRow("slot 0") << 1 << QByteArray("Bc5EbEcZ1X10Yr5Wt1") << Fault::NoTile;
    QTest::newRow("free position") << 1 << QByteArray("Bd5EcEdZ1X11Yr5Wt1") << Fault::NotAnEnd;
    QTest::newRow("mismatch") << 1 << QByteArray("Bc1EbEcZ1X12Yr1Wt1") << Fault::NoMatch;
    QTest::newRow("wrong pips shown") << 1 << QByteArray("Bc6EbEcZ1X11Yr6Wt1") << Fault::Malformed;
    QTest::newRow("wrong new position") << 1 << QByteArray("Bd5EbEdZ1X11Yr5Wt1") << Fault::Malformed;
    QTest::newRow("wrong side") << 1 << QByteArray("Bc5EbEcZ1X11Yl5Wt1") << Fault::Malformed;
    QTest::newRow("hand empty claimed") << 1 << QByteArray("Bc5EbEcZ1X11Yr5Wf1") << Fault::Malformed;
    QTest::newRow("no mover") << 1 << QByteArray("Bc5EbEcX11Yr5Wt1") << Fault::Malformed;
    QTest::newRow("two tiles") << 1 << QByteArray("Bc5EbEcZ1X11X12Yr5Wt1") << Fault::Malformed;
    QTest::newRow("opening again") << 1 << QByteArray("Ba6Bb5EbZ1X11Yr5Yl6Wt1") << Fault::Malformed;
}

void TestServerRules::refusals()
{
    QFETCH(int, seat);
    QFETCH(QByteArray, move);
    QFETCH(Fault, fault);
    Game game(arrange({Tiles{{6, 6}}, Tiles{{5, 6}, {1, 2}}, Tiles{{5, 6}}, {}}));
    QCOMPARE(play(game, 0, {6, 6}, 1).fault, Fault::None);
    QByteArrayList messages;
    for (qsizetype at = 0, length = 0; at < move.size(); at += length)
        messages << move.mid(at, length = (move[at] == 'E' || move[at] == 'Z') ? 2 : 3);
    QCOMPARE(JudgeMessages(game, seat, messages).fault, fault);
    const bool tileFault = fault == Fault::NoTile || fault == Fault::NoMatch;
    if (fault != Fault::None)
        QCOMPARE(RefusalNotice(fault), tileFault ? Wire::Mismatch : Wire::IllegalPlacement);
    QCOMPARE(game.mover(), 1);  // nothing was played
    QVERIFY(!game.occupied(3));
}

void TestServerRules::botPlaysHeaviestTileAndDoubleFirst()
{
    const Game fresh(arrange({Tiles{{0, 0}, {6, 6}}, {}, {}, {}}));
    const auto opening = Bot::Choose(fresh, 0);
    QVERIFY(opening);
    QCOMPARE(fresh.tile(0, opening->slot), Rules::TileOf(6, 6));
    QVERIFY(!Bot::Choose(fresh, 1));  // not its turn

    // The ends show 6 and 5: 4-6 and 5-5 weigh the same, and the double goes first.
    Game game(arrange({Tiles{{6, 6}, {5, 6}}, Tiles{{4, 6}, {5, 5}, {1, 6}}, {}, {}}));
    QCOMPARE(play(game, 0, {5, 6}, 1).fault, Fault::None);
    const auto chosen = Bot::Choose(game, 1);
    QVERIFY(chosen);
    QCOMPARE(game.tile(1, chosen->slot), Rules::TileOf(5, 5));
    QCOMPARE(chosen->target, 2);
}

void TestServerRules::botGamesEndProperly()
{
    std::mt19937 random(7);
    int dominoes = 0, blocked = 0;
    for (int g = 0; g < 300; ++g) {
        Game game(ShuffledDeal(random));
        int played = 0;
        while (game.end() == Game::End::None) {
            QList<Move> judged;  // every slot on every position, through the full rule
            for (int target = 1; target <= Rules::RingSize; ++target)
                for (int slot = 1; slot <= Rules::HandSize; ++slot)
                    if (game.judge(game.mover(), {slot, target}).fault == Fault::None)
                        judged.append({slot, target});
            const QList<Placed> legal = game.legalMoves(game.mover());
            QVERIFY(std::ranges::equal(
                legal, judged, [](const Placed &a, Move b) { return a.slot == b.slot && a.target == b.target; }));
            const auto move = Bot::Choose(game, game.mover());
            QVERIFY(move);
            const Judgement judgement = game.judge(game.mover(), {move->slot, move->target});
            QCOMPARE(judgement.fault, Fault::None);
            for (int seat : game.play(judgement.placed))
                QVERIFY(game.legalMoves(seat).isEmpty());
            ++played;
        }
        int occupied = 0, tilesLeft = 0;
        for (int p = 1; p <= Rules::RingSize; ++p)
            occupied += game.occupied(p);
        for (int seat = 0; seat < Seats; ++seat)
            for (int slot = 1; slot <= Rules::HandSize; ++slot)
                tilesLeft += game.tile(seat, slot) != 0;
        QCOMPARE(occupied, played + 1);
        QCOMPARE(tilesLeft + played, Rules::TileCount);
        if (game.end() == Game::End::Domino) {
            ++dominoes;
            QVERIFY(std::ranges::any_of(std::array{0, 1, 2, 3}, [&](int s) { return game.pipsLeft(s) == 0; }));
        } else {
            ++blocked;
            for (int seat = 0; seat < Seats; ++seat)
                QVERIFY(game.legalMoves(seat).isEmpty());
        }
    }
    QVERIFY(dominoes > 0 && blocked > 0);
}

QTEST_APPLESS_MAIN(TestServerRules)
#include "tst_server_rules.moc"
