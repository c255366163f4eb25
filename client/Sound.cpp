#include "Sound.h"

// Sound is not built yet: the program is silent.
void StartMultimedia() {}

void PlayEffect(const QString &) {}
