#pragma once

#include "clioutput.h"
#include "clireport.h"
#include "clirequest.h"
#include "controlmessage.h"

#include <QObject>
#include <QTimer>

// Exit statuses, one for each way a run can end; those a window's control
// endpoint also reports take its codes.
enum class CliStatus {
    Done = 0,
    UsageError = static_cast<int>(ControlError::Usage),
    PortUnavailable = static_cast<int>(ControlError::PortUnavailable),
    WrongDevice = static_cast<int>(ControlError::WrongDevice),
    DeviceSilent = static_cast<int>(ControlError::DeviceSilent),
    PortLost = static_cast<int>(ControlError::PortLost),
    ParametersRefused = static_cast<int>(ControlError::ParametersRefused),
    NotFinishedInTime = 8, // --until-done, and the --watch time ran out first
    Interrupted = 130,
    OutputClosed = 141, // as a shell reports a program that a closed pipe ended
};

// Carries out one request on a ShutterSession, as the window would, and
// reports its events to output; finished() gives the exit status.
class CliRun : public QObject
{
    Q_OBJECT

public:
    CliRun(const CliRequest &request, CliOutput *output, QObject *parent = nullptr);
    // Opens the port; what was asked is sent once the controller has answered.
    void start();
    // Ctrl+C or SIGTERM.
    void interrupt() { end(CliStatus::Interrupted, true); }
    // Whoever read our output has gone.
    void outputClosed() { end(CliStatus::OutputClosed, true); }

signals:
    // The process's exit code: a CliStatus.
    void finished(int exitCode);

private:
    void sendRequest();
    void end(CliStatus status, bool early);

    CliRequest m_request;
    ShutterSession m_session;
    CliReport m_report;
    QTimer m_watchTimer;
    bool m_ended = false;
};
