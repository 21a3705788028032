#include "clioutput.h"

#include "support.h"

#include <QSerialPort>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// kavrin-cli on the simulator's port ("PORT" in args and lines).
// A signal comes once the shutter runs, its output a full pipe never read (SIGPIPE: closed).
struct CliProcess : QProcess
{
    int status; // -1: crashed or hung
    QStringList lines, received; // stdout; bytes 8-14 the simulator took, ending 00s cut
    Simulator sim;

    explicit CliProcess(const QString &args, const QString &simulator = {}, int signal = 0)
    {
        sim.start(splitCommand("--verbose " + simulator));
        int pipe[2] = { -1, -1 };
        if (signal != 0 && ::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
            setStandardOutputFile("/proc/self/fd/" + QString::number(pipe[1]));
            while (::write(pipe[1], "x", 1) > 0) { }
        }
        start(KAVRIN_CLI, splitCommand(QString(args).replace("PORT", sim.port)));
        ::close(pipe[1]);
        sim.setReadChannel(StandardError);
        while (signal != 0 && !sim.peek(4096).contains("43 01") && sim.waitForReadyRead(5000)) { }
        if (signal == SIGPIPE) // its reader goes
            ::close(std::exchange(pipe[0], -1));
        if (signal != 0)
            ::kill(pid_t(processId()), signal);
        status = waitForFinished(15000) && exitStatus() == NormalExit ? exitCode() : -1;
        lines = QString(readAllStandardOutput().trimmed()).replace(sim.port, "PORT").split('\n');
        ::close(pipe[0]);
        QTest::qWait(200); // the simulator reads the last frames
        received = sim.stop().split('\n').filter(": command ");
        received.replaceInStrings(QRegularExpression("^.*: command |( 00){5}$"), "");
    }
};

const QString done = "--mode auto --start --until-done --stop-on-exit --open 1 --close 1 ";
const QString sent = "@ sent frame=8E 01 7A 00 00 00 00 00 %1 00 00 00 00 00 0A %2 8E";
const QStringList events({ "@ opened port=PORT", sent.arg("42 02 00 00 00 00 00", "CA 5B"),
                           sent.arg("41 00 01 00 01 00 01", "88 1F"),
                           sent.arg("44 01 00 00 00 00 00", "40 AF"), "@ count count=0 kind=cycle",
                           "@ finished", "@ closed" }); // CRCs: binascii.crc_hqx(bytes 0-20, 0)
const QRegularExpression stamp(R"(^\d{4}(-\d\d){2}T\d\d(:\d\d){2}\.\d{3} )");
const QStringList manual{ "42 01", "43 01" }, stopped = manual + QStringList{ "43 00" };

