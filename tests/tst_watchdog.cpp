#include "TestSupport.h"

#include "Times.h"

#include <QPushButton>
#include <QTest>

// The connection watchdog against a server on 127.0.0.1 that goes away without the
// client's error event.
class TestWatchdog : public QObject {
    Q_OBJECT

    BoardCase fixture;
    FakeServer server;
    QStringList seen;  // the memo's last line, the status and the Connect button at the question
    int ticksAtAnswer = 0;

    // Connects to the fake server and waits for the join; false when it fails.
    bool connectClient()
    {
        if (!server.listen())
            return false;
        server.wire.clear();
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        return QTest::qWaitFor([this] { return server.wire.endsWith('V'); }, 5000) && Table().WatchdogTimer->isActive();
    }
    // The server leaves without the client's error event; false when the client missed it.
    bool serverGoesAway()
    {
        server.goAway();
        return QTest::qWaitFor([] { return !Table().Connection->IsConnected(); }) && Model().ExpectedButDown();
    }
    // From here on the test ticks; the timer still runs, but ticks nothing.
    void tickByHand()
    {
        QObject::disconnect(Table().WatchdogTimer, &QTimer::timeout, nullptr, nullptr);
        Shared().WatchdogTicks = 0;
    }
    void answer(bool ok, int ticksMeanwhile = 0)
    {
        Dialogs().confirm = [=, this](const QString &text) {
            fixture.dialogs->questions << text;
            seen = {MemoTexts().last(), Table().StatusLabel->text(), LabelColor(Table().StatusLabel).name(),
                    Table().ConnectButton->isEnabled() ? "Connect enabled" : "Connect disabled"};
            for (int i = 0; i < ticksMeanwhile; ++i)
                WatchdogTick();
            ticksAtAnswer = Shared().WatchdogTicks;
            return ok;
        };
    }

private slots:
    void initTestCase() { PrepareSuite(); }
    void init() { fixture.start(); }
    void cleanup()
    {
        fixture.end();
        server.goAway();
    }

    void timerNoticesALostServerAndOkRestarts()
    {
        answer(true);
        QVERIFY(connectClient());
        server.peer->write("A105EaBa5F");
        QTRY_VERIFY(Model().IsOccupied(1) && !Player(Local).Tile(1)->isEnabled());
        SetLocalName("Kite");
        for (const char *name : {"^@2Kite", "^@3Kite", "^@4Kite"})
            Feed(name);
        QVERIFY(serverGoesAway());
        QTRY_COMPARE_WITH_TIMEOUT(fixture.dialogs->questions, QStringList{QStringLiteral("restart the game?")}, 7000);
        QCOMPARE(seen,
                 (QStringList{"You've been disconnected by server, recheck your connection", "Offline", "#ff0000",
                              "Connect enabled"}));
        QCOMPARE(MemoText(), QString());
        for (int view = Local; view <= RightSeat; ++view)
            QCOMPARE(SeatName(view), QString());
        for (int p = 1; p <= 26; ++p)
            QVERIFY(!Model().IsOccupied(p));
        QVERIFY(Player(Local).Tile(1)->isEnabled() && Model().Hand(1).FirstPips == 0);
        QVERIFY(!Model().Online());
    }

    void cancelKeepsTheTableAndTicksStopAt255()
    {
        tickByHand();
        QVERIFY(connectClient());
        SetLocalName("Kite");
        QVERIFY(serverGoesAway());
        const QStringList memo = MemoTexts();
        answer(false, 300);  // five minutes of ticks while the question is open
        for (int tick = 1; tick <= 4; ++tick)
            WatchdogTick();
        QVERIFY(fixture.dialogs->questions.isEmpty());
        WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);
        QCOMPARE(ticksAtAnswer, 255);
        QCOMPARE(Shared().WatchdogTicks, 0);
        QCOMPARE(MemoTexts(), memo + QStringList{seen[0]});
        QCOMPARE(SeatName(Local), QStringLiteral("Kite"));
        QVERIFY(!Model().Online() && Table().ConnectButton->isEnabled());
        for (int tick = 1; tick <= 10; ++tick)
            WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);  // offline now: nothing more to report
    }

    void neverConnectedReportsNothing()
    {
        QVERIFY(!Table().WatchdogTimer->isActive());
        const QString memo = MemoText();
        for (int tick = 1; tick <= 10; ++tick)
            WatchdogTick();
        QCOMPARE(MemoText(), memo);
        QVERIFY(fixture.dialogs->questions.isEmpty());
    }

    void countKeptAcrossAnErrorShortensTheFirstCheck()
    {
        tickByHand();
        QVERIFY(connectClient());
        for (int tick = 1; tick <= 3; ++tick)
            WatchdogTick();
        server.goAway();
        Table().Connection->Open(QStringLiteral("127.0.0.1"));  // refused: the socket's error event
        QTRY_VERIFY(!Table().WatchdogTimer->isActive());
        QCOMPARE(Shared().WatchdogTicks, 3);
        QVERIFY(connectClient());
        QVERIFY(serverGoesAway());
        WatchdogTick();
        QVERIFY(fixture.dialogs->questions.isEmpty());
        WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);
    }
};

QTEST_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
