#include "shuttersession.h"

#include "commandframes.h"
#include "portbusy.h"
#include "statusframe.h"

#include <QDebug>
#include <QSerialPort>

using namespace Protocol;

namespace {

// Silent ticks counted before the current one; a tick that finds more closes
// the port, so six pass and the seventh in a row without a status frame trips.
constexpr int silentTickLimit = 5;
// While seeking the first header, or holding a frame that may be short, a
// pause this long ends what was sent.
constexpr int quietGap = 150; // ms
// Output the port has not taken yet. A serial line drains this in a third
// of a second; a peer that keeps more waiting has stopped reading.
constexpr qint64 pendingOutputLimit = 4096; // bytes

const char outputStalled[] = "串口不再接收数据";

// The frame that starts or stops a run in the manual or automatic mode.
QByteArray runFrame(ShutterMode mode, bool start)
{
    if (mode == ShutterMode::Manual)
        return manualFrame(start ? ManualArgument::Start : ManualArgument::Stop);
    if (mode == ShutterMode::Automatic)
        return automaticFrame(start ? AutomaticArgument::Start : AutomaticArgument::Stop);
    return QByteArray();
}

} // namespace

ShutterSession::ShutterSession(QObject *parent, std::chrono::milliseconds watchdogPeriod)
    : QObject(parent), m_port(new QSerialPort(this)), m_watchdogTimer(new QTimer(this))
{
    m_watchdogTimer->setInterval(watchdogPeriod);
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(quietGap);
    connect(m_watchdogTimer, &QTimer::timeout, this, &ShutterSession::watchdogTick);
    connect(&m_quietTimer, &QTimer::timeout, this, &ShutterSession::lineWentQuiet);
    connect(m_port, &QSerialPort::readyRead, this, &ShutterSession::readReplies);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { handlePortError(error); });
}

ShutterSession::~ShutterSession()
{
    // A port that reports an error while it is destroyed finds nobody here.
    m_port->disconnect(this);
}

ShutterSession::OpenResult ShutterSession::open(const QString &portName)
{
    if (isPortBusy(*m_port, portName)) {
        qCritical() << "串口被占用";
        return OpenResult::Busy;
    }
    // Renaming an open port object would make it report (and later close
    // under) a name it is not connected to; its open() below is refused anyway.
    if (!m_port->isOpen()) {
        m_port->setPortName(portName);
        m_port->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
        m_port->setDataBits(QSerialPort::Data8);
        m_port->setFlowControl(QSerialPort::NoFlowControl);
        m_port->setParity(QSerialPort::NoParity);
        m_port->setStopBits(QSerialPort::OneStop);
    }
    if (!m_port->open(QIODevice::ReadWrite)) {
        qCritical() << "打开失败!";
        qCritical().noquote() << m_port->errorString();
        return OpenResult::Refused;
    }

    m_reader.clear();
    m_closing = false;
    qDebug() << "串口已打开!";
    m_firstReplyPending = true;
    m_watchdogTimer->start();
    emit opened();
    return OpenResult::Opened;
}

void ShutterSession::close()
{
    if (!m_port->isOpen()) {
        m_closing = false;
        return;
    }
    m_closing = true;
    m_port->clear(m_keepOutput ? QSerialPort::Input : QSerialPort::AllDirections);
    m_port->close();
    m_closing = false;
    m_reader.clear();
    m_quietTimer.stop();
    m_silentTicks = 0;
    m_watchdogTimer->stop();
    qDebug() << "串口:" << m_port->portName() << "已关闭！";
    emit closed();
}

bool ShutterSession::isOpen() const
{
    return m_port->isOpen();
}

QString ShutterSession::wrongDeviceText()
{
    return QStringLiteral("设备连接错误");
}

bool ShutterSession::closeAfterSending(int timeoutMs)
{
    while (m_port->isOpen() && m_port->bytesToWrite() > 0
           && m_port->waitForBytesWritten(timeoutMs)) { }
    const bool sent = !m_port->isOpen() || m_port->bytesToWrite() == 0;
    m_keepOutput = true;
    close();
    m_keepOutput = false;
    return sent;
}

void ShutterSession::chooseMode(ShutterMode mode)
{
    switch (mode) {
    case ShutterMode::Manual:
        write(modeFrame(ModeArgument::Manual));
        m_startableMode = mode;
        break;
    case ShutterMode::Automatic:
        write(modeFrame(ModeArgument::Automatic));
        m_startableMode = mode;
        break;
    case ShutterMode::TriggerSync:
        write(modeFrame(ModeArgument::TriggerSync));
        break;
    case ShutterMode::TriggerAsync:
        write(modeFrame(ModeArgument::TriggerAsync));
        break;
    case ShutterMode::None:
        return;
    }
    // A newly chosen mode starts idle; nothing stops the old one.
    setRunState(RunState::Idle);
}