void row(const char *tag, const QString &args, int exit, const QStringList &frames,
         const QString &sim = {}, int sig = 0)
{
    QTest::newRow(tag) << "run --port PORT " + args << exit << frames << sim << sig;
}

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void sendsWhatWasAskedAndEndsWithItsStatus_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("simulator"); // its options
        QTest::addColumn<int>("signal"); // see CliProcess
        QFile file(QDir::homePath() + "/AppData/Roaming/HalvoSystemFile/HalvoProject/Kavrin.halvo");
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"fast":{"open_spinBox":3,"close_spinBox":4,"cycle_spinBox":2}})");
        const QString m = "--mode manual --start --watch ", watch0 = m + "0 --stop-on-exit";
        row("sync", "--mode trigger-sync --open 256", 0, { "42 03", "41 01 00 00 02 00 0a" });
        row("async", "--mode trigger-async --cycles 1000", 0, { "42 04", "41 00 02 00 02 03 e8" });
        row("auto, scheme", "--mode auto --scheme fast", 0, { "42 02", "41 00 03 00 04 00 02" });
        row("SIGINT, longest watch", m + "2147483 --stop-on-exit", 130, stopped, {}, SIGINT);
        row("SIGTERM", watch0, 130, stopped, {}, SIGTERM);
        row("output closed", watch0, 141, stopped, {}, SIGPIPE);
        row("numbers win", done + "--scheme fast", 0, { "42 02", "41 00 01 00 01 00 02", "44 01" });
        row("watch first", done + "--watch 1", 8,
            { "42 02", "41 00 01 00 01 00 0a", "44 01", "44 02" });
        row("wrong device", watch0, 4, {}, "--wrong-device");
        row("port lost", watch0, 6, manual, "--vanish-after=1000");
        row("stop frame not taken", m + "3 --stop-on-exit", 6, manual, "--deaf-after=2000");
        row("silent (7 s)", "--mode manual --start", 5, {}, "--silent");
        row("no such port", "--port /dev/kavrin-none", 3, {});
        QTest::newRow("no --port") << "run" << 2 << QStringList() << "" << 0;
        for (const char *usage : { "--mode fast", "--scheme slow", "--mode manual --until-done",
                                   "--start", "--mode trigger-sync --start", "--open 0",
                                   "--cycles 1001", "--watch 2147484", "--bogus" })
            row(usage, usage, 2, {});
    }
    void sendsWhatWasAskedAndEndsWithItsStatus()
    {
        QFETCH(QString, args);
        QFETCH(QString, simulator);
        QFETCH(int, signal);
        CliProcess run(args, simulator, signal);
        QTEST(run.status, "status");
        QTEST(run.received, "frames");
        if (run.status == 2) // a usage error: one line
            QCOMPARE(run.readAllStandardError().count('\n'), 1);
    }

    void watchStaysForItsSeconds() // then ends with 0, without a stop frame unless asked
    {
        const QDeadlineTimer second(1000);
        CliProcess run("run --port PORT --mode manual --start --watch 1");
        QVERIFY(second.hasExpired());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.received, manual);
    }

    void reportsEachEventOnItsOwnLineAndLogs()
    {
        for (const QString format : { "", " --json" }) {
            CliProcess run("run --port PORT " + done + "--cycles 1" + format);
            for (QString &line : run.lines) { // JSON as plain text
                QVariantMap json = QJsonDocument::fromJson(line.toUtf8()).toVariant().toMap();
                QStringList text{ json.take("time").toString(), json.take("event").toString() };
                for (const QString &key : json.keys())
                    text << key + '=' + json[key].toString();
                line = QString(format.isEmpty() ? line : text.join(' ')).replace(stamp, "@ ");
            }
            run.lines.removeAll("@ sent frame=4F 4B 21"); // acks come any time
            QCOMPARE(run.lines, events);
            QVERIFY(QString::fromLocal8Bit(run.readAllStandardError()).contains("串口已打开!"));
        }
    }

    void outputWaitsForASlowReaderWithoutBlocking() // and follows as soon as it reads
    {
        int pipe[2];
        QVERIFY(::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) == 0);
        QVERIFY(fcntl(pipe[1], F_SETPIPE_SZ, 4096) > 0);
        CliOutput output(pipe[1]);
        output.write(QByteArray(4096, 'x') + "last\n"); // more than the pipe holds
        char buffer[8192];
        QCOMPARE(int(::read(pipe[0], buffer, sizeof buffer)), 4096);
        QTest::qWait(100);
        QCOMPARE(int(::read(pipe[0], buffer, sizeof buffer)), 5);
        ::close(pipe[0]);
        ::close(pipe[1]);
    }

    void portHeldByAnotherIsBusy()
    {
        PtyPair idle, held;
        QSerialPort holder(held.slavePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        qputenv("KAVRIN_EXTRA_PORTS", (idle.slavePath() + ':' + held.slavePath()).toLocal8Bit());
        QVERIFY(CliProcess("ports").lines.contains(idle.slavePath()));
        QVERIFY(CliProcess("ports").lines.contains(held.slavePath() + " busy"));
        QCOMPARE(CliProcess("run --port " + held.slavePath()).status, 3);
        QCOMPARE(CliProcess("run --window --port " + idle.slavePath()).status, 3); // no window
    }
};

KAVRIN_TEST_MAIN(TestCli)
#include "tst_cli.moc"
