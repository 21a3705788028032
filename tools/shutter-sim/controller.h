#pragma once

#include "protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

// The shutter controller's behaviour: modes, start and stop, parameters, and
// the status frames it reports.
class Controller : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        double triggerRate = 1.0; // external triggers per second
        int idleInterval = 500; // ms without any status frame before a 0x46
        bool expectAcks = true; // the host acknowledges 0x41 and 0x42
        bool verbose = false;
    };

    explicit Controller(const Settings &settings, QObject *parent = nullptr);

    // A whole command frame from the host.
    void handleCommand(const QByteArray &frame);
    void handleAcknowledgement();

signals:
    void statusReady(const QByteArray &frame);

private:
    enum class Mode { None, Manual, Automatic, TriggerSync, TriggerAsync };

    void setMode(quint8 argument);
    void manual(quint8 argument);
    void automatic(quint8 argument);
    void setParameters(const QByteArray &frame);
    void periodElapsed();
    void triggerArrived();
    void stopRunning();
    void report(Protocol::StatusCode code, quint16 count);
    void checkAcknowledgements();

    Settings m_settings;
    Mode m_mode = Mode::None;
    Protocol::Timing m_timing;
    int m_count = 0; // shutter periods or triggers so far
    int m_remaining = 0; // cycles left in automatic mode

    QTimer m_periodTimer;
    QTimer m_triggerTimer;
    QTimer m_idleTimer;
    QTimer m_ackTimer;

    struct PendingAck
    {
        quint8 code;
        qint64 deadline;
    };
    QList<PendingAck> m_pendingAcks;
    QElapsedTimer m_clock;
};
