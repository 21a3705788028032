#pragma once

#include <QtGlobal>

class QDateTime;
class QMessageLogContext;
class QString;

// Writes every message of the process to the log pane and the day's file.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Where the handler reads the time, once per line (stamp and file day agree).
// Tests replace it to cross midnight; nullptr restores the system clock.
using LogClock = QDateTime (*)();
void setLogClock(LogClock clock);
