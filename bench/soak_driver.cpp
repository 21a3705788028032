// Runs the real window against the simulated controller for MINUTES with the
// line faults switched on in turn, reopening the port after every closure,
// and fails when resident memory grows without bound.
// Usage: soak_driver MINUTES
#include "countdisplay.h"
#include "logsink.h"
#include "mainwindow.h"
#include "procstats.h"
#include "soakphases.h"
#include "support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const char connectedText[] = "串口已连接";
constexpr int sampleInterval = 5000; // ms between resident-memory samples
constexpr double warmUp = 120; // s before the slope is fitted
constexpr double judgedRun = 300; // s: shorter runs print the slope only
constexpr double slopeLimit = 5; // MB per hour at the soak's fault rate

class SoakDriver : public QObject
{
public:
    SoakDriver(QWidget *window, const LogSink &logSink, int seconds)
        : window(window), totalMs(1000LL * seconds), phases(soakPhases())
    {
        connect(this->window.get<CountDisplay>("countDisplay"), &QTextEdit::textChanged, this,
                [this] { ++countUpdates; });
        // Every closure, whoever caused it, leaves its line in the log.
        connect(&logSink, &LogSink::lineLogged, this, [this](const QString &line) {
            if (line.endsWith(QStringLiteral("已关闭！")))
                ++closures;
        });
        connect(&tick, &QTimer::timeout, this, [this] { step(); });
        connect(&sampler, &QTimer::timeout, this,
                [this] { memory << qMakePair(clock.elapsed() / 1000.0, residentKb()); });
    }

    void start()
    {
        clock.start();
        phaseClock.start();
        tick.start(200);
        sampler.start(sampleInterval);
    }

    // The figures, printed once the run is over; false when the soak failed.
    bool report();

private:
    void step();
    void nextPhase();
    bool startSimulator();
    void stopSimulator();
    void reopen();
    void operate();
    bool portIsOpen() const { return window.status() == QString::fromUtf8(connectedText); }
    void disconnectPort() const { window.get<QPushButton>("disconnect")->click(); }

    WindowDriver window;
    qint64 totalMs;
    QVector<SoakPhase> phases;
    int phase = 0;
    QTimer tick;
    QElapsedTimer clock;
    QElapsedTimer phaseClock;
    std::unique_ptr<Simulator> simulator;
    DialogAnswerer boxes;
    bool stepping = false;
    long countUpdates = 0;
    int closures = 0;
    int opens = 0;
    int simulators = 0;
    int actions = 0;
    QVector<long> rssKb;
    QTimer sampler;
    QVector<QPair<double, long>> memory; // seconds since the start, kB
};

void SoakDriver::step()
{
    // An operator does nothing while a box is up; a tick that runs inside the
    // nested loop of a box it caused waits for the next one.
    if (stepping || QApplication::activeModalWidget())
        return;
    stepping = true;
    if (clock.elapsed() >= totalMs) {
        tick.stop();
        disconnectPort();
        stopSimulator();
        rssKb << residentKb();
        QCoreApplication::quit();
    } else if (phaseClock.elapsed() >= 1000LL * phases.at(phase).seconds) {
        nextPhase();
    } else if (!portIsOpen()) {
        reopen();
    } else {
        operate();
    }
    stepping = false;
}

void SoakDriver::nextPhase()
{
    disconnectPort();
    stopSimulator();
    rssKb << residentKb();
    std::printf("soak: phase %-12s done at %5.1f s: %ld count updates, %d closures, %ld kB "
                "resident\n",
                qPrintable(phases.at(phase).name), clock.elapsed() / 1000.0, countUpdates, closures,
                rssKb.last());
    std::fflush(stdout);
    phase = (phase + 1) % phases.size();
    phaseClock.restart();
}

bool SoakDriver::startSimulator()
{
    // A new one each time: a controller that vanished comes back on a new path.
    simulator = std::make_unique<Simulator>();
    return simulator->start(QStringList{ QStringLiteral("--seed"), QString::number(++simulators),
                                         QStringLiteral("--trigger-rate"), QStringLiteral("100"),
                                         QStringLiteral("--idle-interval"), QStringLiteral("100"),
                                         QStringLiteral("--exit-on-stdin-eof") }
                            + phases.at(phase).simulatorOptions);
}

void SoakDriver::stopSimulator()
{
    // What it said on stderr (acknowledgements cut off by a closure) is expected here.
    if (simulator)
        simulator->stop();
    simulator.reset();
}

