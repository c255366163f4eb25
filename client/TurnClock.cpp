#include "TurnClock.h"

#include "Global.h"
#include "Sound.h"

#include <QFont>

namespace {
// Light text on a dark plate: readable on the felt, on the skin's wood and on ivory.
const char *const PlateStyle = "QLabel { background: rgba(20, 20, 20, 200); color: #FFFFFF; border-radius: 3px; }";
const char *const WarningStyle = "QLabel { background: #C8102E; color: #FFFFFF; border-radius: 3px; }";

QString clockText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

TTurnClock::TTurnClock(QWidget *board) : QObject(board)
{
    for (int view = Local; view <= RightSeat; ++view) {
        auto *label = new QLabel(board);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(Place(view));
        QFont font = BoardFont(QStringLiteral("verdana"));
        font.setPixelSize(view == Local ? 14 : 11);
        font.setBold(true);
        label->setFont(font);
        label->hide();  // its plate is styled each time it shows
        labels_[static_cast<std::size_t>(view)] = label;
    }
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &TTurnClock::Tick);
}

QRect TTurnClock::Place(int view)
{
    switch (view) {
    case Local: return {44, 546, 54, 22};  // left of the own name, larger
    case LeftSeat: return {108, 80, 40, 16};
    case TopSeat: return {690, 9, 34, 16};
    default: return {648, 495, 42, 16};
    }
}

void TTurnClock::ClockStarted(int view, int seconds)
{
    ClockStopped();
    if (seconds <= 0)  // no deadline: nothing to count
        return;
    view_ = view;
    left_ = seconds;
    show();
    timer_.start();
}

void TTurnClock::ClockStopped()
{
    timer_.stop();
    if (view_ >= 0 && Countdown(view_))
        Countdown(view_)->hide();
    view_ = -1;
}

void TTurnClock::Tick()
{
    if (view_ < 0)
        return;
    left_ = std::max(0, left_ - 1);
    if (left_ == WarningSeconds && view_ == Local)
        PlayEffect(QStringLiteral("FX3"));
    show();
    if (left_ == 0)
        timer_.stop();
}

void TTurnClock::show()
{
    QLabel *label = Countdown(view_);
    if (!label)
        return;
    label->setText(clockText(left_));
    const bool warning = view_ == Local && left_ <= WarningSeconds;
    label->setStyleSheet(QLatin1String(warning ? WarningStyle : PlateStyle));
    label->show();
    label->raise();
}
