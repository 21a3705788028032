#include "clioutput.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <io.h>
#endif

namespace {
// 1 MiB, some 13,000 to 20,000 count lines a reader has not taken: it has stopped reading.
constexpr int waitingLimit = 1 << 20; // bytes
} // namespace

CliOutput::CliOutput(int fd, QObject *parent) : QObject(parent), m_fd(fd)
{
#ifdef Q_OS_UNIX
    // Only pipes and sockets wait for a reader. A terminal's flags are shared
    // with the shell, which would find itself non-blocking after a crash.
    struct stat info = {};
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fstat(fd, &info) != 0 || !(S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)))
        return;
    if (fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return;
    m_savedFlags = flags;
    m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &CliOutput::writeWaiting);
#endif
}

CliOutput::~CliOutput()
{
#ifdef Q_OS_UNIX
    if (m_savedFlags >= 0)
        fcntl(m_fd, F_SETFL, m_savedFlags);
#endif
}

void CliOutput::write(const QByteArray &bytes)
{
    if (m_ended)
        return;
    m_waiting.append(bytes);
    if (m_waiting.size() > waitingLimit)
        end();
    else
        writeWaiting();
}

void CliOutput::writeWaiting()
{
    while (!m_waiting.isEmpty() && !m_ended) {
        const auto written = ::write(m_fd, m_waiting.constData(), unsigned(m_waiting.size()));
        if (written > 0) {
            m_waiting.remove(0, int(written));
        } else if (written < 0 && errno == EAGAIN && m_writable) {
            m_writable->setEnabled(true);
            return;
        } else if (written < 0 && errno != EINTR) {
            end(); // the reader has gone
        }
    }
    if (m_writable)
        m_writable->setEnabled(false);
}

void CliOutput::flush(QDeadlineTimer deadline)
{
#ifdef Q_OS_UNIX
    while (!m_waiting.isEmpty() && !m_ended && !deadline.hasExpired()) {
        pollfd writable{ m_fd, POLLOUT, 0 };
        if (poll(&writable, 1, int(deadline.remainingTime())) > 0)
            writeWaiting();
    }
#else
    Q_UNUSED(deadline)
#endif
}

void CliOutput::end()
{
    m_ended = true;
    m_waiting.clear();
    if (m_writable)
        m_writable->setEnabled(false);
    // Not from inside write(): the caller may be logging, or ending already.
    QMetaObject::invokeMethod(this, &CliOutput::closed, Qt::QueuedConnection);
}
