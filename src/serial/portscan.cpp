#include "app/kavrin.h"

#include "ui/clickedcombobox.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QSerialPortInfo>

QStringList Kavrin::availablePortNames() const
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        names << port.portName();

    // Qt does not list pseudo-terminals (simulators, port forwarders): they
    // can be named here, separated like PATH entries.
    const QStringList extra
        = qEnvironmentVariable("KAVRIN_EXTRA_PORTS").split(QDir::listSeparator());
    for (const QString &name : extra) {
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

void Kavrin::refreshPortList()
{
    portNames = availablePortNames();
    qDebug() << "串口:" << portNames;
    if (portNames.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("提示信息"), QStringLiteral("未找到串口"),
                                 QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    portCombo->clear();
    portCombo->addItems(portNames);
}
