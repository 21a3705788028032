#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class SimulatedLine;
class QRandomGenerator;

// Puts status frames on the line, with the faults a bad line or a wrong
// device shows when asked to.
class LineWriter : public QObject
{
    Q_OBJECT

public:
    struct Faults
    {
        bool silent = false; // nothing is written at all
        bool wrongDevice = false; // frames begin 8E 05 instead of 8E 02
        bool split = false; // each frame in random pieces with short pauses
        bool join = false; // several frames held back and written at once
        bool garbage = false; // random bytes between frames
    };

    LineWriter(SimulatedLine *line, const Faults &faults, QRandomGenerator *random,
               QObject *parent = nullptr);

    void send(const QByteArray &frame);
    // Like send, but always in pieces and never held back: a line that is
    // never idle, so a backlog thrown away leaves the host inside a frame.
    void stream(const QByteArray &frame);

private:
    QByteArray withFaults(const QByteArray &frame);
    void flushHeld();
    void queue(const QByteArray &bytes, bool inPieces);
    void writeNextPiece();
    QByteArray noise();

    SimulatedLine *m_line;
    Faults m_faults;
    QRandomGenerator *m_random;
    QByteArray m_held;
    int m_heldFrames = 0;
    int m_holdTarget = 2;
    QList<QByteArray> m_pieces;
    QTimer m_holdTimer;
    QTimer m_pieceTimer;
};
