#pragma once
// The main board: start-up, the board's buttons, painting and the quit sequence.
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>

class QPushButton;
class QToolButton;
class QSessionManager;

class TMainBoard : public QWidget {
    Q_OBJECT
public:
    TMainBoard();
    ~TMainBoard() override;

    // Asks the quit question; on OK runs QuitGame. Returns the permission to close.
    bool FormCloseQuery();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void CommitDataRequest(QSessionManager &manager);
};

extern TMainBoard *MainBoard;
// The board's controls; they clear themselves when the board goes.
extern QPointer<QPushButton> ConnectButton;
extern QPointer<QPushButton> CloseButton;
extern QPointer<QToolButton> QuitTitleButton;
extern QPointer<QToolButton> InfoTitleButton;
extern bool QuitRequested;  // QuitGame ran: the program is ending

// The application title "Kelmar" and free stand-ins for the classic fonts.
void PrepareApplication();

QPushButton *CreateBoardButton(const QString &caption, int top, int left);
void ConfirmQuit();
void QuitGame();
void ToggleAbout();

// True when an argument (the program name excluded) is exactly "-" + name.
bool HasSwitch(const QString &name, const QStringList &arguments);
bool HasSwitch(const QString &name);
// First character as it is, the letters A to Z after it in lower case.
QString CapitalizeName(const QString &text);

// The connection: the connect action's core, sending, and the socket's three events.
void StartConnection(const QString &address);
void SendText(const QByteArray &message);
void ClientConnect();
void ClientSocketRead();
void ClientSocketError(int errorCode);

// The local player's drag and drop on hand tiles and chain positions.
class TImage;
class TCards;
void BoardDragOver(TImage *target);
void BoardDragDrop(TImage *target, TCards *source);

// Helpers of the local player's drag and drop.
void SwapPositions(QWidget *a, QWidget *b);
int FindHandSlot(std::uint8_t tileNumber);  // the first slot holding it, or 0
bool HandEmpty();                           // every slot shows the played marker
