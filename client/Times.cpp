#include "Times.h"

#include "Global.h"
#include "Initialize.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTimer>

void WaitPumping(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (clock.elapsed() < milliseconds);
}

void CreateWatchdogTimer()
{
    auto *timer = new QTimer(Table().Board);
    timer->setInterval(1000);
    QObject::connect(timer, &QTimer::timeout, timer, [] { Guarded(WatchdogTick); });
    Table().WatchdogTimer = timer;
}

void WatchdogTick()
{
    std::uint8_t &ticks = Shared().WatchdogTicks;
    if (ticks < 255)
        ++ticks;
    if (ticks != 5)
        return;
    // Ticks during the question count on past 5, so the check never runs twice at once;
    // the count starts again afterwards, even when the check failed.
    const auto restart = qScopeGuard([] { Shared().WatchdogTicks = 0; });
    CheckConnection();
}

void CheckConnection()
{
    TTable &table = Table();
    if (!table.Model.ExpectedButDown())
        return;
    LogLine(QStringLiteral("You've been disconnected by server, recheck your connection"));
    SetEnabled({table.ConnectButton}, true);
    table.StatusLabel->setText(QStringLiteral("Offline"));
    SetLabelColor(table.StatusLabel, NamedColor::Red);
    const bool restart = AskConfirmation(QStringLiteral("restart the game?"));
    if (Shared().QuitRequested)
        return;  // the player ended the program while the question was open
    if (restart) {
        table.Model.Reset();
        ClearMemo();
        table.Model.ResetSeats();
    } else {
        Shared().WatchdogTicks = 0;
    }
    table.Model.SetConnection(TTableModel::Connection::Offline);
}
