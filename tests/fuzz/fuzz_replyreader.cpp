// The input after its first byte fed in reads of 1-32 bytes that byte seeds, and in one read.
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

const auto check = [](bool condition) { return condition ? void() : std::abort(); };

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    unsigned seed = data[0];
    const QByteArray line(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    ReplyReader whole;
    ReplyReader pieces;
    QList<QByteArray> got;
    for (int pos = 0, length = 0; pos < line.size(); pos += length) {
        seed = seed * 1103515245u + 12345u;
        length = 1 + static_cast<int>((seed >> 16) % 32);
        got += pieces.feed(line.mid(pos, length));
        // Kept: a handed-out frame's 23 bytes + a header begun, or 0x8E short of 2 frames + header.
        check(pieces.buffered() <= (pieces.isSynchronising() ? 52 : 27));
    }
    const QList<QByteArray> frames = whole.feed(line);
    check(got == frames);
    // A quiet line: the same frames, and while synchronising at most a header begun is kept.
    const QList<QByteArray> quiet = whole.flushQuiet();
    check(pieces.flushQuiet() == quiet);
    check(pieces.buffered() == whole.buffered());
    check(!whole.isSynchronising() || whole.buffered() < 5);
    const QByteArray header = statusHeader();
    for (const QByteArray &frame : frames + quiet) {
        // A foreign frame is the header's bytes through the first that differs.
        const bool foreign = header.startsWith(frame.chopped(1)) && !header.startsWith(frame);
        check(frame.startsWith('\x8E'));
        check(frame.startsWith(header) ? frame.size() <= 13 : foreign);
    }
    pieces.clear(); // as after a reopened port: a fresh reader
    check(pieces.feed(line) == frames);
    return 0;
}
