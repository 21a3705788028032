// The program against the simulated controller and the faults of a real line.
#include "app/mainwindow.h"
#include "log/logsink.h"

#include "support.h"

struct Rig : WindowDriver // taken down in reverse: the window first, the log sink last
{
    Rig() : WindowDriver(&window) { }
    LogSink sink;
    DialogAnswerer dialogs;
    MessageCapture log; // passes messages on to the sink's handler
    Simulator sim;
    MainWindow window{ &sink };
};

class TestEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> r;

    bool connectTo(const QString &option)
    {
        const bool started = r->sim.start({ "--verbose", "--seed", "11", option });
        QTest::qWait(option == "--stream" ? 300 : 0); // streaming: busy when the port opens
        return started && r->openPort(r->sim.port);
    }

private slots:
    void init() { r = std::make_unique<Rig>(); }
    void cleanup() { r.reset(); }

    void automaticRun_data()
    {
        QTest::addColumn<QString>("line"); // the simulator's option; --verbose alone: a clean line
        for (const char *option : { "--verbose", "--split", "--join", "--garbage", "--stream" })
            QTest::newRow(option) << option;
    }
    void automaticRun() // three short cycles; the simulator logs each frame it took, in order
    {
        QFETCH(QString, line);
        QVERIFY(connectTo(line));
        r->get<QSpinBox>("openSpin")->setValue(2);
        r->get<QSpinBox>("closeSpin")->setValue(1);
        r->get<QSpinBox>("cycleSpin")->setValue(3);
        r->get<QPushButton>("Buttontext")->click();
        r->radio(1)->click();
        r->button("open")->click();
        QTRY_COMPARE_WITH_TIMEOUT(r->get<QTextEdit>("countDisplay")->toPlainText(),
                                  QStringLiteral("循环次数：0"), 5000);
        QVERIFY(r->button("open"));
        QCOMPARE(r->dialogs.seen, QStringList{ "提示|参数设置成功" });
        QCOMPARE(r->log.lines().filter("critical "), QStringList());
        const QString said = r->sim.stop();
        const QRegularExpression took("(?s)command 41 00 02 00 01 00 03.*command 42 02 00 00 00 "
                                      "00 00.*command 44 01 00 00 00 00 00");
        QVERIFY2(said.contains(took), qPrintable(said));
        QVERIFY2(!said.contains("bad frame"), qPrintable(said));
        QVERIFY2(!said.contains("no acknowledgement"), qPrintable(said));
    }

    void silentControllerIsLetGoAfterSevenSeconds() // the one watchdog run in real time
    {
        QVERIFY(connectTo("--silent"));
        QElapsedTimer sinceOpen;
        sinceOpen.start();
        QTRY_COMPARE_WITH_TIMEOUT(r->status(), QStringLiteral("串口已关闭"), 9000);
        const qint64 silence = sinceOpen.elapsed(); // the seventh tick; the eighth would be 8 s
        QVERIFY2(silence > 6500, qPrintable(QString::number(silence)));
        QVERIFY2(silence < 7700, qPrintable(QString::number(silence)));
        QTRY_COMPARE(r->dialogs.seen, QStringList{ "错误|设备无响应" });
        QCOMPARE(r->log.lines().filter("critical "),
                 QStringList{ "critical 设备无响应，请检查下位机是否正常" });
    }
};

KAVRIN_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
