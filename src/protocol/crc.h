#pragma once

#include <QtGlobal>

namespace Protocol {

// CRC-16/XMODEM: width 16, polynomial 0x1021, initial value 0x0000, input and
// output not reflected, final XOR 0x0000; check value over "123456789" is
// 0x31C3. The controller checks command frames with exactly this variant.
quint16 crc16(const char *data, int length);

} // namespace Protocol
