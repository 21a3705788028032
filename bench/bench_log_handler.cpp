// Lines per second through the message handler into the log pane and the
// day's file. Usage: bench_log_handler [LINES]
#include "benchwindow.h"
#include "logline.h"
#include "logpane.h"

#include <QDate>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    const BenchWindow bench(argc, argv);
    if (!bench.isValid())
        return 1;
    const int lines = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;

    MainWindow &window = bench.window();
    window.show();
    QCoreApplication::processEvents();
    auto *pane = window.findChild<LogPane *>(QStringLiteral("mLog_edit"));
    if (!pane)
        return 1;
    const int paneBefore = pane->lineCount();
    const QString file = logFilePath(logDirectory(), QDate::currentDate());
    QFile::remove(file);

    // The last tenth is timed apart: a pane that slows as it fills shows there.
    const int tail = qMax(1, lines / 10);
    QElapsedTimer timer;
    timer.start();
    qint64 tailStart = 0;
    for (int i = 0; i < lines; ++i) {
        if (i == lines - tail)
            tailStart = timer.nsecsElapsed();
        qDebug() << "串口:"
                 << "/dev/pts/9"
                 << "line" << i;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double tailSeconds = seconds - static_cast<double>(tailStart) / 1e9;
    QCoreApplication::processEvents();

    QFile written(file);
    int fileLines = 0;
    if (written.open(QIODevice::ReadOnly))
        fileLines = static_cast<int>(written.readAll().count("\r\n"));
    // The pane keeps the newest lines only.
    const int paneLines = pane->lineCount();
    const bool complete
        = fileLines == lines && paneLines == std::min(paneBefore + lines, LogPane::lineLimit);

    std::printf("log handler: %d lines in %.3f s = %.0f lines/s (last %d: %.0f lines/s)\n", lines,
                seconds, lines / seconds, tail, tail / tailSeconds);
    std::printf("log handler: %d lines in the file, %d in the pane\n", fileLines, paneLines);
    std::printf("BENCH log_handler lines=%d lines_per_s=%.0f tail_lines_per_s=%.0f ok=%d\n", lines,
                lines / seconds, tail / tailSeconds, complete ? 1 : 0);
    std::fflush(stdout);
    return complete ? 0 : 1;
}
