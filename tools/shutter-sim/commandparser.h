#pragma once

#include <QByteArray>
#include <QList>

// What the controller finds on the line from the host.
struct HostMessage
{
    enum Kind { Command, Acknowledgement, BadFrame };
    Kind kind = Command;
    quint8 code = 0; // byte 8 of a command frame
    QByteArray arguments; // bytes 9-14 of a command frame
    QByteArray bytes; // the frame as received (commands and bad frames)
};

// Splits the host's byte stream into 24-byte command frames (8E 01 7A ...,
// 0A at 20, CRC of bytes 0-20 at 21-22, 8E at 23) and acknowledgements.
// Stray bytes are skipped; after a bad frame it resynchronises on the next
// 8E 01 7A.
class CommandParser
{
public:
    QList<HostMessage> feed(const QByteArray &chunk);

private:
    QByteArray buffer;
};
