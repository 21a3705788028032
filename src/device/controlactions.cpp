#include "app/kavrin.h"

#include "device/frames.h"
#include "ui/strspinbox.h"

#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextEdit>

namespace {

// A newly chosen mode, automatic-off and a finished cycle run all leave the
// shutter idle: the next click on startButton starts it.
void showIdle(QPushButton *startButton)
{
    startButton->setIcon(QIcon(QStringLiteral(":/start.png")));
    startButton->setToolTip(QStringLiteral("open"));
}

} // namespace

void Kavrin::chooseManualMode(bool checked)
{
    if (!checked)
        return;
    serialPort->write(manualModeFrame);
    startFrame = manualStartFrame;
    stopFrame = manualStopFrame;
    triggerSpin->setEnabled(false);
    autoOffButton->setEnabled(false);
    startButton->setEnabled(true);
    showIdle(startButton);
}

void Kavrin::chooseAutoMode(bool checked)
{
    if (!checked)
        return;
    serialPort->write(autoModeFrame);
    startFrame = autoStartFrame;
    stopFrame = autoStopFrame;
    triggerSpin->setEnabled(false);
    autoOffButton->setEnabled(true);
    startButton->setEnabled(true);
    showIdle(startButton);
}

void Kavrin::chooseTriggerMode(bool checked)
{
    if (!checked)
        return;
    sendTriggerMode(triggerSpin->value());
    triggerSpin->setEnabled(true);
    autoOffButton->setEnabled(false);
    // The trigger input drives the shutter; there is nothing to start by hand.
    startButton->setEnabled(false);
    showIdle(startButton);
}

void Kavrin::sendTriggerMode(int selector)
{
    serialPort->write(selector != 0 ? triggerAsyncFrame : triggerSyncFrame);
}

void Kavrin::toggleStartStop()
{
    if (startButton->toolTip() == QLatin1String("open")) {
        serialPort->write(startFrame);
        startButton->setToolTip(QStringLiteral("stop"));
        startButton->setIcon(QIcon(QStringLiteral(":/stop.png")));
    } else {
        serialPort->write(stopFrame);
        showIdle(startButton);
    }
}

void Kavrin::switchAutoOff()
{
    serialPort->write(autoOffFrame);
    showIdle(startButton);
    pendingCount = QString(); // a count still waiting must not refill the cleared display
    countDisplay->clear();
}

void Kavrin::sendParameters()
{
    if (!serialPort->isOpen())
        return;
    const int openTime = openSpin->value();
    const int closeTime = closeSpin->value();
    const int cycles = cycleSpin->value();
    const QByteArray frame = parameterFrame(openTime, closeTime, cycles);
    const qint64 written = serialPort->write(frame);
    const QString text = parameterLogText(openTime, closeTime, cycles);
    qDebug() << QString(QStringLiteral("快门设置：") + text);
    // The box confirms the frame went out: never after a refused write.
    if (written != frame.size()) {
        qCritical().noquote() << QStringLiteral("参数发送失败：") + serialPort->errorString();
        return;
    }
    QMessageBox::question(this, QStringLiteral("提示"), QStringLiteral("参数设置成功"),
                          QMessageBox::Ok);
}
