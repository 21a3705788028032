#pragma once

#include "shuttersession.h"

#include <QString>
#include <QStringList>

// What a `kavrin-cli run` was asked to do, in the order it is done: open the
// port, choose the mode, send the parameters, start, watch.
struct CliRequest
{
    QString port;
    ShutterMode mode = ShutterMode::None;
    bool sendParameters = false;
    Protocol::Timing timing; // the controller's own until given
    bool start = false;
    int watchSeconds = -1; // -1: no watching; 0: until stopped
    bool untilDone = false;
    bool stopOnExit = false;
    bool json = false;
    bool window = false; // through the running window's control endpoint
};

// Reads the arguments after "run". On a usage error returns false with one
// line for stderr in *error; nothing is sent then.
bool parseRunRequest(const QStringList &arguments, CliRequest *request, QString *error);
