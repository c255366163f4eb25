#include "EpollDispatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimerEvent>
#include <QVarLengthArray>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr quint64 WakeTag = ~quint64(0);
constexpr int MaxEvents = 256;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

quint64 tag(int descriptor, quint32 generation) { return quint64(generation) << 32 | quint32(descriptor); }

// The events a notifier of each type waits for, and the ones that wake it: a hang-up or
// an error wakes readers and writers, who then learn of it from the socket.
constexpr std::array<quint32, 3> Wanted{EPOLLIN, EPOLLOUT, EPOLLPRI};
constexpr std::array<quint32, 3> Waking{EPOLLIN | EPOLLHUP | EPOLLERR | EPOLLRDHUP, EPOLLOUT | EPOLLHUP | EPOLLERR,
                                        EPOLLPRI};
}  // namespace

EpollDispatcher::EpollDispatcher(QObject *parent)
    : QAbstractEventDispatcher(parent), epoll_(epoll_create1(EPOLL_CLOEXEC)),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (epoll_ < 0 || wake_ < 0)
        qFatal("EpollDispatcher: no epoll set or eventfd (%s)", strerror(errno));
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = WakeTag;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
}

EpollDispatcher::~EpollDispatcher()
{
    close(wake_);
    close(epoll_);
}

bool EpollDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    interrupted_.store(false);
    emit awake();
    QCoreApplication::sendPostedEvents();  // whatever they post meanwhile wakes the wait below
    const bool canWait = flags.testFlag(QEventLoop::WaitForMoreEvents) && !interrupted_.load();
    if (canWait)
        emit aboutToBlock();
    updateEpollSet();
    epoll_event events[MaxEvents];
    int ready = epoll_wait(epoll_, events, MaxEvents, canWait ? waitTimeMs() : 0);
    if (ready < 0)
        ready = 0;  // EINTR: a signal came; the caller calls again
    int handled = 0;
    if (!flags.testFlag(QEventLoop::ExcludeSocketNotifiers))
        handled += activateSockets(events, ready);
    if (!flags.testFlag(QEventLoop::X11ExcludeTimers))
        handled += activateTimers();
    return handled > 0;
}

void EpollDispatcher::registerSocketNotifier(QSocketNotifier *notifier)
{
    const int descriptor = int(notifier->socket());
    Watched &watched = watched_[descriptor];
    if (std::ranges::all_of(watched.notifiers, [](auto *n) { return n == nullptr; }))
        watched.generation = ++generations_;  // maybe a new socket on a reused descriptor
    watched.notifiers[notifier->type()] = notifier;
    changed(descriptor, watched);
}

void EpollDispatcher::unregisterSocketNotifier(QSocketNotifier *notifier)
{
    const int descriptor = int(notifier->socket());
    const auto it = watched_.find(descriptor);
    if (it == watched_.end() || it->notifiers[notifier->type()] != notifier)
        return;
    it->notifiers[notifier->type()] = nullptr;
    changed(descriptor, *it);
}

void EpollDispatcher::changed(int descriptor, Watched &watched)
{
    if (!watched.dirty) {
        watched.dirty = true;
        dirty_.append(descriptor);
    }
}

// Brings the epoll set in line with the notifiers. A descriptor that Qt closed has left
// the set by itself, and its number may already belong to a new socket: the calls below
// fall back from one operation to the other for that reason.
void EpollDispatcher::updateEpollSet()
{
    for (const int descriptor : std::exchange(dirty_, {})) {
        const auto it = watched_.find(descriptor);
        if (it == watched_.end())
            continue;
        Watched &w = *it;
        w.dirty = false;
        quint32 wanted = 0;
        for (int type = 0; type < 3; ++type)
            if (w.notifiers[type])
                wanted |= Wanted[type];
        if (wanted == 0) {
            if (w.kernelEvents != 0)
                epoll_ctl(epoll_, EPOLL_CTL_DEL, descriptor, nullptr);
            watched_.erase(it);
            continue;
        }
        const quint64 data = tag(descriptor, w.generation);
        if (wanted == w.kernelEvents && data == w.kernelData)
            continue;
        epoll_event event{};
        event.events = wanted;
        event.data.u64 = data;
        const bool added = w.kernelEvents == 0;
        if (epoll_ctl(epoll_, added ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, descriptor, &event) < 0
            && epoll_ctl(epoll_, added ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, descriptor, &event) < 0)
            qWarning("EpollDispatcher: cannot watch descriptor %d (%s)", descriptor, strerror(errno));
        w.kernelEvents = wanted;
        w.kernelData = data;
    }
}

