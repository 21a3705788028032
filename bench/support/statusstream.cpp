#include "statusstream.h"

#include "device/statusframe.h"

StatusStream makeStatusStream(int frames)
{
    StatusStream stream;
    stream.frames = frames;
    stream.bytes.reserve(frames * 24);
    for (int i = 0; i < frames; ++i) {
        if (i % 8 == 7) {
            stream.bytes += statusFrame(0x41, 0);
            ++stream.ackFrames;
        } else {
            ++stream.countFrames;
            stream.lastCount = stream.countFrames & 0xFFFF;
            stream.bytes += statusFrame(0x43, static_cast<quint16>(stream.lastCount));
        }
    }
    return stream;
}
