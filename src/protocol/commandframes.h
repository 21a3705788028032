#pragma once

#include "protocol.h"

class QString;

namespace Protocol {

// A command frame with one argument byte at offset 9 (mode, manual, automatic).
QByteArray commandFrame(CommandCode code, quint8 argument);
QByteArray modeFrame(ModeArgument mode);
QByteArray manualFrame(ManualArgument action);
QByteArray automaticFrame(AutomaticArgument action);

// The parameter frame: open and close time (100 ms units) and cycle count,
// each a word. Values beyond 0..65535 are clamped, so the frame stays 24 bytes.
QByteArray parameterFrame(const Timing &timing);

// What the log shows of a parameter frame: bytes 0-20 as upper-case pairs
// separated by blanks, except the six argument bytes in lower case, then the
// CRC in lower case and "8E" with no blanks:
// "8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a 00 00 00 00 00 0A968e8E".
QString parameterLogText(const QByteArray &frame);

// Sets bytes 20-23 of a frame whose bytes 0-19 are laid out: 0A, the CRC
// of bytes 0-20 and the end byte.
void sealFrame(QByteArray &frame);

// A whole, undamaged command frame: header, trailer, CRC and end byte right.
bool isCommandFrame(const QByteArray &frame);

} // namespace Protocol
