#include "simulator.h"

namespace {
constexpr int patience = 5000; // ms
}

bool Simulator::start(const QStringList &options)
{
    m_process.start(QStringLiteral(SHUTTER_SIM), options);
    while (m_process.waitForStarted(patience) && !m_process.canReadLine()
           && m_process.waitForReadyRead(patience)) { }
    m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_port.isEmpty();
}

QString Simulator::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(patience))
        m_process.kill();
    m_process.waitForFinished(patience);
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}
