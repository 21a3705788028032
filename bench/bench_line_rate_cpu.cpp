// The window's CPU use while the controller sends status frames at exactly
// the line's limit, 480 frames/s, for 10 s. Usage: bench_line_rate_cpu [SECONDS]
#include "benchwindow.h"
#include "countdisplay.h"
#include "procstats.h"
#include "statusstream.h"

#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace {

constexpr int lineLimit = 480;

struct Peer
{
    std::atomic<bool> done{ false };
    std::atomic<long> ackBytes{ 0 };
    double cpuSeconds = 0; // of the peer thread itself, left out of the window's share
};

// One frame every 1/480 s on a fixed schedule, acknowledgements read as they come.
void runPeer(int master, const QByteArray &stream, Peer *peer)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const int frames = static_cast<int>(stream.size() / 24);
    char buffer[256];
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / lineLimit));
        int pos = 0;
        while (pos < 24) {
            const ssize_t n
                = ::write(master, stream.constData() + 24 * i + pos, static_cast<size_t>(24 - pos));
            if (n > 0)
                pos += static_cast<int>(n);
        }
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0)
            peer->ackBytes += n;
    }
    peer->cpuSeconds = threadCpuSeconds();
    peer->done = true;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchWindow bench(argc, argv);
    if (!bench.isValid())
        return 1;
    QApplication &app = bench.app();
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;

    MainWindow &window = bench.window();
    window.show();
    const WindowDriver driver(&window);
    auto *countDisplay = driver.get<CountDisplay>("countDisplay");
    PtyPair line;
    if (!countDisplay || line.slavePath().isEmpty() || !driver.openPort(line.slavePath())) {
        std::fprintf(stderr, "line_rate_cpu: cannot open a pseudo-terminal\n");
        return 1;
    }
    long updates = 0;
    QObject::connect(countDisplay, &QTextEdit::textChanged, countDisplay, [&] { ++updates; });
    // Settle the start-up work before measuring.
    QTimer::singleShot(200, &app, [] { QCoreApplication::exit(); });
    app.exec();

    const StatusStream stream = makeStatusStream(lineLimit * seconds);
    Peer peer;
    const double cpuBefore = processCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    std::thread writer(runPeer, line.masterFd(), stream.bytes, &peer);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (peer.done)
            app.quit();
    });
    poll.start(50);
    app.exec();
    writer.join();
    // The last frames and acknowledgements still in the pty.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        char buffer[256];
        const ssize_t n = ::read(line.masterFd(), buffer, sizeof buffer);
        if (n > 0)
            peer.ackBytes += n;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double wall
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double windowCpu = processCpuSeconds() - cpuBefore - peer.cpuSeconds;
    const double percent = 100.0 * windowCpu / wall;
    // Counts are handled in order: the last one on screen accounts for the rest.
    const bool shownRight
        = countDisplay->toPlainText() == QStringLiteral("触发次数：%1").arg(stream.lastCount);
    const bool complete = shownRight && peer.ackBytes == 3L * stream.ackFrames;

    std::printf("line rate cpu: %d frames at %d/s over %.2f s; window used %.3f s of CPU\n",
                stream.frames, lineLimit, wall, windowCpu);
    std::printf("line rate cpu: %.2f %% of one core; last count shown %s, %ld display refreshes "
                "for %d counts, acks %ld/%d\n",
                percent, shownRight ? "right" : "WRONG", updates, stream.countFrames,
                peer.ackBytes / 3, stream.ackFrames);
    std::printf("BENCH line_rate_cpu frames_per_s=%d seconds=%.2f cpu_pct=%.2f ok=%d\n", lineLimit,
                wall, percent, complete ? 1 : 0);
    std::fflush(stdout);
    return complete ? 0 : 1;
}
