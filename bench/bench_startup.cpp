// Time from process start to the main window shown (offscreen), and resident
// memory then. Without arguments it runs itself five times and reports the
// median; with --once it is one such run and prints "<ms> <kB>".
#include "benchwindow.h"
#include "procstats.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Quits the event loop at the first Expose of the window: it is on screen.
class ExposeWatch : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_exposed) {
            m_exposed = true;
            QCoreApplication::exit();
        }
        return QObject::eventFilter(watched, event);
    }
    bool exposed() const { return m_exposed; }

private:
    bool m_exposed = false;
};

int runOnce(int argc, char *argv[])
{
    const BenchWindow bench(argc, argv);
    if (!bench.isValid())
        return 1;
    MainWindow &window = bench.window();
    window.winId(); // the native window exists before show, so its Expose is seen
    ExposeWatch watch;
    window.windowHandle()->installEventFilter(&watch);
    window.show();
    if (!watch.exposed())
        QApplication::exec();
    const double ms = 1000.0 * secondsSinceProcessStart();
    std::printf("%.0f %ld\n", ms, residentKb());
    std::fflush(stdout);
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--once") == 0)
        return runOnce(argc, argv);

    QCoreApplication app(argc, argv);
    std::vector<double> times;
    std::vector<double> memory;
    for (int i = 0; i < 5; ++i) {
        QProcess run;
        run.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--once") });
        if (!run.waitForFinished(30000) || run.exitCode() != 0) {
            std::fprintf(stderr, "startup: run %d failed\n", i + 1);
            return 1;
        }
        const QList<QByteArray> fields = run.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 2)
            return 1;
        times.push_back(fields.at(0).toDouble());
        memory.push_back(fields.at(1).toDouble() / 1024.0);
        std::printf("startup: run %d: %.0f ms to the window shown, %.1f MB resident\n", i + 1,
                    times.back(), memory.back());
    }
    std::printf("BENCH startup runs=5 median_ms=%.0f max_ms=%.0f median_rss_mb=%.1f\n",
                median(times), *std::max_element(times.begin(), times.end()), median(memory));
    std::fflush(stdout);
    return 0;
}
