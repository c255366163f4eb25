#include "ConnectForm.h"

#include "FlatComponent.h"
#include "Global.h"
#include "Initialize.h"
#include "Methods.h"
#include "NameStore.h"
#include "Sound.h"
#include "Winsock_Handling.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QValidator>

namespace {
QPointer<TConnectForm> connectForm;

const QString AddressHint = QStringLiteral("insert your destination IP address, computer that running ServerKelmar");
// No-break spaces keep each digit on the line of the word after it.
const QString NameHint = QStringLiteral("insert your name (min:3\u00A0character, max:7\u00A0character) to display");

// The dialog's classic frame is 350 x 205 outside: 3 px borders and a 26 px caption.
constexpr QSize OuterSize(350, 205);
constexpr QSize ClientSize(344, 176);

// Every letter becomes a capital as it is typed, pasted or set.
class TCapitals : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (QChar &c : input)
            c = c.toUpper();
        return Acceptable;
    }
};

QFont verdana(bool bold)
{
    QFont font = BoardFont(QStringLiteral("verdana"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

void boldLabel(QWidget *parent, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    label->setFont(verdana(true));
    label->move(left, top);
    label->adjustSize();
}

// A rectangle whose corners are cut by a diameter x diameter ellipse.
QRegion roundedRegion(const QRect &rect, int diameter)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), diameter / 2.0, diameter / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

void connectAs(const QString &address, const QString &name)
{
    TTable &table = Table();
    table.Connection->Open(address);
    WriteRememberedName(name);
    table.Model.SetLocalName(CapitalizeName(name).toLatin1().toStdString());
    if (const TStreamSocket *socket = table.Connection->Socket())
        table.Model.SetLocalAddress(socket->LocalAddress().toStdString());
    LogLine(QStringLiteral("connecting to server....."));
    LogLine(QStringLiteral(".............."));
    connectForm->close();
    PlayEffect(QStringLiteral("Fx2"));
    SetEnabled({table.ConnectButton}, false);
    SetWatchdogEnabled(true);
    if (table.OwnNameLabel)
        table.OwnNameLabel->setText(ShownText(QString::fromLatin1(table.Model.SeatAt(Local).GetName())));
}

void connectFailed()
{
    Model().SetConnection(TTableModel::Connection::Offline);
    SetWatchdogEnabled(false);
    TTable &table = Table();
    SetEnabled({table.ConnectButton}, true);
    // The attempt already started ends as well, so no late connect follows the message.
    if (table.Connection)
        table.Connection->Close();
    ShowMessage(QStringLiteral("error"));
}
}  // namespace

TConnectForm::TConnectForm()
    : QWidget(Table().Board,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Server Address Dialog"));
    QFont font = BoardFont(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(ClientSize);
    CentreOnScreen(this, OuterSize);

    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(13, 29, 315, 112);
    boldLabel(this, QStringLiteral("Please, Fill your information"), 14, 7);
    boldLabel(this, QStringLiteral("IP Address:"), 20, 35);
    boldLabel(this, QStringLiteral("Your Name:"), 20, 85);

    AddressBox = createBox(40, 55, 15);
    AddressBox->setText(QStringLiteral("127.0.0.1"));
    NameBox = createBox(40, 105, 7);
    NameBox->setText(ReadRememberedName());

    HintLabel = new QLabel(this);
    HintLabel->setGeometry(217, 32, 98, 98);
    HintLabel->setFont(verdana(false));
    HintLabel->setAlignment(Qt::AlignCenter);
    HintLabel->setWordWrap(true);
    showHint(true);

    DialogConnectButton = createButton(QStringLiteral("C&onnect"), 50, ConnectDialogConnect);
    DialogCancelButton = createButton(QStringLiteral("&Cancel"), 215, ConnectDialogCancel);
    AddressBox->setFocus();
    BindDialogKeys(AddressBox, NameBox, ConnectDialogConnect);
    BindCloseBox(this, ConnectDialogCancel);
}

QLineEdit *TConnectForm::createBox(int left, int top, int maxLength)
{
    auto *box = new QLineEdit(this);
    box->setFrame(false);
    box->setValidator(new TCapitals(box));
    box->setAlignment(Qt::AlignCenter);
    box->setMaxLength(maxLength);
    QFont font = BoardFont(QStringLiteral("Comic Sans Ms"));
    font.setPointSize(10);
    font.setBold(true);
    box->setFont(font);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, NamedColor::Black);
    palette.setColor(QPalette::Text, NamedColor::White);
    box->setPalette(palette);
    // One line of the font plus 6 px high; the rounded shape is cut from that height.
    box->setGeometry(left, top, 121, box->fontMetrics().height() + 6);
    box->setMask(roundedRegion(QRect(2, 2, box->width() - 2, box->height() - 4), 15));
    box->installEventFilter(this);
    return box;
}

QPushButton *TConnectForm::createButton(const QString &caption, int left, void (*action)())
{
    auto *button = new QPushButton(caption, this);
    button->setGeometry(left, 146, 75, 25);
    SetFlatStyle(button);
    SetCustomCursor(button, CursorKind::Arrow);
    connect(button, &QPushButton::clicked, this, [action] { Guarded(action); });
    return button;
}

void TConnectForm::showHint(bool address)
{
    HintLabel->setText(address ? AddressHint : NameHint);
    HintLabel->repaint();
}

bool TConnectForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == AddressBox || watched == NameBox))
        Guarded([this, watched] { showHint(watched == AddressBox); });
    return QWidget::eventFilter(watched, event);
}

void ConnectButtonClick()
{
    const TTable &table = Table();
    SetEnabled({table.ConnectButton, table.CloseButton, table.QuitTitleButton, table.InfoTitleButton}, false);
    OpenConnectDialog();
}

void OpenConnectDialog()
{
    DestroyConnectDialog();
    connectForm = new TConnectForm;
    connectForm->show();
    connectForm->activateWindow();
    // The connect's chime and the game's effects follow: their audio streams open now,
    // once the dialog is painted, rather than delaying the first of them.
    QTimer::singleShot(0, connectForm, PrepareSound);
}

TConnectForm *ConnectDialog() { return connectForm; }

void DestroyConnectDialog() { delete connectForm.data(); }

void ConnectDialogConnect()
{
    if (!connectForm)
        return;
    const QString address = connectForm->AddressBox->text();
    const QString name = connectForm->NameBox->text();
    if (address.isEmpty() || name.isEmpty())
        return ShowMessage(QStringLiteral("all information are required!"));
    if (name.size() < 3)
        return ShowMessage(QStringLiteral("minimum 3 character on name field"));
    try {
        connectAs(address, name);
    } catch (const std::exception &) {
        connectFailed();
    }
}

void ConnectDialogCancel()
{
    const TTable &table = Table();
    SetEnabled({table.CloseButton, table.QuitTitleButton, table.InfoTitleButton}, true);
    SetEnabled({table.ConnectButton}, !table.Model.IsConnected());
    if (connectForm)
        connectForm->hide();
}
