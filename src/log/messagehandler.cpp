#include "messagehandler.h"

#include "logline.h"
#include "logsink.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <atomic>
#include <cstdio>

namespace {

QDateTime systemClock()
{
    return QDateTime::currentDateTime();
}

std::atomic<LogClock> logClock{ systemClock };

// Set while this thread is inside the handler: the mutex is not recursive.
thread_local bool handlingMessage = false;

// One line at a time, whole, whichever thread logs; also guards the sink.
QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}
LogSink *currentSink = nullptr;

} // namespace

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (handlingMessage) {
        // Raised by the handling itself (a failed write, a widget warning).
        const QString line = logLine(type, context.line, message, logClock.load()());
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    QMutexLocker locker(&logMutex());
    handlingMessage = true;

    // One reading of the clock: a line stamped 23:59:59 must not land in the
    // next day's file.
    const QDateTime now = logClock.load()();
    const QString line = logLine(type, context.line, message, now);
    if (currentSink)
        emit currentSink->lineLogged(line);
    const QString directory = logDirectory();
    if (!directory.isEmpty())
        appendLogLine(logFilePath(directory, now.date()), line);

    handlingMessage = false;
}

void setLogClock(LogClock clock)
{
    logClock.store(clock ? clock : systemClock);
}

LogSink::LogSink(QObject *parent) : QObject(parent)
{
    {
        QMutexLocker locker(&logMutex());
        currentSink = this;
    }
    m_previousHandler = qInstallMessageHandler(logMessageHandler);
}

LogSink::~LogSink()
{
    // Only our own handler is taken back; one installed after us stays.
    const QtMessageHandler current = qInstallMessageHandler(m_previousHandler);
    if (current != logMessageHandler)
        qInstallMessageHandler(current);
    QMutexLocker locker(&logMutex());
    if (currentSink == this)
        currentSink = nullptr;
}
