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
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>

#include <memory>

// The window's side of the controller's replies, fed through a pseudo-terminal.
class TestReplyHandling : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Kavrin> window;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<BoxWatcher> watcher;

    // Sends bytes as the controller and waits until the window has acted on them.
    void deliver(const QByteArray &bytes)
    {
        QVERIFY(pty->write(bytes));
        QVERIFY(pty->waitUntilTaken());
        QTRY_VERIFY(!window->serialPort->isOpen() || window->serialPort->bytesAvailable() == 0);
        QTest::qWait(20); // readyRead runs to its end, boxes included
    }

    void expectOneBox(const QString &text)
    {
        QCOMPARE(watcher->boxes.size(), 1);
        QCOMPARE(watcher->boxes[0].title, QStringLiteral("错误"));
        QCOMPARE(watcher->boxes[0].text, text);
        QCOMPARE(watcher->boxes[0].buttons, int(QMessageBox::Ok));
    }

private slots:
    void init()
    {
        pty.reset(new PtyPair);
        window.reset(new Kavrin);
        log.reset(new MessageCapture);
        watcher.reset(new BoxWatcher);
        QVERIFY(openPortAt(*window, pty->slavePath()));
        // Ticks come from the test: a real one-second tick would race with it.
        window->replyTimer->start(3600 * 1000);
        log->clear();
    }

    void cleanup()
    {
        watcher.reset();
        log.reset();
        window.reset();
        pty.reset();
    }

    void replyStream_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("splitAt"); // 0: one chunk
        QTest::addColumn<int>("acks");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("alive");
        const QByteArray ack("\x4F\x4B\x21");
        const QByteArray trigger = statusFrame(0x43, 300);
        const QByteArray cycle = statusFrame(0x44, 2);
        QTest::newRow("0x41 acknowledged") << statusFrame(0x41, 7) << 0 << 1 << "" << true << true;
        QTest::newRow("0x42 acknowledged") << statusFrame(0x42, 0) << 0 << 1 << "" << true << true;
        QTest::newRow("0x46 acknowledged") << statusFrame(0x46, 0) << 0 << 1 << "" << true << true;
        QTest::newRow("0x43 count 300") << trigger << 0 << 0 << "触发次数：300" << true << true;
        QTest::newRow("0x45 count 65535")
            << statusFrame(0x45, 65535) << 0 << 0 << "触发次数：65535" << true << true;
        QTest::newRow("0x44 count 0 ends the run")
            << statusFrame(0x44, 0) << 0 << 0 << "循环次数：0" << false << true;
        QTest::newRow("0x44 count 2 runs on") << cycle << 0 << 0 << "循环次数：2" << true << true;
        QTest::newRow("unknown 0x47") << statusFrame(0x47, 9) << 0 << 0 << "" << true << true;
        QTest::newRow("acknowledgement is no sign of life") << ack << 0 << 0 << "" << true << false;
        QTest::newRow("garbage is no sign of life")
            << QByteArray::fromHex("0102030405060708090A0B0C0D0E") << 0 << 0 << "" << true << false;
        QTest::newRow("foreign frame 8E 02 7A 11")
            << QByteArray::fromHex("8E027A11FF00000043000000FF") << 0 << 0 << "" << true << false;
        QTest::newRow("status frame behind an acknowledgement")
            << ack + trigger << 0 << 0 << "触发次数：300" << true << true;
        QTest::newRow("split inside the count")
            << trigger << 12 << 0 << "触发次数：300" << true << true;
        QTest::newRow("joined, all handled in order")
            << statusFrame(0x41, 0) + statusFrame(0x42, 0) + trigger + cycle << 0 << 2
            << "循环次数：2" << true << true;
        QTest::newRow("garbage between frames")
            << QByteArray::fromHex("0001FF") + cycle + QByteArray::fromHex("55AA") + trigger << 0
            << 0 << "触发次数：300" << true << true;
    }

    void replyStream()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, splitAt);
        QFETCH(int, acks);
        QFETCH(QString, display);
        QFETCH(bool, running);
        QFETCH(bool, alive);
        deliver(statusFrame(0x47, 0)); // past the first-reply check
        window->startButton->setToolTip(QStringLiteral("stop"));
        window->missedReplies = 4;

        if (splitAt > 0)
            deliver(bytes.left(splitAt));
        deliver(bytes.mid(splitAt));

        QTRY_COMPARE(window->countDisplay->toPlainText(), display);
        QCOMPARE(pty->drain(50), window->ackReply.repeated(acks));
        QCOMPARE(window->startButton->toolTip(), QString(running ? "stop" : "open"));
        QCOMPARE(window->missedReplies, alive ? 0 : 4);
        QVERIFY(window->serialPort->isOpen());
        QVERIFY(watcher->boxes.isEmpty());
    }

    void firstReplyCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("wrongDevice");
        QTest::newRow("8E 05 is another device")
            << QByteArray::fromHex("8E05000000000000430000012C") << true;
        QTest::newRow("unknown code after 8E 02 7A only clears the flag")
            << statusFrame(0x50, 3) << false;
        QTest::newRow("garbage first is no reply at all")
            << QByteArray::fromHex("00112233") << false;
    }

    void firstReplyCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, wrongDevice);

        // A status frame behind a wrong device's frame must not be acted on.
        deliver(reply + (wrongDevice ? statusFrame(0x43, 1) : QByteArray()));

        QCOMPARE(window->firstReplyPending, !reply.startsWith('\x8E'));
        QCOMPARE(window->serialPort->isOpen(), !wrongDevice);
        QCOMPARE(window->replyTimer->isActive(), !wrongDevice);
        QVERIFY(window->countDisplay->toPlainText().isEmpty());
        QCOMPARE(log->texts(QtCriticalMsg),
                 wrongDevice ? QStringList{ QStringLiteral("设备连接错误") } : QStringList());
        QCOMPARE(watcher->boxes.size(), wrongDevice ? 1 : 0);
        if (wrongDevice)
            expectOneBox(QStringLiteral("设备连接错误"));
    }

    // Counts faster than a screen shows them: the first at once, the latest last.
    void burstShowsFirstAndLatestCount()
    {
        QSignalSpy changes(window->countDisplay, &QTextEdit::textChanged);
        QByteArray burst;
        for (int count = 1; count <= 40; ++count)
            burst += statusFrame(0x43, quint16(count));

        QVERIFY(pty->write(burst));
        QTRY_COMPARE(window->countDisplay->toPlainText(), QStringLiteral("触发次数：40"));
        QVERIFY2(changes.count() < 40, "every count of the burst was laid out on its own");
    }

    void watchdogTripsOnSeventhTickThenSixth()
    {
        deliver(statusFrame(0x47, 0));
        for (int tick = 1; tick <= 6; ++tick) {
            window->checkDeviceAlive();
            QVERIFY2(window->serialPort->isOpen(), qPrintable(QString::number(tick)));
        }
        window->checkDeviceAlive();
        QVERIFY(!window->serialPort->isOpen());
        QVERIFY(!window->replyTimer->isActive());
        expectOneBox(QStringLiteral("设备无响应"));
        QCOMPARE(log->texts(QtCriticalMsg),
                 QStringList{ QStringLiteral("设备无响应，请检查下位机是否正常") });

        // The trip leaves one tick counted: after a reopen six trip it again.
        QVERIFY(openPortAt(*window, pty->slavePath()));
        window->replyTimer->start(3600 * 1000);
        for (int tick = 1; tick <= 5; ++tick)
            window->checkDeviceAlive();
        QVERIFY(window->serialPort->isOpen());
        window->checkDeviceAlive();
        QVERIFY(!window->serialPort->isOpen());
        QCOMPARE(watcher->boxes.size(), 2);
    }

    void statusEveryFiveTicksNeverTrips()
    {
        for (int tick = 1; tick <= 30; ++tick) {
            window->checkDeviceAlive();
            if (tick % 5 == 0)
                deliver(statusFrame(0x43, quint16(tick)));
        }
        QVERIFY(window->serialPort->isOpen());
        QVERIFY(window->replyTimer->isActive());
        QVERIFY(watcher->boxes.isEmpty());
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestReplyHandling)
#include "tst_replyhandling.moc"
