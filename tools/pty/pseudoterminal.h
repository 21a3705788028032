#pragma once

#include <QByteArray>
#include <QString>

// The controller's end of a pseudo-terminal; the program under test opens
// slavePath() as its serial port. The slave end is kept open here as well,
// so the master never sees a hang-up while no program has the port open.
// The slave starts in raw mode, frames holding 0x0A, 0x0D and control bytes
// that must pass unchanged; everything else is left for the program to set.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates the pair; on failure *error says why.
    bool open(QString *error = nullptr);
    void close();
    // The controller disappearing: the program's port fails.
    void closeMaster();

    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }

    // Writes without blocking; false when the line did not take it all.
    bool write(const QByteArray &bytes);
    // What the program has written and the master not read yet.
    QByteArray readAvailable();
    // Bytes written to the program and not read by it yet.
    int unreadByProgram() const;
    // Stops the line as a flow-control stop would: the program's writes wait.
    void stopProgramOutput();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
