#pragma once

#include <QString>

// The controller's end of a pseudo-terminal. The slave end is kept open as
// well, so the master never sees a hang-up while no host has the port open.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates the pair and puts the slave in raw mode; on failure *error says why.
    bool open(QString *error);
    void close();

    int masterFd() const { return master; }
    QString slavePath() const { return path; }

    // Writes without blocking; bytes a full line cannot take are dropped.
    void write(const QByteArray &bytes);

private:
    int master = -1;
    int slave = -1;
    QString path;
};
