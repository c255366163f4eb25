#include "Outbox.h"

namespace {
bool playerData(const QByteArray &bytes) { return bytes.startsWith('^'); }
}  // namespace

Outbox::Outbox(Writer writer, std::chrono::milliseconds pause, QObject *parent)
    : QObject(parent), write_(std::move(writer)), pause_(pause)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Outbox::flush);
}

void Outbox::send(const QByteArray &message)
{
    if (!queue_.isEmpty() && !playerData(message) && !playerData(queue_.last()))
        queue_.last() += message;
    else
        queue_.append(message);
    pending_ += message.size();
    if (!timer_.isActive())
        flush();
}

void Outbox::flush()
{
    while (!queue_.isEmpty()) {
        const bool needsPause = playerData(queue_.first()) || lastWasData_;
        const auto waited = std::chrono::milliseconds(lastWrite_.isValid() ? lastWrite_.elapsed() : pause_.count());
        if (needsPause && waited < pause_) {
            timer_.start(pause_ - waited);
            return;
        }
        const QByteArray bytes = queue_.takeFirst();
        pending_ -= bytes.size();
        lastWasData_ = playerData(bytes);
        lastWrite_.start();
        write_(bytes);
    }
    emit drained();
}
