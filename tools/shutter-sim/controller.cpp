#include "controller.h"

#include "protocol/statusframe.h"

#include <cstdio>

namespace {

constexpr int ackTimeout = 1000; // ms

quint16 bigEndian(const QByteArray &bytes, int offset)
{
    return static_cast<quint16>((static_cast<quint8>(bytes.at(offset)) << 8)
                                | static_cast<quint8>(bytes.at(offset + 1)));
}

} // namespace

Controller::Controller(const Settings &settings, QObject *parent)
    : QObject(parent), settings(settings)
{
    clock.start();
    connect(&periodTimer, &QTimer::timeout, this, &Controller::periodElapsed);
    connect(&triggerTimer, &QTimer::timeout, this, &Controller::triggerArrived);
    connect(&idleTimer, &QTimer::timeout, this, [this] { report(StatusCode::Idle, 0); });
    connect(&ackTimer, &QTimer::timeout, this, &Controller::checkAcknowledgements);

    const double rate = settings.triggerRate > 0 ? settings.triggerRate : 1.0;
    triggerTimer.setInterval(qMax(1, static_cast<int>(1000.0 / rate)));
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(qMax(1, settings.idleInterval));
    idleTimer.start();
    ackTimer.start(ackTimeout / 4);
}

void Controller::handleCommand(quint8 code, const QByteArray &arguments)
{
    if (settings.verbose)
        fprintf(stderr, "shutter-sim: command %02X %s\n", code, arguments.toHex(' ').constData());
    switch (static_cast<CommandCode>(code)) {
    case CommandCode::Parameters:
        setParameters(arguments);
        break;
    case CommandCode::SelectMode:
        setMode(static_cast<quint8>(arguments.at(0)));
        break;
    case CommandCode::Manual:
        manual(static_cast<quint8>(arguments.at(0)));
        break;
    case CommandCode::Automatic:
        automatic(static_cast<quint8>(arguments.at(0)));
        break;
    default:
        fprintf(stderr, "shutter-sim: unknown command %02X ignored\n", code);
    }
}

void Controller::handleAcknowledgement()
{
    if (!pendingAcks.isEmpty())
        pendingAcks.removeFirst();
}

void Controller::setMode(quint8 argument)
{
    static const Mode modes[]
        = { Mode::None, Mode::Manual, Mode::Automatic, Mode::TriggerSync, Mode::TriggerAsync };
    if (argument < quint8(ModeArgument::Manual) || argument > quint8(ModeArgument::TriggerAsync)) {
        fprintf(stderr, "shutter-sim: unknown mode %02X ignored\n", argument);
        return;
    }
    stopRunning();
    mode = modes[argument];
    count = 0;
    remaining = 0;
    if (mode == Mode::TriggerSync || mode == Mode::TriggerAsync)
        triggerTimer.start();
    report(StatusCode::ModeTaken, 0);
}

void Controller::manual(quint8 argument)
{
    if (mode != Mode::Manual) {
        fprintf(stderr, "shutter-sim: manual start/stop outside manual mode ignored\n");
        return;
    }
    periodTimer.stop();
    if (argument == quint8(ManualArgument::Start)) {
        count = 0;
        periodTimer.start((openTime + closeTime) * 100);
    }
}

void Controller::automatic(quint8 argument)
{
    if (mode != Mode::Automatic) {
        fprintf(stderr, "shutter-sim: automatic command outside automatic mode ignored\n");
        return;
    }
    periodTimer.stop();
    if (argument == quint8(AutomaticArgument::Start)) {
        // A stopped run resumes; a finished or switched-off one starts over.
        if (remaining <= 0)
            remaining = cycles;
        periodTimer.start((openTime + closeTime) * 100);
    } else if (argument == quint8(AutomaticArgument::Off)) {
        remaining = 0;
    }
}

void Controller::setParameters(const QByteArray &arguments)
{
    // The host allows 1 to 1000; a zero time would make the period timer spin.
    openTime = qMax<int>(1, bigEndian(arguments, 0));
    closeTime = qMax<int>(1, bigEndian(arguments, 2));
    cycles = bigEndian(arguments, 4);
    if (settings.verbose)
        fprintf(stderr, "shutter-sim: open %d, close %d (x100 ms), %d cycles\n", openTime,
                closeTime, cycles);
    report(StatusCode::ParametersTaken, 0);
}

void Controller::periodElapsed()
{
    if (mode == Mode::Manual) {
        count = qMin(count + 1, 0xFFFF);
        report(StatusCode::TriggerCount, static_cast<quint16>(count));
        return;
    }
    remaining = qMax(0, remaining - 1);
    report(StatusCode::CycleCount, static_cast<quint16>(remaining));
    if (remaining == 0)
        periodTimer.stop();
}

void Controller::triggerArrived()
{
    count = (count + 1) & 0xFFFF;
    report(StatusCode::ExternalTriggerCount, static_cast<quint16>(count));
}

void Controller::stopRunning()
{
    periodTimer.stop();
    triggerTimer.stop();
}

void Controller::report(StatusCode code, quint16 count)
{
    // Idle frames are acknowledged too, but go unanswered while no host has the
    // port open; only the answers to commands are worth a complaint.
    if (settings.expectAcks
        && (code == StatusCode::ParametersTaken || code == StatusCode::ModeTaken))
        pendingAcks.append({ quint8(code), clock.elapsed() + ackTimeout });
    emit statusReady(statusFrame(code, count));
    idleTimer.start();
}

void Controller::checkAcknowledgements()
{
    const qint64 now = clock.elapsed();
    while (!pendingAcks.isEmpty() && pendingAcks.first().deadline <= now)
        fprintf(stderr, "shutter-sim: no acknowledgement for status %02X\n",
                pendingAcks.takeFirst().code);
}
