// All but byte 0, fed in reads of 1-32 bytes that byte 0 seeds, and in one read.
#include "protocol.h"
#include "replyreader.h"

#include <cstdlib>

const auto check = [](bool ok) { return ok ? void() : std::abort(); };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unsigned seed = size ? data[0] : 0;
    const auto line = QByteArray(reinterpret_cast<const char *>(data), int(size)).mid(1);
    Protocol::ReplyReader whole, pieces;
    QByteArrayList got;
    for (int pos = 0, length = 0; pos < line.size(); pos += length) {
        seed = seed * 1103515245u + 12345u;
        length = 1 + int(seed >> 16) % 32;
        got += pieces.feed(line.mid(pos, length));
        // At most a frame's rest + a header begun, or 2 frames + a header - 1.
        check(pieces.buffered() <= (pieces.isSynchronising() ? 52 : 27));
    }
    const auto frames = whole.feed(line);
    check(got == frames);
    // Quiet: the same frames; synchronising, only a header begun stays.
    const auto quiet = whole.flushQuiet();
    check(pieces.flushQuiet() == quiet);
    check(pieces.buffered() == whole.buffered());
    check(!whole.isSynchronising() || whole.buffered() < 5);
    for (const auto &frame : frames + quiet) {
        // Foreign: the header up to a byte that differs.
        const bool foreign = Protocol::statusHeader().startsWith(frame.chopped(1))
            && !Protocol::statusHeader().startsWith(frame) && frame.size() > 1;
        check(frame.startsWith(Protocol::statusHeader()) ? frame.size() <= 13 : foreign);
    }
    pieces.clear(); // as after a reopened port
    check(pieces.feed(line) == frames);
    return 0;
}
