#include "log/messagehandler.h"

#include <QString>

void logMessageHandler(QtMsgType, const QMessageLogContext &, const QString &) {}
