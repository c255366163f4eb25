#pragma once
// Logging categories: one line per event on kelmar.server (on by default), and a trace
// of every read and every message sent on kelmar.server.wire (off by default; switch it
// on with QT_LOGGING_RULES="kelmar.server.wire.debug=true").
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcServer)
Q_DECLARE_LOGGING_CATEGORY(lcWire)
