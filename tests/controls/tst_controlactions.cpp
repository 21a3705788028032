#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "ui/strspinbox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextEdit>

namespace {
QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}
} // namespace

class TestControlActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modeWritesFrameAndSetsControls_data();
    void modeWritesFrameAndSetsControls();
    void triggerSelectorSwitchesSubModeAtOnce();
    void startButtonToggles_data();
    void startButtonToggles();
    void modeChangeWhileRunningSendsNoStop();
    void autoOffReturnsToIdle();
    void checkedRadioClickedAgainSendsNothing();
    void parametersFrameLogAndNotice_data();
    void parametersFrameLogAndNotice();
    void parametersWithPortClosedDoNothing();
    void refusedParameterWriteShowsNoSuccess();
    void closeUnchecksRadiosSilentlyAndDisablesStart();

private:
    Kavrin *window = nullptr;
    MessageCapture *log = nullptr;
    PtyPair *pty = nullptr;
};

void TestControlActions::init()
{
    window = new Kavrin;
    log = new MessageCapture;
    pty = new PtyPair;
    QVERIFY(pty->isValid());
    QVERIFY(openPortAt(*window, pty->slavePath()));
    log->clear();
}

void TestControlActions::cleanup()
{
    delete log;
    log = nullptr;
    delete window;
    window = nullptr;
    delete pty;
    pty = nullptr;
}

void TestControlActions::modeWritesFrameAndSetsControls_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("selector");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("startEnabled");
    QTest::addColumn<bool>("autoOffEnabled");
    QTest::addColumn<bool>("selectorEnabled");

    QTest::newRow("manual") << "manual" << 0
                            << bytes("8E017A00000000004201000000000000000000000ACFC48E") << true
                            << false << false;
    QTest::newRow("automatic") << "auto" << 0
                               << bytes("8E017A00000000004202000000000000000000000ACA5B8E") << true
                               << true << false;
    QTest::newRow("trigger synchronous")
        << "trigger" << 0 << bytes("8E017A00000000004203000000000000000000000AC92E8E") << false
        << false << true;
    QTest::newRow("trigger asynchronous")
        << "trigger" << 1 << bytes("8E017A00000000004204000000000000000000000AC1658E") << false
        << false << true;
}

void TestControlActions::modeWritesFrameAndSetsControls()
{
    QFETCH(QString, radio);
    QFETCH(int, selector);
    QFETCH(QByteArray, frame);
    QFETCH(bool, startEnabled);
    QFETCH(bool, autoOffEnabled);
    QFETCH(bool, selectorEnabled);

    // A running shutter from before: every mode choice starts idle.
    window->startButton->setToolTip(QStringLiteral("stop"));
    window->triggerSpin->blockSignals(true);
    window->triggerSpin->setValue(selector);
    window->triggerSpin->blockSignals(false);

    QRadioButton *button = radio == "manual" ? window->manualRadio
        : radio == "auto"                    ? window->autoRadio
                                             : window->triggerRadio;
    button->click();

    QCOMPARE(pty->read(24), frame);
    QVERIFY(pty->drain(50).isEmpty());
    QCOMPARE(window->startButton->isEnabled(), startEnabled);
    QCOMPARE(window->autoOffButton->isEnabled(), autoOffEnabled);
    QCOMPARE(window->triggerSpin->isEnabled(), selectorEnabled);
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
}

void TestControlActions::triggerSelectorSwitchesSubModeAtOnce()
{
    window->triggerSpin->blockSignals(true);
    window->triggerSpin->setValue(1);
    window->triggerSpin->blockSignals(false);
    window->triggerRadio->click();
    QCOMPARE(pty->read(24), window->triggerAsyncFrame);

    window->triggerSpin->setValue(0);
    QCOMPARE(pty->read(24), window->triggerSyncFrame);
    window->triggerSpin->setValue(1);
    QCOMPARE(pty->read(24), window->triggerAsyncFrame);
    QVERIFY(!window->startButton->isEnabled());
}

void TestControlActions::startButtonToggles_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("stop");
    QTest::newRow("manual") << true << bytes("8E017A00000000004301000000000000000000000A8AA78E")
                            << bytes("8E017A00000000004300000000000000000000000A89D28E");
    QTest::newRow("automatic") << false << bytes("8E017A00000000004401000000000000000000000A40AF8E")
                               << bytes("8E017A00000000004402000000000000000000000A45308E");
}

void TestControlActions::startButtonToggles()
{
    QFETCH(bool, manual);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, stop);

    (manual ? window->manualRadio : window->autoRadio)->click();
    QCOMPARE(pty->read(24).size(), 24);

    window->startButton->click();
    QCOMPARE(pty->read(24), start);
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("stop"));

    window->startButton->click();
    QCOMPARE(pty->read(24), stop);
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
}

