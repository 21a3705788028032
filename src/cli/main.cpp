// kavrin-cli: the shutter controller from scripts, on the session the window uses.
#include "clioutput.h"
#include "clirun.h"
#include "cliwindowrun.h"
#include "logsink.h"
#include "portbusy.h"
#include "portscan.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <type_traits>

namespace {

volatile std::sig_atomic_t interrupted = 0;
constexpr int signalPoll = 50; // ms
constexpr int outputGrace = 500; // ms for a slow reader to take the last lines

void onSignal(int)
{
    interrupted = 1;
}

const char usage[] = "usage: kavrin-cli ports\n"
                     "       kavrin-cli run --port PORT [--mode manual|auto|trigger-sync|"
                     "trigger-async]\n"
                     "                      [--open N] [--close N] [--cycles N] [--scheme NAME]\n"
                     "                      [--start] [--watch SECONDS] [--until-done]\n"
                     "                      [--stop-on-exit] [--json] [--window]\n"
                     "Times are in units of 100 ms; open, close and cycles run from %d to %d.\n";

void printUsage(FILE *stream)
{
    std::fprintf(stream, usage, Protocol::timingMinimum, Protocol::timingMaximum);
}

int listPorts()
{
    const QSerialPort own; // nothing of ours is open
    for (const QString &name : availablePortNames())
        std::printf("%s%s\n", qPrintable(name), isPortBusy(own, name) ? " busy" : "");
    return static_cast<int>(CliStatus::Done);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.value(0);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        printUsage(stdout);
        return static_cast<int>(CliStatus::Done);
    }
    if (command == QLatin1String("ports") && arguments.size() == 1)
        return listPorts();
    CliRequest request;
    QString error;
    if (command != QLatin1String("run")) {
        std::fprintf(stderr, "kavrin-cli: expected \"ports\" or \"run\"\n");
        printUsage(stderr);
        return static_cast<int>(CliStatus::UsageError);
    }
    if (!parseRunRequest(arguments.mid(1), &request, &error)) {
        std::fprintf(stderr, "kavrin-cli: %s\n", qPrintable(error));
        return static_cast<int>(CliStatus::UsageError);
    }

#ifdef SIGPIPE
    // A reader that has gone is an early ending like any other, not a death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    CliOutput report(fileno(stdout));
    CliOutput errors(fileno(stderr));
    // Every message goes to the day's log file, as the window's do, and to stderr.
    LogSink logSink;
    QObject::connect(&logSink, &LogSink::lineLogged, &errors,
                     [&errors](const QString &line) { errors.write(line.toLocal8Bit() + '\n'); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer signalWatch;
    signalWatch.start(signalPoll);
    // On a port of its own, or through the running window: the same steps and lines.
    const auto wire = [&](auto &run) {
        using Run = std::remove_reference_t<decltype(run)>;
        QObject::connect(&run, &Run::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
        for (const CliOutput *output : { &report, &errors })
            QObject::connect(output, &CliOutput::closed, &run, &Run::outputClosed);
        QObject::connect(&signalWatch, &QTimer::timeout, &run, [&run] {
            if (interrupted)
                run.interrupt();
        });
        run.start();
    };
    CliRun portRun(request, &report);
    CliWindowRun windowRun(request, &report);
    if (request.window)
        wire(windowRun);
    else
        wire(portRun);
    const int status = QCoreApplication::exec();
    const QDeadlineTimer grace(outputGrace);
    report.flush(grace);
    errors.flush(grace);
    return status;
}
