#pragma once

#include "clireport.h"
#include "clirequest.h"
#include "clirun.h"

#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>

class CliOutput;

// Carries out one request through the running window's control endpoint,
// as CliRun does on a port of its own: the same steps, event lines and exit
// statuses. The window keeps its connection when the run ends.
class CliWindowRun : public QObject
{
    Q_OBJECT

public:
    CliWindowRun(const CliRequest &request, CliOutput *output, QObject *parent = nullptr);
    void start();
    void interrupt() { end(CliStatus::Interrupted, true); }
    void outputClosed() { end(CliStatus::OutputClosed, true); }

signals:
    // The process's exit code: a CliStatus.
    void finished(int exitCode);

private:
    void readLines();
    void handleReply(const QJsonObject &reply);
    void handleEvent(const QJsonObject &event);
    void sendNext();
    void watch();
    void end(CliStatus status, bool early);

    CliRequest m_request;
    CliReport m_report;
    QLocalSocket m_socket;
    QList<QJsonObject> m_steps; // requests still to send, in order
    bool m_running = false;
    QTimer m_watchTimer;
    bool m_ended = false;
};
