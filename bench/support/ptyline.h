#pragma once

#include <QString>

class Kavrin;

// A pseudo-terminal standing in for the controller's serial line: the window
// opens the slave path, the benchmark writes and reads the master.
class PtyLine
{
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    bool isValid() const { return master >= 0; }
    int masterFd() const { return master; }
    QString slavePath() const { return path; }

private:
    int master = -1;
    int slave = -1; // kept open so the master never sees a hang-up between opens
    QString path;
};

// Puts path into the port selector and lets the window open it, as an
// operator's choice would; true when the port is open afterwards.
bool openWindowPort(Kavrin &window, const QString &path);
