// The window's side of the control endpoint: a script's request is carried
// out as the operator's action would be, with the same widgets, log lines and
// boxes, and refused where the window would not let the operator do it.
#include "controlserver.h"
#include "mainwindow.h"
#include "portbusy.h"
#include "portscan.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QJsonArray>
#include <QSerialPort>
#include <QSignalBlocker>

using Kind = ControlRequest::Kind;

void MainWindow::serveControl()
{
    m_control = new ControlServer(this);
    QString error;
    if (!m_control->listen(controlEndpointName(), &error)) {
        qWarning().noquote()
            << QStringLiteral("控制端口无法启动：%1 (%2)").arg(controlEndpointName(), error);
        return;
    }
    connect(m_control, &ControlServer::clientConnected, this, [] { qDebug() << "控制端已连接"; });
    connect(m_control, &ControlServer::clientDisconnected, this,
            [] { qDebug() << "控制端已断开"; });
    connect(m_control, &ControlServer::requestReceived, this, &MainWindow::handleControlRequest);
    wireControlEvents();
}

void MainWindow::wireControlEvents()
{
    const auto push = [this](const QString &event, const QJsonObject &fields = {}) {
        m_control->broadcast(eventLine(event, fields));
    };
    connect(&m_session, &ShutterSession::opened, this, [this, push] {
        push(QStringLiteral("opened"), { { "port", m_ui->portCombo->currentText() } });
    });
    connect(&m_session, &ShutterSession::closed, this, [push] { push(QStringLiteral("closed")); });
    connect(&m_session, &ShutterSession::frameWritten, this, [push](const QByteArray &frame) {
        push(QStringLiteral("sent"),
             { { "frame", QString::fromLatin1(frame.toHex(' ').toUpper()) } });
    });
    connect(&m_session, &ShutterSession::countReported, this,
            [this, push](CountKind kind, int count) {
                const bool cycles = kind == CountKind::Cycle;
                (cycles ? m_lastCycleCount : m_lastTriggerCount) = count;
                push(QStringLiteral("count"),
                     { { "kind", cycles ? "cycle" : "trigger" }, { "count", count } });
                if (cycles && count == 0)
                    push(QStringLiteral("finished"));
            });
    connect(&m_session, &ShutterSession::runStateChanged, this, [push](RunState state) {
        push(QStringLiteral("run"),
             { { "state", state == RunState::Running ? "running" : "idle" } });
    });
    connect(&m_session, &ShutterSession::wrongDevice, this,
            [push] { push(QStringLiteral("wrongDevice")); });
    connect(&m_session, &ShutterSession::deviceSilent, this,
            [push] { push(QStringLiteral("silent")); });
    connect(&m_session, &ShutterSession::portLost, this, [push](const QString &reason) {
        push(QStringLiteral("portLost"), { { "reason", reason } });
    });
}

