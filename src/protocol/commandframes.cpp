#include "protocol/commandframes.h"

#include "protocol/crc.h"

#include <QStringList>

namespace {

constexpr int argumentBytes = 6;

QByteArray emptyCommand(CommandCode code)
{
    QByteArray frame(Frame::size, '\0');
    frame.replace(0, commandHeader().size(), commandHeader());
    frame[Frame::codeOffset] = static_cast<char>(code);
    return frame;
}

void putWord(QByteArray &frame, int offset, int value)
{
    const int bounded = qBound(0, value, 0xFFFF);
    frame[offset] = static_cast<char>(bounded >> 8);
    frame[offset + 1] = static_cast<char>(bounded & 0xFF);
}

QString hexPair(char byte)
{
    return QStringLiteral("%1").arg(static_cast<quint8>(byte), 2, 16, QLatin1Char('0'));
}

} // namespace

QByteArray commandFrame(CommandCode code, quint8 argument)
{
    QByteArray frame = emptyCommand(code);
    frame[Frame::argumentOffset] = static_cast<char>(argument);
    sealFrame(frame);
    return frame;
}

QByteArray modeFrame(ModeArgument mode)
{
    return commandFrame(CommandCode::SelectMode, static_cast<quint8>(mode));
}

QByteArray manualFrame(ManualArgument action)
{
    return commandFrame(CommandCode::Manual, static_cast<quint8>(action));
}

QByteArray automaticFrame(AutomaticArgument action)
{
    return commandFrame(CommandCode::Automatic, static_cast<quint8>(action));
}

QByteArray parameterFrame(int openTime, int closeTime, int cycles)
{
    QByteArray frame = emptyCommand(CommandCode::Parameters);
    putWord(frame, Frame::argumentOffset, openTime);
    putWord(frame, Frame::argumentOffset + 2, closeTime);
    putWord(frame, Frame::argumentOffset + 4, cycles);
    sealFrame(frame);
    return frame;
}

QString parameterLogText(const QByteArray &frame)
{
    QStringList pairs;
    for (int i = 0; i <= Frame::trailerOffset; ++i) {
        const bool argument
            = i >= Frame::argumentOffset && i < Frame::argumentOffset + argumentBytes;
        pairs << (argument ? hexPair(frame.at(i)) : hexPair(frame.at(i)).toUpper());
    }
    return pairs.join(QLatin1Char(' ')) + hexPair(frame.at(Frame::crcOffset))
        + hexPair(frame.at(Frame::crcOffset + 1)) + QStringLiteral("8E");
}

void sealFrame(QByteArray &frame)
{
    frame[Frame::trailerOffset] = Frame::trailer;
    const quint16 crc = crc16(frame.constData(), Frame::crcOffset);
    frame[Frame::crcOffset] = static_cast<char>(crc >> 8);
    frame[Frame::crcOffset + 1] = static_cast<char>(crc & 0xFF);
    frame[Frame::size - 1] = Frame::mark;
}

bool isCommandFrame(const QByteArray &frame)
{
    if (frame.size() != Frame::size || !frame.startsWith(commandHeader()))
        return false;
    QByteArray sealed = frame;
    sealFrame(sealed);
    return sealed == frame;
}
