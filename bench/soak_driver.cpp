// Runs the real window against the simulated controller for MINUTES with the
// line faults switched on in turn, reopening the port after every closure,
// and fails when resident memory grows without bound.
// Usage: soak_driver MINUTES
#include "benchwindow.h"
#include "countdisplay.h"
#include "procstats.h"
#include "soakphases.h"

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

double megabytes(long kb)
{
    return static_cast<double>(kb) / 1024.0;
}

class SoakDriver : public QObject
{
public:
    SoakDriver(QWidget *window, const LogSink &logSink, int seconds)
        : m_window(window), m_totalMs(1000LL * seconds), m_phases(soakPhases())
    {
        connect(m_window.get<CountDisplay>("countDisplay"), &QTextEdit::textChanged, this,
                [this] { ++m_countUpdates; });
        // Every closure, whoever caused it, leaves its line in the log.
        connect(&logSink, &LogSink::lineLogged, this, [this](const QString &line) {
            if (line.endsWith(QStringLiteral("已关闭！")))
                ++m_closures;
        });
        connect(&m_tick, &QTimer::timeout, this, [this] { step(); });
        connect(&m_sampler, &QTimer::timeout, this,
                [this] { m_memory << qMakePair(elapsedSeconds(), residentKb()); });
    }

    void start()
    {
        m_clock.start();
        m_phaseClock.start();
        m_tick.start(200);
        m_sampler.start(sampleInterval);
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
    double elapsedSeconds() const { return static_cast<double>(m_clock.elapsed()) / 1000.0; }
    bool portIsOpen() const { return m_window.status() == QString::fromUtf8(connectedText); }
    void disconnectPort() const { m_window.get<QPushButton>("disconnect")->click(); }

    WindowDriver m_window;
    qint64 m_totalMs;
    QVector<SoakPhase> m_phases;
    int m_phase = 0;
    QTimer m_tick;
    QElapsedTimer m_clock;
    QElapsedTimer m_phaseClock;
    std::unique_ptr<Simulator> m_simulator;
    DialogAnswerer m_boxes;
    bool m_stepping = false;
    long m_countUpdates = 0;
    int m_closures = 0;
    int m_opens = 0;
    int m_simulators = 0;
    int m_actions = 0;
    QVector<long> m_rssKb;
    QTimer m_sampler;
    QVector<QPair<double, long>> m_memory; // seconds since the start, kB
};

void SoakDriver::step()
{
    // An operator does nothing while a box is up; a tick that runs inside the
    // nested loop of a box it caused waits for the next one.
    if (m_stepping || QApplication::activeModalWidget())
        return;
    m_stepping = true;
    if (m_clock.elapsed() >= m_totalMs) {
        m_tick.stop();
        disconnectPort();
        stopSimulator();
        m_rssKb << residentKb();
        QCoreApplication::quit();
    } else if (m_phaseClock.elapsed() >= 1000LL * m_phases.at(m_phase).seconds) {
        nextPhase();
    } else if (!portIsOpen()) {
        reopen();
    } else {
        operate();
    }
    m_stepping = false;
}

void SoakDriver::nextPhase()
{
    disconnectPort();
    stopSimulator();
    m_rssKb << residentKb();
    std::printf("soak: phase %-12s done at %5.1f s: %ld count updates, %d closures, %ld kB "
                "resident\n",
                qPrintable(m_phases.at(m_phase).name), elapsedSeconds(), m_countUpdates, m_closures,
                m_rssKb.last());
    std::fflush(stdout);
    m_phase = (m_phase + 1) % static_cast<int>(m_phases.size());
    m_phaseClock.restart();
}

bool SoakDriver::startSimulator()
{
    // A new one each time: a controller that vanished comes back on a new path.
    m_simulator = std::make_unique<Simulator>();
    return m_simulator->start(QStringList{ QStringLiteral("--seed"),
                                           QString::number(++m_simulators),
                                           QStringLiteral("--trigger-rate"), QStringLiteral("100"),
                                           QStringLiteral("--idle-interval"), QStringLiteral("100"),
                                           QStringLiteral("--exit-on-stdin-eof") }
                              + m_phases.at(m_phase).simulatorOptions);
}

void SoakDriver::stopSimulator()
{
    // What it said on stderr (acknowledgements cut off by a closure) is expected here.
    if (m_simulator)
        m_simulator->stop();
    m_simulator.reset();
}

void SoakDriver::reopen()
{
    if (!m_simulator || m_simulator->state() != QProcess::Running) {
        if (!startSimulator())
            return;
    }
    // As the operator: open the selector (it rescans), pick the controller's port.
    if (m_window.openPort(m_simulator->port)) {
        ++m_opens;
        if (m_rssKb.isEmpty())
            m_rssKb << residentKb();
    }
}

void SoakDriver::operate()
{
    // Mostly external trigger, where the controller reports fastest; now and
    // then the other modes, start/stop and new parameters.
    QRandomGenerator *random = QRandomGenerator::global();
    const int choice = random->bounded(20);
    ++m_actions;
    if (choice == 0) {
        m_window.radio(0)->click(); // manual
    } else if (choice == 1) {
        m_window.radio(1)->click(); // automatic
    } else if (choice < 4) {
        // Its tooltip names what a click does next.
        QPushButton *startStop = m_window.button(QStringLiteral("open"));
        if (!startStop)
            startStop = m_window.button(QStringLiteral("stop"));
        if (startStop->isEnabled())
            startStop->click();
    } else if (choice == 4) {
        m_window.get<QSpinBox>("openSpin")->setValue(random->bounded(1, 6));
        m_window.get<QSpinBox>("closeSpin")->setValue(random->bounded(1, 6));
        m_window.get<QSpinBox>("cycleSpin")->setValue(random->bounded(1, 1001));
        auto *save = m_window.get<QPushButton>("Buttontext");
        if (save->isEnabled())
            save->click();
    } else if (choice == 5) {
        auto *trigger = m_window.get<QSpinBox>("triggerSpin");
        if (trigger->isEnabled())
            trigger->setValue(1 - trigger->value());
    } else if (!m_window.radio(2)->isChecked()) {
        m_window.radio(2)->click(); // external trigger
    } else {
        --m_actions;
    }
}

bool SoakDriver::report()
{
    const long startKb = m_rssKb.isEmpty() ? -1 : m_rssKb.first();
    const long endKb = m_rssKb.isEmpty() ? -1 : m_rssKb.last();
    const bool grows = memoryGrowsWithoutBound(m_rssKb);
    // The slope after the warm-up is judged on runs long enough to show it.
    const double seconds = elapsedSeconds();
    const bool judged = seconds >= judgedRun;
    const double slope = memorySlopeMbPerHour(m_memory, judged ? warmUp : seconds / 3);
    const bool ok = !grows && m_opens > 0 && m_countUpdates > 0 && startKb > 0
        && (!judged || slope <= slopeLimit);
    std::printf("soak: resident memory grows %+.2f MB per hour after %.0f s%s\n", slope,
                judged ? warmUp : seconds / 3,
                judged ? (slope <= slopeLimit ? " (limit 5)" : ": OVER THE LIMIT OF 5")
                       : " (not judged: the run is shorter than 5 minutes)");
    std::printf("soak: %d opens, %d closures, %d actions, %d simulators, %d boxes answered\n",
                m_opens, m_closures, m_actions, m_simulators,
                static_cast<int>(m_boxes.seen.size()));
    std::printf("soak: resident memory %.1f MB at the start, %.1f MB at the end%s\n",
                megabytes(startKb), megabytes(endKb), grows ? ": GROWS WITHOUT BOUND" : "");
    std::printf("BENCH soak seconds=%.0f count_updates=%ld opens=%d closures=%d boxes=%d "
                "rss_start_mb=%.1f rss_end_mb=%.1f slope_mb_per_h=%.2f ok=%d\n",
                elapsedSeconds(), m_countUpdates, m_opens, m_closures,
                static_cast<int>(m_boxes.seen.size()), megabytes(startKb), megabytes(endKb), slope,
                ok ? 1 : 0);
    std::fflush(stdout);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchWindow bench(argc, argv);
    if (!bench.isValid())
        return 1;
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 1.0;

    MainWindow &window = bench.window();
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
    SoakDriver driver(&window, bench.logSink(), static_cast<int>(minutes * 60));
    driver.start();
    QApplication::exec();
    return driver.report() ? 0 : 1;
}
