#pragma once

#include <QElapsedTimer>
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

    // Stops the line as a flow-control stop would: the host's writes wait.
    void stopHostOutput();

    // Writes without blocking; bytes a full line cannot take are dropped.
    void write(const QByteArray &bytes);

    // Whether a host seems to have the port open, judged by what is left
    // unread: a host takes what is written within moments, so bytes lying
    // unread for a second mean nobody has. Call it regularly; no host at first.
    bool hostPresent();

private:
    int master = -1;
    int slave = -1;
    QString path;
    int discards = 0; // backlogs thrown away by write()
    int discardsSeen = 0;
    int lastUnread = 0;
    bool host = false;
    QElapsedTimer lying; // since when bytes have been waiting unread
};
