#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Writes every message of the process to the log pane and the day's file.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
