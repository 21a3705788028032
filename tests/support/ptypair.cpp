#include "support.h"

#include <poll.h>

QByteArray PtyPair::drain(int ms)
{
    QByteArray bytes;
    for (const QDeadlineTimer deadline(ms); !deadline.hasExpired() && masterFd() >= 0;) {
        QCoreApplication::processEvents();
        pollfd fd{ masterFd(), POLLIN, 0 };
        ::poll(&fd, 1, 5);
        bytes += readAvailable();
    }
    return bytes;
}

bool PtyPair::waitUntilTaken(int timeoutMs)
{
    for (const QDeadlineTimer deadline(timeoutMs); unreadByProgram() > 0;) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}
