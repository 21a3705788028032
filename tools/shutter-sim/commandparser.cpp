#include "commandparser.h"

#include "device/crc.h"
#include "device/frames.h"

namespace {

constexpr char ack[] = "\x4F\x4B\x21";
constexpr char start[] = "\x8E\x01\x7A";
constexpr int markSize = 3;

// -1: mismatch, 0: the buffer ends inside the pattern, 1: full match.
int compareAt(const QByteArray &buffer, int pos, const char *pattern)
{
    const int n = qMin(buffer.size() - pos, markSize);
    for (int k = 0; k < n; ++k) {
        if (buffer.at(pos + k) != pattern[k])
            return -1;
    }
    return n == markSize ? 1 : 0;
}

bool isValidFrame(const QByteArray &frame)
{
    const quint16 crc = crc16(frame.constData(), 21);
    return frame.at(20) == '\x0A' && static_cast<quint8>(frame.at(21)) == (crc >> 8)
        && static_cast<quint8>(frame.at(22)) == (crc & 0xFF) && frame.at(23) == '\x8E';
}

} // namespace

QList<HostMessage> CommandParser::feed(const QByteArray &chunk)
{
    QList<HostMessage> messages;
    buffer.append(chunk);
    int pos = 0;
    while (pos < buffer.size()) {
        const int isAck = compareAt(buffer, pos, ack);
        const int isStart = compareAt(buffer, pos, start);
        if (isAck == 0 || isStart == 0)
            break;
        if (isAck == 1) {
            messages.append({ HostMessage::Acknowledgement, 0, {}, {} });
            pos += markSize;
            continue;
        }
        if (isStart < 0) {
            ++pos;
            continue;
        }
        if (buffer.size() - pos < commandFrameSize)
            break;
        const QByteArray frame = buffer.mid(pos, commandFrameSize);
        if (isValidFrame(frame)) {
            messages.append(
                { HostMessage::Command, static_cast<quint8>(frame.at(8)), frame.mid(9, 6), frame });
            pos += commandFrameSize;
        } else {
            messages.append({ HostMessage::BadFrame, 0, {}, frame });
            ++pos; // a real frame may start inside this one
        }
    }
    buffer.remove(0, pos);
    return messages;
}
