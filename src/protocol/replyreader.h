#pragma once

#include <QByteArray>
#include <QList>

// Turns the arbitrary chunks a serial driver delivers into messages.
// Acknowledgements (4F 4B 21) and bytes that start no message are dropped.
// A status frame (8E 02 7A 10 FF ...) is handed out once its first 13 bytes
// have arrived; it is taken as 24 bytes long unless the next header comes
// sooner. A 0x8E that turns out not to start a status header is handed out
// as a short foreign frame (its bytes up to the first mismatch), so that the
// first-reply check can see a wrong device. What stays buffered is bounded.
class ReplyReader
{
public:
    // Appends a chunk and returns the frames completed by it, in order.
    QList<QByteArray> feed(const QByteArray &chunk);
    void clear();
    int buffered() const { return buffer.size(); }

private:
    QByteArray buffer;
    bool headDelivered = false; // the frame at the buffer's start was handed out
};
