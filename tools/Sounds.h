#pragma once
// The music and the sound effects, synthesized into 16-bit mono WAV files.
#include <QByteArray>

QByteArray MusicWav();     // a loopable little tune, about 16 seconds
QByteArray RefusalWav();   // a low double buzz
QByteArray ConnectWav();   // a rising three-note chime
QByteArray ClackWav();     // one tile laid on another
QByteArray TickWav();      // a short dry tick
QByteArray ApplauseWav();  // a few people clapping
