#include "simulatedline.h"

namespace {

// A host that reads keeps the queue short; more than this means nobody is
// reading, and a host opening the port later should not get a stale backlog.
constexpr int unreadLimit = 256;
// Bytes left unread this long mean no host has the port open (any longer).
constexpr int hostTimeout = 1000; // ms

} // namespace

void SimulatedLine::send(const QByteArray &bytes)
{
    if (unreadByProgram() > unreadLimit) {
        dropUnreadByProgram();
        ++m_discards;
    }
    write(bytes); // what a full line cannot take is lost, as on a real one
}

bool SimulatedLine::hostPresent()
{
    if (slaveFd() < 0)
        return false;
    const int unread = unreadByProgram();
    // Fewer bytes than last time, and not by a discard of ours: someone read.
    const bool taken = unread < m_lastUnread && m_discards == m_discardsSeen;
    if (taken)
        m_host = true;
    if (unread == 0 || taken)
        m_lying.invalidate();
    else if (!m_lying.isValid())
        m_lying.start();
    else if (m_lying.hasExpired(hostTimeout))
        m_host = false;
    m_lastUnread = unread;
    m_discardsSeen = m_discards;
    return m_host;
}
