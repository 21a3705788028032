// How many status frames per second the reply path (the session's reader,
// acknowledgements and count reports) handles when the line brings them as
// fast as a pseudo-terminal can, cut at random places, and whether every one
// was accounted for. Usage: bench_reply_path [FRAMES]
#include "shuttersession.h"
#include "statusstream.h"
#include "support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr double lineLimit = 480.0; // 24-byte frames at 115200 baud, 10 bits a byte

using Clock = std::chrono::steady_clock;

struct Peer
{
    std::atomic<bool> written{ false };
    std::atomic<bool> stop{ false };
    std::atomic<long> ackBytes{ 0 };
    Clock::time_point lastAck;
};

// Writes the stream in random pieces of 1 to 256 bytes as fast as the pty
// takes them, and reads the acknowledgements the session sends back.
void runPeer(int master, const QByteArray &stream, Peer *peer)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> piece(1, 256);
    const int size = static_cast<int>(stream.size());
    int pos = 0;
    char buffer[4096];
    while (!peer->stop) {
        pollfd fd{ master, static_cast<short>(POLLIN | (pos < size ? POLLOUT : 0)), 0 };
        if (poll(&fd, 1, 100) <= 0)
            continue;
        if (fd.revents & POLLIN) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                peer->ackBytes += n;
                peer->lastAck = Clock::now();
            }
        }
        if ((fd.revents & POLLOUT) && pos < size) {
            const int length = qMin(piece(random), size - pos);
            const ssize_t n
                = ::write(master, stream.constData() + pos, static_cast<size_t>(length));
            if (n > 0)
                pos += static_cast<int>(n);
            if (pos == size)
                peer->written = true;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const TestHome home;
    if (!home.isValid())
        return 1;
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200000;

    ShutterSession session;
    PtyPair line;
    if (line.slavePath().isEmpty()
        || session.open(line.slavePath()) != ShutterSession::OpenResult::Opened) {
        std::fprintf(stderr, "reply_path: cannot open a pseudo-terminal\n");
        return 1;
    }

    const StatusStream stream = makeStatusStream(frames);
    // Every count frame must be reported once, in order: each count is the
    // one before plus one (16 bits, so it wraps).
    long reports = 0;
    long outOfOrder = 0;
    int lastCount = 0;
    Clock::time_point lastReport;
    QObject::connect(&session, &ShutterSession::countReported, &session, [&](CountKind, int count) {
        if (count != ((lastCount + 1) & 0xFFFF))
            ++outOfOrder;
        lastCount = count;
        ++reports;
        lastReport = Clock::now();
    });

    Peer peer;
    const Clock::time_point start = Clock::now();
    std::thread writer(runPeer, line.masterFd(), stream.bytes, &peer);

    // Done when every count is reported and every acknowledgement is back,
    // or when nothing has moved for five seconds.
    long seenReports = -1;
    long seenAcks = -1;
    QElapsedTimer still;
    still.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        const long acks = peer.ackBytes;
        if (peer.written && reports >= stream.countFrames && acks >= 3L * stream.ackFrames) {
            app.quit();
            return;
        }
        if (reports != seenReports || acks != seenAcks) {
            seenReports = reports;
            seenAcks = acks;
            still.restart();
        } else if (still.elapsed() > 5000) {
            app.quit();
        }
    });
    poll.start(20);
    app.exec();
    // Acknowledgements still on their way are given a moment.
    for (int i = 0; i < 50 && peer.ackBytes < 3L * stream.ackFrames; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    peer.stop = true;
    writer.join();

    const Clock::time_point end = qMax(lastReport, peer.lastAck);
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double rate = seconds > 0 ? frames / seconds : 0;
    const bool lastRight = lastCount == stream.lastCount;
    const long lost = stream.countFrames - reports;
    const long acks = peer.ackBytes / 3;
    const bool complete = peer.written && lastRight && lost == 0 && outOfOrder == 0
        && acks == stream.ackFrames && peer.ackBytes % 3 == 0;

    std::printf("reply path: %d frames (%d counts, %d asking for an ack) in %.3f s\n", frames,
                stream.countFrames, stream.ackFrames, seconds);
    std::printf("reply path: %.0f frames/s = %.1f x the line's 480 frames/s\n", rate,
                rate / lineLimit);
    std::printf("reply path: last count %s, %ld counts reported for %d (%ld out of order), acks "
                "%ld/%d\n",
                lastRight ? "right" : "WRONG", reports, stream.countFrames, outOfOrder, acks,
                stream.ackFrames);
    std::printf("BENCH reply_path frames=%d frames_per_s=%.0f x_line=%.1f lost=%ld "
                "acks_missing=%ld ok=%d\n",
                frames, rate, rate / lineLimit, lost, stream.ackFrames - acks, complete ? 1 : 0);
    std::fflush(stdout);
    return complete ? 0 : 1;
}
