#include "cliwindowrun.h"

#include "controlmessage.h"
#include "controlserver.h"

#include <QJsonDocument>

#include <cstdio>

namespace {
constexpr int connectTimeout = 1000; // ms
constexpr int flushTimeout = 1000; // ms
} // namespace

CliWindowRun::CliWindowRun(const CliRequest &request, CliOutput *output, QObject *parent)
    : QObject(parent), m_request(request), m_report(output, request.json)
{
    m_watchTimer.setSingleShot(true);
    connect(&m_watchTimer, &QTimer::timeout, this, [this] {
        end(m_request.untilDone ? CliStatus::NotFinishedInTime : CliStatus::Done, true);
    });
    connect(&m_socket, &QLocalSocket::readyRead, this, &CliWindowRun::readLines);
    connect(&m_socket, &QLocalSocket::disconnected, this,
            [this] { end(CliStatus::PortLost, false); });
}

void CliWindowRun::start()
{
    m_socket.connectToServer(controlEndpointName());
    if (!m_socket.waitForConnected(connectTimeout)) {
        std::fprintf(stderr, "kavrin-cli: no Kavrin window listens at %s\n",
                     qPrintable(controlEndpointName()));
        end(CliStatus::PortUnavailable, false);
        return;
    }
    // The port first (unless the window has it open already), then what was asked.
    m_steps << QJsonObject{ { "request", "state" } };
    if (m_request.mode != ShutterMode::None)
        m_steps << QJsonObject{ { "request", "mode" }, { "mode", modeName(m_request.mode) } };
    if (m_request.sendParameters)
        m_steps << QJsonObject{ { "request", "params" },
                                { "open", m_request.timing.openTime },
                                { "close", m_request.timing.closeTime },
                                { "cycles", m_request.timing.cycles } };
    if (m_request.start)
        m_steps << QJsonObject{ { "request", "start" } };
    sendNext();
}

void CliWindowRun::sendNext()
{
    if (m_steps.isEmpty()) {
        watch();
        return;
    }
    m_socket.write(QJsonDocument(m_steps.takeFirst()).toJson(QJsonDocument::Compact) + '\n');
}

void CliWindowRun::readLines()
{
    while (!m_ended && m_socket.canReadLine()) {
        const QJsonObject line = QJsonDocument::fromJson(m_socket.readLine()).object();
        if (line.contains(QLatin1String("reply")))
            handleReply(line);
        else
            handleEvent(line);
    }
}

void CliWindowRun::handleReply(const QJsonObject &reply)
{
    if (reply.value(QLatin1String("reply")).toString() != QLatin1String("ok")) {
        std::fprintf(stderr, "kavrin-cli: the window refused: %s\n",
                     qPrintable(reply.value(QLatin1String("message")).toString()));
        end(static_cast<CliStatus>(reply.value(QLatin1String("code")).toInt()), false);
        return;
    }
    const QJsonObject state = reply.value(QLatin1String("state")).toObject();
    if (!state.isEmpty()) {
        m_running = state.value(QLatin1String("run")).toString() == QLatin1String("running");
        if (!state.value(QLatin1String("open")).toBool()
            || state.value(QLatin1String("port")).toString() != m_request.port)
            m_steps.prepend(QJsonObject{ { "request", "open" }, { "port", m_request.port } });
    }
    sendNext();
}

void CliWindowRun::handleEvent(const QJsonObject &event)
{
    const QString name = event.value(QLatin1String("event")).toString();
    if (name == QLatin1String("opened")) {
        m_report.write(name, { { "port", m_request.port } });
    } else if (name == QLatin1String("closed")) {
        m_report.write(name);
    } else if (name == QLatin1String("sent")) {
        m_report.write(name, { { "frame", event.value(QLatin1String("frame")) } });
    } else if (name == QLatin1String("run")) {
        m_running = event.value(QLatin1String("state")).toString() == QLatin1String("running");
    } else if (name == QLatin1String("count")) {
        const int count = event.value(QLatin1String("count")).toInt();
        const QString kind = event.value(QLatin1String("kind")).toString();
        m_report.write(name, { { "kind", kind }, { "count", count } });
        if (kind == QLatin1String("cycle") && count == 0) {
            m_report.write(QStringLiteral("finished"));
            if (m_request.untilDone)
                end(CliStatus::Done, false);
        }
    } else if (name == QLatin1String("wrongDevice")) {
        end(CliStatus::WrongDevice, false);
    } else if (name == QLatin1String("silent")) {
        end(CliStatus::DeviceSilent, false);
    } else if (name == QLatin1String("portLost")) {
        end(CliStatus::PortLost, false);
    }
}

void CliWindowRun::watch()
{
    if (m_request.watchSeconds > 0)
        m_watchTimer.start(m_request.watchSeconds * 1000);
    else if (m_request.watchSeconds < 0 && !m_request.untilDone)
        end(CliStatus::Done, false); // nothing to wait for
}

void CliWindowRun::end(CliStatus status, bool early)
{
    if (m_ended)
        return;
    m_ended = true;
    m_watchTimer.stop();
    if (early && m_request.stopOnExit && m_running
        && m_socket.state() == QLocalSocket::ConnectedState) {
        m_socket.write(R"({"request":"stop"})"
                       "\n");
        // The stop must reach the window, or the run did not end as it says.
        if (!m_socket.waitForBytesWritten(flushTimeout) && m_socket.bytesToWrite() > 0)
            status = CliStatus::PortLost;
    }
    m_socket.disconnect(this);
    m_socket.disconnectFromServer();
    emit finished(static_cast<int>(status));
}
