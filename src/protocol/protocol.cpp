#include "protocol.h"

namespace Protocol {

quint16 readWord(const QByteArray &bytes, ByteIndex offset)
{
    return static_cast<quint16>((static_cast<quint8>(bytes.at(offset)) << 8)
                                | static_cast<quint8>(bytes.at(offset + 1)));
}

void putWord(QByteArray &bytes, ByteIndex offset, quint16 value)
{
    bytes[offset] = static_cast<char>(value >> 8);
    bytes[offset + 1] = static_cast<char>(value & 0xFF);
}

Match matchAt(const QByteArray &bytes, ByteIndex pos, const QByteArray &pattern,
              ByteIndex *mismatchAt)
{
    const ByteIndex n = qMin(bytes.size() - pos, pattern.size());
    for (ByteIndex k = 0; k < n; ++k) {
        if (bytes.at(pos + k) != pattern.at(k)) {
            if (mismatchAt)
                *mismatchAt = k;
            return Match::Mismatch;
        }
    }
    return n == pattern.size() ? Match::Full : Match::Prefix;
}

} // namespace Protocol
