#include "portscan.h"

#include <QDir>
#include <QSerialPortInfo>

QStringList availablePortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        names << port.portName();

    const QStringList extra
        = qEnvironmentVariable("KAVRIN_EXTRA_PORTS").split(QDir::listSeparator());
    for (const QString &name : extra) {
        if (!name.isEmpty())
            names << name;
    }
    return names;
}
