#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTimer>

class TestPortOpen : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scanAppendsExtraPorts_data();
    void scanAppendsExtraPorts();
    void scanFillsSelectorAndLogs();
    void emptyScanShowsBoxAndKeepsEntries();

    void openAppliesLineSettingsAndControls();
    void busyPortIsRefused_data();
    void busyPortIsRefused();
    void failedOpenLogsReason();
    void secondPortWhileOpenKeepsFirst();
    void closeBeforeOpenChangesNothing();
    void closeRestoresClosedState();
    void repliesHandledOncePerArrivalAfterReopen();
    void vanishedPortClosesOnce();

private:
    Kavrin *window = nullptr;
    MessageCapture *log = nullptr;
    QByteArray savedExtraPorts;
};

void TestPortOpen::init()
{
    savedExtraPorts = qgetenv("KAVRIN_EXTRA_PORTS");
    window = new Kavrin;
    log = new MessageCapture;
}

void TestPortOpen::cleanup()
{
    delete log;
    log = nullptr;
    delete window;
    window = nullptr;
    if (savedExtraPorts.isNull())
        qunsetenv("KAVRIN_EXTRA_PORTS");
    else
        qputenv("KAVRIN_EXTRA_PORTS", savedExtraPorts);
}

void TestPortOpen::scanAppendsExtraPorts_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QStringList>("extra");
    const QString sep = QString(QDir::listSeparator());
    QTest::newRow("unset") << QString() << QStringList();
    QTest::newRow("one path") << "/dev/pts/7" << QStringList{ "/dev/pts/7" };
    QTest::newRow("empty parts skipped") << sep + "/dev/pts/3" + sep + sep + "/dev/pts/1" + sep
                                         << QStringList{ "/dev/pts/3", "/dev/pts/1" };
}

void TestPortOpen::scanAppendsExtraPorts()
{
    QFETCH(QString, variable);
    QFETCH(QStringList, extra);
    if (variable.isNull())
        qunsetenv("KAVRIN_EXTRA_PORTS");
    else
        qputenv("KAVRIN_EXTRA_PORTS", variable.toLocal8Bit());

    QStringList expected;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        expected << info.portName();
    expected << extra;
    QCOMPARE(window->availablePortNames(), expected);
}

void TestPortOpen::scanFillsSelectorAndLogs()
{
    const QString sep = QString(QDir::listSeparator());
    qputenv("KAVRIN_EXTRA_PORTS", QString("/dev/fakeA" + sep + "/dev/fakeB").toLocal8Bit());
    window->portCombo->showPopup();
    window->portCombo->hidePopup();

    QVERIFY(window->portNames.endsWith("/dev/fakeB"));
    QStringList entries;
    for (int i = 0; i < window->portCombo->count(); ++i)
        entries << window->portCombo->itemText(i);
    QCOMPARE(entries, window->portNames);
    QCOMPARE(window->portCombo->currentIndex(), 0);
    // Filling the selector is no activation: nothing was opened.
    QVERIFY(!window->serialPort->isOpen());

    QStringList quoted;
    for (const QString &name : window->portNames)
        quoted << '"' + name + '"';
    QCOMPARE(log->texts(QtDebugMsg),
             QStringList{ QString("串口: (%1)").arg(quoted.join(QStringLiteral(", "))) });
}

void TestPortOpen::emptyScanShowsBoxAndKeepsEntries()
{
    if (!QSerialPortInfo::availablePorts().isEmpty())
        QSKIP("this machine has serial ports, the scan cannot come back empty");
    qunsetenv("KAVRIN_EXTRA_PORTS");
    window->portNames = QStringList{ "earlier" };
    window->portCombo->clear();
    window->portCombo->addItems({ "COM3", "COM5" });

    BoxWatcher watcher;
    window->refreshPortList();

    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].title, QStringLiteral("提示信息"));
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("未找到串口"));
    QCOMPARE(watcher.boxes[0].buttons, int(QMessageBox::Ok));
    QVERIFY(window->portNames.isEmpty());
    QCOMPARE(window->portCombo->count(), 2);
    QCOMPARE(window->portCombo->itemText(1), QStringLiteral("COM5"));
    QCOMPARE(log->texts(QtDebugMsg), QStringList{ QStringLiteral("串口: ()") });
}

