#pragma once

#include <QtGlobal>

class QDateTime;
class QMessageLogContext;
class QString;

// Turns a message into a log line, appends it to the day's file and hands it
// to the current LogSink. Installed by LogSink.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Where the handler reads the time, once per line (stamp and file day agree).
// Tests replace it to cross midnight; nullptr restores the system clock.
using LogClock = QDateTime (*)();
void setLogClock(LogClock clock);
