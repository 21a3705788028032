#include "device/crc.h"

quint16 crc16(const char *, int) { return 0; }
QString crcText(const char *, int) { return {}; }
QString crcOfHexText(const QString &) { return {}; }
