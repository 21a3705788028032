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

    bool isValid() const { return master >= 0; }
    QString slavePath() const { return path; }
    // For a peer that writes from a thread of its own (benchmarks).
    int masterFd() const { return master; }

    bool write(const QByteArray &bytes);
    // Reads until count bytes came or timeoutMs passed, running the event loop
    // meanwhile so the program's port can flush what it wrote.
    QByteArray read(int count, int timeoutMs = 2000);
    // Whatever arrives while the event loop runs for ms milliseconds.
    QByteArray drain(int ms = 100) { return read(INT_MAX, ms); }
    // Runs the event loop until the program's port has taken in everything
    // written to it; false on timeout.
    bool waitUntilTaken(int timeoutMs = 2000);
    // The controller disappears: the slave side sees a hang-up.
    void closeMaster();

private:
    QByteArray readAvailable();

    int master = -1;
    int slave = -1;
    QString path;
};
