#include "Times.h"

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

void CreateWatchdogTimer() {}
