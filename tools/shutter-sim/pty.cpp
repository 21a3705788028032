#include "pty.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A host that reads keeps the queue short; more than this means nobody is
// reading, and a host opening the port later should not get a stale backlog.
constexpr int unreadLimit = 256;
// Bytes left unread this long mean no host has the port open (any longer).
constexpr int hostTimeout = 1000; // ms

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
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0
        || ptsname_r(master, name, sizeof name) != 0) {
        *error = systemError("pseudo-terminal setup");
        close();
        return false;
    }
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError("open slave");
        close();
        return false;
    }
    // Raw mode: frames hold 0x0A, 0x0D and control bytes that must pass unchanged.
    termios settings{};
    if (tcgetattr(slave, &settings) != 0) {
        *error = systemError("tcgetattr");
        close();
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    if (tcsetattr(slave, TCSANOW, &settings) != 0) {
        *error = systemError("tcsetattr");
        close();
        return false;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    path = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::stopHostOutput()
{
    if (slave >= 0)
        tcflow(slave, TCOOFF);
}

void PseudoTerminal::close()
{
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
    slave = master = -1;
}

void PseudoTerminal::write(const QByteArray &bytes)
{
    if (master < 0)
        return;
    int unread = 0;
    if (ioctl(slave, FIONREAD, &unread) == 0 && unread > unreadLimit) {
        tcflush(slave, TCIFLUSH);
        ++discards;
    }
    const char *data = bytes.constData();
    ssize_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(master, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        left -= n;
    }
}

bool PseudoTerminal::hostPresent()
{
    int unread = 0;
    if (slave < 0 || ioctl(slave, FIONREAD, &unread) != 0)
        return false;
    // Fewer bytes than last time, and not by a discard of ours: someone read.
    const bool taken = unread < lastUnread && discards == discardsSeen;
    if (taken)
        host = true;
    if (unread == 0 || taken)
        lying.invalidate();
    else if (!lying.isValid())
        lying.start();
    else if (lying.hasExpired(hostTimeout))
        host = false;
    lastUnread = unread;
    discardsSeen = discards;
    return host;
}