void TestPortOpen::openAppliesLineSettingsAndControls()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QVERIFY(openPortAt(*window, pty.slavePath()));

    QSerialPort *port = window->serialPort;
    QCOMPARE(port->openMode(), QIODevice::ReadWrite);
    QCOMPARE(port->baudRate(QSerialPort::Input), 115200);
    QCOMPARE(port->baudRate(QSerialPort::Output), 115200);
    QCOMPARE(port->dataBits(), QSerialPort::Data8);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    QCOMPARE(port->stopBits(), QSerialPort::OneStop);
    QCOMPARE(port->flowControl(), QSerialPort::NoFlowControl);

    QVERIFY(window->firstReplyPending);
    QVERIFY(window->replyTimer->isActive());
    QCOMPARE(window->replyTimer->interval(), 1000);
    QCOMPARE(window->statusLabel->text(), QStringLiteral("串口已连接"));
    QVERIFY(window->saveSettingsButton->isEnabled());
    QVERIFY(window->manualRadio->isCheckable());
    QVERIFY(window->autoRadio->isCheckable());
    QVERIFY(window->triggerRadio->isCheckable());
    QVERIFY(!window->manualRadio->isChecked());
    QCOMPARE(log->texts(QtDebugMsg), QStringList{ QStringLiteral("串口已打开!") });
    QVERIFY(log->texts(QtCriticalMsg).isEmpty());
}

void TestPortOpen::busyPortIsRefused_data()
{
    QTest::addColumn<bool>("heldByWindow");
    QTest::newRow("already open in this window") << true;
    QTest::newRow("held by another port object") << false;
}

void TestPortOpen::busyPortIsRefused()
{
    QFETCH(bool, heldByWindow);
    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort holder;
    if (heldByWindow) {
        QVERIFY(openPortAt(*window, pty.slavePath()));
    } else {
        holder.setPortName(pty.slavePath());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    }
    const bool wasOpen = window->serialPort->isOpen();
    const QString label = window->statusLabel->text();
    log->clear();

    BoxWatcher watcher;
    QVERIFY(openPortAt(*window, pty.slavePath()) == wasOpen);

    QCOMPARE(log->texts(QtCriticalMsg), QStringList{ QStringLiteral("串口被占用") });
    QVERIFY(log->texts(QtDebugMsg).isEmpty());
    QCOMPARE(window->statusLabel->text(), label);
    QVERIFY(watcher.boxes.isEmpty());
    if (heldByWindow) {
        // The connection goes on: a write still reaches the device.
        window->sendTriggerMode(0);
        QCOMPARE(pty.read(24).size(), 24);
    }
}

void TestPortOpen::failedOpenLogsReason()
{
    const QString missing = QStringLiteral("/dev/kavrin-no-such-port");
    QVERIFY(!openPortAt(*window, missing));

    const QStringList critical = log->texts(QtCriticalMsg);
    QCOMPARE(critical.size(), 2);
    QCOMPARE(critical[0], QStringLiteral("打开失败!"));
    QCOMPARE(critical[1], window->serialPort->errorString());
    QVERIFY(!critical[1].isEmpty());
    // The port object keeps the chosen name.
    QCOMPARE(window->serialPort->portName(), QStringLiteral("kavrin-no-such-port"));
    QVERIFY(!window->replyTimer->isActive());
    QVERIFY(!window->saveSettingsButton->isEnabled());
}

