#include "Methods.h"

void ConnectButtonClick() {}

void StartMultimedia() {}

void PlayEffect(const QString &) {}
