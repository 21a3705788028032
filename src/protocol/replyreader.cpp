#include "replyreader.h"

namespace Protocol {

namespace {

// Handed out once the count has come, so a count is never held back.
constexpr int deliveredSize = Frame::countOffset + 2;
// How far from the first 0x8E a synchronising reader looks for a complete
// header: generous, so garbage between frames cannot pass for another device.
const ByteIndex syncWindow = 2 * Frame::size + statusHeader().size();
const QByteArray header = statusHeader();
const QByteArray ack = acknowledgement();

// Where the frame at pos ends, at most limit bytes on: at the next complete
// header. 0 while a header may be begun, or the bytes to tell have not come.
ByteIndex frameEnd(const QByteArray &buffer, ByteIndex pos, ByteIndex limit)
{
    for (ByteIndex q = 1; q < limit; ++q) {
        const Match m = matchAt(buffer, pos + q, header);
        if (m == Match::Full)
            return q;
        if (m == Match::Prefix)
            return 0; // also past the buffer's end
    }
    return limit;
}

// True when bytes, which begin with 0x8E, can be the rest of a status frame
// that was on the line before the port opened, from a 0x8E inside it.
bool isFrameTail(const QByteArray &bytes)
{
    const ByteIndex start = Frame::size - bytes.size(); // offset in the frame
    if (bytes.back() != Frame::mark)
        return false;
    if (start >= Frame::crcOffset && start < Frame::size)
        return true;
    // Besides in the CRC, a 0x8E can stand in the bytes after the code that
    // the device fills as it likes, and the trailer then follows.
    return start > Frame::codeOffset && start < Frame::trailerOffset
        && bytes.at(Frame::trailerOffset - start) == Frame::trailer;
}

} // namespace

QList<QByteArray> ReplyReader::feed(const QByteArray &chunk)
{
    QList<QByteArray> frames;
    m_buffer.append(chunk);

    // pos is the message boundary; everything before it is consumed and is
    // removed once at the end, so a large chunk costs linear time.
    ByteIndex pos = m_synchronising ? synchronise() : 0;
    if (m_synchronising) {
        m_buffer.remove(0, pos);
        return frames;
    }
    const ByteIndex size = m_buffer.size();
    while (pos < size) {
        if (m_headDelivered) {
            // The status frame at pos has been handed out: skip to its end.
            const ByteIndex end = frameEnd(m_buffer, pos, Frame::size);
            if (end == 0)
                break;
            pos += end;
            m_headDelivered = false;
            continue;
        }

        const char first = m_buffer.at(pos);
        if (first == ack.at(0)) {
            const Match m = matchAt(m_buffer, pos, ack);
            if (m == Match::Prefix)
                break;
            pos += m == Match::Full ? ack.size() : 1;
            continue;
        }
        if (first != Frame::mark) {
            ++pos; // starts no message
            continue;
        }

        ByteIndex mismatch = 0;
        const Match m = matchAt(m_buffer, pos, header, &mismatch);
        if (m == Match::Mismatch) {
            // Another device's frame: show it up to the byte that gave it away,
            // then drop only the 0x8E so a real header right behind is still found.
            frames.append(m_buffer.mid(pos, mismatch + 1));
            ++pos;
            continue;
        }
        if (m == Match::Prefix)
            break;
        // A frame that ends early ends where the next header begins: its
        // count is never read from that header's bytes.
        const ByteIndex end = frameEnd(m_buffer, pos, deliveredSize);
        if (end == 0)
            break;
        frames.append(m_buffer.mid(pos, end));
        if (end == deliveredSize)
            m_headDelivered = true;
        else
            pos += end;
    }

    m_buffer.remove(0, pos);
    return frames;
}

// Returns how many bytes at the buffer's start are dropped, and ends
// synchronisation at the first complete header within the window from the
// first 0x8E, or at that 0x8E once the window is full without one.
ByteIndex ReplyReader::synchronise()
{
    const ByteIndex start = m_buffer.indexOf(Frame::mark);
    if (start < 0)
        return m_buffer.size();
    const ByteIndex found = m_buffer.indexOf(header, start);
    if (found >= 0 && found + header.size() <= start + syncWindow) {
        m_synchronising = false;
        return found;
    }
    if (m_buffer.size() - start >= syncWindow)
        m_synchronising = false; // no controller's stream: another device's frame
    return start;
}

QList<QByteArray> ReplyReader::flushQuiet()
{
    if (!m_synchronising) {
        // A quiet line ends a frame begun: it is what came (an acknowledgement
        // request may be 9 bytes), and the next header is looked for behind it.
        if (!holdsFrameBegun())
            return {};
        m_headDelivered = true;
        return { m_buffer.left(deliveredSize) };
    }
    if (m_buffer.isEmpty())
        return {};
    // The buffer begins with 0x8E here. It may be the tail of a frame that
    // was on the line, perhaps with the next header begun behind it: the
    // tail goes, the header waits for its rest (an empty rest is a Prefix too).
    for (ByteIndex rest = m_buffer.size();
         rest >= qMax<ByteIndex>(0, m_buffer.size() - header.size() + 1); --rest) {
        if (matchAt(m_buffer, rest, header) == Match::Prefix
            && (rest == 0 || isFrameTail(m_buffer.left(rest)))) {
            m_buffer.remove(0, rest);
            return {};
        }
    }
    m_synchronising = false;
    return feed(QByteArray());
}

bool ReplyReader::holdsFrameBegun() const
{
    return !m_headDelivered && matchAt(m_buffer, 0, header) == Match::Full;
}

bool ReplyReader::waitsForQuiet() const
{
    return m_synchronising || holdsFrameBegun();
}

void ReplyReader::clear()
{
    m_buffer.clear();
    m_synchronising = true;
    m_headDelivered = false;
}

} // namespace Protocol
