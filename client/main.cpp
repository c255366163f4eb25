#include "Main.h"
#include "Global.h"

#include <QApplication>
#include <QDBusConnection>
#include <future>

namespace {
// The connection to the session bus, made on the second core as soon as the toolkit
// stands: the accessibility bridge of a desktop platform asks for it when the first
// control changes state, and would wait for it there.
std::future<void> connectSessionBus()
{
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return {};
    return std::async(std::launch::async, [] { QDBusConnection::sessionBus(); });
}
}  // namespace

int main(int argc, char *argv[])
{
    // The board's updates are small (the banner's 104 x 24 frames, 12.5 a second): on X11
    // they cost less sent with the request itself than through shared memory, which
    // needs a round trip to the server and a wake-up for its completion event per frame.
    // A player's own setting of the variable is kept.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    PrefetchBuiltinPictures();
    const std::future<void> bus = connectSessionBus();  // waited for before the toolkit goes
    PrepareApplication();
    TMainBoard board;
    if (Shared().QuitRequested)
        return 0;
    board.show();
    return QApplication::exec();
}
