#pragma once

#include "protocol/protocol.h"

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

    void handleCommand(quint8 code, const QByteArray &arguments);
    void handleAcknowledgement();

signals:
    void statusReady(const QByteArray &frame);

private:
    enum class Mode { None, Manual, Automatic, TriggerSync, TriggerAsync };

    void setMode(quint8 argument);
    void manual(quint8 argument);
    void automatic(quint8 argument);
    void setParameters(const QByteArray &arguments);
    void periodElapsed();
    void triggerArrived();
    void stopRunning();
    void report(StatusCode code, quint16 count);
    void checkAcknowledgements();

    Settings settings;
    Mode mode = Mode::None;
    int openTime = 2; // 100 ms units
    int closeTime = 2;
    int cycles = 10;
    int count = 0; // shutter periods or triggers so far
    int remaining = 0; // cycles left in automatic mode

    QTimer periodTimer;
    QTimer triggerTimer;
    QTimer idleTimer;
    QTimer ackTimer;

    struct PendingAck
    {
        quint8 code;
        qint64 deadline;
    };
    QList<PendingAck> pendingAcks;
    QElapsedTimer clock;
};
