#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "windowtestmain.h"

#include "ui/clickedcombobox.h"

#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void operatorSession_data();
    void operatorSession();
    void silentControllerTripsWatchdog();
    void wrongDeviceIsRefused();
    void vanishingControllerClosesPort();

private:
    // Starts the simulator and picks its port in the selector; false on failure.
    bool connectToSimulator(const QStringList &options);
    QString simulatorLog();

    Kavrin *window = nullptr;
    MessageCapture *log = nullptr;
    BoxWatcher *watcher = nullptr;
    QProcess *sim = nullptr;
    QByteArray savedExtraPorts;
};

void TestEndToEnd::init()
{
    savedExtraPorts = qgetenv("KAVRIN_EXTRA_PORTS");
    window = new Kavrin;
    log = new MessageCapture;
    watcher = new BoxWatcher;
    sim = new QProcess;
}

void TestEndToEnd::cleanup()
{
    delete window;
    window = nullptr;
    if (sim->state() != QProcess::NotRunning) {
        sim->terminate();
        if (!sim->waitForFinished(3000))
            sim->kill();
        sim->waitForFinished(1000);
    }
    delete sim;
    sim = nullptr;
    delete watcher;
    watcher = nullptr;
    delete log;
    log = nullptr;
    if (savedExtraPorts.isNull())
        qunsetenv("KAVRIN_EXTRA_PORTS");
    else
        qputenv("KAVRIN_EXTRA_PORTS", savedExtraPorts);
}

bool TestEndToEnd::connectToSimulator(const QStringList &options)
{
    sim->start(QStringLiteral(SHUTTER_SIM), QStringList{ "--verbose", "--seed", "11" } + options);
    if (!sim->waitForStarted(5000) || !sim->waitForReadyRead(5000))
        return false;
    const QString path = QString::fromLocal8Bit(sim->readLine()).trimmed();
    if (path.isEmpty())
        return false;
    qputenv("KAVRIN_EXTRA_PORTS", path.toLocal8Bit());

    // The operator opens the drop-down (which rescans) and picks the port.
    window->portCombo->showPopup();
    window->portCombo->hidePopup();
    const int index = window->portCombo->findText(path);
    if (index < 0)
        return false;
    window->portCombo->setCurrentIndex(index);
    emit window->portCombo->activated(index);
    return window->serialPort->isOpen();
}

QString TestEndToEnd::simulatorLog()
{
    sim->terminate();
    sim->waitForFinished(3000);
    return QString::fromLocal8Bit(sim->readAllStandardError());
}

void TestEndToEnd::operatorSession_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("clean line") << QStringList();
    QTest::newRow("split frames") << QStringList{ "--split" };
    QTest::newRow("joined frames") << QStringList{ "--join" };
    QTest::newRow("garbage between frames") << QStringList{ "--garbage" };
}

void TestEndToEnd::operatorSession()
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
    const QString received = simulatorLog();
    QVERIFY2(received.contains("command 41 00 01 00 02 01 2c"), qPrintable(received));
    QVERIFY2(received.contains("command 42 01 00 00 00 00 00"), qPrintable(received));
    QVERIFY2(received.contains("command 43 01 00 00 00 00 00"), qPrintable(received));
    QVERIFY2(!received.contains("bad frame"), qPrintable(received));
    QVERIFY2(!received.contains("no acknowledgement"), qPrintable(received));
}

void TestEndToEnd::silentControllerTripsWatchdog()
{
    QVERIFY(connectToSimulator({ "--silent" }));
    // Seven ticks of 100 ms stand in for seven seconds.
    window->replyTimer->start(100);

    QTRY_COMPARE_WITH_TIMEOUT(watcher->boxes.size(), 1, 8000);
    QCOMPARE(watcher->boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(watcher->boxes[0].text, QStringLiteral("设备无响应"));
    QVERIFY(!window->serialPort->isOpen());
    QTest::qWait(300);
    QCOMPARE(watcher->boxes.size(), 1);
}

void TestEndToEnd::wrongDeviceIsRefused()
{
    QVERIFY(connectToSimulator({ "--wrong-device", "--idle-interval", "200" }));

    QTRY_COMPARE_WITH_TIMEOUT(watcher->boxes.size(), 1, 5000);
    QCOMPARE(watcher->boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(watcher->boxes[0].text, QStringLiteral("设备连接错误"));
    QVERIFY(!window->serialPort->isOpen());
    QCOMPARE(log->texts(QtCriticalMsg), QStringList{ QStringLiteral("设备连接错误") });
}

void TestEndToEnd::vanishingControllerClosesPort()
{
    QVERIFY(connectToSimulator({ "--vanish-after", "800", "--idle-interval", "200" }));
    QSignalSpy errors(window->serialPort, &QSerialPort::errorOccurred);
    window->autoRadio->click();

    QVERIFY(sim->waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!window->serialPort->isOpen(), 1000);
    QTest::qWait(200);

    const QStringList critical = log->texts(QtCriticalMsg);
    QCOMPARE(critical.size(), 1);
    QVERIFY(critical[0].startsWith(QStringLiteral("串口错误：")));
    QVERIFY2(errors.count() < 10, qPrintable(QString::number(errors.count())));
    QVERIFY(watcher->boxes.isEmpty());
}

KAVRIN_WINDOW_TEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
