#include "device/crc.h"

#include <QStringList>
#include <QVector>

// CRC-16/XMODEM: width 16, polynomial 0x1021, initial value 0x0000, input and
// output not reflected, final XOR 0x0000; check value over "123456789" is 0x31C3.
// The controller checks command frames with exactly this variant.
quint16 crc16(const char *data, int length)
{
    quint16 crc = 0;
    for (int i = 0; i < length; ++i) {
        crc ^= static_cast<quint16>(static_cast<quint8>(data[i]) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<quint16>((crc << 1) ^ 0x1021)
                                 : static_cast<quint16>(crc << 1);
    }
    return crc;
}

QString crcText(const char *data, int length)
{
    const quint16 crc = length > 0 ? crc16(data, length) : quint16(0);
    return QStringLiteral("%1").arg(crc, 4, 16, QLatin1Char('0'));
}

QString crcOfHexText(const QString &text)
{
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    const QStringList parts = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
#else
    const QStringList parts = text.split(QLatin1Char(' '), QString::KeepEmptyParts);
#endif
    // Sized by the text rather than a fixed buffer, so a long text cannot overrun it.
    QByteArray bytes;
    bytes.reserve(parts.size());
    for (const QString &part : parts)
        bytes.append(static_cast<char>(part.toInt(nullptr, 16) & 0xFF));
    return crcText(bytes.constData(), bytes.size());
}
