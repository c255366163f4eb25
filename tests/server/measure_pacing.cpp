// Measures how far apart two sends must be for a Qt client to see them as two reads:
// sends 1,000 player data messages at each of a series of pauses to a QTcpSocket that
// reads with readyRead/readAll in its own event loop, and counts the reads that held
// more than one message. "--load N" keeps N further threads busy meanwhile.
//   measure_pacing [--load N] [--messages N] [--pauses US,US,...]
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
const QByteArray Message = "^@3Kitexy";  // the length of a typical name message

struct Counts {
    std::atomic<qint64> bytes{0}, reads{0}, joined{0};
};

// The client's side: every read is one batch.
class Reader : public QObject {
public:
    Reader(quint16 port, Counts &counts) : port_(port), counts_(counts) {}
    void start()
    {
        socket_ = new QTcpSocket(this);
        connect(socket_, &QTcpSocket::readyRead, this, [this] {
            const qint64 n = socket_->readAll().size();
            counts_.reads += 1;
            counts_.joined += std::max<qint64>(0, (n + Message.size() - 1) / Message.size() - 1);
            counts_.bytes += n;
        });
        socket_->connectToHost(QHostAddress::LocalHost, port_);
    }

    void stop() { delete socket_; }

private:
    quint16 port_;
    Counts &counts_;
    QTcpSocket *socket_ = nullptr;
};

// Sends the messages `pause` apart; returns how many were joined and the mean gap in µs.
std::pair<int, double> joinedAt(QTcpSocket &sender, Counts &counts, std::chrono::microseconds pause, int messages)
{
    counts.bytes = counts.reads = counts.joined = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < messages; ++i) {
        sender.write(Message);
        sender.flush();
        if (pause.count() > 0)
            std::this_thread::sleep_for(pause);
    }
    const std::chrono::duration<double, std::micro> sent = std::chrono::steady_clock::now() - start;
    while (counts.bytes < qint64(messages) * Message.size())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return {int(counts.joined), sent.count() / messages};
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString &name, int fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int load = option("--load", 0), messages = option("--messages", 1000);

    std::atomic<bool> busy{true};
    std::vector<std::thread> hogs;
    for (int i = 0; i < load; ++i)
        hogs.emplace_back([&busy] {
            while (busy) {}
        });

    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    Counts counts;
    QThread thread;
    Reader reader(server.serverPort(), counts);
    reader.moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, &reader, [&reader] { reader.start(); });
    thread.start();
    server.waitForNewConnection(5000);
    QTcpSocket *sender = server.nextPendingConnection();
    sender->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("%d messages, %d busy threads\n", messages, load);
    const qsizetype listed = args.indexOf("--pauses");
    const QStringList pauses
        = (listed >= 0 && listed + 1 < args.size() ? args[listed + 1]
                                                   : QStringLiteral("0,10,20,50,100,200,500,1000,2000,5000,10000"))
              .split(',');
    for (const QString &pause : pauses) {
        const int us = pause.toInt();
        const auto [joined, gap] = joinedAt(*sender, counts, std::chrono::microseconds(us), messages);
        std::printf("pause %6d us (measured gap %8.1f us): %4d joined\n", us, gap, joined);
    }

    busy = false;
    for (auto &hog : hogs)
        hog.join();
    QMetaObject::invokeMethod(
        &reader, [&reader] { reader.stop(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    return 0;
}
