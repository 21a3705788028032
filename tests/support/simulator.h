#pragma once

#include <QProcess>

// The simulated controller, a child process on a pseudo-terminal of its own, ended with the
// object. start() is false when it did not print its port; stop() returns its stderr.
class Simulator
{
public:
    ~Simulator() { stop(); }
    bool start(const QStringList &options)
    {
        m_process.start(QStringLiteral(SHUTTER_SIM), options);
        while (m_process.waitForStarted(patience) && !m_process.canReadLine()
               && m_process.waitForReadyRead(patience)) { }
        m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_port.isEmpty();
    }
    QString port() const { return m_port; }
    QString stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(patience))
            m_process.kill();
        m_process.waitForFinished(patience);
        return QString::fromLocal8Bit(m_process.readAllStandardError());
    }
    QProcess &process() { return m_process; }

private:
    static constexpr int patience = 5000; // ms
    QProcess m_process;
    QString m_port;
};
