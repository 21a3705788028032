#pragma once

#include <QByteArray>
#include <QList>

// What the controller finds on the line from the host.
struct HostMessage
{
    enum Kind { Command, Acknowledgement, BadFrame };
    Kind kind = Command;
    QByteArray bytes; // the frame as received (commands and bad frames)
};

// Splits the host's byte stream into whole command frames and acknowledgements.
// Stray bytes are skipped; after a bad frame it resynchronises on the next
// 8E 01 7A.
class CommandParser
{
public:
    QList<HostMessage> feed(const QByteArray &chunk);

private:
    QByteArray m_buffer;
};
