#include "Initialize.h"

#include "Global.h"
#include "IniFile.h"
#include "Main.h"

#include <QGuiApplication>
#include <QScreen>
#include <array>

namespace {
std::optional<std::pair<QSize, QRect>> screenOverride;
std::array<QCursor, 4> customCursors;

std::pair<QSize, QRect> primaryScreen()
{
    if (screenOverride)
        return *screenOverride;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QSize(800, 600), QRect(0, 0, 800, 600)};
    return {screen->geometry().size(), screen->availableGeometry()};
}

QRect centredBoard(QSize screen)
{
    return QRect((screen.width() - 800) / 2, (screen.height() - 600) / 2, 800, 600);
}

void applyWindowProperties()
{
    const auto [screen, workArea] = primaryScreen();
    const ScreenFit fit = FitScreen(screen, workArea);
    if (fit.kind == ScreenFit::TooSmall) {
        ShowMessage(QString::fromLatin1(ScreenTooSmallText));
        QuitGame();
        return;
    }
    // A frame carries only the system menu and the close box: no minimise, no maximise.
    const Qt::WindowFlags flags = fit.kind == ScreenFit::Centred
        ? Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
              | Qt::WindowCloseButtonHint
        : Qt::Window | Qt::FramelessWindowHint;
    MainBoard->setWindowFlags(flags);
    MainBoard->setGeometry(fit.frame);
    MainBoard->setFixedSize(fit.frame.size());
    MainBoard->setWindowTitle(QStringLiteral("Kelmar 1.5 [client]"));
    QPalette palette = MainBoard->palette();
    palette.setColor(QPalette::Window,
                     Config().ReadColor(QStringLiteral("Color"), QStringLiteral("Background"),
                                        ColorTable::Background));
    MainBoard->setPalette(palette);
    MainBoard->setAutoFillBackground(true);
}

void registerCustomCursors()
{
    const char *const names[] = {"Arrow", "FHand", "HHand"};
    for (int i = 0; i < 3; ++i) {
        const QPixmap picture = BuiltinPixmap(QString::fromLatin1(names[i]));
        customCursors[i + 1] = picture.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(picture, 0, 0);
    }
}
}

ScreenFit FitScreen(QSize screen, QRect workArea)
{
    const int w = screen.width(), h = screen.height();
    if (w == 800 && h == 600)
        return {ScreenFit::FillWorkArea, workArea};
    if (w > 800 && h > 600)
        return {ScreenFit::Centred, centredBoard(screen)};
    if (w < 800 || h < 600)
        return {ScreenFit::TooSmall, QRect()};
    return {ScreenFit::Borderless, centredBoard(screen)};
}

void SetScreenOverride(std::optional<std::pair<QSize, QRect>> screen) { screenOverride = screen; }

void BuildTable()
{
    applyWindowProperties();
    if (QuitRequested)
        return;
    registerCustomCursors();
}

void LoadSkin() {}

void CreateBanner() {}

QCursor CustomCursor(int number)
{
    return (number >= 1 && number <= 3) ? customCursors[number] : QCursor(Qt::ArrowCursor);
}
