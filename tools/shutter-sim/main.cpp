// shutter-sim: a simulated shutter controller on a pseudo-terminal.
#include "commandparser.h"
#include "controller.h"
#include "linewriter.h"
#include "simulatedline.h"

#include "statusframe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

// --stream: trigger status frames at this pace while no host reads the port.
constexpr int streamInterval = 25; // ms

void onSignal(int)
{
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

// SIGTERM and SIGINT end the event loop, so the pseudo-terminal is closed cleanly.
bool quitOnSignals(QCoreApplication *app)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [app] {
        char byte = 0;
        const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
        (void)ignored;
        app->quit();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("shutter-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated shutter controller on a pseudo-terminal; prints the port's path first."));
    parser.addHelpOption();
    const QCommandLineOption triggerRate(
        QStringLiteral("trigger-rate"), QStringLiteral("External triggers per second (default 1)."),
        QStringLiteral("HZ"), QStringLiteral("1"));
    const QCommandLineOption idleInterval(
        QStringLiteral("idle-interval"),
        QStringLiteral("Idle status frame interval (default 500)."), QStringLiteral("MS"),
        QStringLiteral("500"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Send nothing at all."));
    const QCommandLineOption wrongDevice(QStringLiteral("wrong-device"),
                                         QStringLiteral("Frames begin 8E 05 instead of 8E 02."));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Write each frame in random pieces."));
    const QCommandLineOption join(QStringLiteral("join"),
                                  QStringLiteral("Hold frames back and write several at once."));
    const QCommandLineOption stream(
        QStringLiteral("stream"),
        QStringLiteral("Send trigger status frames while no host has the port open."));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Random bytes between frames."));
    const QCommandLineOption vanishAfter(QStringLiteral("vanish-after"),
                                         QStringLiteral("Close the port and exit after MS."),
                                         QStringLiteral("MS"));
    const QCommandLineOption deafAfter(QStringLiteral("deaf-after"),
                                       QStringLiteral("Take nothing more from the host after MS."),
                                       QStringLiteral("MS"));
    const QCommandLineOption seed(
        QStringLiteral("seed"), QStringLiteral("Seed for the random faults."), QStringLiteral("N"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log received commands on stderr."));
    const QCommandLineOption stdinEof(QStringLiteral("exit-on-stdin-eof"),
                                      QStringLiteral("Exit when stdin closes."));
    parser.addOptions({ triggerRate, idleInterval, silent, wrongDevice, split, join, stream,
                        garbage, vanishAfter, deafAfter, seed, verbose, stdinEof });
    parser.process(app);

    bool ok = true;
    Controller::Settings settings;
    settings.triggerRate = parser.value(triggerRate).toDouble(&ok);
    if (!ok || settings.triggerRate <= 0)
        parser.showHelp(2);
    settings.idleInterval = parser.value(idleInterval).toInt(&ok);
    if (!ok || settings.idleInterval <= 0)
        parser.showHelp(2);
    settings.expectAcks = !parser.isSet(silent);
    settings.verbose = parser.isSet(verbose);

    LineWriter::Faults faults;
    faults.silent = parser.isSet(silent);
    faults.wrongDevice = parser.isSet(wrongDevice);
    faults.split = parser.isSet(split);
    faults.join = parser.isSet(join);
    faults.garbage = parser.isSet(garbage);

    QRandomGenerator random(parser.isSet(seed) ? parser.value(seed).toUInt()
                                               : QRandomGenerator::global()->generate());

    SimulatedLine line;
    QString error;
    if (!line.open(&error)) {
        fprintf(stderr, "shutter-sim: %s\n", qPrintable(error));
        return 1;
    }
    printf("%s\n", qPrintable(line.slavePath()));
    fflush(stdout);

    if (!quitOnSignals(&app))
        fprintf(stderr, "shutter-sim: cannot catch SIGTERM/SIGINT\n");

    Controller controller(settings);
    LineWriter writer(&line, faults, &random);
    QObject::connect(&controller, &Controller::statusReady, &writer, &LineWriter::send);

    CommandParser commands;
    QSocketNotifier fromHost(line.masterFd(), QSocketNotifier::Read);
    QObject::connect(&fromHost, &QSocketNotifier::activated, &controller, [&] {
        for (const HostMessage &message : commands.feed(line.readAvailable())) {
            if (message.kind == HostMessage::Command)
                controller.handleCommand(message.bytes);
            else if (message.kind == HostMessage::Acknowledgement)
                controller.handleAcknowledgement();
            else if (settings.verbose)
                fprintf(stderr, "shutter-sim: bad frame ignored: %s\n",
                        message.bytes.toHex(' ').constData());
        }
    });

    // A host that opens the port finds the line busy, most often inside a frame.
    QTimer streamTimer;
    if (parser.isSet(stream)) {
        QObject::connect(&streamTimer, &QTimer::timeout, &writer,
                         [&, streamed = quint16(0), hostWasPresent = false]() mutable {
                             const bool host = line.hostPresent();
                             if (settings.verbose && host != hostWasPresent)
                                 fprintf(stderr, "shutter-sim: %s\n",
                                         host ? "a host reads the port" : "nobody reads the port");
                             hostWasPresent = host;
                             if (!host)
                                 writer.stream(Protocol::statusFrame(
                                     Protocol::StatusCode::ExternalTriggerCount, ++streamed));
                         });
        streamTimer.start(streamInterval);
    }

    if (parser.isSet(vanishAfter)) {
        // The port disappears as an unplugged adapter's would.
        QTimer::singleShot(parser.value(vanishAfter).toInt(), &app, [&] {
            fromHost.setEnabled(false);
            line.close();
            app.quit();
        });
    }

    if (parser.isSet(deafAfter))
        QTimer::singleShot(parser.value(deafAfter).toInt(), &app,
                           [&] { line.stopProgramOutput(); });

    if (parser.isSet(stdinEof)) {
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(input, &QSocketNotifier::activated, &app, [input, &app] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                input->setEnabled(false);
                app.quit();
            }
        });
    }

    const int status = QCoreApplication::exec();
    fromHost.setEnabled(false);
    line.close();
    return status;
}
