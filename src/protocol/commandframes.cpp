#include "commandframes.h"

#include "crc.h"

#include <QStringList>

namespace Protocol {

namespace {

QByteArray emptyCommand(CommandCode code)
{
    QByteArray frame(Frame::size, '\0');
    frame.replace(0, commandHeader().size(), commandHeader());
    frame[Frame::codeOffset] = static_cast<char>(code);
    return frame;
}

void putClampedWord(QByteArray &frame, int offset, int value)
{
    putWord(frame, offset, static_cast<quint16>(qBound(0, value, 0xFFFF)));
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

QByteArray parameterFrame(const Timing &timing)
{
    QByteArray frame = emptyCommand(CommandCode::Parameters);
    putClampedWord(frame, Frame::argumentOffset, timing.openTime);
    putClampedWord(frame, Frame::argumentOffset + 2, timing.closeTime);
    putClampedWord(frame, Frame::argumentOffset + 4, timing.cycles);
    sealFrame(frame);
    return frame;
}

QString parameterLogText(const QByteArray &frame)
{
    QStringList pairs;
    for (int i = 0; i <= Frame::trailerOffset; ++i) {
        const bool argument
            = i >= Frame::argumentOffset && i < Frame::argumentOffset + Frame::argumentSize;
        pairs << (argument ? hexPair(frame.at(i)) : hexPair(frame.at(i)).toUpper());
    }
    return pairs.join(QLatin1Char(' ')) + hexPair(frame.at(Frame::crcOffset))
        + hexPair(frame.at(Frame::crcOffset + 1)) + QStringLiteral("8E");
}

void sealFrame(QByteArray &frame)
{
    frame[Frame::trailerOffset] = Frame::trailer;
    putWord(frame, Frame::crcOffset, crc16(frame.constData(), Frame::crcOffset));
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

} // namespace Protocol
