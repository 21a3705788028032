#include "device/statusframe.h"

QByteArray statusHeader() { return {}; }
bool hasDeviceHeader(const QByteArray &) { return false; }
StatusReport readStatusFrame(const QByteArray &) { return {}; }
QByteArray statusFrame(quint8, quint16) { return {}; }
