#include "log/messagehandler.h"

#include "app/kavrin.h"
#include "log/logline.h"

#include <QDate>
#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>

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

// A new paragraph of plain text: the pane must show exactly what the file
// holds, so markup in a message is never interpreted.
void appendToPane(QTextEdit *pane, const QString &line)
{
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    if (!pane->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(line, QTextCharFormat());
    // Newest line at the pane's left edge.
    pane->moveCursor(QTextCursor::End);
    pane->moveCursor(QTextCursor::StartOfLine);
}

void showInPane(const QString &line)
{
    if (!logWindow || !logWindow->logEdit)
        return;
    QTextEdit *pane = logWindow->logEdit;
    if (QThread::currentThread() == pane->thread()) {
        appendToPane(pane, line);
        return;
    }
    // Widgets belong to the GUI thread; the pane as context drops the update
    // if the pane is gone by then.
#ifndef __clang_analyzer__ // it cannot see Qt take ownership of the slot object
    QMetaObject::invokeMethod(
        pane, [pane, line] { appendToPane(pane, line); }, Qt::QueuedConnection);
#endif
}

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
    static QMutex logMutex;
    QMutexLocker locker(&logMutex);
    handlingMessage = true;

    // One reading of the clock: a line stamped 23:59:59 must not land in the
    // next day's file.
    const QDateTime now = logClock.load()();
    const QString line = logLine(type, context.line, message, now);
    showInPane(line);
    const QString directory = logDirectory();
    if (!directory.isEmpty())
        appendLogLine(logFilePath(directory, now.date()), line);

    handlingMessage = false;
}

void setLogClock(LogClock clock)
{
    logClock.store(clock ? clock : systemClock);
}
