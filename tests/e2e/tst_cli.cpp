// kavrin-cli against shutter-sim ("PORT": its port); CRCs by binascii.crc_hqx(bytes 0-20, 0).
#include "log/logline.h"

#include "support.h"

#include <QSerialPort>

#include <csignal>

struct CliRun
{
    int status = -1; // also when it crashed or never ended
    QStringList lines; // its standard output, line by line
    QStringList events; // each line as "<event> key=value ...", without time stamp and acks
    QStringList received; // bytes 8-14 of each command frame the simulator got
    QString errors; // its stderr

    CliRun(const QString &args, const QStringList &simulator = {}, int signal = 0)
    {
        Simulator sim;
        sim.start(QStringList{ "--verbose", "--idle-interval=2000" } + simulator);
        QProcess cli; // killed on the way out if it never ended
        cli.start(KAVRIN_CLI, QProcess::splitCommand(QString(args).replace("PORT", sim.port())));
        if (signal != 0 && cli.waitForReadyRead(5000)) // once the first event is out
            ::kill(cli.processId(), signal);
        if (cli.waitForFinished(15000) && cli.exitStatus() == QProcess::NormalExit)
            status = cli.exitCode();
        errors = QString::fromLocal8Bit(cli.readAllStandardError());
        lines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString &line : qAsConst(lines)) { // JSON as the plain text has it:
            QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            object.remove("time");
            QString event = args.contains("--json") ? object.take("event").toString()
                                                    : line.section(' ', 1); // after the time
            for (auto it = object.begin(); it != object.end(); ++it) // keys in order
                event += ' ' + it.key() + '=' + it.value().toVariant().toString();
            if (event != "sent frame=4F 4B 21")
                events << event.replace(sim.port(), "PORT");
        }
        QTest::qWait(200); // the simulator reads the last frames
        received = sim.stop().split('\n').filter("shutter-sim: command "); // a bad frame is none
        received.replaceInStrings("shutter-sim: command ", ""); // bytes 8-14 as it writes them
    }
};

const QString automatic = "42 02 00 00 00 00 00", autoStart = "44 01 00 00 00 00 00";
const QStringList manualRunning{ "42 01 00 00 00 00 00", "43 01 00 00 00 00 00" }; // mode, start
const QStringList manualStopped = manualRunning + QStringList{ "43 00 00 00 00 00 00" };

void row(const char *name, const QString &options, int status, const QStringList &frames,
         const QStringList &simulator = {}, int signal = 0)
{
    QTest::newRow(name) << "run --port PORT " + options << status << frames << simulator << signal;
}

