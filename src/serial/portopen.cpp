#include "app/kavrin.h"

#include "serial/portbusy.h"
#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QDebug>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTimer>

void Kavrin::openSelectedPort()
{
    const QString name = portCombo->currentText();
    if (isPortBusy(*serialPort, name)) {
        qCritical() << "串口被占用";
        return;
    }

    // Renaming an open port object would make it report (and later close
    // under) a name it is not connected to; its open() below is refused anyway.
    if (!serialPort->isOpen())
        serialPort->setPortName(name);
    if (!serialPort->open(QIODevice::ReadWrite)) {
        qCritical() << "打开失败!";
        qCritical().noquote() << serialPort->errorString();
        return;
    }

    replyReader.clear();
    closingPort = false;
    qDebug() << "串口已打开!";
    firstReplyPending = true;
    replyTimer->start(1000);
    statusLabel->setText(QStringLiteral("串口已连接"));
    saveSettingsButton->setEnabled(true);
    disconnectButton->setIcon(QIcon(QStringLiteral(":/no.png")));
    manualRadio->setCheckable(true);
    autoRadio->setCheckable(true);
    triggerRadio->setCheckable(true);

    serialPort->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);

    // The port object is reused for every open: connect it once only.
    if (!portSignalsConnected) {
        portSignalsConnected = true;
        connect(serialPort, &QSerialPort::readyRead, this, [this] { readReply(); });
        // The timer as context: the window deletes it before the port, so a
        // port that reports an error while being destroyed finds nobody here.
        connect(serialPort, &QSerialPort::errorOccurred, replyTimer,
                [this](QSerialPort::SerialPortError error) { handlePortError(error); });
    }
}

void Kavrin::handlePortError(int error)
{
    // Closing a port that has gone raises errors of its own: report a loss once.
    // OpenError while open is a refused second open; the connection is fine.
    if (error == QSerialPort::NoError || error == QSerialPort::OpenError || closingPort
        || !serialPort->isOpen())
        return;
    qCritical().noquote() << QStringLiteral("串口错误：") + serialPort->errorString();
    // Not from inside the port's own signal: Qt still uses its read buffer
    // after emitting, and closing frees it. The flag keeps later errors quiet.
    closingPort = true;
    QMetaObject::invokeMethod(disconnectButton, "click", Qt::QueuedConnection);
}

void Kavrin::closePort()
{
    if (!serialPort->isOpen()) {
        closingPort = false;
        return;
    }
    closingPort = true;
    serialPort->clear();
    serialPort->close();
    closingPort = false;
    replyReader.clear();

    portCombo->clear();
    portCombo->addItem(QStringLiteral("请选择串口"));
    statusLabel->setText(QStringLiteral("串口已关闭"));
    autoOffButton->setEnabled(false);
    saveSettingsButton->setEnabled(false);
    disconnectButton->setIcon(QIcon(QStringLiteral(":/circle.png")));
    // Not checkable also unchecks, silently: no mode frame is sent.
    // setCheckable does not repaint: without update() the old tick stays on screen.
    for (QRadioButton *radio : { manualRadio, autoRadio, triggerRadio }) {
        radio->setCheckable(false);
        radio->update();
    }
    triggerSpin->setEnabled(false);
    // Nothing to start with the port closed; choosing a mode enables it again.
    startButton->setEnabled(false);
    missedReplies = 0;
    replyTimer->stop();
    qDebug() << "串口:" << serialPort->portName() << "已关闭！";
}
