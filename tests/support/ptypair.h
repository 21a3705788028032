#pragma once

#include <QByteArray>
#include <QString>

#include <climits>

// A pseudo-terminal standing in for the controller: the program opens the
// slave path, the test reads and writes the master side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_path; }
    int masterFd() const { return m_master; } // for a peer writing from a thread of its own
    bool write(const QByteArray &bytes);
    // Reads until count bytes came or timeoutMs passed, running the event loop
    // meanwhile so the program's port can flush what it wrote.
    QByteArray read(int count, int timeoutMs = 2000);
    QByteArray drain(int ms = 100) { return read(INT_MAX, ms); }
    // Runs the event loop until the program's port has taken in everything
    // written to it; false on timeout.
    bool waitUntilTaken(int timeoutMs = 2000);
    // The controller disappears: the slave side sees a hang-up.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
