#include "Times.h"

#include "Global.h"
#include "Initialize.h"
#include "Main.h"
#include "Player_Prototype.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>

void BlockingSleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void WaitPumping(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (clock.elapsed() < milliseconds);
}

QPointer<QTimer> WatchdogTimer;

void CreateWatchdogTimer()
{
    WatchdogTimer = new QTimer(MainBoard);
    WatchdogTimer->setInterval(1000);
    QObject::connect(WatchdogTimer, &QTimer::timeout, WatchdogTimer, [] { Guarded(WatchdogTick); });
}

void SetWatchdogEnabled(bool enabled)
{
    if (!WatchdogTimer)
        return;
    if (enabled)
        WatchdogTimer->start();
    else
        WatchdogTimer->stop();
}

void WatchdogTick()
{
    if (WatchdogTicks < 255)
        ++WatchdogTicks;
    if (WatchdogTicks != 5)
        return;
    // Ticks during the question count on past 5, so the check never runs twice at once;
    // the count starts again afterwards, even when the check failed.
    const auto restart = qScopeGuard([] { WatchdogTicks = 0; });
    CheckConnection();
}

void CheckConnection()
{
    if (!Online || (ClientSocket && ClientSocket->state() == QAbstractSocket::ConnectedState))
        return;
    LogLine(QStringLiteral("You've been disconnected by server, recheck your connection"));
    SetEnabled({ConnectButton}, true);
    StatusLabel->setText(QStringLiteral("Offline"));
    SetLabelColor(StatusLabel, NamedColor::Red);
    const bool restart = AskConfirmation(QStringLiteral("restart the game?"));
    if (QuitRequested)
        return;  // the player ended the program while the question was open
    if (restart) {
        ResetTable();
        Memo->clear();
        for (int view = Local; view <= RightSeat; ++view)
            Player(view).Reset();
    } else {
        WatchdogTicks = 0;
    }
    Online = false;
}
