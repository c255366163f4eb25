#include "TestSupport.h"

#include "Gif.h"
#include "Methods.h"
#include "Rules.h"

#include <QDirIterator>
#include <QLayout>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {
TCards *hand(int slot) { return Player(Local).Tile(slot); }
const TTableModel::HandSlot &held(int slot) { return Model().Hand(slot); }
bool occupied(int p) { return Model().IsOccupied(p); }

// A new game whose chain has exactly the given positions occupied.
void occupyOnly(std::initializer_list<int> positions)
{
    Feed("D");
    for (int p : positions)
        Feed(QByteArray("E") + char('a' + p - 1));
}

// Where NextPosition on the board's chain sends a drop on p: a position, "opening" or "no room".
QString next(int p)
{
    const Rules::NextStep step = Rules::NextPosition(occupied, p);
    if (step.kind == Rules::NextStep::Position)
        return QString::number(step.position);
    return step.kind == Rules::NextStep::Opening ? QStringLiteral("opening") : QStringLiteral("no room");
}

bool isBlackAndWhite(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb c = image.pixel(x, y); c != qRgb(0, 0, 0) && c != qRgb(255, 255, 255))
                return false;
    return true;
}
}  // namespace

class TestTable : public QObject {
    Q_OBJECT

    BoardCase fixture;

private slots:
    void initTestCase() { PrepareSuite(); }
    void init()
    {
        fixture.start();
        QVERIFY2(fixture.dialogs->errors.isEmpty(), qPrintable(fixture.dialogs->errors.join('\n')));
    }
    void cleanup() { fixture.end(); }

    void startingTable()
    {
        for (int slot = 1; slot <= 7; ++slot) {
            QCOMPARE(hand(slot)->geometry(), QRect(144 + 56 * slot, 456, 55, 111));
            QVERIFY(hand(slot)->isEnabled());
            QCOMPARE(held(slot).FirstPips, 0);
            QCOMPARE(Player(LeftSeat).Tile(slot)->geometry(), QRect(16, 100 + 56 * (slot - 1), 111, 55));
            QCOMPARE(Player(TopSeat).Tile(slot)->geometry(), QRect(200 + 56 * (slot - 1), 10, 55, 111));
            QCOMPARE(Player(RightSeat).Tile(slot)->geometry(), QRect(672, 100 + 56 * (slot - 1), 111, 55));
            QCOMPARE(Player(TopSeat).Tile(slot)->Picture().size(), QSize(53, 111));
        }
        for (int p = 1; p <= 26; ++p) {
            QVERIFY(!occupied(p) && !ChainAt(p)->isEnabled());
            QCOMPARE(ChainAt(p)->Position, p);
            QCOMPARE(ChainAt(p)->size(), QSize(53, 54));
        }
        QCOMPARE(Memo()->geometry(), QRect(224, 191, 345, 168));
        QVERIFY(Memo()->isReadOnly());
        QCOMPARE(MemoText(), QString());
        QCOMPARE(Table().StatusLabel->text(), QStringLiteral("Offline"));
        QCOMPARE(LabelColor(Table().StatusLabel), NamedColor::Red);
        QCOMPARE(Table().StatusLabel->geometry(), QRect(720, 550, 90, 16));
        QCOMPARE(Table().OwnNameLabel->text(), QStringLiteral("thisPlayer"));
        QVERIFY(Table().OwnNameLabel->alignment() & Qt::AlignRight);
        QCOMPARE(Table().LeftLabel->geometry(), QRect(16, 80, 90, 16));
        QCOMPARE(Table().TopLabel->geometry(), QRect(598, 9, 90, 16));
        QCOMPARE(Table().RightLabel->geometry(), QRect(693, 495, 90, 16));
        QCOMPARE(Table().Banner->geometry(), QRect(344, 366, 104, 24));
        const QImage firstFrame = Table().Banner->Picture().toImage();
        QCOMPARE(firstFrame.size(), QSize(104, 24));
        QTRY_VERIFY_WITH_TIMEOUT(Table().Banner->Picture().toImage() != firstFrame, 500);  // it scrolls
        QVERIFY(!Table().Connection->Socket());  // the network library waits for the first connect
    }

