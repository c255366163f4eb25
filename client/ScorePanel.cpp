#include "ScorePanel.h"

#include "Global.h"

#include <QGridLayout>

namespace {
QLabel *cell(QWidget *parent, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // names are text, never markup
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QString seatName(const TTableModel &model, int view)
{
    const std::string &name = model.SeatAt(view).GetName();
    return ShownText(QString::fromLatin1(name.data(), qsizetype(name.size())));
}

// The game's winner: the one seat whose score is below each of the others, or -1.
int gameWinner(const TTableModel &model)
{
    for (int view = Local; view <= RightSeat; ++view) {
        bool lowest = true;
        for (int other = Local; other <= RightSeat; ++other)
            lowest = lowest && (other == view || model.SeatAt(view).Score < model.SeatAt(other).Score);
        if (lowest)
            return view;
    }
    return -1;
}
}  // namespace

TScorePanel::TScorePanel(QWidget *board, const TTableModel &model) : QFrame(board), model_(model)
{
    setGeometry(Place());
    setFrameStyle(QFrame::Box | QFrame::Plain);
    QFont font = BoardFont(QStringLiteral("verdana"));
    font.setPixelSize(9);
    setFont(font);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(5, 2, 5, 2);
    grid->setVerticalSpacing(0);
    header_ = cell(this, Qt::AlignLeft);
    grid->addWidget(header_, 0, 0, 1, 3);
    for (int view = Local; view <= RightSeat; ++view) {
        auto &row = rows_[static_cast<std::size_t>(view)];
        row = {cell(this, Qt::AlignLeft), cell(this, Qt::AlignRight), cell(this, Qt::AlignRight)};
        for (int column = 0; column < 3; ++column)
            grid->addWidget(row[static_cast<std::size_t>(column)], view + 1, column);
    }
    footer_ = cell(this, Qt::AlignLeft);
    grid->addWidget(footer_, 5, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    hide();
}

void TScorePanel::MatchChanged()
{
    const int target = model_.MatchTarget();
    header_->setText(target > 0 ? QStringLiteral("Match to %1, lowest wins").arg(target)
                                : QStringLiteral("Scores, lowest wins"));
    for (int view = Local; view <= RightSeat; ++view) {
        auto &row = rows_[static_cast<std::size_t>(view)];
        row[0]->setText(seatName(model_, view));
        row[1]->setText(QString::number(model_.SeatAt(view).Score));
        row[2]->setText(QString::number(model_.SeatAt(view).Total));
        QFont font = row[0]->font();
        font.setBold(view == model_.MatchWinner() || (model_.MatchWinner() < 0 && view == gameWinner(model_)));
        for (QLabel *label : row)
            label->setFont(font);
    }
    if (const int winner = model_.MatchWinner(); winner >= 0)
        footer_->setText(QStringLiteral("%1 wins the match!").arg(seatName(model_, winner)));
    else if (const int game = gameWinner(model_); game >= 0)
        footer_->setText(QStringLiteral("%1 won the last game").arg(seatName(model_, game)));
    else  // a shared lowest score, or no game played yet on this connection
        footer_->clear();
    // Dark text on a light plate, whatever stands behind it. Styled when it first shows:
    // a style sheet costs its widgets a polish, which start-up need not wait for.
    if (styleSheet().isEmpty())
        setStyleSheet(
            QStringLiteral("TScorePanel { background: #FFFBF0; border: 1px solid #5A3A1A; border-radius: 4px; }"
                           "QLabel { color: #000000; background: transparent; }"));
    show();
    raise();
}

void TScorePanel::ConnectionChanged(TTableModel::Connection state)
{
    if (state == TTableModel::Connection::Connecting)  // a new connection: a new match
        hide();
}

QStringList TScorePanel::Lines() const
{
    QStringList lines{header_->text()};
    for (const auto &row : rows_)
        lines << QStringLiteral("%1 %2 %3").arg(row[0]->text(), row[1]->text(), row[2]->text());
    return lines << footer_->text();
}
