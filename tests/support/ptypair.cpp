#include "ptypair.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    // Raw on both sides until the window configures the line itself.
    termios settings{};
    tcgetattr(slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(slave, TCSANOW, &settings);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (slave >= 0)
        ::close(slave);
}

bool PtyPair::write(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray PtyPair::readAvailable()
{
    QByteArray bytes;
    char buffer[512];
    ssize_t n = 0;
    while (master >= 0 && (n = ::read(master, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, int(n));
    return bytes;
}

QByteArray PtyPair::read(int count, int timeoutMs)
{
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < count && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents();
        pollfd fd{ master, POLLIN, 0 };
        ::poll(&fd, 1, 5);
        bytes += readAvailable();
    }
    return bytes;
}

bool PtyPair::waitUntilTaken(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    int pending = 0;
    while (::ioctl(slave, FIONREAD, &pending) == 0 && pending > 0) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void PtyPair::closeMaster()
{
    if (master >= 0)
        ::close(master);
    master = -1;
}