void TestControlActions::modeChangeWhileRunningSendsNoStop()
{
    window->manualRadio->click();
    window->startButton->click();
    QCOMPARE(pty->read(48).size(), 48);

    window->autoRadio->click();
    QCOMPARE(pty->read(24), window->autoModeFrame);
    QVERIFY(pty->drain(50).isEmpty());
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
    QVERIFY(window->startButton->isEnabled());

    window->startButton->click();
    QCOMPARE(pty->read(24), window->autoStartFrame);
}

void TestControlActions::autoOffReturnsToIdle()
{
    window->autoRadio->click();
    window->startButton->click();
    QCOMPARE(pty->read(48).size(), 48);
    window->countDisplay->setText(QStringLiteral("循环次数：12"));

    window->autoOffButton->click();
    QCOMPARE(pty->read(24), bytes("8E017A00000000004400000000000000000000000A43DA8E"));
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("open"));
    QVERIFY(window->countDisplay->toPlainText().isEmpty());
}

void TestControlActions::checkedRadioClickedAgainSendsNothing()
{
    window->manualRadio->click();
    QCOMPARE(pty->read(24), window->manualModeFrame);
    window->manualRadio->click();
    QVERIFY(window->manualRadio->isChecked());
    QVERIFY(pty->drain(100).isEmpty());
}

void TestControlActions::parametersFrameLogAndNotice_data()
{
    QTest::addColumn<int>("openTime");
    QTest::addColumn<int>("closeTime");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("logText");

    QTest::newRow("defaults 2 2 10")
        << 2 << 2 << 10 << bytes("8E017A00000000004100020002000A00000000000A968E8E")
        << "\"快门设置：8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a 00 00 00 00 00 0A968e8E\"";
    QTest::newRow("maximum 1000 each")
        << 1000 << 1000 << 1000 << bytes("8E017A00000000004103E803E803E800000000000A5F9C8E")
        << "\"快门设置：8E 01 7A 00 00 00 00 00 41 03 e8 03 e8 03 e8 00 00 00 00 00 0A5f9c8E\"";
    QTest::newRow("crc below 0x1000 keeps four digits")
        << 1 << 3 << 10 << bytes("8E017A00000000004100010003000A00000000000A05578E")
        << "\"快门设置：8E 01 7A 00 00 00 00 00 41 00 01 00 03 00 0a 00 00 00 00 00 0A05578E\"";
}

void TestControlActions::parametersFrameLogAndNotice()
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

void TestControlActions::refusedParameterWriteShowsNoSuccess()
{
    // A port that takes no bytes: the frame is refused, so no "success" box.
    window->serialPort->close();
    QVERIFY(window->serialPort->open(QIODevice::ReadOnly));
    log->clear();
    BoxWatcher watcher;

    window->saveSettingsButton->click();
    QTest::qWait(50);

    QVERIFY(watcher.boxes.isEmpty());
    const QStringList critical = log->texts(QtCriticalMsg);
    QCOMPARE(critical.size(), 1);
    QVERIFY(critical.first().startsWith(QStringLiteral("参数发送失败：")));
}

void TestControlActions::parametersWithPortClosedDoNothing()
{
    window->disconnectButton->click();
    log->clear();
    BoxWatcher watcher;

    window->sendParameters();

    QVERIFY(pty->drain(100).isEmpty());
    // (Style sheet warnings from polishing the window may come; they are not ours.)
    QVERIFY(log->texts(QtDebugMsg).isEmpty());
    QVERIFY(log->texts(QtCriticalMsg).isEmpty());
    QVERIFY(watcher.boxes.isEmpty());
}

void TestControlActions::closeUnchecksRadiosSilentlyAndDisablesStart()
{
    window->manualRadio->click();
    window->startButton->click();
    QCOMPARE(pty->read(48).size(), 48);

    window->disconnectButton->click();
    for (QRadioButton *radio : { window->manualRadio, window->autoRadio, window->triggerRadio })
        QVERIFY(!radio->isChecked());
    QVERIFY(!window->startButton->isEnabled());
    // The running state is kept for the operator to see; only the button is off.
    QCOMPARE(window->startButton->toolTip(), QStringLiteral("stop"));
    QCOMPARE(window->startFrame, window->manualStartFrame);

    QVERIFY(openPortAt(*window, pty->slavePath()));
    QVERIFY(!window->manualRadio->isChecked());
    QVERIFY(!window->startButton->isEnabled());
    // Nothing was sent on closing or reopening; choosing a mode sends it again.
    QVERIFY(pty->drain(50).isEmpty());
    window->autoRadio->click();
    QCOMPARE(pty->read(24), window->autoModeFrame);
    QVERIFY(window->startButton->isEnabled());
}

KAVRIN_WINDOW_TEST_MAIN(TestControlActions)
#include "tst_controlactions.moc"
