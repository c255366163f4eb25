#pragma once
// The score panel that ServerKelmar's match totals fill: every seat's score in the last
// game and its running total, the game's winner, and the match's target and winner. It
// sits in the board's top-left corner, where no tile, chain position, label or button
// stands, from the first game's end on, and stays until the next game's end updates it.
#include "TableModel.h"

#include <QFrame>
#include <QLabel>
#include <array>

class TScorePanel : public QFrame, public TTableModel::Listener {
    Q_OBJECT
public:
    TScorePanel(QWidget *board, const TTableModel &model);

    void MatchChanged() override;
    void ConnectionChanged(TTableModel::Connection state) override;

    static QRect Place() { return {4, 2, 192, 76}; }
    // The panel's lines as shown: the header, one line a seat, the footer.
    QStringList Lines() const;

private:
    const TTableModel &model_;
    QLabel *header_;
    std::array<std::array<QLabel *, 3>, 4> rows_{};  // name, last game, total
    QLabel *footer_;
};
