#pragma once

#include "cli/clireport.h"
#include "cli/clirequest.h"

#include <QObject>
#include <QTimer>

// Exit statuses, one for each way a run can end.
enum CliStatus {
    Done = 0,
    UsageError = 2,
    PortUnavailable = 3,
    WrongDevice = 4,
    DeviceSilent = 5,
    PortLost = 6,
    ParametersRefused = 7,
    NotFinishedInTime = 8, // --until-done, and the --watch time ran out first
    Interrupted = 130,
};

// Carries out one request on a ShutterSession, as the window would, and
// reports its events; finished() gives the exit status.
class CliRun : public QObject
{
    Q_OBJECT

public:
    explicit CliRun(const CliRequest &request, QObject *parent = nullptr);
    // Opens the port and sends what was asked; the rest happens in the event loop.
    void start();
    // Ctrl+C or SIGTERM.
    void interrupt() { end(Interrupted, true); }

signals:
    void finished(int status);

private:
    void end(int status, bool early);

    CliRequest m_request;
    ShutterSession m_session;
    CliReport m_report;
    QTimer m_watchTimer;
    bool m_ended = false;
};
