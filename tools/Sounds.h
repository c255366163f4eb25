#pragma once
// The music and the sound effects, synthesized into 16-bit mono WAV files.
#include <QByteArray>

QByteArray MusicWav();     // a calm loop, about 76 seconds
QByteArray RefusalWav();   // a low double buzz
QByteArray ConnectWav();   // a short rising three-note chime
QByteArray ClackWav();     // a soft click: a tile laid down
QByteArray WhooshWav();    // the whoosh of a tile moved through the air
QByteArray ApplauseWav();  // a few people clapping
