// The program against the simulated controller and the faults of a real line.
#include "app/mainwindow.h"
#include "log/logsink.h"

#include "dialoganswerer.h"
#include "messagecapture.h"
#include "simulator.h"
#include "windowdriver.h"
#include "windowtestmain.h"

#include <QMessageBox>
#include <QSpinBox>
#include <QTextEdit>

#include <memory>

class TestEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<LogSink> sink;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<DialogAnswerer> dialogs;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<Simulator> sim;

    bool connectTo(const QStringList &options)
    {
        if (!sim->start(QStringList{ "--verbose", "--seed", "11" } + options))
            return false;
        if (options.contains("--stream"))
            QTest::qWait(300); // the line is busy when the port opens
        return WindowDriver(window.get()).openPort(sim->port());
    }

private slots:
    void init()
    {
        sink = std::make_unique<LogSink>();
        window = std::make_unique<MainWindow>(sink.get());
        dialogs = std::make_unique<DialogAnswerer>();
        log = std::make_unique<MessageCapture>();
        sim = std::make_unique<Simulator>();
    }
    void cleanup()
    {
        window.reset();
        sim.reset();
        log.reset();
        sink.reset();
        dialogs.reset();
    }

    void automaticRun_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("clean line") << QStringList();
        QTest::newRow("split frames") << QStringList{ "--split" };
        QTest::newRow("joined frames") << QStringList{ "--join" };
        QTest::newRow("garbage between frames") << QStringList{ "--garbage" };
        QTest::newRow("opened while the controller streams") << QStringList{ "--stream" };
    }
    void automaticRun()
    {
        QFETCH(QStringList, options);
        QVERIFY(connectTo(options));
        const WindowDriver ui(window.get());
        ui.get<QSpinBox>("openSpin")->setValue(1);
        ui.get<QSpinBox>("closeSpin")->setValue(1);
        ui.get<QSpinBox>("cycleSpin")->setValue(3);
        ui.get<QPushButton>("Buttontext")->click();
        ui.radio(1)->click();
        ui.button("open")->click();
        QVERIFY(ui.button("stop"));

        // Three cycles of 200 ms, counted down to the end of the run.
        QTRY_COMPARE_WITH_TIMEOUT(ui.get<QTextEdit>("countDisplay")->toPlainText(),
                                  QStringLiteral("循环次数：0"), 5000);
        QVERIFY(ui.button("open"));
        QCOMPARE(dialogs->seen, QStringList{ "提示|参数设置成功" });
        QVERIFY(log->texts(QtCriticalMsg).isEmpty());

        // The simulator checks each frame's layout and CRC and logs what it took.
        const QString received = sim->stop();
        for (const char *command :
             { "41 00 01 00 01 00 03", "42 02 00 00 00 00 00", "44 01 00 00 00 00 00" })
            QVERIFY2(received.contains(QString("command ") + command), qPrintable(received));
        QVERIFY2(!received.contains("bad frame") && !received.contains("no acknowledgement"),
                 qPrintable(received));
    }

    void faultClosesPort_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("within"); // ms
        QTest::addColumn<QString>("box"); // empty: none
        QTest::addColumn<QString>("critical");
        QTest::newRow("wrong device")
            << QStringList{ "--wrong-device" } << 1500 << "错误|设备连接错误"
            << "设备连接错误";
        QTest::newRow("wrong device, opened while it streams")
            << QStringList{ "--wrong-device", "--stream" } << 1500 << "错误|设备连接错误"
            << "设备连接错误";
        QTest::newRow("vanished") << QStringList{ "--vanish-after", "800" } << 2000 << ""
                                  << "串口错误：";
        QTest::newRow("silent: seven seconds")
            << QStringList{ "--silent" } << 9000 << "错误|设备无响应"
            << "设备无响应，请检查下位机是否正常";
    }
    void faultClosesPort()
    {
        QFETCH(QStringList, options);
        QFETCH(int, within);
        QFETCH(QString, box);
        QFETCH(QString, critical);
        QVERIFY(connectTo(options));
        const WindowDriver ui(window.get());
        QTRY_COMPARE_WITH_TIMEOUT(ui.status(), QStringLiteral("串口已关闭"), within);
        QTest::qWait(300); // nothing follows: one box, one line
        QCOMPARE(dialogs->seen, box.isEmpty() ? QStringList() : QStringList{ box });
        const QStringList lines = log->texts(QtCriticalMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(critical), qPrintable(lines[0]));
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
