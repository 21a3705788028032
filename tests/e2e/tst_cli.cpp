#include "cli/clioutput.h"
#include "log/logline.h"

#include "support.h"

#include <QSerialPort>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

struct CliRun : QProcess // kavrin-cli, killed at the end if it hangs
{
    int status; // -1: crashed or never ended
    QStringList lines, received; // its stdout; bytes 8-14 the simulator got, ending 00s cut
    Simulator sim; // its port is "PORT" in args

    // output: "closed" once the shutter runs, "stalled" (full, never read), else read by us
    CliRun(const QString &args, const QString &simulator = {}, int signal = 0, QString output = {})
    {
        sim.start(splitCommand("--verbose --idle-interval=500 " + simulator));
        int pipe[2] = { -1, -1 }; // our stdout, when output is given
        if (!output.isEmpty() && ::pipe2(pipe, O_CLOEXEC) == 0) {
            const QByteArray page(4096, 'x');
            if (output == "stalled" && fcntl(pipe[1], F_SETPIPE_SZ, page.size()) > 0
                && fcntl(pipe[1], F_SETFL, O_NONBLOCK) == 0)
                while (::write(pipe[1], page.data(), page.size()) > 0) { }
            setStandardOutputFile("/proc/self/fd/" + QString::number(pipe[1]));
        }
        start(KAVRIN_CLI, splitCommand(QString(args).replace("PORT", sim.port)));
        ::close(pipe[1]);
        sim.setReadChannel(StandardError);
        while ((signal != 0 || output == "closed") && !sim.peek(1 << 16).contains("command 43 01")
               && sim.waitForReadyRead(5000)) { }
        if (output == "closed")
            ::close(std::exchange(pipe[0], -1));
        if (signal != 0)
            ::kill(processId(), signal);
        status = waitForFinished(15000) && exitStatus() == NormalExit ? exitCode() : -1;
        lines = QString::fromUtf8(readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ::close(pipe[0]);
        QTest::qWait(200); // the simulator reads the last frames
        received = sim.stop().split('\n').filter("shutter-sim: command "); // a bad frame is none
        received.replaceInStrings(QRegularExpression("^shutter-sim: command |( 00){5}$"), "");
    }
};

const QString done = "--mode auto --start --until-done --stop-on-exit --open 1 --close 1 ";
const QString sent = "sent frame=8E 01 7A 00 00 00 00 00 %1 00 00 00 00 00 0A %2 8E";
const QStringList events({ "opened port=PORT", sent.arg("42 02 00 00 00 00 00", "CA 5B"),
                           sent.arg("41 00 01 00 01 00 01", "88 1F"),
                           sent.arg("44 01 00 00 00 00 00", "40 AF"), "count count=0 kind=cycle",
                           "finished", "closed" }); // CRCs: binascii.crc_hqx(bytes 0-20, 0)
const QRegularExpression stamp(R"(^\d{4}(-\d\d){2}T\d\d(:\d\d){2}\.\d{3} )"); // to the ms
const QStringList manual{ "42 01", "43 01" }, stopped = manual + QStringList{ "43 00" };

void row(const char *tag, QString args, int exit, QStringList frames, QString sim = {}, int sig = 0,
         QString output = {})
{
    QTest::newRow(tag) << "run --port PORT " + args << exit << frames << sim << sig << output;
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
        QTest::addColumn<int>("signal"); // sent once the shutter runs
        QTest::addColumn<QString>("output"); // as CliRun takes it
        const QString folder = QDir::homePath() + "/AppData/Roaming/HalvoSystemFile/HalvoProject";
        QVERIFY(QDir().mkpath(folder));
        QFile schemes(folder + "/Kavrin.halvo");
        QVERIFY(schemes.open(QIODevice::WriteOnly));
        schemes.write(R"({"fast":{"open_spinBox":3,"close_spinBox":4,"cycle_spinBox":2}})");
        const QString watch0 = "--mode manual --start --watch 0 --stop-on-exit";
        row("sync", "--mode trigger-sync --open 256", 0, { "42 03", "41 01 00 00 02 00 0a" });
        row("async", "--mode trigger-async --cycles 1000", 0, { "42 04", "41 00 02 00 02 03 e8" });
        row("auto, scheme", "--mode auto --scheme fast", 0, { "42 02", "41 00 03 00 04 00 02" });
        row("watch ran out", "--mode manual --start --watch 1 --stop-on-exit", 0, stopped);
        row("SIGINT, no stop", "--mode manual --start --watch 0", 130, manual, {}, SIGINT);
        row("SIGTERM", watch0, 130, stopped, {}, SIGTERM);
        row("numbers win", done + "--scheme fast", 0, { "42 02", "41 00 01 00 01 00 02", "44 01" });
        row("watch first", done + "--cycles 20 --watch 1", 8,
            { "42 02", "41 00 01 00 01 00 14", "44 01", "44 02" });
        row("longest watch", "--mode manual --start --watch 2147483", 130, manual, {}, SIGINT);
        row("output closed", watch0, 141, stopped, {}, 0, "closed");
        row("output stalled, SIGTERM", watch0, 130, stopped, {}, SIGTERM, "stalled");
        row("wrong device", watch0, 4, {}, "--wrong-device");
        row("wrong device, no watch", "--mode manual --start", 4, {}, "--wrong-device");
        row("port lost", watch0, 6, manual, "--vanish-after=1000");
        row("stop frame not taken", "--mode manual --start --watch 4 --stop-on-exit", 6, manual,
            "--deaf-after=2500");
        row("silent (7 s)", "--mode manual --start", 5, {}, "--silent");
        row("no such port", "--port /dev/kavrin-none", 3, {});
        QTest::newRow("no --port") << "run" << 2 << QStringList() << "" << 0 << "";
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
        QFETCH(QString, output);
        CliRun run(args, simulator, signal, output);
        QTEST(run.status, "status");
        QTEST(run.received, "frames");
        if (run.status == 2) // a usage error: one line
            QCOMPARE(run.readAllStandardError().count('\n'), 1);
    }

