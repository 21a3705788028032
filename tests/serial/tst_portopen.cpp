#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "device/statusframe.h"
#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

#include <memory>

class TestPortOpen : public QObject
{
    Q_OBJECT

    std::unique_ptr<Kavrin> window;
    std::unique_ptr<MessageCapture> log;
    QByteArray savedExtraPorts;

private slots:
    void init()
    {
        savedExtraPorts = qgetenv("KAVRIN_EXTRA_PORTS");
        window.reset(new Kavrin);
        log.reset(new MessageCapture);
    }

    void cleanup()
    {
        log.reset();
        window.reset();
        if (savedExtraPorts.isNull())
            qunsetenv("KAVRIN_EXTRA_PORTS");
        else
            qputenv("KAVRIN_EXTRA_PORTS", savedExtraPorts);
    }

    void scanListsExtraPortsAfterPlatformOnes_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QStringList>("extra");
        const QString sep = QString(QDir::listSeparator());
        QTest::newRow("unset") << QString() << QStringList();
        QTest::newRow("one path") << "/dev/pts/7" << QStringList{ "/dev/pts/7" };
        QTest::newRow("empty parts skipped") << sep + "/dev/pts/3" + sep + sep + "/dev/pts/1" + sep
                                             << QStringList{ "/dev/pts/3", "/dev/pts/1" };
    }

    // Opening the drop-down rescans; an empty scan says so and keeps the old entries.
    void scanListsExtraPortsAfterPlatformOnes()
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
        window->portNames = QStringList{ "earlier" };
        const QString before = window->portCombo->itemText(0);

        BoxWatcher watcher;
        window->portCombo->showPopup();
        window->portCombo->hidePopup();

        QCOMPARE(window->portNames, expected);
        QStringList entries;
        for (int i = 0; i < window->portCombo->count(); ++i)
            entries << window->portCombo->itemText(i);
        QCOMPARE(entries, expected.isEmpty() ? QStringList{ before } : expected);
        QVERIFY(!window->serialPort->isOpen());
        QStringList quoted;
        for (const QString &name : expected)
            quoted << '"' + name + '"';
        QCOMPARE(log->texts(QtDebugMsg), QStringList{ "串口: (" + quoted.join(", ") + ')' });
        QCOMPARE(watcher.boxes.size(), expected.isEmpty() ? 1 : 0);
        if (expected.isEmpty()) {
            QCOMPARE(watcher.boxes[0].title, QStringLiteral("提示信息"));
            QCOMPARE(watcher.boxes[0].text, QStringLiteral("未找到串口"));
            QCOMPARE(watcher.boxes[0].buttons, int(QMessageBox::Ok));
        }
    }

    void openAppliesLineSettingsAndControls()
    {
        PtyPair pty;
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
        for (QRadioButton *radio : { window->manualRadio, window->autoRadio, window->triggerRadio })
            QVERIFY(radio->isCheckable() && !radio->isChecked());
        QCOMPARE(log->texts(QtDebugMsg), QStringList{ QStringLiteral("串口已打开!") });
        QVERIFY(log->texts(QtCriticalMsg).isEmpty());
    }

    void refusedOpenKeepsState_data()
    {
        QTest::addColumn<int>("holder");
        QTest::addColumn<QString>("critical");
        QTest::newRow("open in this window") << 0 << "串口被占用";
        QTest::newRow("held by another port object") << 1 << "串口被占用";
        QTest::newRow("another port open in this window") << 2 << "打开失败!";
        QTest::newRow("no such device") << 3 << "打开失败!";
    }

    void refusedOpenKeepsState()
    {
        QFETCH(int, holder);
        QFETCH(QString, critical);
        PtyPair pty;
        PtyPair other;
        QSerialPort foreign(pty.slavePath());
        if (holder == 1)
            QVERIFY2(foreign.open(QIODevice::ReadWrite), qPrintable(foreign.errorString()));
        else if (holder != 3)
            QVERIFY(openPortAt(*window, (holder == 0 ? pty : other).slavePath()));
        const bool wasOpen = window->serialPort->isOpen();
        const QString name = window->serialPort->portName();
        const QString label = window->statusLabel->text();
        log->clear();

        BoxWatcher watcher;
        const QString path = holder == 3 ? "/dev/kavrin-no-such-port" : pty.slavePath();
        QCOMPARE(openPortAt(*window, path), wasOpen);

        // A failed open says why on the next line.
        QStringList lines{ critical };
        if (critical == "打开失败!")
            lines << window->serialPort->errorString();
        QCOMPARE(log->texts(QtCriticalMsg), lines);
        QVERIFY(!lines.last().isEmpty());
        QVERIFY(log->texts(QtDebugMsg).isEmpty());
        QCOMPARE(window->statusLabel->text(), label);
        QCOMPARE(window->replyTimer->isActive(), wasOpen);
        QVERIFY(watcher.boxes.isEmpty());
        if (wasOpen) { // the first connection goes on, under its own name
            QCOMPARE(window->serialPort->portName(), name);
            window->sendTriggerMode(1);
            QCOMPARE((holder == 0 ? pty : other).read(24), window->triggerAsyncFrame);
            QVERIFY(pty.drain(50).isEmpty());
        }
    }

    void closeAndReopen()
    {
        const QString initialLabel = window->statusLabel->text();
        window->disconnectButton->click(); // nothing open: nothing happens
        QCOMPARE(window->statusLabel->text(), initialLabel);
        QVERIFY(log->texts(QtDebugMsg).isEmpty() && log->texts(QtCriticalMsg).isEmpty());

        PtyPair pty;
        QVERIFY(openPortAt(*window, pty.slavePath()));
        window->manualRadio->click();
        window->startButton->click();
        QCOMPARE(pty.read(48).size(), 48);
        window->triggerSpin->setEnabled(true);
        window->autoOffButton->setEnabled(true);
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
        // The running state stays for the operator to see; only the button is off.
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("stop"));
        for (QRadioButton *radio : { window->manualRadio, window->autoRadio, window->triggerRadio })
            QVERIFY(!radio->isChecked() && !radio->isCheckable());
        QCOMPARE(window->missedReplies, 0);
        QVERIFY(!window->replyTimer->isActive());
        QCOMPARE(
            log->texts(QtDebugMsg),
            QStringList{ QString("串口: \"%1\" 已关闭！").arg(window->serialPort->portName()) });
        log->clear();
        BoxWatcher watcher;
        window->sendParameters(); // port closed: no frame, no line, no box
        QVERIFY(log->texts(QtDebugMsg).isEmpty() && log->texts(QtCriticalMsg).isEmpty());
        QVERIFY(watcher.boxes.isEmpty());

        QVERIFY(openPortAt(*window, pty.slavePath()));
        QVERIFY(!window->manualRadio->isChecked());
        QVERIFY(!window->startButton->isEnabled());
        QVERIFY(pty.drain(50).isEmpty()); // nothing on closing, sending or reopening
        // One acknowledgement per request: a reopen must not connect the port twice.
        QVERIFY(pty.write(statusFrame(0x41, 0)));
        QCOMPARE(pty.drain(200), window->ackReply);
        window->autoRadio->click(); // choosing a mode enables start again
        QCOMPARE(pty.read(24), window->autoModeFrame);
        QVERIFY(window->startButton->isEnabled());
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestPortOpen)
#include "tst_portopen.moc"
