#include "protocol/replyreader.h"

namespace {

constexpr char ack[] = "\x4F\x4B\x21";
constexpr int ackSize = 3;
constexpr char header[] = "\x8E\x02\x7A\x10\xFF";
constexpr int headerSize = 5;
constexpr int deliveredSize = 13; // through the count at bytes 11-12
constexpr int longestFrame = 24;
// How far from the first 0x8E a synchronising reader looks for a complete
// header: generous, so garbage between frames cannot pass for another device.
constexpr int syncWindow = 2 * longestFrame + headerSize;
// Where in a status frame a 0x8E can stand besides its start: in the count
// or the bytes the device fills as it likes (9-19), in the CRC or at the end.
constexpr int firstFreeByte = 9; // after the fixed header and the code
constexpr int lineFeedByte = 20; // always 0x0A
constexpr int firstCrcByte = 21;

enum class Match { Full, Prefix, Mismatch };

// Compares the bytes from pos with pattern; Prefix means the buffer ends
// before the pattern does, with everything present matching. For Mismatch,
// *at is the offset of the first byte that differs.
Match matchAt(const QByteArray &buffer, int pos, const char *pattern, int size, int *at = nullptr)
{
    const int available = buffer.size() - pos;
    const int n = qMin(available, size);
    for (int k = 0; k < n; ++k) {
        if (buffer.at(pos + k) != pattern[k]) {
            if (at)
                *at = k;
            return Match::Mismatch;
        }
    }
    return n == size ? Match::Full : Match::Prefix;
}

// Where the frame at pos ends, at most limit bytes on: at the next complete
// header. 0 while a header may be begun, or the bytes to tell have not come.
int frameEnd(const QByteArray &buffer, int pos, int limit)
{
    for (int q = 1; q < limit; ++q) {
        const Match m = matchAt(buffer, pos + q, header, headerSize);
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
    const int start = longestFrame - bytes.size(); // offset in the frame
    if (bytes.back() != header[0])
        return false;
    if (start >= firstCrcByte && start < longestFrame)
        return true;
    return start >= firstFreeByte && start < lineFeedByte
        && bytes.at(lineFeedByte - start) == '\x0A';
}

} // namespace

QList<QByteArray> ReplyReader::feed(const QByteArray &chunk)
{
    QList<QByteArray> frames;
    buffer.append(chunk);

    // pos is the message boundary; everything before it is consumed and is
    // removed once at the end, so a large chunk costs linear time.
    int pos = synchronising ? synchronise() : 0;
    if (synchronising) {
        buffer.remove(0, pos);
        return frames;
    }
    const int size = buffer.size();
    while (pos < size) {
        if (headDelivered) {
            // The status frame at pos has been handed out: skip to its end.
            const int end = frameEnd(buffer, pos, longestFrame);
            if (end == 0)
                break;
            pos += end;
            headDelivered = false;
            continue;
        }

        const char first = buffer.at(pos);
        if (first == ack[0]) {
            const Match m = matchAt(buffer, pos, ack, ackSize);
            if (m == Match::Prefix)
                break;
            pos += m == Match::Full ? ackSize : 1;
            continue;
        }
        if (first != header[0]) {
            ++pos; // starts no message
            continue;
        }

        int mismatch = 0;
        const Match m = matchAt(buffer, pos, header, headerSize, &mismatch);
        if (m == Match::Mismatch) {
            // Another device's frame: show it up to the byte that gave it away,
            // then drop only the 0x8E so a real header right behind is still found.
            frames.append(buffer.mid(pos, mismatch + 1));
            ++pos;
            continue;
        }
        if (m == Match::Prefix)
            break;
        // A frame that ends early ends where the next header begins: its
        // count is never read from that header's bytes.
        const int end = frameEnd(buffer, pos, deliveredSize);
        if (end == 0)
            break;
        frames.append(buffer.mid(pos, end));
        if (end == deliveredSize)
            headDelivered = true;
        else
            pos += end;
    }

    buffer.remove(0, pos);
    return frames;
}

// Returns how many bytes at the buffer's start are dropped, and stops
// synchronising at the first complete header within the window from the
// first 0x8E, or at that 0x8E once the window is full without one.
int ReplyReader::synchronise()
{
    const int start = buffer.indexOf(header[0]);
    if (start < 0)
        return buffer.size();
    const int found = buffer.indexOf(QByteArray::fromRawData(header, headerSize), start);
    if (found >= 0 && found + headerSize <= start + syncWindow) {
        synchronising = false;
        return found;
    }
    if (buffer.size() - start >= syncWindow)
        synchronising = false; // no controller's stream: another device's frame
    return start;
}

QList<QByteArray> ReplyReader::flushQuiet()
{
    if (!synchronising) {
        // A quiet line ends a frame begun: it is what came (an acknowledgement
        // request may be 9 bytes), and the next header is looked for behind it.
        if (!holdsFrameBegun())
            return {};
        headDelivered = true;
        return { buffer.left(deliveredSize) };
    }
    if (buffer.isEmpty())
        return {};
    // The buffer begins with 0x8E here. It may be the tail of a frame that
    // was on the line, perhaps with the next header begun behind it: the
    // tail goes, the header waits for its rest. (matchAt finds an empty rest
    // a begun header too.)
    for (int rest = buffer.size(); rest >= qMax(0, buffer.size() - headerSize + 1); --rest) {
        if (matchAt(buffer, rest, header, headerSize) == Match::Prefix
            && (rest == 0 || isFrameTail(buffer.left(rest)))) {
            buffer.remove(0, rest);
            return {};
        }
    }
    synchronising = false;
    return feed(QByteArray());
}

bool ReplyReader::holdsFrameBegun() const
{
    return !headDelivered && matchAt(buffer, 0, header, headerSize) == Match::Full;
}

bool ReplyReader::waitsForQuiet() const
{
    return synchronising || holdsFrameBegun();
}

void ReplyReader::clear()
{
    buffer.clear();
    synchronising = true;
    headDelivered = false;
}
