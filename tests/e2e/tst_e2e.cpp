// The program against the simulated controller and the faults of a real line.
#include "app/mainwindow.h"
#include "log/logsink.h"

#include "support.h"

#include <QElapsedTimer>
#include <QSpinBox>
#include <QTextEdit>

class TestEndToEnd : public QObject
{
    Q_OBJECT

    struct Rig // taken down in reverse: the window first, the log sink last
    {
        LogSink sink;
        DialogAnswerer dialogs;
        MessageCapture log; // passes messages on to the sink's handler
        Simulator sim;
        MainWindow window{ &sink };
    };
    QScopedPointer<Rig> rig;

    bool connectTo(const QStringList &options)
    {
        const bool started = rig->sim.start(QStringList{ "--verbose", "--seed", "11" } + options);
        QTest::qWait(options.contains("--stream") ? 300 : 0); // streaming: busy when the port opens
        return started && WindowDriver(&rig->window).openPort(rig->sim.port());
    }

private slots:
    void init() { rig.reset(new Rig); }
    void cleanup() { rig.reset(); }

    void automaticRun_data()
    {
        QTest::addColumn<QStringList>("options"); // split, joined frames, garbage, streaming
        for (const char *option : { "", "--split", "--join", "--garbage", "--stream" })
            QTest::addRow("line %s", option) << QStringList(option).filter("--");
    }
    void automaticRun()
    {
        QFETCH(QStringList, options);
        QVERIFY(connectTo(options));
        const WindowDriver ui(&rig->window);
        ui.get<QSpinBox>("openSpin")->setValue(1);
        ui.get<QSpinBox>("closeSpin")->setValue(1);
        ui.get<QSpinBox>("cycleSpin")->setValue(3);
        ui.get<QPushButton>("Buttontext")->click();
        ui.radio(1)->click(); // automatic
        ui.button("open")->click(); // start
        QTRY_COMPARE_WITH_TIMEOUT(ui.get<QTextEdit>("countDisplay")->toPlainText(),
                                  QStringLiteral("循环次数：0"), 5000); // three 200 ms cycles
        QVERIFY(ui.button("open"));
        QCOMPARE(rig->dialogs.seen, QStringList{ "提示|参数设置成功" });
        QCOMPARE(rig->log.texts(QtCriticalMsg), QStringList());
        // The simulator logs each frame it took, layout and CRC checked, in order.
        const QString said = rig->sim.stop();
        const QRegularExpression took("(?s)command 41 00 01 00 01 00 03.*command 42 02 00 00 00 "
                                      "00 00.*command 44 01 00 00 00 00 00");
        QVERIFY2(said.contains(took), qPrintable(said));
        QVERIFY2(!said.contains("bad frame"), qPrintable(said));
        QVERIFY2(!said.contains("no acknowledgement"), qPrintable(said));
    }

    void faultClosesThePort_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("critical"); // the start of the one critical line
        QTest::addColumn<QStringList>("boxes");
        using Args = QStringList;
        const QStringList wrongBox{ "错误|设备连接错误" };
        QTest::newRow("wrong device") << Args{ "--wrong-device" } << "设备连接错误" << wrongBox;
        QTest::newRow("wrong device, opened while it streams")
            << Args{ "--wrong-device", "--stream" } << "设备连接错误" << wrongBox;
        QTest::newRow("vanished") << Args{ "--vanish-after=800" } << "串口错误：" << Args();
    }
    void faultClosesThePort()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, critical);
        QVERIFY(connectTo(options));
        QTRY_COMPARE_WITH_TIMEOUT(WindowDriver(&rig->window).status(), QStringLiteral("串口已关闭"),
                                  2000);
        QTest::qWait(300); // nothing follows: one box, one line
        QTEST(rig->dialogs.seen, "boxes");
        const QStringList lines = rig->log.texts(QtCriticalMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.value(0).startsWith(critical), qPrintable(lines.value(0)));
    }

    // The one watchdog run in real time: a silent controller is let go seven seconds on.
    void silentControllerIsLetGoAfterSevenSeconds()
    {
        QVERIFY(connectTo({ "--silent" }));
        QElapsedTimer opened; // the watchdog started as the port opened, just now
        opened.start();
        QTRY_COMPARE_WITH_TIMEOUT(WindowDriver(&rig->window).status(), QStringLiteral("串口已关闭"),
                                  9000);
        const qint64 silence = opened.elapsed(); // the seventh tick; the eighth would be 8 s
        QVERIFY2(silence > 6500, qPrintable(QString::number(silence)));
        QVERIFY2(silence < 7700, qPrintable(QString::number(silence)));
        QTRY_COMPARE(rig->dialogs.seen, QStringList{ "错误|设备无响应" });
        QCOMPARE(rig->log.texts(QtCriticalMsg), QStringList{ "设备无响应，请检查下位机是否正常" });
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
