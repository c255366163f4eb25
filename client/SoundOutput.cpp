#include "SoundOutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <algorithm>
#include <cstring>

namespace {
QAudioFormat formatOf(const TPcmSound &sound)
{
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8        ? QAudioFormat::UInt8
                               : sound.bitsPerSample == 16 ? QAudioFormat::Int16
                                                           : QAudioFormat::Int32);
    return format;
}

// One stream per effect, opened before the effect's first play is due where it can be,
// so that the play does not wait for the audio server, and kept open until the effect goes.
class TQtVoice : public TEffectVoice {
public:
    explicit TQtVoice(const TPcmSound &sound)
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;  // no audio device: the effect is silent
        // The sink may still hand the server its last bytes when the effect goes, so it
        // is deleted from the event loop, and with the application at the latest.
        sink_ = new QAudioSink(device, formatOf(sound), QCoreApplication::instance());
        source_ = new TPcmSource(sound.samples, sink_);
        sink_->start(source_);
    }
    ~TQtVoice() override
    {
        if (sink_)
            sink_->deleteLater();
    }
    void Start() override
    {
        if (!sink_)
            return;
        source_->Rewind();
        if (sink_->state() == QAudio::StoppedState)  // after an error of the stream
            sink_->start(source_);
    }

private:
    QPointer<QAudioSink> sink_;
    TPcmSource *source_ = nullptr;  // the sink's child
};

class TQtBackEnd : public TSoundBackEnd {
public:
    TQtBackEnd() { clock_.start(); }
    void Loop(const QString &path, QObject *owner) override
    {
        auto *music = new QSoundEffect(owner);
        music->setSource(QUrl::fromLocalFile(path));
        music->setLoopCount(QSoundEffect::Infinite);
        music->play();
    }
    std::unique_ptr<TEffectVoice> Voice(const QString &, const TPcmSound &sound) override
    {
        return std::make_unique<TQtVoice>(sound);
    }
    qint64 NowMs() const override { return clock_.elapsed(); }

private:
    QElapsedTimer clock_;
};
}  // namespace

TPcmSource::TPcmSource(QByteArray samples, QObject *parent) : QIODevice(parent), samples_(std::move(samples))
{
    open(QIODevice::ReadOnly);
    seek(samples_.size());
}

void TPcmSource::Rewind()
{
    seek(0);
    emit readyRead();
}

qint64 TPcmSource::readData(char *data, qint64 maxSize)
{
    const qint64 count = std::clamp<qint64>(samples_.size() - pos(), 0, maxSize);
    std::memcpy(data, samples_.constData() + pos(), std::size_t(count));
    return count;
}

TSoundBackEnd *KelmarCreateSoundBackEnd() { return new TQtBackEnd; }
