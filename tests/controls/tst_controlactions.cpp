#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "device/statusframe.h"
#include "ui/strspinbox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextEdit>

#include <memory>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
} // namespace

class TestControlActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Kavrin> window;
    std::unique_ptr<MessageCapture> log;

private slots:
    void init()
    {
        pty.reset(new PtyPair);
        window.reset(new Kavrin);
        log.reset(new MessageCapture);
        QVERIFY(openPortAt(*window, pty->slavePath()));
        log->clear();
    }

    void cleanup()
    {
        log.reset();
        window.reset();
        pty.reset();
    }

    void modeFrameControlsAndStartStop_data()
    {
        QTest::addColumn<int>("radio"); // manual, automatic, trigger
        QTest::addColumn<int>("selector");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("autoOffEnabled");
        QTest::addColumn<QByteArray>("start"); // empty: start stays disabled
        QTest::addColumn<QByteArray>("stop");
        QTest::newRow("manual") << 0 << 0 << hex("8E017A00000000004201000000000000000000000ACFC48E")
                                << false << hex("8E017A00000000004301000000000000000000000A8AA78E")
                                << hex("8E017A00000000004300000000000000000000000A89D28E");
        QTest::newRow("automatic")
            << 1 << 0 << hex("8E017A00000000004202000000000000000000000ACA5B8E") << true
            << hex("8E017A00000000004401000000000000000000000A40AF8E")
            << hex("8E017A00000000004402000000000000000000000A45308E");
        QTest::newRow("trigger synchronous")
            << 2 << 0 << hex("8E017A00000000004203000000000000000000000AC92E8E") << false
            << QByteArray() << QByteArray();
        QTest::newRow("trigger asynchronous")
            << 2 << 1 << hex("8E017A00000000004204000000000000000000000AC1658E") << false
            << QByteArray() << QByteArray();
    }

    void modeFrameControlsAndStartStop()
    {
        QFETCH(int, radio);
        QFETCH(int, selector);
        QFETCH(QByteArray, frame);
        QFETCH(bool, autoOffEnabled);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, stop);
        // A running shutter from before: every mode choice starts idle, and sends no stop.
        window->startButton->setToolTip(QStringLiteral("stop"));
        window->triggerSpin->blockSignals(true);
        window->triggerSpin->setValue(selector);
        window->triggerSpin->blockSignals(false);
        QRadioButton *button = QList<QRadioButton *>{ window->manualRadio, window->autoRadio,
                                                      window->triggerRadio }[radio];

        button->click();
        QCOMPARE(pty->read(24), frame);
        button->click(); // already checked: nothing to send
        QVERIFY(pty->drain(50).isEmpty());

        QCOMPARE(window->startButton->isEnabled(), !start.isEmpty());
        QCOMPARE(window->autoOffButton->isEnabled(), autoOffEnabled);
        QCOMPARE(window->triggerSpin->isEnabled(), radio == 2);
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
        if (radio == 2) { // the selector switches the sub-mode at once
            window->triggerSpin->setValue(1 - selector);
            QCOMPARE(pty->read(24),
                     selector ? window->triggerSyncFrame : window->triggerAsyncFrame);
            return;
        }
        window->startButton->click();
        QCOMPARE(pty->read(24), start);
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("stop"));
        window->startButton->click();
        QCOMPARE(pty->read(24), stop);
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
    }

    void autoOffReturnsToIdle()
    {
        window->autoRadio->click();
        window->startButton->click();
        QCOMPARE(pty->read(48).size(), 48);
        // Two counts at once: the second waits its turn for the display.
        QVERIFY(pty->write(statusFrame(0x44, 9) + statusFrame(0x44, 8)));
        QVERIFY(pty->waitUntilTaken());
        QTRY_COMPARE(window->countDisplay->toPlainText(), QStringLiteral("循环次数：9"));

        window->autoOffButton->click();
        QCOMPARE(pty->read(24), hex("8E017A00000000004400000000000000000000000A43DA8E"));
        QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
        QTest::qWait(250); // past the display period: the waiting count is dropped
        QVERIFY(window->countDisplay->toPlainText().isEmpty());
    }

    void parametersFrameLogAndNotice_data()
    {
        QTest::addColumn<int>("openTime");
        QTest::addColumn<int>("closeTime");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("logText");
        QTest::newRow("maximum 1000 each")
            << 1000 << 1000 << 1000 << hex("8E017A00000000004103E803E803E800000000000A5F9C8E")
            << "\"快门设置：8E 01 7A 00 00 00 00 00 41 03 e8 03 e8 03 e8 00 00 00 00 00 0A5f9c8E\"";
        QTest::newRow("crc below 0x1000 keeps four digits")
            << 1 << 3 << 10 << hex("8E017A00000000004100010003000A00000000000A05578E")
            << "\"快门设置：8E 01 7A 00 00 00 00 00 41 00 01 00 03 00 0a 00 00 00 00 00 0A05578E\"";
    }

    void parametersFrameLogAndNotice()
    {
        QFETCH(int, openTime);
        QFETCH(int, closeTime);
        QFETCH(int, cycles);
        QFETCH(QByteArray, frame);
        QFETCH(QString, logText);
        window->openSpin->setValue(openTime);
        window->closeSpin->setValue(closeTime);
        window->cycleSpin->setValue(cycles);

        BoxWatcher watcher;
        window->saveSettingsButton->click();

        QCOMPARE(pty->read(24), frame);
        QCOMPARE(log->texts(QtDebugMsg), QStringList{ logText });
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("提示"));
        QCOMPARE(watcher.boxes[0].text, QStringLiteral("参数设置成功"));
        QCOMPARE(watcher.boxes[0].buttons, int(QMessageBox::Ok));
    }

    void refusedParameterWriteShowsNoSuccess()
    {
        // A port that takes no bytes refuses the frame.
        window->serialPort->close();
        QVERIFY(window->serialPort->open(QIODevice::ReadOnly));
        BoxWatcher watcher;

        window->saveSettingsButton->click();
        QTest::qWait(50);

        QVERIFY(watcher.boxes.isEmpty());
        const QStringList critical = log->texts(QtCriticalMsg);
        QCOMPARE(critical.size(), 1);
        QVERIFY(critical.first().startsWith(QStringLiteral("参数发送失败：")));
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestControlActions)
#include "tst_controlactions.moc"
