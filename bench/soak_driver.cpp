// Runs the real window against the simulated controller for MINUTES with the
// line faults switched on in turn, reopening the port after every closure,
// and fails when resident memory grows without bound.
// Usage: soak_driver MINUTES
#include "app/kavrin.h"
#include "boxanswerer.h"
#include "procstats.h"
#include "soakphases.h"
#include "testhome.h"

#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {

class SoakDriver : public QObject
{
public:
    SoakDriver(Kavrin &window, int seconds)
        : window(window), totalMs(1000LL * seconds), phases(soakPhases())
    {
        connect(window.countDisplay, &QTextEdit::textChanged, this, [this] { ++countUpdates; });
        connect(window.serialPort, &QIODevice::aboutToClose, this, [this] { ++closures; });
        connect(&tick, &QTimer::timeout, this, [this] { step(); });
    }

    void start()
    {
        clock.start();
        phaseClock.start();
        tick.start(200);
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

    Kavrin &window;
    qint64 totalMs;
    QVector<SoakPhase> phases;
    int phase = 0;
    QTimer tick;
    QElapsedTimer clock;
    QElapsedTimer phaseClock;
    QProcess *simulator = nullptr;
    QString simulatorPath;
    BoxAnswerer boxes;
    bool stepping = false;
    long countUpdates = 0;
    int closures = 0;
    int opens = 0;
    int simulators = 0;
    int actions = 0;
    QVector<long> rssKb;
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
        window.disconnectButton->click();
        stopSimulator();
        rssKb << residentKb();
        QCoreApplication::quit();
    } else if (phaseClock.elapsed() >= 1000LL * phases.at(phase).seconds) {
        nextPhase();
    } else if (!window.serialPort->isOpen()) {
        reopen();
    } else {
        operate();
    }
    stepping = false;
}

void SoakDriver::nextPhase()
{
    window.disconnectButton->click();
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
    stopSimulator();
    simulator = new QProcess(this);
    // Its complaints about acknowledgements cut off by a closure are expected here.
    simulator->setStandardErrorFile(QProcess::nullDevice());
    simulator->start(QStringLiteral(SHUTTER_SIM),
                     QStringList{ QStringLiteral("--seed"), QString::number(++simulators),
                                  QStringLiteral("--trigger-rate"), QStringLiteral("100"),
                                  QStringLiteral("--idle-interval"), QStringLiteral("100"),
                                  QStringLiteral("--exit-on-stdin-eof") }
                         + phases.at(phase).simulatorOptions);
    if (!simulator->waitForStarted(3000) || !simulator->waitForReadyRead(3000))
        return false;
    simulatorPath = QString::fromLocal8Bit(simulator->readLine()).trimmed();
    return !simulatorPath.isEmpty();
}

void SoakDriver::stopSimulator()
{
    if (!simulator)
        return;
    if (simulator->state() != QProcess::NotRunning) {
        simulator->terminate();
        if (!simulator->waitForFinished(2000))
            simulator->kill();
        simulator->waitForFinished(1000);
    }
    delete simulator;
    simulator = nullptr;
    simulatorPath.clear();
}

void SoakDriver::reopen()
{
    // A controller that vanished is replaced by a new one on a new path.
    if (!simulator || simulator->state() != QProcess::Running) {
        if (!startSimulator())
            return;
    }
    // As the operator: open the selector (it rescans), pick the controller's port.
    qputenv("KAVRIN_EXTRA_PORTS", simulatorPath.toLocal8Bit());
    emit window.portCombo->clicked();
    const int index = window.portCombo->findText(simulatorPath);
    if (index < 0)
        return;
    window.portCombo->setCurrentIndex(index);
    emit window.portCombo->activated(index);
    if (window.serialPort->isOpen()) {
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
        window.manualRadio->click();
    } else if (choice == 1) {
        window.autoRadio->click();
    } else if (choice < 4) {
        if (window.startButton->isEnabled())
            window.startButton->click();
    } else if (choice == 4) {
        window.openSpin->setValue(random->bounded(1, 6));
        window.closeSpin->setValue(random->bounded(1, 6));
        window.cycleSpin->setValue(random->bounded(1, 1001));
        if (window.saveSettingsButton->isEnabled())
            window.saveSettingsButton->click();
    } else if (choice == 5) {
        if (window.triggerSpin->isEnabled())
            window.triggerSpin->setValue(1 - window.triggerSpin->value());
    } else if (!window.triggerRadio->isChecked()) {
        window.triggerRadio->click();
    } else {
        --actions;
    }
}

bool SoakDriver::report()
{
    const long startKb = rssKb.isEmpty() ? -1 : rssKb.first();
    const long endKb = rssKb.isEmpty() ? -1 : rssKb.last();
    const bool grows = memoryGrowsWithoutBound(rssKb);
    const bool ok = !grows && opens > 0 && countUpdates > 0 && startKb > 0;
    std::printf("soak: %d opens, %d closures, %d actions, %d simulators, %d boxes answered\n",
                opens, closures, actions, simulators, boxes.seen.size());
    std::printf("soak: resident memory %.1f MB at the start, %.1f MB at the end%s\n",
                startKb / 1024.0, endKb / 1024.0, grows ? ": GROWS WITHOUT BOUND" : "");
    std::printf("BENCH soak seconds=%.0f count_updates=%ld opens=%d closures=%d boxes=%d "
                "rss_start_mb=%.1f rss_end_mb=%.1f ok=%d\n",
                clock.elapsed() / 1000.0, countUpdates, opens, closures, boxes.seen.size(),
                startKb / 1024.0, endKb / 1024.0, ok ? 1 : 0);
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

    auto *window = new Kavrin; // as main does; lives until the process ends
    window->show();
    SoakDriver driver(*window, static_cast<int>(minutes * 60));
    driver.start();
    app.exec();
    return driver.report() ? 0 : 1;
}
