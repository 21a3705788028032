#include "support.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    termios raw{}; // until the program sets the line up itself
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, nullptr, &raw, nullptr) != 0)
        return;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(ttyname(m_slave));
}

PtyPair::~PtyPair()
{
    closeMaster();
    ::close(m_slave);
}

bool PtyPair::write(const QByteArray &bytes)
{
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray PtyPair::drain(int ms)
{
    QByteArray bytes;
    for (const QDeadlineTimer deadline(ms); !deadline.hasExpired() && m_master >= 0;) {
        QCoreApplication::processEvents();
        pollfd fd{ m_master, POLLIN, 0 };
        ::poll(&fd, 1, 5);
        char buffer[512];
        for (ssize_t n; (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, int(n));
    }
    return bytes;
}

bool PtyPair::waitUntilTaken(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (int pending = 0; ::ioctl(m_slave, FIONREAD, &pending) == 0 && pending > 0;) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void PtyPair::closeMaster()
{
    ::close(std::exchange(m_master, -1));
}
