#include "device/frames.h"

#include "device/crc.h"

namespace {

// Values outside 0..65535 cannot be carried in two bytes; clamping keeps the
// frame at 24 bytes instead of shifting every later field.
QString fourDigits(int value)
{
    const int bounded = qBound(0, value, 0xFFFF);
    return QStringLiteral("%1").arg(bounded, 4, 16, QLatin1Char('0'));
}

} // namespace

QByteArray frameFromText(const QString &text)
{
    return QByteArray::fromHex(text.toUpper().toLatin1());
}

QString parameterFrameText(int openTime, int closeTime, int cycles)
{
    const QString open = fourDigits(openTime);
    const QString close = fourDigits(closeTime);
    const QString cycle = fourDigits(cycles);
    return QStringLiteral("8E 01 7A 00 00 00 00 00 41 %1 %2 %3 %4 %5 %6 00 00 00 00 00 0A")
        .arg(open.left(2), open.mid(2), close.left(2), close.mid(2), cycle.left(2), cycle.mid(2));
}

QString parameterLogText(int openTime, int closeTime, int cycles)
{
    const QString covered = parameterFrameText(openTime, closeTime, cycles);
    return covered + crcOfHexText(covered) + QStringLiteral("8E");
}

QByteArray parameterFrame(int openTime, int closeTime, int cycles)
{
    return frameFromText(parameterLogText(openTime, closeTime, cycles));
}

QByteArray commandFrame(quint8 code, quint8 argument)
{
    QByteArray frame(commandFrameSize, '\0');
    frame[0] = static_cast<char>(0x8E);
    frame[1] = 0x01;
    frame[2] = 0x7A;
    frame[8] = static_cast<char>(code);
    frame[9] = static_cast<char>(argument);
    sealFrame(frame);
    return frame;
}

void sealFrame(QByteArray &frame)
{
    frame[20] = 0x0A;
    const quint16 crc = crc16(frame.constData(), 21);
    frame[21] = static_cast<char>(crc >> 8);
    frame[22] = static_cast<char>(crc & 0xFF);
    frame[23] = static_cast<char>(0x8E);
}
