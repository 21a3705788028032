#pragma once

// The wire format that the program and the simulated controller share.
// Command frames (host to controller) and status frames (controller to host)
// are 24 bytes: a header, a code at byte 8, arguments or a count, 0A at byte
// 20, the CRC-16 of bytes 0-20 at 21-22 (high byte first) and 8E at byte 23.

#include <QByteArray>
#include <QtGlobal>

namespace Protocol {

namespace Frame {
constexpr int size = 24;
constexpr int codeOffset = 8;
constexpr int argumentOffset = 9; // command arguments: three words, bytes 9-14
constexpr int argumentSize = 6;
constexpr int countOffset = 11; // status count: one word, bytes 11-12
constexpr int trailerOffset = 20;
constexpr int crcOffset = 21; // the CRC covers the bytes before it
constexpr char mark = '\x8E'; // start and end byte
constexpr char trailer = '\x0A';
} // namespace Frame

// 8E 01 7A: every command frame begins so.
inline QByteArray commandHeader()
{
    return QByteArrayLiteral("\x8E\x01\x7A");
}
// 8E 02 7A 10 FF: every status frame begins so.
inline QByteArray statusHeader()
{
    return QByteArrayLiteral("\x8E\x02\x7A\x10\xFF");
}
// 4F 4B 21 ("OK!"), the host's answer to status codes 41, 42 and 46.
inline QByteArray acknowledgement()
{
    return QByteArrayLiteral("OK!");
}

enum class CommandCode : quint8 {
    Parameters = 0x41, // open time, close time, cycle count
    SelectMode = 0x42, // argument: ModeArgument
    Manual = 0x43, // argument: 1 start, 0 stop
    Automatic = 0x44, // argument: 1 start, 2 stop, 0 off
};

enum class ModeArgument : quint8 { Manual = 1, Automatic = 2, TriggerSync = 3, TriggerAsync = 4 };
enum class ManualArgument : quint8 { Stop = 0, Start = 1 };
enum class AutomaticArgument : quint8 { Off = 0, Start = 1, Stop = 2 };

enum class StatusCode : quint8 {
    ParametersTaken = 0x41, // acknowledged by the host
    ModeTaken = 0x42, // acknowledged by the host
    TriggerCount = 0x43,
    CycleCount = 0x44, // cycles left; 0 ends an automatic run
    ExternalTriggerCount = 0x45,
    Idle = 0x46, // acknowledged by the host
};

// What the parameter frame carries: open and close time in 100 ms units and
// the cycles of an automatic run, as the controller has them at power-up.
struct Timing
{
    int openTime = 2;
    int closeTime = 2;
    int cycles = 10;
};
// The range the program offers for each of the three.
constexpr int timingMinimum = 1;
constexpr int timingMaximum = 1000;

// A position or a length in a QByteArray: int under Qt 5, qsizetype under Qt 6.
using ByteIndex = QByteArray::size_type;

// A 16-bit field, high byte first, at offset and offset + 1.
quint16 readWord(const QByteArray &bytes, ByteIndex offset);
void putWord(QByteArray &bytes, ByteIndex offset, quint16 value);

enum class Match { Full, Prefix, Mismatch };
// Compares the bytes from pos with pattern. Prefix: the bytes end before the
// pattern does, all that is there matching. On Mismatch, *mismatchAt is the
// offset into pattern of the first byte that differs.
Match matchAt(const QByteArray &bytes, ByteIndex pos, const QByteArray &pattern,
              ByteIndex *mismatchAt = nullptr);

} // namespace Protocol
