#include "Limits.h"

#include <QDeadlineTimer>

qint64 SteadyNow() { return QDeadlineTimer::current().deadline(); }

LogQuota::LogQuota(int lines, std::chrono::milliseconds interval) : lines_(lines), interval_(interval.count()) {}

LogQuota::Verdict LogQuota::take(qint64 now)
{
    Verdict verdict;
    if (written_ == 0 || now - start_ >= interval_) {
        verdict.heldBack = takeHeldBack();
        start_ = now;
        written_ = 0;
    }
    verdict.write = written_ < lines_;
    if (verdict.write)
        ++written_;
    else
        ++heldBack_;
    return verdict;
}

RecentEvents::RecentEvents(int bound, std::chrono::milliseconds window) : bound_(bound), window_(window.count()) {}

bool RecentEvents::note(qint64 now)
{
    if (times_.size() < bound_) {
        times_.append(now);
        return false;
    }
    // times_[next_] is the oldest of the last bound_ events: with this one they are bound_ + 1.
    const bool tooMany = now - times_[next_] < window_;
    times_[next_] = now;
    next_ = (next_ + 1) % bound_;
    return tooMany;
}
