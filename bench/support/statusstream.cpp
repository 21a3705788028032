#include "statusstream.h"

#include "statusframe.h"

using namespace Protocol;

StatusStream makeStatusStream(int frames)
{
    StatusStream stream;
    stream.frames = frames;
    stream.bytes.reserve(frames * 24);
    for (int i = 0; i < frames; ++i) {
        if (i % 8 == 7) {
            stream.bytes += statusFrame(StatusCode::ParametersTaken, 0);
            ++stream.ackFrames;
        } else {
            ++stream.countFrames;
            stream.lastCount = stream.countFrames & 0xFFFF;
            stream.bytes
                += statusFrame(StatusCode::TriggerCount, static_cast<quint16>(stream.lastCount));
        }
    }
    return stream;
}
