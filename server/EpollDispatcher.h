#pragma once
// The event dispatcher of the server's thread, built on Linux's epoll. Qt's own
// dispatchers hand the system the list of every socket on every pass of the event loop,
// so with a thousand players each pass cost a poll of a thousand sockets; with epoll a
// pass costs what is ready, not what is open. It delivers the same events as Qt's:
// socket activation to QSocketNotifier, QTimerEvent to the timers' objects, posted
// events at the start of each pass.
#include <QAbstractEventDispatcher>
#include <QHash>
#include <array>
#include <atomic>
#include <set>
#include <unordered_map>

struct epoll_event;

class EpollDispatcher : public QAbstractEventDispatcher {
    Q_OBJECT
public:
    explicit EpollDispatcher(QObject *parent = nullptr);
    ~EpollDispatcher() override;

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier *notifier) override;
    void unregisterSocketNotifier(QSocketNotifier *notifier) override;
    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject *object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject *object) override;
    QList<TimerInfo> registeredTimers(QObject *object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override;
    void interrupt() override;

private:
    // One descriptor: its notifiers by QSocketNotifier::Type, and what the epoll set
    // holds for it. Changes reach the epoll set just before the loop waits, so a write
    // notifier switched on and off within one pass costs no system call.
    struct Watched {
        std::array<QSocketNotifier *, 3> notifiers{};
        quint32 generation = 0;    // tells a reused descriptor's events from the old one's
        quint64 kernelData = 0;    // the descriptor and generation the epoll set holds
        quint32 kernelEvents = 0;  // 0: not in the epoll set
        bool dirty = false;
    };
    struct Timer {
        qint64 interval;  // milliseconds
        Qt::TimerType type;
        QObject *object;
        qint64 due;  // nanoseconds on the steady clock
    };

    void changed(int descriptor, Watched &watched);
    void updateEpollSet();
    int waitTimeMs() const;
    int activateSockets(const epoll_event *events, int ready);
    int activateTimers();
    void removeTimer(std::unordered_map<int, Timer>::iterator timer);

    int epoll_ = -1;
    int wake_ = -1;  // an eventfd that wakeUp() writes
    std::atomic<bool> interrupted_{false};
    QHash<int, Watched> watched_;
    QList<int> dirty_;
    quint32 generations_ = 0;
    std::unordered_map<int, Timer> timers_;
    std::set<std::pair<qint64, int>> queue_;  // (due, timer id), the next first
};
