#include "Times.h"

#include "Main.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
