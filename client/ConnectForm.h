#pragma once
// The server address dialog.
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// "Server Address Dialog": the server's address and the player's name, built anew at
// every opening. Always on top, not modal; the board's buttons stay disabled while it
// is shown.
class TConnectForm : public QWidget {
    Q_OBJECT
public:
    TConnectForm();

    QLineEdit *AddressBox = nullptr;  // starts at "127.0.0.1", at most 15 characters
    QLineEdit *NameBox = nullptr;     // starts at the remembered name, at most 7
    QLabel *HintLabel = nullptr;      // tells what the focused box wants
    QPushButton *DialogConnectButton = nullptr;
    QPushButton *DialogCancelButton = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *createBox(int left, int top, int maxLength);
    QPushButton *createButton(const QString &caption, int left, void (*action)());
    void showHint(bool address);
};

// The board's Connect button: disables the board's Connect, Close, quit and info
// buttons, then opens the dialog.
void ConnectButtonClick();
void OpenConnectDialog();       // a new dialog, shown with the focus in the address box
TConnectForm *ConnectDialog();  // the dialog last built, while it exists
void DestroyConnectDialog();    // the dialog, if one was built
// Checks the two boxes and starts the connection; any failure after the checks
// leaves the client offline with the message "error".
void ConnectDialogConnect();
// Cancel, the close box and a successful connect: the board's buttons come back
// (Connect only while not connected) and the dialog hides.
void ConnectDialogCancel();