void TestPortOpen::secondPortWhileOpenKeepsFirst()
{
    PtyPair first;
    PtyPair second;
    QVERIFY(openPortAt(*window, first.slavePath()));
    const QString name = window->serialPort->portName();
    log->clear();

    QVERIFY(openPortAt(*window, second.slavePath()));
    QCOMPARE(log->texts(QtCriticalMsg).value(0), QStringLiteral("打开失败!"));
    QCOMPARE(window->serialPort->portName(), name);
    window->sendTriggerMode(1);
    QCOMPARE(first.read(24), window->triggerAsyncFrame);
    QVERIFY(second.drain(50).isEmpty());
}

void TestPortOpen::closeBeforeOpenChangesNothing()
{
    const QString label = window->statusLabel->text();
    window->disconnectButton->click();
    QCOMPARE(window->statusLabel->text(), label);
    QVERIFY(log->texts(QtDebugMsg).isEmpty());
    QVERIFY(log->texts(QtCriticalMsg).isEmpty());
}

void TestPortOpen::closeRestoresClosedState()
{
    PtyPair pty;
    QVERIFY(openPortAt(*window, pty.slavePath()));
    window->manualRadio->click();
    QCOMPARE(pty.read(24), window->manualModeFrame);
    QVERIFY(window->startButton->isEnabled());
    window->missedReplies = 3;
    log->clear();

    window->disconnectButton->click();

    QVERIFY(!window->serialPort->isOpen());
    QCOMPARE(window->portCombo->count(), 1);
    QCOMPARE(window->portCombo->itemText(0), QStringLiteral("请选择串口"));
    QCOMPARE(window->statusLabel->text(), QStringLiteral("串口已关闭"));
    QVERIFY(!window->autoOffButton->isEnabled());
    QVERIFY(!window->saveSettingsButton->isEnabled());
    QVERIFY(!window->triggerSpin->isEnabled());
    QVERIFY(!window->startButton->isEnabled());
    for (QRadioButton *radio : { window->manualRadio, window->autoRadio, window->triggerRadio }) {
        QVERIFY(!radio->isCheckable());
        QVERIFY(!radio->isChecked());
    }
    QCOMPARE(window->missedReplies, 0);
    QVERIFY(!window->replyTimer->isActive());
    const QString name = window->serialPort->portName();
    QCOMPARE(log->texts(QtDebugMsg), QStringList{ QString("串口: \"%1\" 已关闭！").arg(name) });
}

void TestPortOpen::repliesHandledOncePerArrivalAfterReopen()
{
    PtyPair pty;
    QVERIFY(openPortAt(*window, pty.slavePath()));
    window->disconnectButton->click();
    QVERIFY(openPortAt(*window, pty.slavePath()));
    QVERIFY(window->firstReplyPending);
    QCOMPARE(window->missedReplies, 0);

    // Code 0x41 asks for one acknowledgement; a doubled connection would send two.
    QByteArray status = QByteArray::fromHex("8E027A10FF0000004100000000000000000000000A00008E");
    QVERIFY(pty.write(status));
    QCOMPARE(pty.read(3), window->ackReply);
    QVERIFY(pty.drain(100).isEmpty());
    QVERIFY(!window->firstReplyPending);
}

void TestPortOpen::vanishedPortClosesOnce()
{
    PtyPair pty;
    QVERIFY(openPortAt(*window, pty.slavePath()));
    QSignalSpy errors(window->serialPort, &QSerialPort::errorOccurred);
    log->clear();

    pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!window->serialPort->isOpen(), 1000);
    QTest::qWait(100);

    QCOMPARE(window->statusLabel->text(), QStringLiteral("串口已关闭"));
    QVERIFY(!window->replyTimer->isActive());
    const QStringList critical = log->texts(QtCriticalMsg);
    QCOMPARE(critical.size(), 1);
    QVERIFY(critical[0].startsWith(QStringLiteral("串口错误：")));
    QVERIFY2(errors.count() < 10, qPrintable(QString::number(errors.count())));
}

KAVRIN_WINDOW_TEST_MAIN(TestPortOpen)
#include "tst_portopen.moc"
