#pragma once

class QSerialPort;
class QString;

// True when the port called name is held: by own (this process's port object,
// open under that name) or by another holder, found out by a trial open that
// is refused for a reason other than a plain lack of permission.
bool isPortBusy(const QSerialPort &own, const QString &name);
