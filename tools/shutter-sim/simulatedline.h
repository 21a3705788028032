#pragma once

#include "pseudoterminal.h"

#include <QElapsedTimer>

// The controller's line as a serial line behaves: while nobody reads, what
// comes beyond a short backlog is lost, and whether a host reads at all can be
// told from what lies unread.
class SimulatedLine : public PseudoTerminal
{
public:
    // Writes without blocking; nothing while a backlog lies unread.
    void send(const QByteArray &bytes);

    // Whether a host seems to have the port open, judged by what is left
    // unread: a host takes what is written within moments, so bytes lying
    // unread for a second mean nobody has. Call it regularly; no host at first.
    bool hostPresent();

private:
    int m_lastUnread = 0;
    bool m_host = false;
    QElapsedTimer m_lying; // since when bytes have been waiting unread
};