    // The banner decodes its frames one at a time: after the last it starts again from the
    // first, and a still picture stays without a timer stepping it.
    void bannerLoopsItsFrames()
    {
        const QString banner = ResourceDir() + "Data1.kmr";
        const QString shipped = banner + ".shipped";
        QFile::rename(banner, shipped);
        const auto restore = qScopeGuard([&] {
            QFile::remove(banner);
            QFile::rename(shipped, banner);
        });
        QList<QImage> frames;
        for (const QRgb colour : {qRgb(255, 0, 0), qRgb(0, 0, 255)}) {
            QImage frame(104, 24, QImage::Format_Indexed8);
            frame.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
            frame.fill(colour == qRgb(255, 0, 0) ? 0 : 1);
            frames << frame;
        }
        const auto startWith = [&](const QList<QImage> &loop) {
            fixture.end();
            QFile file(banner);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(EncodeAnimatedGif(loop, 2)) > 0);
            file.close();
            fixture.start();
        };
        const auto shown = [] { return Table().Banner->Picture().toImage().pixel(50, 12); };
        startWith(frames);
        QList<QRgb> seen{shown()};
        while (seen.size() < 4) {  // past the last frame: the first again
            QTRY_VERIFY_WITH_TIMEOUT(shown() != seen.last(), 500);
            seen << shown();
        }
        QCOMPARE(seen, (QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)}));
        startWith(frames.mid(0, 1));
        QCOMPARE(shown(), qRgb(255, 0, 0));  // the first frame, decoded when first asked for
        QTest::qWait(50);
        QCOMPARE(shown(), qRgb(255, 0, 0));
        QVERIFY(!Table().Banner->findChild<QTimer *>()->isActive());
    }

    void builtInPicturesAreFoundByName()
    {
        QCOMPARE(BuiltinPixmap(QStringLiteral("bleft")).size(), QSize(111, 53));
        QCOMPARE(BuiltinPixmap(QStringLiteral("BRIGHT")).size(), QSize(111, 53));
        QCOMPARE(BuiltinPixmap(QStringLiteral("BTop")).size(), QSize(53, 111));
        QCOMPARE(BuiltinPixmap(QStringLiteral("XBITMAP")).size(), QSize(16, 16));
        for (const char *cursor : {"arrow", "FHAND", "hhand"})
            QVERIFY(!BuiltinPixmap(QLatin1String(cursor)).isNull());
        QVERIFY(BuiltinPixmap(QStringLiteral("nothing")).isNull());
        QVERIFY(!hand(1)->cursor().pixmap().isNull());  // the pointing hand
    }

    void ringCoordinates()
    {
        const QList<std::pair<int, QPoint>> expected{{1, {164, 395}},  {9, {580, 395}},  {10, {580, 342}},
                                                     {14, {580, 130}}, {15, {528, 130}}, {22, {164, 130}},
                                                     {23, {164, 183}}, {26, {164, 342}}};
        for (const auto &[p, at] : expected) {
            QCOMPARE(RingPosition(p), at);
            QCOMPARE(ChainAt(p)->pos(), at);
        }
    }

    void tileNumbers()
    {
        const QList<std::tuple<QByteArray, int, int, int>> tiles{
            {"01", 1, 0, 0}, {"08", 8, 1, 1}, {"14", 14, 2, 2}, {"27", 27, 5, 6}, {"28", 28, 6, 6}};
        for (const auto &[text, n, a, b] : tiles) {
            Feed("A1" + text);
            QCOMPARE(held(1).FirstPips, a);
            QCOMPARE(held(1).SecondPips, b);
            QCOMPARE(held(1).Tile, n);
        }
        const QImage face28 = hand(1)->Picture().toImage();
        for (const char *outOfRange : {"A100", "A129", "A199"}) {
            Feed(outOfRange);  // no tile: the deal is ignored, 6-6 stays
            QCOMPARE(held(1).Tile, 28);
            QCOMPARE(held(1).FirstPips, 6);
            QCOMPARE(hand(1)->Picture().toImage(), face28);
        }
        for (int n = 1; n <= 28; ++n) {
            const auto pips = Rules::PipsOfTile(n);
            QCOMPARE(Rules::TileOf(pips->second, pips->first), n);
        }
    }

    void showBackMarksThePlayedTile()
    {
        TCards *tile = hand(4);
        Feed("A409");
        Model().PlayOwnTile(4);
        QCOMPARE(held(4).FirstPips, 99);
        QCOMPARE(held(4).SecondPips, 99);
        QCOMPARE(held(4).Tile, 9);
        QVERIFY(!tile->isEnabled());
        QVERIFY(isBlackAndWhite(tile->Picture().toImage().convertToFormat(QImage::Format_RGB32)));
        QCOMPARE(Model().FindHandSlot(9), 4);
        Feed("A410");  // a new face is in colour again
        QVERIFY(!isBlackAndWhite(tile->Picture().toImage().convertToFormat(QImage::Format_RGB32)));
    }

    void nextPosition()
    {
        occupyOnly({1});
        QCOMPARE(next(1), QLatin1String("opening"));
        occupyOnly({1, 2});
        QCOMPARE(next(1), QLatin1String("26"));
        QCOMPARE(next(2), QLatin1String("3"));
        occupyOnly({1, 26});
        QCOMPARE(next(1), QLatin1String("2"));
        QCOMPARE(next(26), QLatin1String("25"));
        occupyOnly({26, 1, 2, 3});
        QCOMPARE(next(1), QLatin1String("no room"));
        QCOMPARE(next(2), QLatin1String("no room"));
        QCOMPARE(next(3), QLatin1String("4"));
        occupyOnly({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26});
        QCOMPARE(next(26), QLatin1String("no room"));  // never on to 1 or a 27th place
        occupyOnly({1, 2, 3, 24, 25, 26});
        QCOMPARE(next(23 + 1), QLatin1String("23"));
        occupyOnly({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25});
        QCOMPARE(next(25), QLatin1String("26"));  // the right branch reaching 26
        QCOMPARE(Rules::TargetSide(occupied, 26), Rules::Branch::Left);
    }

    void placementRule()
    {
        occupyOnly({26, 1, 2, 3});
        Feed("Bc5Bz4");
        using P = Rules::Placement;
        QCOMPARE(Rules::Place(occupied, 1, 6, {5, 6}).kind, P::NoRoom);
        QCOMPARE(Rules::Place(occupied, 2, 5, {5, 6}).kind, P::NoRoom);
        const P onThree = Rules::Place(occupied, 3, 5, {5, 6});
        QCOMPARE(onThree.kind, P::Match);
        QCOMPARE(onThree.next, 4);
        QCOMPARE(onThree.shown, 6);
        QCOMPARE(onThree.side, Rules::Branch::Right);
        const P onTwentySix = Rules::Place(occupied, 26, 4, {2, 4});
        QCOMPARE(onTwentySix.next, 25);
        QCOMPARE(onTwentySix.shown, 2);
        QCOMPARE(onTwentySix.side, Rules::Branch::Left);
        QCOMPARE(Rules::Place(occupied, 3, 5, {3, 4}).kind, P::Mismatch);
        const P dbl = Rules::Place(occupied, 3, 5, {5, 5});
        QCOMPARE(dbl.shown, 5);
        occupyOnly({1});
        QCOMPARE(Rules::Place(occupied, 1, 3, {0, 1}).kind, P::Opening);  // old pips are not compared
        occupyOnly({1, 2});
        const P left = Rules::Place(occupied, 1, 6, {4, 6});
        QCOMPARE(left.next, 26);
        QCOMPARE(left.side, Rules::Branch::Left);
    }

    void handHelpers()
    {
        occupyOnly({5, 6});
        QCOMPARE(Rules::TargetSide(occupied, 4), Rules::Branch::Left);
        QCOMPARE(Rules::TargetSide(occupied, 6), Rules::Branch::Right);
        Feed("A212A612");
        QCOMPARE(Model().FindHandSlot(12), 2);
        QCOMPARE(Model().FindHandSlot(13), 0);
        QCOMPARE(Model().FindHandSlot(0), 0);  // the slots nothing was dealt to
        QVERIFY(!Model().HandEmpty());
        for (int slot = 1; slot <= 7; ++slot) {
            Feed(QByteArray("A") + char('0' + slot) + "0" + char('0' + slot));
            Model().PlayOwnTile(slot);
        }
        QVERIFY(Model().HandEmpty());
        const QPoint two = hand(2)->pos(), five = hand(5)->pos();
        SwapPositions(hand(2), hand(5));
        QCOMPARE(hand(2)->pos(), five);
        QCOMPARE(hand(5)->pos(), two);
        QCOMPARE(Model().FindHandSlot(2), 2);  // slots stay; only the screen places changed
        SwapPositions(hand(1), nullptr);
        QCOMPARE(fixture.dialogs->messages, QStringList{QStringLiteral("failed")});
    }

    void dragShowsWhereTheTileFits()
    {
        // The start at the opening; then a chain 6 | 5 (position 1 shows 6, 2 shows 5).
        struct Case {
            std::initializer_list<int> occupied;
            int tile;
            bool turn;
            QList<int> hinted;
        };
        const Case cases[] = {
            {{1}, 20, true, {1}},        // any tile opens
            {{1, 2}, 21, true, {2}},     // 3-5 fits the 5 only
            {{1, 2}, 27, true, {1, 2}},  // 5-6 fits both ends
            {{1, 2}, 1, true, {}},       // 0-0 fits nowhere
            {{1, 2}, 27, false, {}},     // not this player's turn
        };
        for (const Case &c : cases) {
            occupyOnly(c.occupied);
            Feed("Ba6Bb5A1" + QByteArray::number(c.tile).rightJustified(2, '0') + (c.turn ? "FF" : ""));
            ShowDropHints(hand(1));
            QList<int> hinted;
            for (int p = 1; p <= 26; ++p)
                if (ChainAt(p)->DropHint())
                    hinted << p;
            QCOMPARE(hinted, c.hinted);
            ClearDropHints();
            for (int p = 1; p <= 26; ++p)
                QVERIFY(!ChainAt(p)->DropHint());
        }
    }

    void latestMoveIsOutlined()
    {
        const auto outlined = [] {
            QList<int> latest;
            for (int p = 1; p <= 26; ++p)
                if (ChainAt(p)->Latest())
                    latest << p;
            return latest;
        };
        Table().Connection->Dispatch("Ba6Bb5EaEbK03");
        QCOMPARE(outlined(), (QList<int>{1, 2}));
        Table().Connection->Dispatch("Bc1EbEcK12");
        QCOMPARE(outlined(), QList<int>{3});
        Table().Connection->Dispatch("D");
        QCOMPARE(outlined(), QList<int>{});
    }

    void extensionsAreToldOnTheBoard()
    {
        SetLocalName("Kite");
        for (const char *name : {"^@2Ann", "^@3Bob", "^@4Cy"})
            Feed(name);
        TTurnClock &clock = *Table().TurnClock;
        Feed("J0M000011P1");  // without the announcement: the game's own behaviour only
        QVERIFY(clock.Countdown(Local)->isHidden() && Table().ScorePanel->isHidden());
        QVERIFY(!MemoTexts().contains(QStringLiteral("Ann cannot move and passes")));

        Feed("^~1kelmar1");
        Feed("DA127A205FJ0M000011F");
        QVERIFY(!clock.Countdown(Local)->isHidden());
        QCOMPARE(clock.Countdown(Local)->text(), QStringLiteral("0:11"));
        QCOMPARE(clock.Countdown(Local)->geometry(), TTurnClock::Place(Local));
        Sounds().clear();
        Sounds().now += 10000;
        clock.Tick();  // the last ten seconds: seen and heard
        QCOMPARE(clock.Countdown(Local)->text(), QStringLiteral("0:10"));
        QVERIFY(clock.Countdown(Local)->styleSheet().contains(QStringLiteral("#C8102E")));
        QCOMPARE(Sounds().starts, QStringList{"FX3"});

        Feed("N1O027Ba6Bb5EaEbK01F");  // the time ran out: a bot plays 5-6 for the player
        QVERIFY(clock.Countdown(Local)->isHidden());
        QVERIFY(Model().Hand(1).Played() && !hand(1)->isEnabled() && !Model().TurnFlag());
        Feed("J1M100060");
        QVERIFY(!clock.Countdown(LeftSeat)->isHidden());
        Feed("P2Q11");
        QCOMPARE(MemoTexts().mid(MemoTexts().size() - 4),
                 (QStringList{"Time is up: a bot played 5-6 for you", "Waiting for Ann to move",
                              "Bob cannot move and passes", "Ann went out"}));
        QVERIFY(clock.Countdown(LeftSeat)->isHidden());  // the game is over

        for (const char *score : {"^$17", "^$20", "^$39", "^$44"})
            Feed(score);
        Feed("R0031R1012R2040R3022S1000U3");
        QCOMPARE(Table().ScorePanel->geometry(), TScorePanel::Place());
        QVERIFY(!Table().ScorePanel->isHidden());
        QCOMPARE(Table().ScorePanel->grab().toImage().pixelColor(TScorePanel::Place().width() / 2, 1),
                 QColor(0xFF, 0xFB, 0xF0));  // on its light plate
        QCOMPARE(Table().ScorePanel->Lines(),
                 (QStringList{"Match to 100, lowest wins", "Kite 7 31", "Ann 0 12", "Bob 9 40", "Cy 4 22",
                              "Ann won the last game"}));
        QCOMPARE(MemoTexts().last(), QStringLiteral("Cy is back"));
        Feed("R0101R1099R2140R3122S1002");
        QCOMPARE(Table().ScorePanel->Lines().last(), QStringLiteral("Ann wins the match!"));
        QCOMPARE(MemoTexts().last(), QStringLiteral("Ann wins the match with the lowest total!"));
        Table().ScorePanel->layout()->activate();
        for (const QLabel *line : Table().ScorePanel->findChildren<QLabel *>())  // every text fits the panel
            QVERIFY2(line->fontMetrics().horizontalAdvance(line->text()) <= line->width(), qPrintable(line->text()));
        // Nothing of the table lies under the panel or the clocks.
        const QRect panel = TScorePanel::Place();
        for (QWidget *child : Table().Board->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child == Table().ScorePanel || child->isHidden() || child->isWindow())
                continue;
            QVERIFY2(!child->geometry().intersects(panel),
                     qPrintable(child->objectName() + child->metaObject()->className()));
            for (int view = Local; view <= RightSeat; ++view)
                if (child != clock.Countdown(view))
                    QVERIFY(!child->geometry().intersects(TTurnClock::Place(view)));
        }
    }

    void memoShowsTheNewestLine()
    {
        for (int i = 0; i < 100; ++i)
            AddMemoLine(QStringLiteral("line %1").arg(i));
        FlushMemo();
        QScrollBar *scroll = Memo()->verticalScrollBar();
        scroll->setValue(0);  // the player reads back
        LogLine(QStringLiteral("news"));
        FlushMemo();
        QVERIFY(scroll->maximum() > 0);
        QCOMPARE(scroll->value(), scroll->maximum());
    }

    void playerRecords()
    {
        TTableModel::Seat seat;
        seat.SetName("Ninechars");
        QCOMPARE(seat.GetName(), "Ninecha");
        seat.SetName("");
        QCOMPARE(seat.GetName(), "");
        TPlayer &left = Player(LeftSeat);
        left.ClearTile(3);
        QVERIFY(left.Tile(3)->Picture().isNull());
        left.PlaceTile(3, 16, 212, SeatSide::Left);
        QCOMPARE(left.Tile(3)->Picture().size(), QSize(111, 53));
        QCOMPARE(left.Tile(3)->pos(), QPoint(16, 212));
        left.PlaceTile(9, 0, 0, SeatSide::Left);  // slots outside 1..7 are ignored
        Feed("^@2Kite");
        Feed("^$2300");
        QCOMPARE(Model().SeatAt(LeftSeat).Score, 44);
        Model().ResetSeats();
        QCOMPARE(Model().SeatAt(LeftSeat).GetName(), "");
        QCOMPARE(Model().SeatAt(LeftSeat).Score, 0);
        QVERIFY(!left.Tile(3)->Picture().isNull());
    }

    void seatMapping()
    {
        const int expected[4][4] = {{0, 1, 2, 3}, {3, 0, 1, 2}, {2, 3, 0, 1}, {1, 2, 3, 0}};
        for (int own = 0; own < 4; ++own) {
            Feed(QByteArray("H") + char('1' + own));
            for (int seat = 0; seat < 4; ++seat)
                QCOMPARE(Model().ViewOf(seat), expected[own][seat]);
        }
    }

    void resetTable()
    {
        occupyOnly({1, 2, 3});
        Feed("A320A507Bb4K22FF");  // two tiles dealt, one of Top's played, the hand on
        Model().PlayOwnTile(3);
        Feed("F");
        QVERIFY(!held(5).Enabled && !Model().TurnFlag());
        Feed("FF");
        QVERIFY(Model().TurnFlag());
        Model().SetConnection(TTableModel::Connection::Lost);
        Feed("D");
        QVERIFY(MemoText().endsWith(QStringLiteral(" ] : Loading . . .")));
        for (int slot = 1; slot <= 7; ++slot) {
            QVERIFY(hand(slot)->isEnabled() && held(slot).Enabled);
            QCOMPARE(held(slot).FirstPips, 0);
            QCOMPARE(held(slot).SecondPips, 0);
            QCOMPARE(held(slot).Tile, 0);  // no tile of the last game is left in a slot
        }
        QCOMPARE(Model().FindHandSlot(20), 0);
        for (int p = 1; p <= 26; ++p)
            QVERIFY(!occupied(p) && !ChainAt(p)->isEnabled());
        QCOMPARE(Model().Chain(2).Pips, 4);
        QVERIFY(!Player(TopSeat).Tile(2)->Picture().isNull());
        QVERIFY(!Model().TurnFlag());
        QVERIFY(!Model().Online());  // the connection was down
        QCOMPARE(Memo()->palette().color(QPalette::Base), NamedColor::Silver);
    }

    void logLine()
    {
        LogLine(QString());
        const QString line = MemoText();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\[ \\d{1,2}:\\d{2}:\\d{2}( [AP]M)? \\] : $")).match(line).hasMatch(),
            qPrintable(line));
    }

    void randomServerTrafficNeverBreaksTheTable()
    {
        // Every handler on random reads: errors are reported, nothing reads outside the
        // hand, the ring or the seats, and the own seat index stays a seat.
        QRandomGenerator random(8122026);
        const QByteArray alphabet = "ABCDEFGHIJK^@#$abcyz{`0123456789";
        for (int read = 0; read < 4000; ++read) {
            QByteArray bytes(random.bounded(1, 10), '\0');
            for (char &c : bytes)
                c = random.bounded(8) ? alphabet[random.bounded(alphabet.size())] : char(random.bounded(256));
            bytes.replace("C1", "C7");  // the Tumba panel stands for a second and a half
            Guarded([&] { Table().Connection->Dispatch(bytes); });
            QVERIFY(Model().OwnSeatIndex() <= 3);
        }
        Table().Connection->Dispatcher().Clear();
    }

    void missingPictureIsReportedByName()
    {
        try {
            hand(1)->LoadFace(QStringLiteral("no-such-face"));
            QFAIL("no error for a missing picture");
        } catch (const KelmarError &e) {
            QVERIFY(e.text().contains(GraphDir() + QStringLiteral("no-such-face.bmp")));
        }
        // A deal naming a face that cannot be loaded is held, its face left as it was; the
        // face keeps failing for the rest of the run, as a face once read keeps loading.
        hand(1)->SetTile(26);
        Feed("A105");
        ForgetPictures();
        QFile::rename(GraphDir() + "27.bmp", GraphDir() + "27.bak");
        QFile::rename(GraphDir() + "05.bmp", GraphDir() + "05.bak");
        const bool failed = !Guarded([] { Feed("A127"); });
        QFile::rename(GraphDir() + "27.bak", GraphDir() + "27.bmp");
        QVERIFY(failed);
        QCOMPARE(held(1).Tile, 27);
        QCOMPARE(held(1).SecondPips, 6);
        QVERIFY(!Guarded([] { hand(1)->SetTile(27); }));
        QVERIFY(!Guarded([] { hand(1)->SetTile(5); }));
        hand(1)->SetTile(26);  // read before the cache was emptied, and again now when drawn
        QVERIFY(!hand(1)->Picture().isNull());
        QFile::remove(GraphDir() + "26.bmp");
        QVERIFY(Guarded([] { hand(1)->SetTile(26); }));
        QFile::rename(GraphDir() + "05.bak", GraphDir() + "05.bmp");
        UseArtwork();
        ForgetPictures();
    }

    // A face file is decoded when first drawn: one that is plainly no bitmap is refused at
    // once, one whose bitmap is damaged inside is reported when it comes to be drawn.
    void damagedPictureIsReportedWhenDrawn()
    {
        const auto face = [](const QByteArray &bytes) {
            QFile file(GraphDir() + "damaged.bmp");
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        };
        const auto cleanUp = qScopeGuard([] {
            QFile::remove(GraphDir() + "damaged.bmp");
            ForgetPictures();
        });
        face("GIF89a");
        QVERIFY(!Guarded([] { hand(1)->LoadFace(QStringLiteral("damaged")); }));
        QCOMPARE(fixture.dialogs->errors.size(), 1);
        ForgetPictures();
        face(QByteArray("BM") + QByteArray(60, '\xFF'));
        QVERIFY(Guarded([] { hand(1)->LoadFace(QStringLiteral("damaged")); }));
        QCOMPARE(fixture.dialogs->errors.size(), 1);  // not decoded yet
        QVERIFY(hand(1)->Picture().isNull());
        QTRY_COMPARE(fixture.dialogs->errors.size(), 2);
        QVERIFY(fixture.dialogs->errors.last().contains(GraphDir() + "damaged.bmp"));
    }

    void startUpWithAMissingPictureOpensWhatWasBuilt()
    {
        fixture.end();
        ForgetPictures();
        QFile::rename(GraphDir() + "tiny/9.bmp", GraphDir() + "tiny/9.bak");
        fixture.start();
        QFile::rename(GraphDir() + "tiny/9.bak", GraphDir() + "tiny/9.bmp");
        ForgetPictures();
        QCOMPARE(fixture.dialogs->errors.size(), 1);
        QVERIFY(fixture.dialogs->errors[0].contains(QStringLiteral("tiny/9.bmp")));
        QVERIFY(Player(Local).Tile(1) != nullptr);  // what was built stays usable
        QVERIFY(!Table().Memo);                     // the steps after the failure were skipped
        QVERIFY(!Table().ConnectButton);
    }
};

QTEST_MAIN(TestTable)
#include "tst_table.moc"