    void watchStaysForItsSeconds()
    {
        const QDeadlineTimer second(1000);
        CliRun("run --port PORT --watch 1");
        QVERIFY(second.hasExpired());
    }

    void reportsEachEventOnItsOwnLineAndLogs()
    {
        const QString log = "快门设置：8E 01 7A 00 00 00 00 00 41 00 01 00 01 00 01";
        for (const QString format : { "", " --json" }) {
            CliRun run("run --port PORT " + done + "--cycles 1" + format);
            for (QString &line : run.lines) { // as plain text
                QJsonObject json = QJsonDocument::fromJson(line.toUtf8()).object(); // or none
                QString text = json.take("time").toString() + ' ' + json.take("event").toString();
                for (auto it = json.begin(); it != json.end(); ++it) // keys in order
                    text += ' ' + it.key() + '=' + it.value().toVariant().toString();
                line = QString(format.isEmpty() ? line : text).replace(run.sim.port, "PORT");
            }
            run.lines.replaceInStrings(stamp, ""); // else the line differs
            run.lines.removeAll("sent frame=4F 4B 21"); // acks come any time
            QCOMPARE(run.lines, events);
            QVERIFY(QString::fromLocal8Bit(run.readAllStandardError()).contains(log));
        }
        QVERIFY(QString::fromLocal8Bit(fileBytes(logFilePath(logDirectory(), QDate::currentDate())))
                    .contains(log));
    }

    void outputWaitsForASlowReaderWithoutBlocking() // and follows as soon as it reads
    {
        int pipe[2] = { -1, -1 };
        QVERIFY(::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) == 0);
        QVERIFY(fcntl(pipe[1], F_SETPIPE_SZ, 4096) > 0);
        QByteArray read;
        {
            CliOutput output(pipe[1]);
            output.write(QByteArray(4096, 'x') + "last\n"); // more than the pipe holds
            char buffer[8192];
            for (QDeadlineTimer deadline(2000); !read.endsWith('\n') && !deadline.hasExpired();) {
                QCoreApplication::processEvents();
                const auto taken = ::read(pipe[0], buffer, sizeof buffer);
                if (taken > 0)
                    read.append(buffer, int(taken));
            }
        }
        QCOMPARE(read.size(), 4096 + 5);
        ::close(pipe[0]);
        ::close(pipe[1]);
    }

    void portHeldByAnotherIsBusy()
    {
        PtyPair idle, held;
        QSerialPort holder(held.slavePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        qputenv("KAVRIN_EXTRA_PORTS", (idle.slavePath() + ':' + held.slavePath()).toLocal8Bit());
        QVERIFY(CliRun("ports").lines.contains(idle.slavePath()));
        QVERIFY(CliRun("ports").lines.contains(held.slavePath() + " busy"));
        QCOMPARE(CliRun("run --port " + held.slavePath()).status, 3);
    }
};

KAVRIN_TEST_MAIN(TestCli)
#include "tst_cli.moc"
