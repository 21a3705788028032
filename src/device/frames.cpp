#include "device/frames.h"

QByteArray frameFromText(const QString &text) { return QByteArray::fromHex(text.toUpper().toLatin1()); }
QString parameterFrameText(int, int, int) { return {}; }
QString parameterLogText(int, int, int) { return {}; }
QByteArray parameterFrame(int, int, int) { return {}; }
QByteArray commandFrame(quint8, quint8) { return {}; }
