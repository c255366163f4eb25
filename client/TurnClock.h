#pragma once
// The turn clock that ServerKelmar's extensions tell: the seconds the mover has left,
// counted down beside the mover's seat label, larger for the local player's own turn,
// and red with a chime for its last ten seconds.
#include "TableModel.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <array>

class TTurnClock : public QObject, public TTableModel::Listener {
    Q_OBJECT
public:
    // One countdown beside each of the four seat labels, children of the board.
    explicit TTurnClock(QWidget *board);

    void ClockStarted(int view, int seconds) override;
    void ClockStopped() override;

    // Where the countdown of a view position stands (beside its seat label).
    static QRect Place(int view);
    QLabel *Countdown(int view) const { return labels_[static_cast<std::size_t>(view & 3)]; }
    int SecondsLeft() const { return left_; }
    // One second passed (the timer's tick; tests call it).
    void Tick();

    static constexpr int WarningSeconds = 10;

private:
    void show();

    std::array<QPointer<QLabel>, 4> labels_;
    QTimer timer_;
    int view_ = -1;
    int left_ = 0;
};
