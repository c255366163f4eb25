#include "Splash.h"

#include "Global.h"
#include "Initialize.h"
#include "LabelLook.h"
#include "Methods.h"

#include <QApplication>
#include <QLabel>

namespace {
constexpr QSize SplashSize(401, 209);

class TSplashForm : public QWidget {
public:
    explicit TSplashForm(const QString &text) : QWidget(Table().Board, Qt::SplashScreen | Qt::FramelessWindowHint)
    {
        setFixedSize(SplashSize);
        CentreOnScreen(this, SplashSize);
        FillWithPicture(this, ResourceDir() + QStringLiteral("splash v.2.3.bmp"));
        Progress = textLabel(text, FontWithCellHeight(QStringLiteral("MS Sans Serif"), 18), 5, 190);
        SetLabelColor(Progress, SystemTextColor());  // a skin applied meanwhile leaves it so
        auto *address
            = textLabel(QString::fromLatin1(ProjectWebPage), FontWithCellHeight(QStringLiteral("verdana"), 12), 245, 5);
        SetLabelColor(address, NamedColor::Blue);
    }

    QLabel *Progress;

private:
    // A caption that takes the width of its text and lets the picture show through.
    QLabel *textLabel(const QString &text, const QFont &font, int left, int top)
    {
        auto *label = new QLabel(text, this);
        label->setFont(font);
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->move(left, top);
        label->adjustSize();
        return label;
    }
};

QPointer<TSplashForm> splash;
}  // namespace

bool ShowSplash(const QString &text)
{
    if (splash)
        return false;
    splash = new TSplashForm(text);
    splash->show();
    splash->repaint();
    return true;
}

void SetSplashStatus(const QString &text)
{
    QCoreApplication::processEvents();
    if (!splash)
        return;
    splash->Progress->setText(text);
    splash->Progress->adjustSize();
    splash->Progress->repaint();
}

bool CloseSplash()
{
    if (!splash)
        return false;
    splash->hide();
    delete splash.data();
    return true;
}

QWidget *SplashWindow() { return splash; }
