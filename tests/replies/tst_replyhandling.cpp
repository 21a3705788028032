#include "app/kavrin.h"
#include "boxwatcher.h"
#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include "device/statusframe.h"

#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSerialPort>
#include <QTextCursor>
#include <QTextDocument>
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
    void displayAsSetTextLeavesIt_data();
    void displayAsSetTextLeavesIt();
    void screenEndsOnLatestCount();
    void watchdogTripsOnSeventhTick();
    void watchdogAfterTripNeedsSixTicks();
    void statusEveryFiveTicksNeverTrips();

private:
    // Sends bytes as the controller and waits until the window has read them.
    void deliver(const QByteArray &bytes);
    void passFirstReply();
    void expectOneBox(const QString &text);
    void showWindow();
    // countDisplay as it is on the screen now.
    QImage displayOnScreen();

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

void TestReplyHandling::showWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

QImage TestReplyHandling::displayOnScreen()
{
    QCoreApplication::processEvents();
    const QRect area(window->countDisplay->mapTo(window, QPoint(0, 0)),
                     window->countDisplay->size());
    return QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage().copy(area);
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

    QCOMPARE(window->countDisplay->toPlainText(), display);
    QCOMPARE(pty->drain(50), QByteArray("\x4F\x4B\x21").repeated(acks));
}

void TestReplyHandling::displayAsSetTextLeavesIt_data()
{
    QTest::addColumn<QByteArray>("earlier");
    QTest::addColumn<bool>("autoOffFirst");
    QTest::addColumn<bool>("selectedFirst");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("display");

    const QByteArray seven = statusFrame(0x43, 7);
    QTest::newRow("first count on the centred empty display")
        << QByteArray() << false << false << seven << "触发次数：7";
    QTest::newRow("count after count")
        << seven << false << false << statusFrame(0x43, 8) << "触发次数：8";
    QTest::newRow("shorter cycle count after a long trigger count")
        << statusFrame(0x45, 65535) << false << false << statusFrame(0x44, 0) << "循环次数：0";
    QTest::newRow("count after auto-off cleared the display")
        << seven << true << false << statusFrame(0x43, 9) << "触发次数：9";
    QTest::newRow("count while the operator has the text selected")
        << seven << false << true << statusFrame(0x43, 10) << "触发次数：10";
}

// The display is replaced in place rather than through setText; the operator
// must not be able to tell: same text, format, alignment, cursor and pixels.
void TestReplyHandling::displayAsSetTextLeavesIt()
{
    QFETCH(QByteArray, earlier);
    QFETCH(bool, autoOffFirst);
    QFETCH(bool, selectedFirst);
    QFETCH(QByteArray, frame);
    QFETCH(QString, display);
    showWindow();
    passFirstReply();
    QTextEdit *const shown = window->countDisplay;
    if (!earlier.isEmpty())
        deliver(earlier);
    if (autoOffFirst)
        window->switchAutoOff();
    if (selectedFirst) {
        QTextCursor selection(shown->document());
        selection.select(QTextCursor::Document);
        shown->setTextCursor(selection);
    }

    deliver(frame);
    QTRY_VERIFY(shown->viewport()->updatesEnabled());
    QCOMPARE(shown->toPlainText(), display);
    const QString html = shown->toHtml();
    const int position = shown->textCursor().position();
    const int anchor = shown->textCursor().anchor();
    const bool modified = shown->document()->isModified();
    const int undoSteps = shown->document()->availableUndoSteps();
    const QImage image = shown->grab().toImage();

    shown->setText(display);

    QCOMPARE(html, shown->toHtml());
    QCOMPARE(position, shown->textCursor().position());
    QCOMPARE(anchor, shown->textCursor().anchor());
    QCOMPARE(modified, shown->document()->isModified());
    QCOMPARE(undoSteps, shown->document()->availableUndoSteps());
    QCOMPARE(image, shown->grab().toImage());
}

// Counts that come faster than a screen shows them are painted spaced out;
// the screen must still end on the last one.
void TestReplyHandling::screenEndsOnLatestCount()
{
    showWindow();
    passFirstReply();
    QByteArray burst;
    for (int count = 1; count <= 40; ++count)
        burst += statusFrame(0x43, quint16(count));
    deliver(burst.left(24 * 20)); // handled in one read: the later ones wait to be painted
    for (int frame = 20; frame < 40; ++frame)
        QVERIFY(pty->write(burst.mid(24 * frame, 24)));
    QVERIFY(pty->waitUntilTaken());

    QTRY_COMPARE(window->countDisplay->toPlainText(), QStringLiteral("触发次数：40"));
    QTRY_VERIFY(window->countDisplay->viewport()->updatesEnabled());
    const QImage onScreen = displayOnScreen();
    window->countDisplay->viewport()->repaint();
    QCOMPARE(onScreen, displayOnScreen());
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