void SoakDriver::reopen()
{
    if (!simulator || simulator->state() != QProcess::Running) {
        if (!startSimulator())
            return;
    }
    // As the operator: open the selector (it rescans), pick the controller's port.
    if (window.openPort(simulator->port)) {
        ++opens;
        if (rssKb.isEmpty())
            rssKb << residentKb();
    }
}

void SoakDriver::operate()
{
    // Mostly external trigger, where the controller reports fastest; now and
    // then the other modes, start/stop and new parameters.
    QRandomGenerator *random = QRandomGenerator::global();
    const int choice = random->bounded(20);
    ++actions;
    if (choice == 0) {
        window.radio(0)->click(); // manual
    } else if (choice == 1) {
        window.radio(1)->click(); // automatic
    } else if (choice < 4) {
        // Its tooltip names what a click does next.
        QPushButton *startStop = window.button(QStringLiteral("open"));
        if (!startStop)
            startStop = window.button(QStringLiteral("stop"));
        if (startStop->isEnabled())
            startStop->click();
    } else if (choice == 4) {
        window.get<QSpinBox>("openSpin")->setValue(random->bounded(1, 6));
        window.get<QSpinBox>("closeSpin")->setValue(random->bounded(1, 6));
        window.get<QSpinBox>("cycleSpin")->setValue(random->bounded(1, 1001));
        auto *save = window.get<QPushButton>("Buttontext");
        if (save->isEnabled())
            save->click();
    } else if (choice == 5) {
        auto *trigger = window.get<QSpinBox>("triggerSpin");
        if (trigger->isEnabled())
            trigger->setValue(1 - trigger->value());
    } else if (!window.radio(2)->isChecked()) {
        window.radio(2)->click(); // external trigger
    } else {
        --actions;
    }
}

bool SoakDriver::report()
{
    const long startKb = rssKb.isEmpty() ? -1 : rssKb.first();
    const long endKb = rssKb.isEmpty() ? -1 : rssKb.last();
    const bool grows = memoryGrowsWithoutBound(rssKb);
    // The slope after the warm-up is judged on runs long enough to show it.
    const double seconds = clock.elapsed() / 1000.0;
    const bool judged = seconds >= judgedRun;
    const double slope = memorySlopeMbPerHour(memory, judged ? warmUp : seconds / 3);
    const bool ok = !grows && opens > 0 && countUpdates > 0 && startKb > 0
        && (!judged || slope <= slopeLimit);
    std::printf("soak: resident memory grows %+.2f MB per hour after %.0f s%s\n", slope,
                judged ? warmUp : seconds / 3,
                judged ? (slope <= slopeLimit ? " (limit 5)" : ": OVER THE LIMIT OF 5")
                       : " (not judged: the run is shorter than 5 minutes)");
    std::printf("soak: %d opens, %d closures, %d actions, %d simulators, %d boxes answered\n",
                opens, closures, actions, simulators, boxes.seen.size());
    std::printf("soak: resident memory %.1f MB at the start, %.1f MB at the end%s\n",
                startKb / 1024.0, endKb / 1024.0, grows ? ": GROWS WITHOUT BOUND" : "");
    std::printf("BENCH soak seconds=%.0f count_updates=%ld opens=%d closures=%d boxes=%d "
                "rss_start_mb=%.1f rss_end_mb=%.1f slope_mb_per_h=%.2f ok=%d\n",
                clock.elapsed() / 1000.0, countUpdates, opens, closures, boxes.seen.size(),
                startKb / 1024.0, endKb / 1024.0, slope, ok ? 1 : 0);
    std::fflush(stdout);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    const TestHome home;
    if (!home.isValid())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 1.0;

    // As main does it.
    LogSink logSink;
    MainWindow window(&logSink);
    window.show();
    // Every control the soak touches: a renamed one fails here, not midway.
    const WindowDriver controls(&window);
    const QObject *needed[] = { controls.get<CountDisplay>("countDisplay"),
                                controls.get<QPushButton>("disconnect"),
                                controls.get<QPushButton>("Buttontext"),
                                controls.button(QStringLiteral("open")),
                                controls.radio(2),
                                controls.get<QSpinBox>("openSpin"),
                                controls.get<QSpinBox>("closeSpin"),
                                controls.get<QSpinBox>("cycleSpin"),
                                controls.get<QSpinBox>("triggerSpin") };
    if (std::find(std::begin(needed), std::end(needed), nullptr) != std::end(needed)) {
        std::fprintf(stderr, "soak: the window lacks a control it drives\n");
        return 1;
    }
    SoakDriver driver(&window, logSink, static_cast<int>(minutes * 60));
    driver.start();
    app.exec();
    return driver.report() ? 0 : 1;
}
