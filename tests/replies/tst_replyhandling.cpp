#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "device/statusframe.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTextEdit>
#include <QTimer>

class TestReplyHandling : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusCodes_data();
    void statusCodes();
    void firstReplyCheck_data();
    void firstReplyCheck();
    void onlyStatusFramesAreSignsOfLife_data();
    void onlyStatusFramesAreSignsOfLife();
    void splitAndJoinedFrames_data();
    void splitAndJoinedFrames();
    void burstShowsFirstAndLatestCount();
    void autoOffDropsWaitingCount();
    void watchdogTripsOnSeventhTick();
    void watchdogAfterTripNeedsSixTicks();
    void statusEveryFiveTicksNeverTrips();

private:
    // Sends bytes as the controller and waits until the window has read them.
    void deliver(const QByteArray &bytes);
    void passFirstReply();
    void expectOneBox(const QString &text);

    Kavrin *window = nullptr;
    MessageCapture *log = nullptr;
    PtyPair *pty = nullptr;
    BoxWatcher *watcher = nullptr;
};

void TestReplyHandling::init()
{
    window = new Kavrin;
    log = new MessageCapture;
    pty = new PtyPair;
    watcher = new BoxWatcher;
    QVERIFY(pty->isValid());
    QVERIFY(openPortAt(*window, pty->slavePath()));
    // Ticks come from the test: a real one-second tick would race with it.
    window->replyTimer->start(3600 * 1000);
    log->clear();
}

void TestReplyHandling::cleanup()
{
    delete watcher;
    watcher = nullptr;
    delete log;
    log = nullptr;
    delete window;
    window = nullptr;
    delete pty;
    pty = nullptr;
}

void TestReplyHandling::deliver(const QByteArray &bytes)
{
    QVERIFY(pty->write(bytes));
    QVERIFY(pty->waitUntilTaken());
    QTRY_VERIFY(!window->serialPort->isOpen() || window->serialPort->bytesAvailable() == 0);
    // Let readyRead run to its end, boxes included.
    QTest::qWait(20);
}

void TestReplyHandling::passFirstReply()
{
    deliver(statusFrame(0x47, 0));
    QVERIFY(!window->firstReplyPending);
    QVERIFY(window->serialPort->isOpen());
}

void TestReplyHandling::expectOneBox(const QString &text)
{
    QCOMPARE(watcher->boxes.size(), 1);
    QCOMPARE(watcher->boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(watcher->boxes[0].text, text);
    QCOMPARE(watcher->boxes[0].buttons, int(QMessageBox::Ok));
}

void TestReplyHandling::statusCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("acknowledged");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("toolTip");

    const QString before = QStringLiteral("earlier");
    QTest::newRow("0x41 acknowledged") << 0x41 << 7 << true << before << "stop";
    QTest::newRow("0x42 acknowledged") << 0x42 << 0 << true << before << "stop";
    QTest::newRow("0x46 acknowledged") << 0x46 << 0 << true << before << "stop";
    QTest::newRow("0x43 trigger count 300") << 0x43 << 300 << false << "触发次数：300"
                                            << "stop";
    QTest::newRow("0x45 trigger count 65535") << 0x45 << 65535 << false << "触发次数：65535"
                                              << "stop";
    QTest::newRow("0x44 cycle count 0 ends the run") << 0x44 << 0 << false << "循环次数：0"
                                                     << "open";
    QTest::newRow("0x44 cycle count 5 keeps running") << 0x44 << 5 << false << "循环次数：5"
                                                      << "stop";
    QTest::newRow("unknown code 0x47 ignored") << 0x47 << 9 << false << before << "stop";
}

