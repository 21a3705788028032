#pragma once

#include <QProcess>
#include <QStringList>

// The simulated controller as a child process on a pseudo-terminal of its
// own. Tests and benchmarks start it the same way.
class Simulator
{
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Starts it with the given options; false when it did not print its port.
    bool start(const QStringList &options);
    QString port() const { return m_port; }
    // Ends it (SIGTERM, then kill) and returns what it reported on stderr.
    QString stop();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_port;
};
