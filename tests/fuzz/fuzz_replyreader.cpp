// Feeds the reply reader the input in reads whose lengths the input chooses, against one read.
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Held between reads at most: a handed-out frame whose end waits on a header begun at its byte
// 23 (27 bytes); before the first header, what follows a 0x8E short of two frames and a header.
constexpr int bufferLimit = 27;
constexpr int syncBufferLimit = 52;

const auto check = [](bool condition) { return condition ? void() : std::abort(); };

const auto checkFrames = [](const QList<QByteArray> &frames) {
    const QByteArray header = statusHeader();
    for (const QByteArray &frame : frames) {
        check(!frame.isEmpty() && static_cast<quint8>(frame.at(0)) == 0x8E);
        // A foreign frame stops at the first byte that is not the header's.
        check(frame.startsWith(header)
                  ? frame.size() == 13
                  : frame.size() <= header.size() && (!hasDeviceHeader(frame) || frame.size() > 3));
        const StatusReport report = readStatusFrame(frame);
        check(report.count >= 0 && report.count <= 0xFFFF);
        check(report.kind == StatusReport::Unknown || frame.startsWith(header));
    }
};

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
    for (int pos = 0, length = 0; pos < line.size(); pos += length) {
        seed = seed * 1103515245u + 12345u;
        length = 1 + static_cast<int>((seed >> 16) % 32);
        got += pieces.feed(line.mid(pos, length));
        check(pieces.buffered() <= (pieces.isSynchronising() ? syncBufferLimit : bufferLimit));
    }
    checkFrames(got);
    check(got == expected && pieces.buffered() == whole.buffered());

    // A quiet line then judges the same bytes the same way; still looking for the first
    // header, the reader keeps at most a header begun.
    const QList<QByteArray> quiet = whole.flushQuiet();
    checkFrames(quiet);
    check(pieces.flushQuiet() == quiet && pieces.buffered() == whole.buffered());
    check(!whole.isSynchronising() || whole.buffered() < statusHeader().size());

    // After clear() the reader starts afresh, as after a reopened port.
    pieces.clear();
    check(pieces.buffered() == 0 && pieces.feed(line) == expected);
    return 0;
}