void TestReplyHandling::statusCodes()
{
    QFETCH(int, code);
    QFETCH(int, count);
    QFETCH(bool, acknowledged);
    QFETCH(QString, display);
    QFETCH(QString, toolTip);

    window->countDisplay->setText(QStringLiteral("earlier"));
    window->startButton->setToolTip(QStringLiteral("stop"));
    window->missedReplies = 4;

    deliver(statusFrame(quint8(code), quint16(count)));

    QCOMPARE(pty->drain(50), acknowledged ? QByteArray("\x4F\x4B\x21") : QByteArray());
    QCOMPARE(window->countDisplay->toPlainText(), display);
    QCOMPARE(window->startButton->toolTip(), toolTip);
    QCOMPARE(window->missedReplies, 0);
    QVERIFY(window->serialPort->isOpen());
    QVERIFY(watcher->boxes.isEmpty());
}

void TestReplyHandling::firstReplyCheck_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("wrongDevice");
    QTest::newRow("8E 05 is another device")
        << QByteArray::fromHex("8E05000000000000430000012C") << true;
    QTest::newRow("unknown code after 8E 02 7A only clears the flag")
        << statusFrame(0x50, 3) << false;
    QTest::newRow("garbage first is no reply at all") << QByteArray::fromHex("00112233") << false;
}

void TestReplyHandling::firstReplyCheck()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, wrongDevice);
    const bool isFrame = reply.startsWith('\x8E');

    // A status frame behind a wrong device's frame must not be acted on.
    deliver(reply + (wrongDevice ? statusFrame(0x43, 1) : QByteArray()));

    QCOMPARE(window->firstReplyPending, !isFrame);
    QCOMPARE(window->serialPort->isOpen(), !wrongDevice);
    if (wrongDevice) {
        expectOneBox(QStringLiteral("设备连接错误"));
        QCOMPARE(log->texts(QtCriticalMsg), QStringList{ QStringLiteral("设备连接错误") });
        QVERIFY(!window->replyTimer->isActive());
        QVERIFY(window->countDisplay->toPlainText().isEmpty());
    } else {
        QVERIFY(watcher->boxes.isEmpty());
        QVERIFY(log->texts(QtCriticalMsg).isEmpty());
    }
}

void TestReplyHandling::onlyStatusFramesAreSignsOfLife_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("alive");
    QTest::newRow("acknowledgement") << QByteArray("\x4F\x4B\x21") << false;
    QTest::newRow("garbage") << QByteArray::fromHex("0102030405060708090A0B0C0D0E") << false;
    QTest::newRow("foreign frame 8E 02 7A 11")
        << QByteArray::fromHex("8E027A11FF00000043000000FF") << false;
    QTest::newRow("status frame behind an acknowledgement")
        << QByteArray("\x4F\x4B\x21") + statusFrame(0x43, 2) << true;
}

void TestReplyHandling::onlyStatusFramesAreSignsOfLife()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, alive);
    passFirstReply();
    window->missedReplies = 4;

    deliver(bytes);

    QCOMPARE(window->missedReplies, alive ? 0 : 4);
    QCOMPARE(window->countDisplay->toPlainText(),
             alive ? QStringLiteral("触发次数：2") : QString());
    QVERIFY(window->serialPort->isOpen());
}

void TestReplyHandling::splitAndJoinedFrames_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("acks");

    const QByteArray trigger = statusFrame(0x43, 300);
    const QByteArray cycle = statusFrame(0x44, 2);
    const QByteArray ack = statusFrame(0x41, 0);
    QTest::newRow("split inside the count")
        << QList<QByteArray>{ trigger.left(12), trigger.mid(12) } << "触发次数：300" << 0;
    QTest::newRow("split byte by byte") << [&] {
        QList<QByteArray> bytes;
        for (char c : trigger)
            bytes << QByteArray(1, c);
        return bytes;
    }() << "触发次数：300" << 0;
    QTest::newRow("two joined, both handled in order")
        << QList<QByteArray>{ trigger + cycle } << "循环次数：2" << 0;
    QTest::newRow("joined acknowledgement requests")
        << QList<QByteArray>{ ack + ack + trigger } << "触发次数：300" << 2;
    QTest::newRow("garbage between frames") << QList<QByteArray>{
        QByteArray::fromHex("0001FF") + cycle + QByteArray::fromHex("55AA") + trigger
    } << "触发次数：300" << 0;
}

