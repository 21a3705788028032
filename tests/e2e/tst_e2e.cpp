#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "windowtestmain.h"

#include "ui/clickedcombobox.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

#include <memory>

class TestEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<Kavrin> window;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<BoxWatcher> watcher;
    std::unique_ptr<QProcess> sim;
    QByteArray savedExtraPorts;

    // Starts the simulator and picks its port in the selector; false on failure.
    bool connectToSimulator(const QStringList &options)
    {
        sim->start(QStringLiteral(SHUTTER_SIM),
                   QStringList{ "--verbose", "--seed", "11" } + options);
        if (!sim->waitForStarted(5000) || !sim->waitForReadyRead(5000))
            return false;
        const QString path = QString::fromLocal8Bit(sim->readLine()).trimmed();
        qputenv("KAVRIN_EXTRA_PORTS", path.toLocal8Bit());

        // The operator opens the drop-down (which rescans) and picks the port.
        window->portCombo->showPopup();
        window->portCombo->hidePopup();
        const int index = window->portCombo->findText(path);
        if (path.isEmpty() || index < 0)
            return false;
        window->portCombo->setCurrentIndex(index);
        emit window->portCombo->activated(index);
        return window->serialPort->isOpen();
    }

private slots:
    void init()
    {
        savedExtraPorts = qgetenv("KAVRIN_EXTRA_PORTS");
        window.reset(new Kavrin);
        log.reset(new MessageCapture); // after the window's own message handler
        watcher.reset(new BoxWatcher);
        sim.reset(new QProcess);
    }

    void cleanup()
    {
        window.reset();
        sim->terminate();
        sim->waitForFinished(3000);
        sim.reset(); // kills it if it would not end
        watcher.reset();
        log.reset();
        if (savedExtraPorts.isNull())
            qunsetenv("KAVRIN_EXTRA_PORTS");
        else
            qputenv("KAVRIN_EXTRA_PORTS", savedExtraPorts);
    }

    void operatorSession_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("clean line") << QStringList();
        QTest::newRow("split frames") << QStringList{ "--split" };
        QTest::newRow("joined frames") << QStringList{ "--join" };
        QTest::newRow("garbage between frames") << QStringList{ "--garbage" };
    }

    void operatorSession()
    {
        QFETCH(QStringList, options);
        QVERIFY(connectToSimulator(options));

        window->openSpin->setValue(1);
        window->closeSpin->setValue(2);
        window->cycleSpin->setValue(300);
        window->saveSettingsButton->click();
        window->manualRadio->click();
        window->startButton->click();
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("stop"));

        QTRY_VERIFY_WITH_TIMEOUT(
            window->countDisplay->toPlainText().startsWith(QStringLiteral("触发次数：")), 5000);
        QVERIFY(!window->firstReplyPending);
        QVERIFY(window->serialPort->isOpen());
        QCOMPARE(watcher->boxes.size(), 1);
        QCOMPARE(watcher->boxes[0].text, QStringLiteral("参数设置成功"));
        QVERIFY(log->texts(QtCriticalMsg).isEmpty());

        // The simulator checks each frame's layout and CRC and logs what it took.
        sim->terminate();
        sim->waitForFinished(3000);
        const QString received = QString::fromLocal8Bit(sim->readAllStandardError());
        for (const char *command :
             { "41 00 01 00 02 01 2c", "42 01 00 00 00 00 00", "43 01 00 00 00 00 00" })
            QVERIFY2(received.contains(QString("command ") + command), qPrintable(received));
        QVERIFY2(!received.contains("bad frame") && !received.contains("no acknowledgement"),
                 qPrintable(received));
    }

    void deviceLostOrWrongClosesPort_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("tick");
        QTest::addColumn<int>("within");
        QTest::addColumn<QString>("box"); // empty: none
        QTest::addColumn<QString>("critical");
        // Seven ticks of 100 ms stand in for seven seconds.
        QTest::newRow("silent") << QStringList{ "--silent" } << 100 << 8000 << "设备无响应"
                                << "设备无响应，请检查下位机是否正常";
        QTest::newRow("wrong device") << QStringList{ "--wrong-device", "--idle-interval", "200" }
                                      << 1000 << 5000 << "设备连接错误"
                                      << "设备连接错误";
        QTest::newRow("vanished within a second")
            << QStringList{ "--vanish-after", "800", "--idle-interval", "200" } << 1000 << 1000
            << ""
            << "串口错误：";
    }

    void deviceLostOrWrongClosesPort()
    {
        QFETCH(QStringList, options);
        QFETCH(int, tick);
        QFETCH(int, within);
        QFETCH(QString, box);
        QFETCH(QString, critical);
        QVERIFY(connectToSimulator(options));
        QSignalSpy errors(window->serialPort, &QSerialPort::errorOccurred);
        window->replyTimer->start(tick);
        if (options.contains("--vanish-after"))
            QVERIFY(sim->waitForFinished(5000));

        QTRY_VERIFY_WITH_TIMEOUT(!window->serialPort->isOpen(), within);
        QTest::qWait(300); // nothing follows: one box, one line

        QCOMPARE(watcher->boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QCOMPARE(watcher->boxes[0].title, QStringLiteral("错误"));
            QCOMPARE(watcher->boxes[0].text, box);
        }
        const QStringList lines = log->texts(QtCriticalMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(critical), qPrintable(lines[0]));
        // A lost port left open reports its loss hundreds of thousands of times a second.
        QVERIFY2(errors.count() < 10, qPrintable(QString::number(errors.count())));
        QCOMPARE(window->statusLabel->text(), QStringLiteral("串口已关闭"));
        QVERIFY(!window->replyTimer->isActive());
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
