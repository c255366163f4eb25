#pragma once
// A small GIF89a writer for the banner animation; Qt reads GIF but cannot write it.
#include <QByteArray>
#include <QImage>
#include <QList>

// Encodes Indexed8 frames of one size that share the colour table of the first frame
// as an endlessly looping animation, each frame shown for `delayCentiseconds`.
QByteArray EncodeAnimatedGif(const QList<QImage> &frames, int delayCentiseconds);
