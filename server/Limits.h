#pragma once
// Bounds on what one player can make the server do over time: how many log lines its
// input may cause, and how many of its moves may be refused, before the server stops
// writing or closes it. Both take the time as an argument, so that they are checked
// without waiting.
#include <QList>
#include <QtGlobal>
#include <chrono>

// Milliseconds on a steady clock, the time the bounds below count in.
qint64 SteadyNow();

// At most `lines` log lines in each interval of `interval`; further lines are held back
// and counted. The first line of a later interval learns how many were held back before
// it, so that one summary line per interval tells the operator what was left out.
class LogQuota {
public:
    static constexpr int DefaultLines = 10;
    static constexpr std::chrono::seconds DefaultInterval{60};

    explicit LogQuota(int lines = DefaultLines, std::chrono::milliseconds interval = DefaultInterval);

    struct Verdict {
        int heldBack = 0;  // lines held back in the interval that has ended: tell these first
        bool write = false;
    };
    Verdict take(qint64 now);
    int takeHeldBack() { return std::exchange(heldBack_, 0); }  // when the source ends

private:
    int lines_;
    qint64 interval_;
    qint64 start_ = 0;
    int written_ = 0;
    int heldBack_ = 0;
};

// Events within a sliding window of time: note() tells when more than `bound` of them
// fall within `window`. Only the times of the last `bound` events are kept.
class RecentEvents {
public:
    RecentEvents(int bound, std::chrono::milliseconds window);
    bool note(qint64 now);  // true when this event is one too many

private:
    int bound_;
    qint64 window_;
    QList<qint64> times_;  // a ring of the last bound_ events
    qsizetype next_ = 0;
};
