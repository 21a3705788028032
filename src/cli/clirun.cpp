#include "clirun.h"

namespace {
constexpr int flushTimeout = 1000; // ms; a few frames take 2 ms each at 115200 baud
}

CliRun::CliRun(const CliRequest &request, CliOutput *output, QObject *parent)
    : QObject(parent), m_request(request), m_report(output, request.json)
{
    m_watchTimer.setSingleShot(true);
    connect(&m_watchTimer, &QTimer::timeout, this, [this] {
        end(m_request.untilDone ? CliStatus::NotFinishedInTime : CliStatus::Done, true);
    });
    connect(&m_session, &ShutterSession::opened, this, [this] {
        m_report.write("opened", { { "port", m_request.port } });
    });
    connect(&m_session, &ShutterSession::deviceConfirmed, this, &CliRun::sendRequest);
    connect(&m_session, &ShutterSession::closed, this, [this] { m_report.write("closed"); });
    connect(&m_session, &ShutterSession::frameWritten, this, [this](const QByteArray &frame) {
        m_report.write("sent", { { "frame", QString::fromLatin1(frame.toHex(' ').toUpper()) } });
    });
    connect(&m_session, &ShutterSession::countReported, this, [this](CountKind kind, int count) {
        const bool cycles = kind == CountKind::Cycle;
        m_report.write("count", { { "kind", cycles ? "cycle" : "trigger" }, { "count", count } });
        if (cycles && count == 0) {
            m_report.write("finished");
            if (m_request.untilDone)
                end(CliStatus::Done, false);
        }
    });
    connect(&m_session, &ShutterSession::wrongDevice, this,
            [this] { end(CliStatus::WrongDevice, false); });
    connect(&m_session, &ShutterSession::deviceSilent, this,
            [this] { end(CliStatus::DeviceSilent, false); });
    connect(&m_session, &ShutterSession::portLost, this,
            [this] { end(CliStatus::PortLost, false); });
}

void CliRun::start()
{
    if (m_session.open(m_request.port) != ShutterSession::OpenResult::Opened)
        end(CliStatus::PortUnavailable, false);
}

// Nothing goes to a device before its first reply shows it is the controller.
void CliRun::sendRequest()
{
    if (m_request.mode != ShutterMode::None)
        m_session.chooseMode(m_request.mode);
    if (m_request.sendParameters && !m_session.sendParameters(m_request.timing)) {
        end(CliStatus::ParametersRefused, false);
        return;
    }
    if (m_request.start)
        m_session.toggleRun();
    if (m_request.watchSeconds > 0)
        m_watchTimer.start(m_request.watchSeconds * 1000);
    else if (m_request.watchSeconds < 0 && !m_request.untilDone)
        end(CliStatus::Done, false); // nothing to wait for
}

void CliRun::end(CliStatus status, bool early)
{
    if (m_ended)
        return;
    m_ended = true;
    m_watchTimer.stop();
    if (early && m_request.stopOnExit && m_session.isOpen()
        && m_session.runState() == RunState::Running)
        m_session.toggleRun();
    // The last frames must reach the controller, or the run did not end as it says.
    if (!m_session.closeAfterSending(flushTimeout))
        status = CliStatus::PortLost;
    emit finished(static_cast<int>(status));
}
