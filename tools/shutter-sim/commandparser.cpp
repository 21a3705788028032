#include "commandparser.h"

#include "protocol/commandframes.h"

namespace {

// -1: mismatch, 0: the buffer ends inside the pattern, 1: full match.
int compareAt(const QByteArray &buffer, int pos, const QByteArray &pattern)
{
    const int n = qMin(buffer.size() - pos, pattern.size());
    for (int k = 0; k < n; ++k) {
        if (buffer.at(pos + k) != pattern.at(k))
            return -1;
    }
    return n == pattern.size() ? 1 : 0;
}

} // namespace

QList<HostMessage> CommandParser::feed(const QByteArray &chunk)
{
    QList<HostMessage> messages;
    buffer.append(chunk);
    static const QByteArray ack = acknowledgement();
    static const QByteArray start = commandHeader();
    int pos = 0;
    while (pos < buffer.size()) {
        const int isAck = compareAt(buffer, pos, ack);
        const int isStart = compareAt(buffer, pos, start);
        if (isAck == 0 || isStart == 0)
            break;
        if (isAck == 1) {
            messages.append({ HostMessage::Acknowledgement, 0, {}, {} });
            pos += ack.size();
            continue;
        }
        if (isStart < 0) {
            ++pos;
            continue;
        }
        if (buffer.size() - pos < Frame::size)
            break;
        const QByteArray frame = buffer.mid(pos, Frame::size);
        if (isCommandFrame(frame)) {
            messages.append({ HostMessage::Command,
                              static_cast<quint8>(frame.at(Frame::codeOffset)),
                              frame.mid(Frame::argumentOffset, 6), frame });
            pos += Frame::size;
        } else {
            messages.append({ HostMessage::BadFrame, 0, {}, frame });
            ++pos; // a real frame may start inside this one
        }
    }
    buffer.remove(0, pos);
    return messages;
}
