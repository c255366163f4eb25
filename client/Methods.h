#pragma once
// Event handlers shared by run-time controls, and the sound effects.
#include <QString>

void ConnectButtonClick();
void StartMultimedia();
void PlayEffect(const QString &name);
