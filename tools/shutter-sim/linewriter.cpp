#include "linewriter.h"

#include "protocol.h"
#include "simulatedline.h"

#include <QRandomGenerator>

namespace {
// Held frames go out at the latest after this, so the host's watchdog stays quiet.
constexpr int longestHold = 400; // ms
} // namespace

LineWriter::LineWriter(SimulatedLine *line, const Faults &faults, QRandomGenerator *random,
                       QObject *parent)
    : QObject(parent), m_line(line), m_faults(faults), m_random(random)
{
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setInterval(longestHold);
    connect(&m_holdTimer, &QTimer::timeout, this, &LineWriter::flushHeld);
    m_pieceTimer.setSingleShot(true);
    connect(&m_pieceTimer, &QTimer::timeout, this, &LineWriter::writeNextPiece);
}

void LineWriter::send(const QByteArray &frame)
{
    if (m_faults.silent)
        return;
    const QByteArray bytes = withFaults(frame);
    if (!m_faults.join) {
        queue(bytes, m_faults.split);
        return;
    }
    m_held.append(bytes);
    if (++m_heldFrames >= m_holdTarget)
        flushHeld();
    else if (!m_holdTimer.isActive())
        m_holdTimer.start();
}

void LineWriter::stream(const QByteArray &frame)
{
    if (!m_faults.silent)
        queue(withFaults(frame), true);
}

QByteArray LineWriter::withFaults(const QByteArray &frame)
{
    QByteArray bytes = frame;
    if (m_faults.wrongDevice && bytes.size() > 1)
        bytes[1] = 0x05;
    if (m_faults.garbage)
        bytes.prepend(noise());
    return bytes;
}

void LineWriter::flushHeld()
{
    m_holdTimer.stop();
    if (m_held.isEmpty())
        return;
    queue(m_held, m_faults.split);
    m_held.clear();
    m_heldFrames = 0;
    m_holdTarget = 2 + m_random->bounded(3);
}

void LineWriter::queue(const QByteArray &bytes, bool inPieces)
{
    // Whole writes wait behind pieces still to go, so frames never interleave.
    if (!inPieces && m_pieces.isEmpty()) {
        m_line->send(bytes);
        return;
    }
    for (Protocol::ByteIndex pos = 0; pos < bytes.size();) {
        const Protocol::ByteIndex length = inPieces ? 1 + m_random->bounded(8) : bytes.size();
        m_pieces.append(bytes.mid(pos, length));
        pos += length;
    }
    if (!m_pieceTimer.isActive())
        writeNextPiece();
}

void LineWriter::writeNextPiece()
{
    if (m_pieces.isEmpty())
        return;
    m_line->send(m_pieces.takeFirst());
    if (!m_pieces.isEmpty())
        m_pieceTimer.start(1 + m_random->bounded(5));
}

QByteArray LineWriter::noise()
{
    // Any byte, the start byte 0x8E too: the host must not take a stray one
    // for another device's frame.
    QByteArray bytes;
    const int length = 1 + m_random->bounded(6);
    while (bytes.size() < length)
        bytes.append(static_cast<char>(m_random->bounded(256)));
    return bytes;
}
