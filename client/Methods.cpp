#include "Methods.h"

#include "ConnectForm.h"
#include "Global.h"
#include "Initialize.h"
#include "Main.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {
bool isSelectionKey(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: return key.modifiers() & Qt::ShiftModifier;
    default: return false;
    }
}

// Handles the event for the memo or the dialog; true swallows it.
bool handle(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return watched == Memo && isSelectionKey(*static_cast<QKeyEvent *>(event));
    case QEvent::MouseMove: {
        if (!Memo || watched != Memo->viewport() || !(static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton))
            return false;
        // The move itself is swallowed too: the memo would extend the selection after us.
        QTextCursor cursor = Memo->textCursor();
        if (cursor.hasSelection()) {
            cursor.clearSelection();
            Memo->setTextCursor(cursor);
        }
        return true;
    }
    case QEvent::Close:
        if (watched == ConnectForm)
            ConnectDialogCancel();
        return false;
    default: return false;
    }
}
}  // namespace

bool TModuleClass::eventFilter(QObject *watched, QEvent *event)
{
    bool swallowed = false;
    Guarded([&] { swallowed = handle(watched, event); });
    return swallowed;
}

TModuleClass &ModuleClass()
{
    static TModuleClass module;
    return module;
}

void BindMemoGuards()
{
    Memo->installEventFilter(&ModuleClass());
    Memo->viewport()->installEventFilter(&ModuleClass());
}

void BindConnectDialog(TConnectForm &form)
{
    QObject::connect(form.AddressBox, &QLineEdit::returnPressed, &form,
                     [&form] { Guarded([&form] { form.NameBox->setFocus(); }); });
    QObject::connect(form.NameBox, &QLineEdit::returnPressed, &form, [] { Guarded(ConnectDialogConnect); });
    form.installEventFilter(&ModuleClass());
}

void ConnectButtonClick()
{
    SetEnabled({ConnectButton, CloseButton, QuitTitleButton, InfoTitleButton}, false);
    OpenConnectDialog();
}

void OpenWebPage() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(ProjectWebPage))); }

void StartMultimedia() {}

void PlayEffect(const QString &) {}
