#include "KelmarInfo.h"

#include "Global.h"
#include "IniFile.h"
#include "Initialize.h"
#include "Sound.h"
#include "Times.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {
constexpr QSize PanelSize(165, 90);
// 255 fade steps spread over about this long, so that the fade is seen on a fast machine.
constexpr qint64 FadeMs = 400;

// The picture on a white ground, its own background colour (its bottom-left pixel) left
// out, and the parts of the see-through colour cut away.
class TInfoPanel : public QLabel {
public:
    explicit TInfoPanel(QWidget *board) : QLabel(board, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    {
        // The see-through colour follows the Skin switch as it reads when the panel opens.
        const bool skin = Config().ReadSwitch(QStringLiteral("Main"), QStringLiteral("Skin"));
        seeThrough_ = skin ? QColor(210, 210, 210).rgb() : NamedColor::White.rgb();
        face_ = QImage(PanelSize, QImage::Format_RGB32);
        face_.fill(NamedColor::White);
        QPainter(&face_).drawImage(
            QRect(QPoint(0, 0), PanelSize),
            withoutBackground(LoadPicture(ResourceDir() + QStringLiteral("Info.bmp")).toImage()));
        setPixmap(QPixmap::fromImage(face_));
        setScaledContents(true);
        resize(PanelSize);
        CentreOnScreen(this, PanelSize);
    }

protected:
    // Pixels of the see-through colour show what lies behind, at every size of the zoom.
    void resizeEvent(QResizeEvent *event) override
    {
        const QImage shown = face_.scaled(event->size());
        setMask(QBitmap::fromImage(shown.createMaskFromColor(seeThrough_, Qt::MaskInColor)));
        QLabel::resizeEvent(event);
    }

private:
    QImage face_;
    QRgb seeThrough_;

    static QImage withoutBackground(const QImage &picture)
    {
        QImage clear = picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb background = clear.pixel(0, clear.height() - 1);
        for (int y = 0; y < clear.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(clear.scanLine(y));
            std::replace(line, line + clear.width(), background, qRgba(0, 0, 0, 0));
        }
        return clear;
    }
};

QPointer<TInfoPanel> panel;
QPointer<QWidget> panelOwner;
QPointer<QAbstractButton> infoButton;

// The offscreen platform of the tests has no window opacity and warns at every step.
void setOpacity(QWidget *window, int opacity)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        window->setWindowOpacity(opacity / 255.0);
}
bool sequenceRunning = false;

void setInfoButton(bool enabled)
{
    if (infoButton)
        infoButton->setEnabled(enabled);
}

// Puts the panel's frame, at its present size, in the middle of the screen.
void centrePanel() { CentreOnScreen(panel, panel->size()); }

// The panel stands while the board goes on painting and answering the player; the
// server's next read waits, as during the rest of the sequence.
void standFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

void BindInformationPanel(QWidget *board, QAbstractButton *button)
{
    panelOwner = board;
    infoButton = button;
}

bool ShowInformationPanel()
{
    if (panel)
        return false;
    panel = new TInfoPanel(panelOwner);
    setInfoButton(false);
    PlayEffect(QStringLiteral("clap"));
    panel->show();
    panel->repaint();
    return true;
}

bool HideInformationPanel()
{
    if (!panel)
        return false;
    QElapsedTimer clock;
    clock.start();
    for (int opacity = 255; opacity >= 1 && panel; --opacity) {
        QCoreApplication::processEvents();
        const qint64 due = (255 - opacity) * FadeMs / 255;
        if (clock.elapsed() < due)
            QThread::msleep(quint64(due - clock.elapsed()));
        if (panel)
            setOpacity(panel, opacity);
    }
    setInfoButton(true);
    delete panel.data();
    return true;
}

void ZoomShowForm()
{
    if (!panel)
        return;
    const int fullWidth = panel->width(), fullHeight = panel->height();
    panel->resize(112, 27);
    centrePanel();
    panel->show();
    while (panel && (panel->width() != fullWidth || panel->height() != fullHeight)) {
        const int height = std::min(fullHeight, panel->height() + fullHeight / 5);
        const int width = std::min(fullWidth, panel->width() + fullWidth / 5);
        panel->resize(width, height);
        centrePanel();
        WaitPumping(30);
    }
}

void ShowInfoPanel()
{
    if (sequenceRunning)
        return;
    FlushMemo();  // the notice's line stands in the memo before the panel
    sequenceRunning = true;
    const auto done = qScopeGuard([] { sequenceRunning = false; });
    if (!ShowInformationPanel())
        return;
    ZoomShowForm();
    standFor(1000);
    HideInformationPanel();
}

QWidget *InformationPanel() { return panel; }
