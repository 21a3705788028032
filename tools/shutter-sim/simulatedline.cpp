#include "simulatedline.h"

namespace {

// A host that reads keeps the queue short; beyond this nobody reads, and what
// comes next is lost, as a receiver's full buffer loses it. What lies there is
// never taken back: a host about to read it would get an empty read, which a
// serial port reports as an error.
constexpr int unreadLimit = 256;
// Bytes left unread this long mean no host has the port open (any longer).
constexpr int hostTimeout = 1000; // ms

} // namespace

void SimulatedLine::send(const QByteArray &bytes)
{
    if (unreadByProgram() <= unreadLimit)
        write(bytes); // what a full line cannot take is lost, as on a real one
}

bool SimulatedLine::hostPresent()
{
    if (slaveFd() < 0)
        return false;
    const int unread = unreadByProgram();
    // Fewer bytes than last time: someone read.
    const bool taken = unread < m_lastUnread;
    if (taken)
        m_host = true;
    if (unread == 0 || taken)
        m_lying.invalidate();
    else if (!m_lying.isValid())
        m_lying.start();
    else if (m_lying.hasExpired(hostTimeout))
        m_host = false;
    m_lastUnread = unread;
    return m_host;
}
