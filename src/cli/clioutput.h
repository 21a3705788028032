#pragma once

#include <QByteArray>
#include <QObject>

class QDeadlineTimer;
class QSocketNotifier;

// Standard output or error that never blocks the event loop: on a pipe, what
// the reader has not taken yet waits here, so the port, the watchdog and the
// signals keep working whatever the reader does. A reader that has gone, or
// that has left too much untaken, ends the output: closed() is emitted once,
// from the event loop, and later lines are dropped.
class CliOutput : public QObject
{
    Q_OBJECT

public:
    explicit CliOutput(int fd, QObject *parent = nullptr);
    // Puts back the descriptor's blocking mode, which other programs share.
    ~CliOutput() override;

    void write(const QByteArray &bytes);
    // Waits until everything waiting is written, or the deadline.
    void flush(QDeadlineTimer deadline);

signals:
    void closed();

private:
    void writeWaiting();
    void end();

    int m_fd;
    int m_savedFlags = -1; // -1: left blocking (a file or a terminal)
    QByteArray m_waiting;
    QSocketNotifier *m_writable = nullptr;
    bool m_ended = false;
};
