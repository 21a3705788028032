#include "commandparser.h"

#include "commandframes.h"

using namespace Protocol;

QList<HostMessage> CommandParser::feed(const QByteArray &chunk)
{
    QList<HostMessage> messages;
    m_buffer.append(chunk);
    const QByteArray ack = acknowledgement();
    ByteIndex pos = 0;
    while (pos < m_buffer.size()) {
        const Match isAck = matchAt(m_buffer, pos, ack);
        const Match isStart = matchAt(m_buffer, pos, commandHeader());
        if (isAck == Match::Prefix || isStart == Match::Prefix)
            break;
        if (isAck == Match::Full) {
            messages.append(HostMessage{ HostMessage::Acknowledgement, {} });
            pos += ack.size();
            continue;
        }
        if (isStart == Match::Mismatch) {
            ++pos;
            continue;
        }
        if (m_buffer.size() - pos < Frame::size)
            break;
        const QByteArray frame = m_buffer.mid(pos, Frame::size);
        if (isCommandFrame(frame)) {
            messages.append(HostMessage{ HostMessage::Command, frame });
            pos += Frame::size;
        } else {
            messages.append(HostMessage{ HostMessage::BadFrame, frame });
            ++pos; // a real frame may start inside this one
        }
    }
    m_buffer.remove(0, pos);
    return messages;
}
