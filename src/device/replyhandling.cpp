#include "app/kavrin.h"

#include "device/statusframe.h"

#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTextEdit>
#include <QTimer>

namespace {
// Counts can come 480 times a second at line rate; nobody reads that fast, and
// laying the text out each time was most of the window's CPU. They are shown
// at this pace, the first at once and the latest one last; everything else a
// status frame does (acknowledgement, watchdog, idle start button) is immediate.
constexpr int countShowInterval = 100; // ms: ten a second, as panel meters update
} // namespace

void Kavrin::showCount(const QString &text)
{
    if (!countShowTimer) {
        countShowTimer = new QTimer(this);
        countShowTimer->setSingleShot(true);
        countShowTimer->setInterval(countShowInterval);
        connect(countShowTimer, &QTimer::timeout, countShowTimer, [this] {
            if (pendingCount.isNull())
                return; // nothing came in this period
            countDisplay->setText(pendingCount);
            pendingCount = QString();
            countShowTimer->start();
        });
    }
    // The first count after a quiet spell is shown at once.
    if (countShowTimer->isActive()) {
        pendingCount = text;
        return;
    }
    countDisplay->setText(text);
    countShowTimer->start();
}

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
        showCount(QStringLiteral("触发次数：%1").arg(report.count));
        break;
    case StatusReport::CycleCount:
        showCount(QStringLiteral("循环次数：%1").arg(report.count));
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
