#include "protocol/replyreader.h"

namespace {

constexpr char ack[] = "\x4F\x4B\x21";
constexpr int ackSize = 3;
constexpr char header[] = "\x8E\x02\x7A\x10\xFF";
constexpr int headerSize = 5;
constexpr int deliveredSize = 13; // through the count at bytes 11-12
constexpr int longestFrame = 24;

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

} // namespace

QList<QByteArray> ReplyReader::feed(const QByteArray &chunk)
{
    QList<QByteArray> frames;
    buffer.append(chunk);

    // pos is the message boundary; everything before it is consumed and is
    // removed once at the end, so a large chunk costs linear time.
    int pos = 0;
    const int size = buffer.size();
    while (pos < size) {
        if (headDelivered) {
            // The status frame at pos has been handed out: find where it ends,
            // which is the next complete header within 24 bytes, else byte 24.
            int end = 0;
            bool undecided = false;
            for (int q = 1; q < longestFrame; ++q) {
                if (pos + q >= size) {
                    undecided = true;
                    break;
                }
                const Match m = matchAt(buffer, pos + q, header, headerSize);
                if (m == Match::Full) {
                    end = q;
                    break;
                }
                if (m == Match::Prefix) {
                    undecided = true;
                    break;
                }
            }
            if (undecided)
                break;
            pos += end ? end : longestFrame;
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
        if (m == Match::Prefix || size - pos < deliveredSize)
            break;
        frames.append(buffer.mid(pos, deliveredSize));
        headDelivered = true;
    }

    buffer.remove(0, pos);
    return frames;
}

void ReplyReader::clear()
{
    buffer.clear();
    headDelivered = false;
}
