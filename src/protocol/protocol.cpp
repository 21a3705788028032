#include "protocol/protocol.h"

QByteArray commandHeader()
{
    return QByteArrayLiteral("\x8E\x01\x7A");
}

QByteArray statusHeader()
{
    return QByteArrayLiteral("\x8E\x02\x7A\x10\xFF");
}

QByteArray acknowledgement()
{
    return QByteArrayLiteral("OK!");
}
