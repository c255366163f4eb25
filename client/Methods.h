#pragma once
// Event handlers shared by run-time controls, and the sound effects.
#include <QObject>
#include <QString>

class TConnectForm;

// The project's web page, which the splash and the about box show.
inline constexpr char ProjectWebPage[] = "https://kelmar.example.org/";

// Carries the handlers that need an object: the memo's guards, which keep its text
// from being selected (Shift with a page or arrow key is swallowed, a drag with the
// left button selects nothing), and the connect dialog's close box.
class TModuleClass : public QObject {
    Q_OBJECT
public:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
TModuleClass &ModuleClass();

void BindMemoGuards();
// Enter in the address box moves to the name box, Enter in the name box connects,
// and the close box cancels.
void BindConnectDialog(TConnectForm &form);

// Disables the board's Connect, Close, quit and info buttons, then opens the dialog.
void ConnectButtonClick();
void OpenWebPage();

void StartMultimedia();
void PlayEffect(const QString &name);
