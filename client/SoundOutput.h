#pragma once
// The audio back end on Qt Multimedia. It is a library of its own, loaded by the program
// when the first sound is wanted, so that a start-up without sound never maps Qt
// Multimedia, the audio server's client and their codecs.
#include "Sound.h"

#include <QByteArray>
#include <QIODevice>

// An effect's samples as an audio sink pulls them. The sink's stream stays open from one
// play to the next: stopping a stream drops whatever the audio server has not played yet,
// which for a short effect on a server with a long latency is all of it. It starts at its
// end, with nothing to play.
class TPcmSource : public QIODevice {
public:
    explicit TPcmSource(QByteArray samples, QObject *parent = nullptr);
    // Offers the sound again from its start and wakes the sink, idle since the last end.
    void Rewind();
    bool isSequential() const override { return false; }
    qint64 size() const override { return samples_.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray samples_;
};

// The library's one entry point, looked up by this name: a new back end, owned by the caller.
extern "C" Q_DECL_EXPORT TSoundBackEnd *KelmarCreateSoundBackEnd();
