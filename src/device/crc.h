#pragma once

#include <QString>

// CRC-16/XMODEM: width 16, poly 0x1021, init 0x0000, not reflected,
// final XOR 0x0000, check value over "123456789" = 0x31C3.
quint16 crc16(const char *data, int length);

// The CRC of the first length bytes as four lower-case hex digits ("0557").
QString crcText(const char *data, int length);

// The CRC of a frame text ("8E 01 7A ..."), split at single blanks; a part
// that is not hex (an empty part too) counts as a 0x00 byte.
QString crcOfHexText(const QString &text);
