#pragma once
// Background music and the five sound effects.
#include <QString>

// Starts the music and prepares the effect players as the settings say.
void StartMultimedia();
// Plays one effect ("FX1", "Fx2", "FX3", "FX4", "clap") when the settings allow it.
void PlayEffect(const QString &name);
