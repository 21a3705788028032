// Feeds the reply reader the input cut into reads whose lengths the input
// itself chooses, and checks what it hands out against feeding it all at once.
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The most a reader may hold between reads: a handed-out status frame whose
// end is still open waits for a header that could start at its byte 23 and
// has four of its five bytes there (27 bytes). Before the first header it
// holds what follows a 0x8E for less than two frames and a header (52 bytes).
constexpr int bufferLimit = 27;
constexpr int syncBufferLimit = 52;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkFrames(const QList<QByteArray> &frames)
{
    const QByteArray header = statusHeader();
    for (const QByteArray &frame : frames) {
        check(!frame.isEmpty());
        check(static_cast<quint8>(frame.at(0)) == 0x8E);
        if (frame.startsWith(header)) {
            check(frame.size() == 13);
        } else {
            // A foreign frame stops at the first byte that is not the header's.
            check(frame.size() <= header.size());
            check(!hasDeviceHeader(frame) || frame.size() > 3);
        }
        const StatusReport report = readStatusFrame(frame);
        check(report.count >= 0 && report.count <= 0xFFFF);
        if (report.kind != StatusReport::Unknown)
            check(frame.startsWith(header));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the read lengths (1 to 32 bytes each); the rest is the line.
    unsigned seed = data[0];
    const QByteArray line(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));

    ReplyReader whole;
    const QList<QByteArray> expected = whole.feed(line);
    checkFrames(expected);

    ReplyReader pieces;
    QList<QByteArray> got;
    int pos = 0;
    while (pos < line.size()) {
        seed = seed * 1103515245u + 12345u;
        const int length = 1 + static_cast<int>((seed >> 16) % 32);
        const QList<QByteArray> frames = pieces.feed(line.mid(pos, length));
        checkFrames(frames);
        got += frames;
        pos += length;
        check(pieces.buffered() <= (pieces.isSynchronising() ? syncBufferLimit : bufferLimit));
    }
    check(got == expected);
    check(pieces.buffered() == whole.buffered());

    // A quiet line then judges the same bytes the same way.
    const QList<QByteArray> quiet = whole.flushQuiet();
    checkFrames(quiet);
    check(pieces.flushQuiet() == quiet);
    check(pieces.buffered() == whole.buffered());
    // Still looking for the first header, it keeps at most a header begun.
    check(!whole.isSynchronising() || whole.buffered() < statusHeader().size());

    // After clear() the reader starts afresh, as after a reopened port.
    pieces.clear();
    check(pieces.buffered() == 0);
    check(pieces.feed(line) == expected);
    return 0;
}
