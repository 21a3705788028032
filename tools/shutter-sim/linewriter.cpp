#include "linewriter.h"

#include "pty.h"

#include <QRandomGenerator>

namespace {
// Held frames go out at the latest after this, so the host's watchdog stays quiet.
constexpr int longestHold = 400; // ms
} // namespace

LineWriter::LineWriter(PseudoTerminal *line, const Faults &faults, QRandomGenerator *random,
                       QObject *parent)
    : QObject(parent), line(line), faults(faults), random(random)
{
    holdTimer.setSingleShot(true);
    holdTimer.setInterval(longestHold);
    connect(&holdTimer, &QTimer::timeout, this, &LineWriter::flushHeld);
    pieceTimer.setSingleShot(true);
    connect(&pieceTimer, &QTimer::timeout, this, &LineWriter::writeNextPiece);
}

void LineWriter::send(const QByteArray &frame)
{
    if (faults.silent)
        return;
    const QByteArray bytes = withFaults(frame);
    if (!faults.join) {
        queue(bytes, faults.split);
        return;
    }
    held.append(bytes);
    if (++heldFrames >= holdTarget)
        flushHeld();
    else if (!holdTimer.isActive())
        holdTimer.start();
}

void LineWriter::stream(const QByteArray &frame)
{
    if (!faults.silent)
        queue(withFaults(frame), true);
}

QByteArray LineWriter::withFaults(const QByteArray &frame)
{
    QByteArray bytes = frame;
    if (faults.wrongDevice && bytes.size() > 1)
        bytes[1] = 0x05;
    if (faults.garbage)
        bytes.prepend(noise());
    return bytes;
}

void LineWriter::flushHeld()
{
    holdTimer.stop();
    if (held.isEmpty())
        return;
    queue(held, faults.split);
    held.clear();
    heldFrames = 0;
    holdTarget = 2 + random->bounded(3);
}

void LineWriter::queue(const QByteArray &bytes, bool inPieces)
{
    // Whole writes wait behind pieces still to go, so frames never interleave.
    if (!inPieces && pieces.isEmpty()) {
        line->write(bytes);
        return;
    }
    for (int pos = 0; pos < bytes.size();) {
        const int length = inPieces ? 1 + random->bounded(8) : bytes.size();
        pieces.append(bytes.mid(pos, length));
        pos += length;
    }
    if (!pieceTimer.isActive())
        writeNextPiece();
}

void LineWriter::writeNextPiece()
{
    if (pieces.isEmpty())
        return;
    line->write(pieces.takeFirst());
    if (!pieces.isEmpty())
        pieceTimer.start(1 + random->bounded(5));
}

QByteArray LineWriter::noise()
{
    // Any byte, the start byte 0x8E too: the host must not take a stray one
    // for another device's frame.
    QByteArray bytes;
    const int length = 1 + random->bounded(6);
    while (bytes.size() < length)
        bytes.append(static_cast<char>(random->bounded(256)));
    return bytes;
}
