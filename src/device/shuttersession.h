#pragma once

#include "protocol.h"
#include "replyreader.h"

#include <QObject>
#include <QTimer>

#include <chrono>

class QSerialPort;

enum class ShutterMode { None, Manual, Automatic, TriggerSync, TriggerAsync };
enum class RunState { Idle, Running };
enum class CountKind { Trigger, Cycle };

// One connection to the shutter controller: owns the serial port, the reply
// reader, the watchdog and the first-reply check, and keeps the run state and
// the last manual or automatic mode, whose start and stop frames a run uses. Operator actions come
// in as calls and go out as frames; what the controller and the port do comes out as signals.
// Widget-free, so the window and the command-line tool drive the same session.
class ShutterSession : public QObject
{
    Q_OBJECT

public:
    enum class OpenResult { Opened, Busy, Refused };

    // The controller sends a status frame at least every few seconds: the
    // watchdog ticks once a period and closes the port at the seventh tick
    // in a row without one, six to seven periods after the last (the sixth on
    // the connection after a silence trip).
    static constexpr std::chrono::milliseconds defaultWatchdogPeriod{ 1000 };

    explicit ShutterSession(QObject *parent = nullptr,
                            std::chrono::milliseconds watchdogPeriod = defaultWatchdogPeriod);
    ~ShutterSession() override;

    // Busy check, line settings, open. Busy and refused opens are logged and
    // change nothing; an open port stays open when another one is refused.
    OpenResult open(const QString &portName);
    // Drops what is buffered both ways and closes; nothing when not open.
    void close();
    bool isOpen() const;
    // Like close(), but first lets the frames written so far leave (at most
    // timeoutMs), and drops only unread input: for a caller that ends right after.
    // False when frames were left unsent: the controller may not have them.
    bool closeAfterSending(int timeoutMs);

    // Sends the mode's frame; a newly chosen mode is idle. The trigger
    // modes leave the start and stop frames of the last manual or
    // automatic mode as they were.
    void chooseMode(ShutterMode mode);
    // Idle: sends the mode's start frame; running: its stop frame.
    void toggleRun();
    void switchAutoOff();
    // Sends the parameter frame when the port is open; false when it is not,
    // or the port did not take the whole frame (parametersRefused then).
    bool sendParameters(const Protocol::Timing &timing);

    RunState runState() const { return m_runState; }

    // What the session logs when the first reply is not the controller's,
    // for a front end that shows it too.
    static QString wrongDeviceText();

signals:
    void opened();
    // The connection's first reply came from the controller.
    void deviceConfirmed();
    void closed();
    void runStateChanged(RunState state);
    // Every count the controller reports, in order, as it arrives.
    void countReported(CountKind kind, int count);
    void frameWritten(const QByteArray &frame);
    void parametersSent();
    void parametersRefused(const QString &reason);
    // Emitted from the event loop, never from inside the port's own signals.
    // A wrong device or silence closes the port at once; a lost port is closed
    // just before portLost, since Qt still uses its read buffer after an error.
    void wrongDevice();
    void deviceSilent();
    void portLost(const QString &reason);

private:
    enum class Failure { WrongDevice, Silence, PortLoss };

    qint64 write(const QByteArray &frame);
    void setRunState(RunState state);
    void readReplies();
    void handleReply(const QByteArray &frame);
    void lineWentQuiet();
    void watchdogTick();
    void handlePortError(int error);
    void reportPortLoss(const QString &reason);
    // Emits the failure's signal once control is back in the event loop.
    void queueFailure(Failure failure, const QString &reason = QString());

    QSerialPort *m_port;
    Protocol::ReplyReader m_reader;
    QTimer *m_watchdogTimer;
    QTimer m_quietTimer; // the line's silence while the reader cannot judge what it holds
    int m_silentTicks = 0; // watchdog ticks since the last status frame
    bool m_firstReplyPending = true;
    bool m_closing = false; // closing raises port errors of its own
    bool m_keepOutput = false; // close without dropping frames not yet sent
    ShutterMode m_startableMode = ShutterMode::None; // whose start/stop frames the run uses
    RunState m_runState = RunState::Idle;
};