void ShutterSession::toggleRun()
{
    if (m_runState == RunState::Idle) {
        write(runFrame(m_startableMode, true));
        setRunState(RunState::Running);
    } else {
        write(runFrame(m_startableMode, false));
        setRunState(RunState::Idle);
    }
}

void ShutterSession::switchAutoOff()
{
    write(automaticFrame(AutomaticArgument::Off));
    setRunState(RunState::Idle);
}

bool ShutterSession::sendParameters(const Timing &timing)
{
    if (!m_port->isOpen())
        return false;
    const QByteArray frame = parameterFrame(timing);
    const qint64 written = write(frame);
    qDebug() << QString(QStringLiteral("快门设置：") + parameterLogText(frame));
    // Success is what the port took, never merely what was asked of it.
    if (written != frame.size()) {
        const QString reason = m_port->errorString();
        qCritical().noquote() << QStringLiteral("参数发送失败：") + reason;
        emit parametersRefused(reason);
        return false;
    }
    emit parametersSent();
    return true;
}

qint64 ShutterSession::write(const QByteArray &frame)
{
    if (frame.isEmpty() || m_closing)
        return 0;
    if (m_port->bytesToWrite() + frame.size() > pendingOutputLimit) {
        reportPortLoss(QString::fromUtf8(outputStalled));
        return 0;
    }
    const qint64 written = m_port->write(frame);
    emit frameWritten(frame);
    return written;
}

void ShutterSession::setRunState(RunState state)
{
    m_runState = state;
    emit runStateChanged(state);
}

void ShutterSession::readReplies()
{
    const QByteArray chunk = m_port->readAll();
    if (chunk.isEmpty())
        return;
    const QList<QByteArray> frames = m_reader.feed(chunk);
    if (m_reader.waitsForQuiet())
        m_quietTimer.start();
    else
        m_quietTimer.stop();
    for (const QByteArray &frame : frames) {
        // A wrong device closes the port; what it sent after that is not ours.
        if (!m_port->isOpen())
            return;
        handleReply(frame);
    }
}

void ShutterSession::lineWentQuiet()
{
    for (const QByteArray &frame : m_reader.flushQuiet()) {
        if (!m_port->isOpen())
            return;
        handleReply(frame);
    }
}

void ShutterSession::handleReply(const QByteArray &frame)
{
    if (m_firstReplyPending) {
        m_firstReplyPending = false;
        if (!hasDeviceHeader(frame)) {
            close();
            qCritical().noquote() << wrongDeviceText();
            queueFailure(Failure::WrongDevice);
            return;
        }
        emit deviceConfirmed();
    }
    // Only the controller's own status frames prove it alive; a foreign frame
    // that merely starts with 0x8E does not.
    if (!frame.startsWith(statusHeader()))
        return;
    m_silentTicks = 0;

    const StatusReport report = readStatusFrame(frame);
    switch (report.kind) {
    case StatusReport::Acknowledge:
        write(acknowledgement());
        break;
    case StatusReport::TriggerCount:
        emit countReported(CountKind::Trigger, report.count);
        break;
    case StatusReport::CycleCount:
        emit countReported(CountKind::Cycle, report.count);
        // The controller finished its cycles: the shutter is idle again.
        if (report.count == 0)
            setRunState(RunState::Idle);
        break;
    case StatusReport::Unknown:
        break;
    }
}

void ShutterSession::watchdogTick()
{
    if (m_silentTicks > silentTickLimit) {
        m_silentTicks = 0;
        m_watchdogTimer->stop();
        close();
        qCritical() << "设备无响应，请检查下位机是否正常";
        queueFailure(Failure::Silence);
    }
    // Also after a trip: the next connection's watchdog starts one tick on.
    ++m_silentTicks;
}

void ShutterSession::handlePortError(int error)
{
    // Closing a port that has gone raises errors of its own: report a loss once.
    // OpenError while open is a refused second open; the connection is fine.
    if (error == QSerialPort::NoError || error == QSerialPort::OpenError || m_closing
        || !m_port->isOpen())
        return;
    reportPortLoss(m_port->errorString());
}

void ShutterSession::reportPortLoss(const QString &reason)
{
    qCritical().noquote() << QStringLiteral("串口错误：") + reason;
    // Not from inside the port's own signal: Qt still uses its read buffer
    // after emitting, and closing frees it. The flag keeps later errors quiet.
    m_closing = true;
    queueFailure(Failure::PortLoss, reason);
}

void ShutterSession::queueFailure(Failure failure, const QString &reason)
{
    QMetaObject::invokeMethod(
        this,
        [this, failure, reason] {
            switch (failure) {
            case Failure::WrongDevice:
                emit wrongDevice();
                break;
            case Failure::Silence:
                emit deviceSilent();
                break;
            case Failure::PortLoss:
                close();
                emit portLost(reason);
                break;
            }
        },
        Qt::QueuedConnection);
}
