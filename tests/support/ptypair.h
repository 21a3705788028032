#pragma once

#include <QString>

#include <climits>

// A pseudo-terminal standing in for the controller: the program opens the slave path,
// the test uses the master side (masterFd for a peer on a thread of its own). read() waits
// for count bytes, waitUntilTaken() for the program to take in all that was written, both
// running the event loop meanwhile; closeMaster() is the controller disappearing.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    Q_DISABLE_COPY(PtyPair)

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_path; }
    int masterFd() const { return m_master; }
    bool write(const QByteArray &bytes);
    QByteArray read(int count, int timeoutMs = 2000);
    QByteArray drain(int ms = 100) { return read(INT_MAX, ms); }
    bool waitUntilTaken(int timeoutMs = 2000);
    void closeMaster();

private:
    int m_master = -1, m_slave = -1;
    QString m_path;
};
