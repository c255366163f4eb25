#include "TestSupport.h"

#include "Player_Prototype.h"
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

    void connectClient()
    {
        QVERIFY(server.listen());
        server.wire.clear();
        StartConnection(QStringLiteral("127.0.0.1"));
        QTRY_VERIFY_WITH_TIMEOUT(server.wire.endsWith('V'), 5000);
        QVERIFY(WatchdogTimer->isActive());
    }
    void serverGoesAway()
    {
        server.goAway();
        QTRY_COMPARE(ClientSocket->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(Online);
    }
    // From here on the test ticks; the timer still runs, but ticks nothing.
    void tickByHand()
    {
        QObject::disconnect(WatchdogTimer, &QTimer::timeout, nullptr, nullptr);
        WatchdogTicks = 0;
    }
    void answer(bool ok, int ticksMeanwhile = 0)
    {
        Dialogs().confirm = [=, this](const QString &text) {
            fixture.dialogs->questions << text;
            seen = {MemoTexts().last(), StatusLabel->text(), StatusLabel->palette().color(QPalette::WindowText).name(),
                    ConnectButton->isEnabled() ? "Connect enabled" : "Connect disabled"};
            for (int i = 0; i < ticksMeanwhile; ++i)
                WatchdogTick();
            ticksAtAnswer = WatchdogTicks;
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
        connectClient();
        server.peer->write("A105EaBa5F");
        QTRY_VERIFY(IsOccupied(1) && !Player(Local).Tile(1)->isEnabled());
        for (int view = Local; view <= RightSeat; ++view)
            Player(view).SetName(QStringLiteral("Kite"));
        serverGoesAway();
        QTRY_COMPARE_WITH_TIMEOUT(fixture.dialogs->questions, QStringList{QStringLiteral("restart the game?")}, 7000);
        QCOMPARE(seen,
                 (QStringList{"You've been disconnected by server, recheck your connection", "Offline", "#ff0000",
                              "Connect enabled"}));
        QCOMPARE(Memo->toPlainText(), QString());
        for (int view = Local; view <= RightSeat; ++view)
            QCOMPARE(Player(view).GetName(), QString());
        for (int p = 1; p <= 26; ++p)
            QVERIFY(!IsOccupied(p));
        QVERIFY(Player(Local).Tile(1)->isEnabled() && Player(Local).Tile(1)->FirstPips == 0);
        QVERIFY(!Online);
    }

    void cancelKeepsTheTableAndTicksStopAt255()
    {
        tickByHand();
        connectClient();
        Player(Local).SetName(QStringLiteral("Kite"));
        serverGoesAway();
        const QStringList memo = MemoTexts();
        answer(false, 300);  // five minutes of ticks while the question is open
        for (int tick = 1; tick <= 4; ++tick)
            WatchdogTick();
        QVERIFY(fixture.dialogs->questions.isEmpty());
        WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);
        QCOMPARE(ticksAtAnswer, 255);
        QCOMPARE(WatchdogTicks, 0);
        QCOMPARE(MemoTexts(), memo + QStringList{seen[0]});
        QCOMPARE(Player(Local).GetName(), QStringLiteral("Kite"));
        QVERIFY(!Online && ConnectButton->isEnabled());
        for (int tick = 1; tick <= 10; ++tick)
            WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);  // offline now: nothing more to report
    }

    void neverConnectedReportsNothing()
    {
        QVERIFY(!WatchdogTimer->isActive());
        const QString memo = Memo->toPlainText();
        for (int tick = 1; tick <= 10; ++tick)
            WatchdogTick();
        QCOMPARE(Memo->toPlainText(), memo);
        QVERIFY(fixture.dialogs->questions.isEmpty());
    }

    void countKeptAcrossAnErrorShortensTheFirstCheck()
    {
        tickByHand();
        connectClient();
        for (int tick = 1; tick <= 3; ++tick)
            WatchdogTick();
        server.goAway();
        StartConnection(QStringLiteral("127.0.0.1"));  // refused: the socket's error event
        QTRY_VERIFY(!WatchdogTimer->isActive());
        QCOMPARE(WatchdogTicks, 3);
        connectClient();
        serverGoesAway();
        WatchdogTick();
        QVERIFY(fixture.dialogs->questions.isEmpty());
        WatchdogTick();
        QCOMPARE(fixture.dialogs->questions.size(), 1);
    }
};

QTEST_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