int EpollDispatcher::waitTimeMs() const
{
    if (queue_.empty())
        return -1;
    const qint64 wait = queue_.begin()->first - nowNs();
    return wait <= 0 ? 0 : int(std::min<qint64>((wait + 999999) / 1000000, 24 * 3600 * 1000));
}

int EpollDispatcher::activateSockets(const epoll_event *events, int ready)
{
    int handled = 0;
    for (int i = 0; i < ready; ++i) {
        if (events[i].data.u64 == WakeTag) {
            eventfd_t count;
            eventfd_read(wake_, &count);
            continue;
        }
        const int descriptor = int(quint32(events[i].data.u64));
        const quint32 generation = quint32(events[i].data.u64 >> 32);
        for (int type = 0; type < 3; ++type) {
            if (!(events[i].events & Waking[type]))
                continue;
            // Looked up again each time: a notifier may end its socket or another's.
            const auto it = watched_.constFind(descriptor);
            if (it == watched_.cend() || it->generation != generation)
                break;
            if (QSocketNotifier *notifier = it->notifiers[type]) {
                QEvent activation(QEvent::SockAct);
                QCoreApplication::sendEvent(notifier, &activation);
                ++handled;
            }
        }
    }
    return handled;
}

// Fires the timers that are due now; a timer started meanwhile waits for the next pass.
int EpollDispatcher::activateTimers()
{
    const qint64 now = nowNs();
    QVarLengthArray<int, 32> due;
    for (auto it = queue_.begin(); it != queue_.end() && it->first <= now; ++it)
        due.append(it->second);
    for (const int id : due) {
        const auto timer = timers_.find(id);
        if (timer == timers_.end() || timer->second.due > now)
            continue;  // stopped or started again by an earlier one
        Timer &t = timer->second;
        queue_.erase({t.due, id});
        t.due = std::max(t.due + t.interval * 1000000, now);
        queue_.insert({t.due, id});
        QTimerEvent event(id);
        QCoreApplication::sendEvent(t.object, &event);
    }
    return int(due.size());
}

void EpollDispatcher::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject *object)
{
    const qint64 due = nowNs() + interval * 1000000;
    timers_[timerId] = {interval, timerType, object, due};
    queue_.insert({due, timerId});
}

void EpollDispatcher::removeTimer(std::unordered_map<int, Timer>::iterator timer)
{
    queue_.erase({timer->second.due, timer->first});
    timers_.erase(timer);
}

bool EpollDispatcher::unregisterTimer(int timerId)
{
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end())
        return false;
    removeTimer(timer);
    return true;
}

bool EpollDispatcher::unregisterTimers(QObject *object)
{
    bool any = false;
    for (auto it = timers_.begin(); it != timers_.end();) {
        const auto next = std::next(it);
        if (it->second.object == object) {
            removeTimer(it);
            any = true;
        }
        it = next;
    }
    return any;
}

QList<QAbstractEventDispatcher::TimerInfo> EpollDispatcher::registeredTimers(QObject *object) const
{
    QList<TimerInfo> list;
    for (const auto &[id, timer] : timers_)
        if (timer.object == object)
            list.append(TimerInfo(id, int(timer.interval), timer.type));
    return list;
}

int EpollDispatcher::remainingTime(int timerId)
{
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end())
        return -1;
    return int(std::max<qint64>(0, (timer->second.due - nowNs()) / 1000000));
}

void EpollDispatcher::wakeUp() { eventfd_write(wake_, 1); }

void EpollDispatcher::interrupt()
{
    interrupted_.store(true);
    wakeUp();
}
