#include "portbusy.h"

#include <QFileInfo>
#include <QSerialPort>

namespace {

// A trial open refused with PermissionError: held elsewhere, or not ours to use?
bool refusedByHolder(const QString &name)
{
#ifdef Q_OS_WIN
    // Windows answers "access denied" only for a port another program holds.
    Q_UNUSED(name)
    return true;
#else
    // Qt's lock file and exclusive access both say PermissionError; a device
    // file we may read and write cannot be a plain permission problem. Short
    // names live in /dev, as QSerialPort resolves them.
    const bool isPath = name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../"));
    const QFileInfo device(isPath ? name : QStringLiteral("/dev/") + name);
    return device.exists() && device.isReadable() && device.isWritable();
#endif
}

} // namespace

bool isPortBusy(const QSerialPort &own, const QString &name)
{
    QSerialPort probe;
    probe.setPortName(name); // portName() is now normalised the way own's is
    if (own.isOpen() && own.portName() == probe.portName())
        return true;

    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        return false;
    }
    return probe.error() == QSerialPort::PermissionError && refusedByHolder(name);
}
