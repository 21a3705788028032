#include "controller.h"

#include "statusframe.h"

#include <cstdio>

using namespace Protocol;

namespace {

constexpr int ackTimeout = 1000; // ms
constexpr int timeUnit = 100; // ms

} // namespace

Controller::Controller(const Settings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    m_clock.start();
    connect(&m_periodTimer, &QTimer::timeout, this, &Controller::periodElapsed);
    connect(&m_triggerTimer, &QTimer::timeout, this, &Controller::triggerArrived);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] { report(StatusCode::Idle, 0); });
    connect(&m_ackTimer, &QTimer::timeout, this, &Controller::checkAcknowledgements);

    const double rate = settings.triggerRate > 0 ? settings.triggerRate : 1.0;
    m_triggerTimer.setInterval(qMax(1, static_cast<int>(1000.0 / rate)));
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(qMax(1, settings.idleInterval));
    m_idleTimer.start();
    m_ackTimer.start(ackTimeout / 4);
}

void Controller::handleCommand(const QByteArray &frame)
{
    const auto code = static_cast<quint8>(frame.at(Frame::codeOffset));
    const auto argument = static_cast<quint8>(frame.at(Frame::argumentOffset));
    if (m_settings.verbose)
        fprintf(stderr, "shutter-sim: command %02X %s\n", code,
                frame.mid(Frame::argumentOffset, Frame::argumentSize).toHex(' ').constData());
    switch (static_cast<CommandCode>(code)) {
    case CommandCode::Parameters:
        setParameters(frame);
        break;
    case CommandCode::SelectMode:
        setMode(argument);
        break;
    case CommandCode::Manual:
        manual(argument);
        break;
    case CommandCode::Automatic:
        automatic(argument);
        break;
    default:
        fprintf(stderr, "shutter-sim: unknown command %02X ignored\n", code);
    }
}

void Controller::handleAcknowledgement()
{
    if (!m_pendingAcks.isEmpty())
        m_pendingAcks.removeFirst();
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
    m_mode = modes[argument];
    m_count = 0;
    m_remaining = 0;
    if (m_mode == Mode::TriggerSync || m_mode == Mode::TriggerAsync)
        m_triggerTimer.start();
    report(StatusCode::ModeTaken, 0);
}

void Controller::manual(quint8 argument)
{
    if (m_mode != Mode::Manual) {
        fprintf(stderr, "shutter-sim: manual start/stop outside manual mode ignored\n");
        return;
    }
    m_periodTimer.stop();
    if (argument == quint8(ManualArgument::Start)) {
        m_count = 0;
        m_periodTimer.start((m_timing.openTime + m_timing.closeTime) * timeUnit);
    }
}

void Controller::automatic(quint8 argument)
{
    if (m_mode != Mode::Automatic) {
        fprintf(stderr, "shutter-sim: automatic command outside automatic mode ignored\n");
        return;
    }
    m_periodTimer.stop();
    if (argument == quint8(AutomaticArgument::Start)) {
        // A stopped run resumes; a finished or switched-off one starts over.
        if (m_remaining <= 0)
            m_remaining = m_timing.cycles;
        m_periodTimer.start((m_timing.openTime + m_timing.closeTime) * timeUnit);
    } else if (argument == quint8(AutomaticArgument::Off)) {
        m_remaining = 0;
    }
}

void Controller::setParameters(const QByteArray &frame)
{
    // A zero time would make the period timer spin.
    m_timing.openTime = qMax<int>(timingMinimum, readWord(frame, Frame::argumentOffset));
    m_timing.closeTime = qMax<int>(timingMinimum, readWord(frame, Frame::argumentOffset + 2));
    m_timing.cycles = readWord(frame, Frame::argumentOffset + 4);
    if (m_settings.verbose)
        fprintf(stderr, "shutter-sim: open %d, close %d (x100 ms), %d cycles\n", m_timing.openTime,
                m_timing.closeTime, m_timing.cycles);
    report(StatusCode::ParametersTaken, 0);
}

void Controller::periodElapsed()
{
    if (m_mode == Mode::Manual) {
        m_count = qMin(m_count + 1, 0xFFFF);
        report(StatusCode::TriggerCount, static_cast<quint16>(m_count));
        return;
    }
    m_remaining = qMax(0, m_remaining - 1);
    report(StatusCode::CycleCount, static_cast<quint16>(m_remaining));
    if (m_remaining == 0)
        m_periodTimer.stop();
}

void Controller::triggerArrived()
{
    m_count = (m_count + 1) & 0xFFFF;
    report(StatusCode::ExternalTriggerCount, static_cast<quint16>(m_count));
}

void Controller::stopRunning()
{
    m_periodTimer.stop();
    m_triggerTimer.stop();
}

void Controller::report(StatusCode code, quint16 count)
{
    // Idle frames are acknowledged too, but go unanswered while no host has the
    // port open; only the answers to commands are worth a complaint.
    if (m_settings.expectAcks
        && (code == StatusCode::ParametersTaken || code == StatusCode::ModeTaken))
        m_pendingAcks.append({ quint8(code), m_clock.elapsed() + ackTimeout });
    emit statusReady(statusFrame(code, count));
    m_idleTimer.start();
}

void Controller::checkAcknowledgements()
{
    const qint64 now = m_clock.elapsed();
    while (!m_pendingAcks.isEmpty() && m_pendingAcks.first().deadline <= now)
        fprintf(stderr, "shutter-sim: no acknowledgement for status %02X\n",
                m_pendingAcks.takeFirst().code);
}
