#include "About.h"

#include "Global.h"
#include "Initialize.h"
#include "LabelLook.h"
#include "Methods.h"

#include <QCloseEvent>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <array>

namespace {
// The classic dialog frame around the box: 3 px borders. The client area is 287 high.
constexpr QSize OuterSize(247, 287 + 26 + 3);
constexpr QSize ClientSize(247 - 6, 287);

const std::array<const char *, 4> Credits{"Ines Marwa", "Tomas Keller", "Rui Okafor", "and You . . ."};

QFont verdana(bool bold = false) { return FontWithCellHeight(QStringLiteral("verdana"), 12, bold); }

// A label drawn without background over the picture, in its own colour: a skin's text
// colour would not read on the picture.
QLabel *label(QWidget *parent, const QString &text, const QFont &font, QRect place, bool wrap = false,
              const QColor &color = NamedColor::Black)
{
    auto *label = new QLabel(text, parent);
    SetLabelColor(label, color);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    if (place.size().isEmpty()) {
        label->move(place.topLeft());
        label->adjustSize();
    } else {
        label->setGeometry(place);
        if (wrap)  // the given width, and the height its text needs
            label->setFixedHeight(label->heightForWidth(place.width()));
    }
    return label;
}

// A label that opens the project's web page when clicked.
class TWebLink : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *) override { Guarded(OpenWebPage); }
};

class TAboutForm : public QWidget {
public:
    explicit TAboutForm(const QString &version)
        : QWidget(Table().Board,
                  Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                      | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    {
        setWindowTitle(QStringLiteral("About . . ."));
        setFixedSize(ClientSize);
        CentreOnScreen(this, OuterSize);
        FillWithPicture(this, ResourceDir() + QStringLiteral("About v1.2.bmp"));
        label(this, version, FontWithCellHeight(QStringLiteral("MS Sans Serif"), 18, true), {48, 56, 0, 0}, false,
              SystemTextColor());
        auto *link = new TWebLink(QString::fromLatin1(ProjectWebPage), this);
        link->setTextFormat(Qt::PlainText);
        link->setFont(verdana());
        link->setAttribute(Qt::WA_TranslucentBackground);
        link->setCursor(Qt::PointingHandCursor);
        SetLabelColor(link, NamedColor::Blue);
        link->move(39, 173);
        link->adjustSize();
        label(this, QStringLiteral("Designed and written by the Kelmar team"), verdana(), {53, 120, 136, 39}, true);
        label(this, QStringLiteral("Free to play, share and change."), verdana(), {44, 262, 156, 12});
        label(this, QStringLiteral("Credits:"), verdana(), {5, 4, 46, 13});
        CreditsLine = label(this, QLatin1String(Credits[0]), verdana(true), {7, 9, 0, 0});
        auto *timer = new QTimer(this);
        timer->setInterval(30);
        connect(timer, &QTimer::timeout, this, [] { Guarded(AboutTimer); });
        timer->start();
    }

    QLabel *CreditsLine;

protected:
    // The box's own close box ends the shown state as the info button does.
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        Guarded([] { CloseAboutBox(); });
    }
};

QPointer<TAboutForm> aboutBox;
}  // namespace

void OpenAboutBox(const QString &version)
{
    delete aboutBox.data();
    aboutBox = new TAboutForm(version);
    Shared().AboutShown = true;
    aboutBox->show();
    aboutBox->repaint();
}

bool CloseAboutBox()
{
    if (!aboutBox)
        return false;
    Shared().AboutShown = false;
    TAboutForm *box = aboutBox;
    aboutBox = nullptr;
    box->hide();
    box->deleteLater();  // it may be closing itself from its own event
    return true;
}

void ToggleAbout()
{
    if (!Shared().AboutShown)
        OpenAboutBox(QStringLiteral("1.5"));
    else
        CloseAboutBox();
}

void AboutTimer()
{
    QLabel *line = AboutCreditsLine();
    if (!line)
        return;
    line->move(line->x() + 1, line->y());
    if (line->x() == 248) {
        std::uint8_t &index = Shared().CreditIndex;
        ++index;
        line->setText(QLatin1String(Credits[std::size_t((index + 3) % 4)]));
        line->adjustSize();
        if (index == 4)
            index = 0;
        line->move(-37, line->y());
    }
    if (line->x() == 100)
        QThread::msleep(500);  // the line stands for half a second in every pass
}

QWidget *AboutBox() { return aboutBox; }

QLabel *AboutCreditsLine() { return aboutBox ? aboutBox->CreditsLine : nullptr; }
