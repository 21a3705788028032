// The program against the simulated controller and the faults of a real line.
#include "app/mainwindow.h"
#include "log/logsink.h"

#include "support.h"

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
        ui.get<QSpinBox>("openSpin")->setValue(1), ui.get<QSpinBox>("closeSpin")->setValue(1);
        ui.get<QSpinBox>("cycleSpin")->setValue(3), ui.get<QPushButton>("Buttontext")->click();
        ui.radio(1)->click(), ui.button("open")->click(); // automatic, then start
        QTRY_COMPARE_WITH_TIMEOUT(ui.get<QTextEdit>("countDisplay")->toPlainText(),
                                  QStringLiteral("循环次数：0"), 5000); // three 200 ms cycles
        QVERIFY(ui.button("open"));
        QCOMPARE(rig->dialogs.seen, QStringList{ "提示|参数设置成功" });
        QVERIFY(rig->log.texts(QtCriticalMsg).isEmpty());
        const QString said = rig->sim.stop(); // logs each frame taken, layout and CRC checked
        const QRegularExpression took("(?s)command 41 00 01 00 01 00 03.*command 42 02 00 00 00 "
                                      "00 00.*command 44 01 00 00 00 00 00");
        const QRegularExpression bad("bad frame|no acknowledgement");
        QVERIFY2(said.contains(took) && !said.contains(bad), qPrintable(said));
    }

    void faultClosesPort_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message"); // the critical line's start; "错误|": a box too
        QTest::addColumn<int>("within"); // ms
        using Args = QStringList;
        QTest::newRow("wrong device") << Args{ "--wrong-device" } << "错误|设备连接错误" << 1500;
        QTest::newRow("wrong device, opened while it streams")
            << Args{ "--wrong-device", "--stream" } << "错误|设备连接错误" << 1500;
        QTest::newRow("vanished") << Args{ "--vanish-after=800" } << "串口错误：" << 2000;
        QTest::newRow("silent device") << Args{ "--silent" } << "错误|设备无响应" << 9000;
    }
    void faultClosesPort()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QFETCH(int, within);
        QVERIFY(connectTo(options));
        QTRY_COMPARE_WITH_TIMEOUT(WindowDriver(&rig->window).status(), QStringLiteral("串口已关闭"),
                                  within);
        QTest::qWait(300); // nothing follows: one box, one line
        QCOMPARE(rig->dialogs.seen, QStringList(message).filter("|"));
        const QStringList lines = rig->log.texts(QtCriticalMsg);
        QVERIFY2(lines.size() == 1 && lines[0].startsWith(message.section('|', -1)),
                 qPrintable(lines.join('\n')));
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
