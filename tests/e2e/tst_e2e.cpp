// The program against the simulated controller and the faults of a real line.
#include "logsink.h"
#include "mainwindow.h"

#include "support.h"

struct SimulatorRig : WindowDriver // the window goes first, the log sink last
{
    SimulatorRig() : WindowDriver(&window) { }
    bool connectTo(const QString &line) // the simulator's option for the line
    {
        const bool started = sim.start({ "--verbose", "--seed", "11", line });
        QTest::qWait(line == "--stream" ? 300 : 0); // streaming: busy when the port opens
        return started && openPort(sim.port);
    }
    LogSink sink;
    DialogAnswerer dialogs;
    Simulator sim;
    MainWindow window{ &sink };
};

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void automaticRun_data()
    {
        QTest::addColumn<QString>("line"); // --verbose alone: a clean line
        for (const char *option : { "--verbose", "--split", "--join", "--garbage", "--stream" })
            QTest::newRow(option) << option;
    }
    void automaticRun() // the simulator logs each frame it took, in order
    {
        QFETCH(QString, line);
        SimulatorRig r;
        QVERIFY(r.connectTo(line));
        r.get<QSpinBox>("openSpin")->setValue(2);
        r.get<QSpinBox>("closeSpin")->setValue(1);
        r.get<QSpinBox>("cycleSpin")->setValue(3);
        r.get<QPushButton>("Buttontext")->click();
        r.radio(1)->click();
        r.button("open")->click();
        QTRY_COMPARE_WITH_TIMEOUT(r.get<QTextEdit>("countDisplay")->toPlainText(),
                                  QStringLiteral("循环次数：0"), 5000);
        QCOMPARE(r.dialogs.seen, QStringList{ "提示|参数设置成功" });
        const QStringList said = r.sim.stop().remove("shutter-sim: ").split('\n');
        QCOMPARE(said.filter("command "),
                 QStringList({ "command 41 00 02 00 01 00 03", "command 42 02 00 00 00 00 00",
                               "command 44 01 00 00 00 00 00" }));
        QCOMPARE(said.filter("no acknowledgement"), QStringList());
    }

    void pythonClientRunsTheShutterThroughTheWindow() // examples/python/example.py
    {
        SimulatorRig r;
        QVERIFY(r.sim.start({ "--verbose" }));
        QProcess script;
        script.setWorkingDirectory(KAVRIN_EXAMPLES);
        script.start("python3", { "-B", "example.py", r.sim.port });
        QTRY_COMPARE_WITH_TIMEOUT(script.state(), QProcess::NotRunning, 20000);
        QCOMPARE(script.exitCode(), 0);
        const QString printed = script.readAllStandardOutput();
        QVERIFY(printed.contains("{'count': 0, 'event': 'count', 'kind': 'cycle'}"));
        QVERIFY(printed.contains("'mode': 'auto'"));
        QCOMPARE(r.dialogs.seen, QStringList{ "提示|参数设置成功" });
        const QStringList said = r.sim.stop().remove("shutter-sim: ").split('\n');
        QCOMPARE(said.filter("command "),
                 QStringList({ "command 42 02 00 00 00 00 00", "command 41 00 01 00 01 00 03",
                               "command 44 01 00 00 00 00 00" }));
    }

    void cliRunsThroughTheWindow() // its steps and lines, the window keeping the port
    {
        SimulatorRig r;
        QVERIFY(r.sim.start({ "--verbose" }));
        QProcess cli;
        cli.start(KAVRIN_CLI,
                  { "run", "--window", "--port", r.sim.port, "--mode", "auto", "--cycles", "2",
                    "--start", "--until-done", "--json" });
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 20000);
        QCOMPARE(cli.exitCode(), 0);
        const QString printed = cli.readAllStandardOutput();
        QVERIFY(printed.contains("\"event\":\"opened\""));
        QVERIFY(printed.contains("\"event\":\"finished\""));
        QCOMPARE(r.status(), "串口已连接");
        QCOMPARE(r.dialogs.seen, QStringList{ "提示|参数设置成功" });
    }

    void silentControllerIsLetGoAfterSevenSeconds() // the window's one watchdog run in real time
    {
        SimulatorRig r;
        QVERIFY(r.connectTo("--silent"));
        const QDeadlineTimer early(6500), late(7700); // the seventh tick; the eighth: 8 s
        QTRY_COMPARE_WITH_TIMEOUT(r.dialogs.seen, QStringList{ "错误|设备无响应" }, 9000);
        QVERIFY(early.hasExpired());
        QVERIFY(!late.hasExpired());
    }
};

KAVRIN_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
