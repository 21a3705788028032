#pragma once

#include <QByteArray>

// What a status frame from the controller asks of the host.
struct StatusReport
{
    enum Kind { Unknown, Acknowledge, TriggerCount, CycleCount };
    Kind kind = Unknown;
    int count = 0; // bytes 11-12, high byte first; read for the count kinds
};

// The five bytes that begin every status frame: 8E 02 7A 10 FF.
QByteArray statusHeader();

// True when the frame begins with 8E 02 7A (the first-reply check).
bool hasDeviceHeader(const QByteArray &frame);

// Reads the code (bytes 0-8 matched as a unit) and the count of a status frame
// holding at least its first 13 bytes.
StatusReport readStatusFrame(const QByteArray &frame);

// A 24-byte status frame as the controller sends it:
// 8E 02 7A 10 FF 00 00 00 code 00 00 countHi countLo 00.. 0A crcHi crcLo 8E.
QByteArray statusFrame(quint8 code, quint16 count);
