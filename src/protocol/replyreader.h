#pragma once

#include "protocol.h"

#include <QByteArray>
#include <QList>

namespace Protocol {

// Turns the arbitrary chunks a serial driver delivers into messages.
// Acknowledgements (4F 4B 21) and bytes that start no message are dropped.
// A status frame (8E 02 7A 10 FF ...) is handed out once its first 13 bytes
// have arrived, or the next header, which ends it sooner; it is taken as 24
// bytes long unless that header comes sooner. A frame shorter than 13 bytes
// with nothing behind it is handed out when the line goes quiet. A 0x8E that
// turns out not to start a status header is handed out as a short foreign
// frame (its bytes up to the first mismatch), so that the first-reply check
// can see a wrong device. What stays buffered is bounded.
//
// A port may be opened while the controller is in the middle of a frame, so
// a new or cleared reader is synchronising: what comes before the first
// complete status header is the tail of a frame already on the line and is
// dropped. The controller puts a header at least every 24 bytes; bytes from
// a 0x8E that hold none within two frames and a header (53 bytes) are
// another device's, and from there on the line is read as above. A quiet
// line is the other sign, see flushQuiet().
class ReplyReader
{
public:
    // Appends a chunk and returns the frames completed by it, in order.
    QList<QByteArray> feed(const QByteArray &chunk);
    // For the owner to call when the line has gone quiet while waitsForQuiet().
    // While synchronising, a tail of a status frame is dropped, the start of a
    // header kept, and anything else from the first 0x8E is read as another
    // device's frame; afterwards, a frame begun is handed out as it came.
    QList<QByteArray> flushQuiet();
    void clear();
    ByteIndex buffered() const { return m_buffer.size(); }
    bool isSynchronising() const { return m_synchronising; }
    // True while only a quiet line can tell what the bytes held are.
    bool waitsForQuiet() const;

private:
    ByteIndex synchronise();
    bool holdsFrameBegun() const; // a header, its frame not handed out

    QByteArray m_buffer;
    bool m_synchronising = true; // no complete header seen since the start
    bool m_headDelivered = false; // the frame at the buffer's start was handed out
};

} // namespace Protocol