void MainWindow::handleControlRequest(const ControlRequest &request)
{
    const auto ok = [this](const QJsonObject &fields = {}) { m_control->reply(okReply(fields)); };
    const auto refuse = [this](ControlError code, const QString &message) {
        m_control->reply(errorReply(code, message));
    };
    const bool needsPort = request.kind == Kind::Mode || request.kind == Kind::Params
        || request.kind == Kind::Scheme || request.kind == Kind::Start
        || request.kind == Kind::AutoOff;
    if (needsPort && !m_session.isOpen()) {
        refuse(ControlError::PortUnavailable, portClosedText());
        return;
    }
    switch (request.kind) {
    case Kind::Ports: {
        const QSerialPort own;
        QJsonArray ports;
        for (const QString &name : availablePortNames())
            ports.append(QJsonObject{ { "name", name }, { "busy", isPortBusy(own, name) } });
        ok({ { "ports", ports } });
        return;
    }
    case Kind::Open:
        // As a choice in the drop-down: it shows the port, and the session opens it.
        m_ui->portCombo->clear();
        m_ui->portCombo->addItem(request.port);
        if (m_session.open(request.port) == ShutterSession::OpenResult::Opened)
            ok();
        else
            refuse(ControlError::PortUnavailable,
                   QStringLiteral("cannot open %1").arg(request.port));
        return;
    case Kind::Close:
        m_session.close();
        ok();
        return;
    case Kind::Mode:
        selectMode(request.mode);
        ok();
        return;
    case Kind::Params:
        m_ui->openSpin->setValue(request.timing.openTime);
        m_ui->closeSpin->setValue(request.timing.closeTime);
        m_ui->cycleSpin->setValue(request.timing.cycles);
        if (sendParameters())
            ok();
        else
            refuse(ControlError::ParametersRefused,
                   QStringLiteral("the port did not take the frame"));
        return;
    case Kind::Scheme:
        if (!m_schemeStore.contains(request.scheme))
            refuse(ControlError::Usage, QStringLiteral("no scheme \"%1\"").arg(request.scheme));
        else if (applyScheme(request.scheme))
            ok();
        else
            refuse(ControlError::ParametersRefused,
                   QStringLiteral("the port did not take the frame"));
        return;
    case Kind::Start:
        if (!m_ui->startButton->isEnabled() || m_session.runState() == RunState::Running) {
            refuse(ControlError::Usage,
                   QStringLiteral("nothing to start: choose manual or auto mode, "
                                  "and stop a run first"));
            return;
        }
        m_session.toggleRun();
        ok();
        return;
    case Kind::Stop:
        if (m_session.runState() == RunState::Running)
            m_session.toggleRun();
        ok();
        return;
    case Kind::AutoOff:
        if (!m_ui->autoOffButton->isEnabled()) {
            refuse(ControlError::Usage, QStringLiteral("automatic mode off needs auto mode"));
            return;
        }
        m_session.switchAutoOff();
        m_ui->countDisplay->clearCount();
        ok();
        return;
    case Kind::State:
        ok({ { "state", controlState() } });
        return;
    }
}

// As the operator would: a radio, or in the trigger modes the selector.
void MainWindow::selectMode(ShutterMode mode)
{
    const bool trigger = mode == ShutterMode::TriggerSync || mode == ShutterMode::TriggerAsync;
    if (trigger) {
        const int selector = mode == ShutterMode::TriggerAsync ? 1 : 0;
        if (m_ui->triggerRadio->isChecked()) {
            m_ui->triggerSpin->setValue(selector); // sends the frame if it changes
            return;
        }
        const QSignalBlocker quiet(m_ui->triggerSpin); // the radio sends it
        m_ui->triggerSpin->setValue(selector);
    }
    QRadioButton *radio = mode == ShutterMode::Manual ? m_ui->manualRadio
        : mode == ShutterMode::Automatic              ? m_ui->autoRadio
                                                      : m_ui->triggerRadio;
    radio->setChecked(true); // a radio checked already sends nothing, as for the operator
}

QJsonObject MainWindow::controlState() const
{
    const Ui::MainWindowForm &ui = *m_ui;
    ShutterMode mode = ShutterMode::None;
    if (ui.manualRadio->isChecked())
        mode = ShutterMode::Manual;
    else if (ui.autoRadio->isChecked())
        mode = ShutterMode::Automatic;
    else if (ui.triggerRadio->isChecked())
        mode = ui.triggerSpin->value() == 0 ? ShutterMode::TriggerSync : ShutterMode::TriggerAsync;
    const auto count = [](int value) { return value < 0 ? QJsonValue() : QJsonValue(value); };
    return { { "port", m_session.isOpen() ? ui.portCombo->currentText() : QString() },
             { "open", m_session.isOpen() },
             { "mode", modeName(mode) },
             { "run", m_session.runState() == RunState::Running ? "running" : "idle" },
             { "counts",
               QJsonObject{ { "trigger", count(m_lastTriggerCount) },
                            { "cycle", count(m_lastCycleCount) } } },
             { "params",
               QJsonObject{ { "open", ui.openSpin->value() },
                            { "close", ui.closeSpin->value() },
                            { "cycles", ui.cycleSpin->value() } } } };
}
