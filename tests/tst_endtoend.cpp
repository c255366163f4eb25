#include "TestSupport.h"

#include "Methods.h"
#include "Rules.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {
constexpr int Games = 3;

// The score lines of every board the client wrote: "Name : score", four per game.
QList<QStringList> scoreBoards()
{
    QList<QStringList> boards;
    const QStringList lines = MemoText().split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 5 < lines.size(); ++i) {
        if (lines[i] == QLatin1String("========[ Score ]========"))
            boards << lines.mid(i + 1, 4);
    }
    return boards;
}

// The same, from the server's log lines "... pips left: Kite 5, Bot 7, ...".
QList<QStringList> serverScores(const QString &log)
{
    QList<QStringList> games;
    static const QRegularExpression pipsLeft(QStringLiteral("pips left: (.*)$"), QRegularExpression::MultilineOption);
    for (auto it = pipsLeft.globalMatch(log); it.hasNext();) {
        QStringList seats;
        for (const QString &seat : it.next().captured(1).split(QStringLiteral(", "))) {
            const qsizetype blank = seat.lastIndexOf(QLatin1Char(' '));
            seats << seat.left(blank).left(7) + QStringLiteral(" : ") + seat.mid(blank + 1);
        }
        games << seats;
    }
    return games;
}

// Plays the first legal move that the client's own table shows: the same check the
// drop makes, so a refusal from the server means the two disagree.
bool playOneMove()
{
    const TTableModel &model = Model();
    for (int slot = 1; slot <= Rules::HandSize; ++slot) {
        if (model.Hand(slot).Played() || !model.Hand(slot).Enabled)
            continue;
        for (int p = 1; p <= Rules::RingSize; ++p) {
            if (!model.IsOccupied(p))
                continue;
            const auto placement = model.PlacementOf(slot, p);
            if (placement.kind == Rules::Placement::Opening || placement.kind == Rules::Placement::Match) {
                BoardDragDrop(ChainAt(p), Player(Local).Tile(slot));
                return true;
            }
        }
    }
    return false;
}
}  // namespace

// The real client against ServerKelmar with three bots, for whole games.
class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        PrepareSuite();
        WriteConfig(DefaultConfigText());
    }

    void playsCompleteGamesAgainstBots()
    {
        QProcess server;
        QString log;
        QObject::connect(&server, &QProcess::readyReadStandardError, this,
                         [&] { log += QString::fromLocal8Bit(server.readAllStandardError()); });
        server.start(
            QStringLiteral(KELMAR_OUT_DIR "/ServerKelmar"),
            {"--port", "0", "--bots", "3", "--games", QString::number(Games), "--seed", "41", "--pause", "2000"});
        // (the pause outlasts the panel of notice 1, which holds the client for about 1.5 s)
        QVERIFY(server.waitForStarted());
        // The server picks a free port and names it: "listening on 127.0.0.1:<port>".
        static const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
        QVERIFY(QTest::qWaitFor([&] { return listening.match(log).hasMatch(); }, 10000));
        SetServerPortOverride(listening.match(log).captured(1).toUShort());

        RecordedDialogs dialogs;
        auto board = BuildBoard();
        SetLocalName("Kite");
        Table().Connection->Open(QStringLiteral("127.0.0.1"));
        int stuck = 0;
        QTimer autoplay;
        QObject::connect(&autoplay, &QTimer::timeout, this, [&] {
            if (Model().TurnFlag() && !playOneMove())
                ++stuck;
        });
        autoplay.start(10);
        QTRY_VERIFY_WITH_TIMEOUT(scoreBoards().size() >= Games, 180000);
        autoplay.stop();
        server.waitForFinished(10000);
        log += QString::fromLocal8Bit(server.readAllStandardError());

        QCOMPARE(stuck, 0);
        QVERIFY(dialogs.errors.isEmpty());
        const QString memo = MemoText();
        QVERIFY(!memo.contains(QLatin1String(Protocol::NoticeText(2))));
        QVERIFY(!memo.contains(QLatin1String(Protocol::NoticeText(3))));
        QVERIFY2(!log.contains(QStringLiteral("refused")), qPrintable(log));
        QCOMPARE(scoreBoards().mid(0, Games), serverScores(log).mid(0, Games));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
