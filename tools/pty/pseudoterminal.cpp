#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(QString *error)
{
    close();
    QString reason;
    char name[128] = {};
    termios settings{};
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        reason = systemError("posix_openpt");
    else if (grantpt(m_master) != 0 || unlockpt(m_master) != 0
             || ptsname_r(m_master, name, sizeof name) != 0)
        reason = systemError("pseudo-terminal setup");
    else if ((m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0)
        reason = systemError("open slave");
    else if (tcgetattr(m_slave, &settings) != 0)
        reason = systemError("tcgetattr");
    if (reason.isEmpty()) {
        cfmakeraw(&settings);
        if (tcsetattr(m_slave, TCSANOW, &settings) != 0)
            reason = systemError("tcsetattr");
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        close();
        return false;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::close()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(std::exchange(m_slave, -1));
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(std::exchange(m_master, -1));
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0 && m_master >= 0) {
        const ssize_t n = ::write(m_master, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return left == 0;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray bytes;
    char chunk[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0)
            bytes.append(chunk, static_cast<int>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    return bytes;
}

int PseudoTerminal::unreadByProgram() const
{
    int unread = 0;
    return m_slave >= 0 && ioctl(m_slave, FIONREAD, &unread) == 0 ? unread : 0;
}

void PseudoTerminal::stopProgramOutput()
{
    if (m_slave >= 0)
        tcflow(m_slave, TCOOFF);
}
