#include "Log.h"

Q_LOGGING_CATEGORY(lcServer, "kelmar.server", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWire, "kelmar.server.wire", QtInfoMsg)