bool stampedToTheMs(const QString &time)
{
    return QDateTime::fromString(time, Qt::ISODateWithMs).isValid() && time.contains('.');
}

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void sendsWhatWasAskedAndEndsWithItsStatus_data()
    {
        QTest::addColumn<QString>("arguments"); // "stop" in a row's name: --stop-on-exit
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("frames"); // bytes 8-14 as the simulator logs them
        QTest::addColumn<QStringList>("simulator"); // its options
        QTest::addColumn<int>("signal"); // sent to it while it runs; 0: none
        const QString folder = QDir::homePath() + "/AppData/Roaming/HalvoSystemFile/HalvoProject";
        QVERIFY(QDir().mkpath(folder)); // and in it the scheme "fast":
        QFile schemes(folder + "/Kavrin.halvo");
        QVERIFY(schemes.open(QIODevice::WriteOnly));
        schemes.write(R"({"fast": {"open_spinBox": 3, "close_spinBox": 4, "cycle_spinBox": 5}})");
        const QString untilStopped = "--mode manual --start --watch 0 ", stop = "--stop-on-exit ";
        const QString cycles = "--mode auto --start --until-done --scheme fast --open 1 --close 1 ";
        row("trigger-sync, --open, --close", "--mode trigger-sync --open 256 --close 300", 0,
            { "42 03 00 00 00 00 00", "41 01 00 01 2c 00 0a" });
        row("trigger-async, --cycles", "--mode trigger-async --cycles 1000", 0,
            { "42 04 00 00 00 00 00", "41 00 02 00 02 03 e8" });
        row("auto, scheme", "--mode auto --scheme fast", 0, { automatic, "41 00 03 00 04 00 05" });
        row("--watch ran out", "--mode manual --start --watch 1", 0, manualRunning);
        row("--watch ran out, stop", "--mode manual --start --watch 1 " + stop, 0, manualStopped);
        row("SIGINT", untilStopped, 130, manualRunning, {}, SIGINT);
        row("SIGINT, stop", untilStopped + stop, 130, manualStopped, {}, SIGINT);
        row("SIGTERM, stop", "--mode auto --start --watch 0 " + stop, 130,
            { automatic, autoStart, "44 02 00 00 00 00 00" }, {}, SIGTERM);
        row("numbers win over the scheme's, --until-done, stop", cycles + "--cycles 2 " + stop, 0,
            { automatic, "41 00 01 00 01 00 02", autoStart });
        row("--until-done, --watch ran out, stop", cycles + "--cycles 20 --watch 1 " + stop, 8,
            { automatic, "41 00 01 00 01 00 14", autoStart, "44 02 00 00 00 00 00" });
        row("wrong device, stop", untilStopped + stop, 4, manualRunning, { "--wrong-device" });
        row("port lost, stop", untilStopped + stop, 6, manualRunning, { "--vanish-after=500" });
        row("silent (7 s), stop", untilStopped + stop, 5, manualRunning, { "--silent" });
        row("no such port", "--mode manual --port /dev/kavrin-none", 3, {});
        row("usage: unknown mode", "--mode fast", 2, {});
        row("usage: unknown scheme", "--mode auto --scheme slow", 2, {});
        row("usage: --until-done outside auto", "--mode manual --until-done", 2, {});
        row("usage: --start without a mode", "--start", 2, {});
        row("usage: --start in a trigger mode", "--mode trigger-sync --start", 2, {});
        row("usage: --open 0", "--mode manual --open 0", 2, {});
        row("usage: --cycles 1001", "--mode manual --cycles 1001", 2, {});
        row("usage: an unknown option", "--mode manual --bogus", 2, {});
    }
    void sendsWhatWasAskedAndEndsWithItsStatus()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, frames);
        QFETCH(QStringList, simulator);
        QFETCH(int, signal);
        const CliRun outcome(arguments, simulator, signal);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.received, frames);
    }

    void usageErrorIsOneLineOnStderr()
    {
        const CliRun outcome("run --mode manual --start");
        QCOMPARE(outcome.status, 2);
        QCOMPARE(outcome.errors.count('\n'), 1);
    }

    void watchStaysForItsSeconds()
    {
        const QDeadlineTimer second(1000);
        CliRun("run --port PORT --mode manual --watch 1"); // stays, then ends
        QVERIFY(second.hasExpired());
    }

    void reportsEachEventOnItsOwnLine()
    {
        const QStringList events{
            "opened port=PORT",
            "sent frame=8E 01 7A 00 00 00 00 00 42 02 00 00 00 00 00 00 00 00 00 00 0A CA 5B 8E",
            "sent frame=8E 01 7A 00 00 00 00 00 41 00 01 00 01 00 01 00 00 00 00 00 0A 88 1F 8E",
            "sent frame=8E 01 7A 00 00 00 00 00 44 01 00 00 00 00 00 00 00 00 00 00 0A 40 AF 8E",
            "count count=0 kind=cycle",
            "finished",
            "closed"
        };
        const QString run = "run --port PORT --mode auto --open 1 --close 1 --cycles 1 --start";
        const CliRun text(run + " --until-done");
        QCOMPARE(text.events, events);
        const CliRun json(run + " --until-done --json");
        QCOMPARE(json.events, events);
        for (const QString &line : text.lines) // each stamped to the millisecond
            QVERIFY2(stampedToTheMs(line.section(' ', 0, 0)), qPrintable(line));
        for (const QString &line : json.lines)
            QVERIFY2(stampedToTheMs(QJsonDocument::fromJson(line.toUtf8())["time"].toString()),
                     qPrintable(line));
    }

    void portHeldByAnotherIsBusy()
    {
        PtyPair idle, held;
        QSerialPort holder(held.slavePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        qputenv("KAVRIN_EXTRA_PORTS", (idle.slavePath() + ':' + held.slavePath()).toLocal8Bit());
        const QStringList lines = CliRun("ports").lines;
        QVERIFY(lines.contains(idle.slavePath()));
        QVERIFY(lines.contains(held.slavePath() + " busy"));
        QCOMPARE(CliRun("run --mode manual --port " + held.slavePath()).status, 3);
    }

    void logsToDayFileAndStderr()
    {
        const CliRun run("run --port PORT --open 4 --close 5 --cycles 6");
        const QString message = "快门设置：8E 01 7A 00 00 00 00 00 41 00 04 00 05 00 06";
        QVERIFY(run.errors.contains(message));
        QFile day(logFilePath(logDirectory(), QDate::currentDate()));
        QVERIFY(day.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromLocal8Bit(day.readAll()).contains(message));
    }
};

static const TestHome testHome;
QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
