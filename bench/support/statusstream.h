#pragma once

#include <QByteArray>

// The controller's side of a benchmark: a stream of status frames with
// rising trigger counts (0x43) and every eighth one asking for an
// acknowledgement (0x41).
struct StatusStream
{
    QByteArray bytes;
    int frames = 0;
    int countFrames = 0; // frames that report a trigger count
    int ackFrames = 0; // frames the host must answer with 4F 4B 21
    int lastCount = 0; // the count of the last 0x43 frame
};

StatusStream makeStatusStream(int frames);
