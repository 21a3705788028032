#include "simulator.h"

namespace {
constexpr int startTimeout = 5000; // ms
}

Simulator::Simulator() = default;

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(const QStringList &options)
{
    m_process.start(QStringLiteral(SHUTTER_SIM), options);
    if (!m_process.waitForStarted(startTimeout))
        return false;
    while (!m_process.canReadLine() && m_process.waitForReadyRead(startTimeout)) {
    }
    m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_port.isEmpty();
}

QString Simulator::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(startTimeout))
            m_process.kill();
        m_process.waitForFinished(startTimeout);
    }
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}