void TestReplyHandling::splitAndJoinedFrames()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, display);
    QFETCH(int, acks);
    passFirstReply();

    for (const QByteArray &chunk : chunks)
        deliver(chunk);

    // Counts that come together are shown one display period apart.
    QTRY_COMPARE(window->countDisplay->toPlainText(), display);
    QCOMPARE(pty->drain(50), QByteArray("\x4F\x4B\x21").repeated(acks));
}

// Counts faster than a screen shows them are shown at a steady pace: the
// first at once, the latest last, and none after the operator cleared them.
void TestReplyHandling::burstShowsFirstAndLatestCount()
{
    passFirstReply();
    QTextEdit *const shown = window->countDisplay;
    int changes = 0;
    connect(shown, &QTextEdit::textChanged, shown, [&changes] { ++changes; });
    QByteArray burst;
    for (int count = 1; count <= 40; ++count)
        burst += statusFrame(0x43, quint16(count));

    QVERIFY(pty->write(burst));
    QTRY_COMPARE(shown->toPlainText(), QStringLiteral("触发次数：40"));
    QVERIFY2(changes < 40, "every count of the burst was laid out on its own");
    // Every frame was still acted on: the watchdog saw them.
    QCOMPARE(window->missedReplies, 0);
}

void TestReplyHandling::autoOffDropsWaitingCount()
{
    passFirstReply();
    deliver(statusFrame(0x43, 1) + statusFrame(0x43, 2)); // the second waits its turn
    QCOMPARE(window->countDisplay->toPlainText(), QStringLiteral("触发次数：1"));

    window->switchAutoOff();
    QTest::qWait(250); // past the display period
    QVERIFY(window->countDisplay->toPlainText().isEmpty());
}

void TestReplyHandling::watchdogTripsOnSeventhTick()
{
    passFirstReply();
    for (int tick = 1; tick <= 6; ++tick) {
        window->checkDeviceAlive();
        QVERIFY2(window->serialPort->isOpen(), qPrintable(QString::number(tick)));
    }
    window->checkDeviceAlive();

    QVERIFY(!window->serialPort->isOpen());
    QVERIFY(!window->replyTimer->isActive());
    QCOMPARE(window->missedReplies, 1);
    expectOneBox(QStringLiteral("设备无响应"));
    QCOMPARE(log->texts(QtCriticalMsg),
             QStringList{ QStringLiteral("设备无响应，请检查下位机是否正常") });
}

void TestReplyHandling::watchdogAfterTripNeedsSixTicks()
{
    for (int tick = 0; tick < 7; ++tick)
        window->checkDeviceAlive();
    QVERIFY(!window->serialPort->isOpen());

    QVERIFY(openPortAt(*window, pty->slavePath()));
    window->replyTimer->start(3600 * 1000);
    for (int tick = 1; tick <= 5; ++tick)
        window->checkDeviceAlive();
    QVERIFY(window->serialPort->isOpen());
    window->checkDeviceAlive();
    QVERIFY(!window->serialPort->isOpen());
    QCOMPARE(watcher->boxes.size(), 2);
}

void TestReplyHandling::statusEveryFiveTicksNeverTrips()
{
    passFirstReply();
    for (int tick = 1; tick <= 30; ++tick) {
        window->checkDeviceAlive();
        if (tick % 5 == 0)
            deliver(statusFrame(0x43, quint16(tick)));
    }
    QVERIFY(window->serialPort->isOpen());
    QVERIFY(window->replyTimer->isActive());
    QVERIFY(watcher->boxes.isEmpty());
    QCOMPARE(window->countDisplay->toPlainText(), QStringLiteral("触发次数：30"));
}

KAVRIN_WINDOW_TEST_MAIN(TestReplyHandling)
#include "tst_replyhandling.moc"
