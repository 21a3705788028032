#pragma once

#include "protocol.h"

namespace Protocol {

// What a status frame from the controller asks of the host.
struct StatusReport
{
    enum Kind { Unknown, Acknowledge, TriggerCount, CycleCount };
    Kind kind = Unknown;
    int count = 0; // the count word; read for the count kinds
};

// True when the frame begins with 8E 02 7A (the first-reply check).
bool hasDeviceHeader(const QByteArray &frame);

// Reads the code (bytes 0-8 matched as a unit) and the count of a status
// frame; a frame cut inside the count keeps what it holds of it.
StatusReport readStatusFrame(const QByteArray &frame);

// A 24-byte status frame as the controller sends it:
// 8E 02 7A 10 FF 00 00 00 code 00 00 countHi countLo 00.. 0A crcHi crcLo 8E.
QByteArray statusFrame(StatusCode code, quint16 count);

} // namespace Protocol
