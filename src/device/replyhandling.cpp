#include "app/kavrin.h"

#include "device/statusframe.h"

#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {

// QTextEdit::setText with what it leaves behind for plain text, for a display
// that already holds plain text: the same characters in the same format, the
// widget's cursor at the start without a selection, no undo steps, not
// modified. setText rebuilds the whole document (formats, root frame, cursor
// bookkeeping) on every frame, which at line rate was most of the window's CPU.
void showCount(QTextEdit *display, const QString &text)
{
    QTextDocument *document = display->document();
    const QTextCursor shown = display->textCursor();
    // An empty document may still carry the centred block format of the set-up,
    // which setText drops; a selection or a moved cursor is reset by setText.
    if (document->isEmpty() || shown.position() != 0 || shown.hasSelection()) {
        display->setText(text);
        return;
    }
    const int oldEnd = document->characterCount() - 1;
    const bool undoEnabled = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    // Appended first, then the old text removed from the front: the widget's
    // cursor stays at 0, and the new text takes the old text's format.
    QTextCursor edit(document);
    edit.beginEditBlock();
    edit.movePosition(QTextCursor::End);
    edit.insertText(text);
    edit.setPosition(0);
    edit.setPosition(oldEnd, QTextCursor::KeepAnchor);
    edit.removeSelectedText();
    edit.endEditBlock();
    document->setUndoRedoEnabled(undoEnabled);
    document->setModified(false);
}

// Fifty paints a second are more than anyone reads; at 480 frames/s painting
// each count cost about as much as all the rest of the reply handling.
constexpr int countPaintInterval = 20; // ms, so the latest count is on screen within 50 ms

// Lets the first count after a quiet spell paint at once and holds the paints
// of the counts that follow within countPaintInterval, then paints the latest.
// Only the painting waits: the text is always the latest count.
void spaceCountPaints(QTextEdit *display, QTimer *&timer)
{
    if (!timer) {
        timer = new QTimer(display);
        timer->setSingleShot(true);
        timer->setInterval(countPaintInterval);
        QTimer *const period = timer;
        QObject::connect(period, &QTimer::timeout, display, [display, period] {
            QWidget *viewport = display->viewport();
            if (viewport->updatesEnabled())
                return; // nothing came in this period
            viewport->setUpdatesEnabled(true); // repaints with the latest count
            period->start();
        });
    }
    if (!timer->isActive()) {
        timer->start();
        return;
    }
    display->viewport()->setUpdatesEnabled(false);
}

} // namespace

void Kavrin::readReply()
{
    const QByteArray chunk = serialPort->readAll();
    if (chunk.isEmpty())
        return;
    const QList<QByteArray> frames = replyReader.feed(chunk);
    for (const QByteArray &frame : frames) {
        // A wrong device closes the port; what it sent after that is not ours to act on.
        if (!serialPort->isOpen())
            return;
        handleStatusFrame(frame);
    }
}

void Kavrin::handleStatusFrame(const QByteArray &frame)
{
    if (firstReplyPending) {
        // Cleared first: the box below runs a nested event loop.
        firstReplyPending = false;
        if (!hasDeviceHeader(frame)) {
            disconnectButton->click();
            qCritical() << "设备连接错误";
            QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("设备连接错误"),
                                  QMessageBox::Ok);
            return;
        }
    }

    // Only the controller's own status frames prove it alive; a foreign frame
    // that merely starts with 0x8E does not.
    if (!frame.startsWith(statusHeader()))
        return;
    missedReplies = 0;

    const StatusReport report = readStatusFrame(frame);
    switch (report.kind) {
    case StatusReport::Acknowledge:
        serialPort->write(ackReply);
        break;
    case StatusReport::TriggerCount:
        showCount(countDisplay, QStringLiteral("触发次数：%1").arg(report.count));
        spaceCountPaints(countDisplay, countPaintTimer);
        break;
    case StatusReport::CycleCount:
        showCount(countDisplay, QStringLiteral("循环次数：%1").arg(report.count));
        spaceCountPaints(countDisplay, countPaintTimer);
        if (report.count == 0) {
            // The controller finished its cycles: the shutter is idle again.
            startButton->setIcon(QIcon(QStringLiteral(":/start.png")));
            startButton->setToolTip(QStringLiteral("open"));
        }
        break;
    case StatusReport::Unknown:
        break;
    }
}

void Kavrin::checkDeviceAlive()
{
    if (missedReplies > 5) {
        missedReplies = 0;
        replyTimer->stop();
        disconnectButton->click();
        qCritical() << "设备无响应，请检查下位机是否正常";
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("设备无响应"),
                              QMessageBox::Ok);
    }
    ++missedReplies;
}
