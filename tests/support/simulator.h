#pragma once

#include <QProcess>

// The simulated controller as a child process on a pseudo-terminal of its
// own, started the same way by tests and benchmarks; ended with the object.
class Simulator
{
public:
    ~Simulator() { stop(); }
    // False when it did not start or print its port.
    bool start(const QStringList &options);
    QString port() const { return m_port; }
    // Ends it and returns what it reported on stderr.
    QString stop();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_port;
};
