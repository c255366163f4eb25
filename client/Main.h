#pragma once
// The main board: start-up, the board's buttons, painting, the quit sequence, and the
// wiring of the table's handlers.
#include "Initialize.h"

#include <QWidget>

class QSessionManager;

class TMainBoard : public QWidget {
    Q_OBJECT
public:
    TMainBoard();
    ~TMainBoard() override;

    // Asks the quit question; on OK runs QuitGame. Returns the permission to close.
    bool FormCloseQuery();
    // The session ends (log-off, shut-down): asks when it may, quits at once when it may
    // not. Returns the permission to end the session.
    bool SessionEnding(bool mayAsk);
    TTable &table() { return table_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void CommitDataRequest(QSessionManager &manager);

    TTable table_;
    std::unique_ptr<TTableModel::Listener> presentation_;  // the information panel
    bool painted_ = false;                                 // the board has been on the screen
    bool completed_ = false;                               // CompleteTable ran at the first exposure
};

// The application title "Kelmar" and free stand-ins for the classic fonts.
void PrepareApplication();

enum class BoardButton { Connect, Close };
QPushButton *CreateBoardButton(BoardButton button, int top, int left);
void ConfirmQuit();
void QuitGame();
