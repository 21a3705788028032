// The session against a pseudo-terminal standing in for the controller. Expected frames are
// literal; their CRCs are Python's binascii.crc_hqx(bytes 0-20, 0).
#include "device/shuttersession.h"
#include "protocol/statusframe.h"

#include "support.h"

#include <QSerialPort>

using Frames = QByteArrayList;
using Result = ShutterSession::OpenResult;
Q_DECLARE_METATYPE(ShutterSession::OpenResult)

// A command frame: bytes 8-14 as given, the CRC of bytes 0-20, the end byte.
const auto command = [](const QByteArray &codeAndArguments, const QByteArray &crc) {
    return QByteArray::fromHex("8E017A0000000000" + codeAndArguments + "00000000000A" + crc + "8E");
};

const QByteArray manualMode = command("42 01 00 00 00 00 00", "CF C4");
const QByteArray autoMode = command("42 02 00 00 00 00 00", "CA 5B");
const QByteArray triggerSync = command("42 03 00 00 00 00 00", "C9 2E");
const QByteArray triggerAsync = command("42 04 00 00 00 00 00", "C1 65");
const QByteArray manualStart = command("43 01 00 00 00 00 00", "8A A7");
const QByteArray manualStop = command("43 00 00 00 00 00 00", "89 D2");
const QByteArray autoStart = command("44 01 00 00 00 00 00", "40 AF");
const QByteArray autoOff = command("44 00 00 00 00 00 00", "43 DA");
const QByteArray autoStop = command("44 02 00 00 00 00 00", "45 30");
const QByteArray ack("OK!");
const QByteArray otherDevice
    = QByteArray::fromHex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
const auto status = [](int code, int n) { return statusFrame(StatusCode(code), quint16(n)); };

constexpr int tick = 150; // ms: the watchdog's period in these tests
constexpr int quietGap = 300; // ms: long enough for the reader to judge what it holds

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageCapture> log; // one for the run: a new one would chain to the last
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ShutterSession> session;
    QStringList counts; // each count reported, as "trigger 300" or "cycle 5", in order

    void deliver(const QByteArray &bytes) // as the controller, until the session has taken them
    {
        QVERIFY(pty->write(bytes));
        QVERIFY(pty->waitUntilTaken());
    }
    void reopen() { QCOMPARE(session->open(pty->slavePath()), Result::Opened); }
    QStringList logged() const // since the last clear, as "debug …" or "critical …"
    {
        QStringList lines;
        for (const auto &message : log->messages)
            lines << (message.first == QtCriticalMsg ? "critical " : "debug ") + message.second;
        return lines;
    }
    QString closedLog() const { return "debug 串口: \"" + pty->slavePath().mid(5) + "\" 已关闭！"; }

private slots:
    void initTestCase() { log = std::make_unique<MessageCapture>(); }
    void cleanupTestCase() { log.reset(); }
    void init() // connected, as after picking the port
    {
        pty = std::make_unique<PtyPair>();
        session = std::make_unique<ShutterSession>(nullptr, std::chrono::milliseconds(tick));
        counts.clear();
        connect(session.get(), &ShutterSession::countReported, this, [this](CountKind kind, int n) {
            counts << (kind == CountKind::Cycle ? "cycle " : "trigger ") + QString::number(n);
        });
        log->clear();
        reopen();
    }

    void opensWithTheControllersLineSettings()
    {
        const termios line = pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B115200));
        QCOMPARE(cfgetispeed(&line), speed_t(B115200));
        QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(line.c_cflag & PARENB, tcflag_t(0));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(0));
        QCOMPARE(line.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
    }

    void openAndCloseAreLogged()
    {
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        session->close();
        session->close(); // closed already: nothing
        QCOMPARE(logged(), (QStringList{ "debug 串口已打开!", closedLog() }));
        QCOMPARE(closed.count(), 1);
    }

    void actionsSendTheirFrames_data()
    {
        QTest::addColumn<QString>("actions"); // mode names, start (toggle), off, sync, async
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<bool>("running"); // a run goes on after them
        QTest::newRow("manual start, stop")
            << "manual start start" << Frames{ manualMode, manualStart, manualStop } << false;
        QTest::newRow("automatic start, stop")
            << "automatic start start" << Frames{ autoMode, autoStart, autoStop } << false;
        QTest::newRow("automatic start, off")
            << "automatic start off" << Frames{ autoMode, autoStart, autoOff } << false;
        QTest::newRow("a new mode starts idle, nothing stops the old")
            << "manual start automatic start"
            << Frames{ manualMode, manualStart, autoMode, autoStart } << true;
        QTest::newRow("trigger modes, the selector both ways")
            << "triggerSync async triggerAsync sync"
            << Frames{ triggerSync, triggerAsync, triggerAsync, triggerSync } << false;
    }
    void actionsSendTheirFrames()
    {
        QFETCH(QString, actions);
        const QStringList modes{ "none", "manual", "automatic", "triggerSync", "triggerAsync" };
        for (const QString &action : actions.split(' '))
            if (modes.contains(action))
                session->chooseMode(ShutterMode(modes.indexOf(action)));
            else if (action == "start")
                session->toggleRun();
            else if (action == "off")
                session->switchAutoOff();
            else
                session->sendTriggerMode(action == "async" ? 1 : 0);
        const QByteArray sent = pty->drain();
        Frames frames;
        for (int at = 0; at < sent.size(); at += 24)
            frames << sent.mid(at, 24);
        QTEST(frames, "frames");
        QTEST(session->runState() == RunState::Running, "running");
    }

    void parameterFrame() // cycles high first; logged in lower case; a CRC under 0x1000 in full
    {
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QVERIFY(session->sendParameters(4, 8, 300));
        QCOMPARE(pty->drain(), command("41 00 04 00 08 01 2C", "00 E2"));
        const QString line = "debug \"快门设置：8E 01 7A 00 00 00 00 00 41 00 04 00 08 01 2c 00 "
                             "00 00 00 00 0A00e28E\"";
        QCOMPARE(logged(), (QStringList{ "debug 串口已打开!", line }));
        QCOMPARE(sent.count(), 1);
    }

    void parametersThePortDoesNotTakeAreRefused()
    {
        auto *port = session->findChild<QSerialPort *>(); // one open for reading takes no bytes
        port->close();
        QVERIFY(port->open(QIODevice::ReadOnly));
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QSignalSpy refused(session.get(), &ShutterSession::parametersRefused);
        QVERIFY(!session->sendParameters(2, 2, 10));
        QCOMPARE(sent.count(), 0);
        QCOMPARE(refused.count(), 1);
        QVERIFY(log->texts(QtCriticalMsg).value(0).startsWith("参数发送失败："));
    }

    void closedSessionSendsNoParameters()
    {
        session->close();
        log->clear();
        QVERIFY(!session->sendParameters(2, 2, 10));
        QCOMPARE(pty->drain(), QByteArray());
        QCOMPARE(log->messages.size(), 0);
    }

    void openWhileConnected_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QString>("logged"); // the first critical line
        QTest::newRow("its own port") << "own" << Result::Busy << "串口被占用";
        QTest::newRow("held by another program") << "held" << Result::Busy << "串口被占用";
        QTest::newRow("another free port") << "free" << Result::Refused << "打开失败!";
        QTest::newRow("a missing port") << "/dev/kavrin-missing" << Result::Refused << "打开失败!";
    }
    void openWhileConnected()
    {
        QFETCH(QString, port);
        PtyPair other;
        QSerialPort holder(other.slavePath());
        if (port == "held")
            QVERIFY(holder.open(QIODevice::ReadWrite));
        const QString path = port == "own" ? pty->slavePath() : other.slavePath();
        QTEST(session->open(port.startsWith('/') ? port : path), "result");
        QTEST(log->texts(QtCriticalMsg).value(0), "logged");
        QVERIFY(session->isOpen());
        QCOMPARE(session->portName(), pty->slavePath().mid(5));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("answer"); // what the host writes back
        QTest::addColumn<QStringList>("counts");
        QTest::addColumn<bool>("running"); // the automatic run started first goes on
        for (int code : { 0x41, 0x42, 0x46 })
            QTest::addRow("%X acknowledged", code)
                << status(code, 7) << ack << QStringList() << true;
        QTest::newRow("44 counts cycles left")
            << status(0x44, 5) << QByteArray() << QStringList{ "cycle 5" } << true;
        QTest::newRow("44 at zero ends the run")
            << status(0x44, 0) << QByteArray() << QStringList{ "cycle 0" } << false;
        QTest::newRow("47 is ignored") << status(0x47, 1) << QByteArray() << QStringList() << true;
        QTest::newRow("43 and 45 count triggers; joined in one read with an ignored ack and 41")
            << ack + status(0x41, 0) + status(0x43, 300) + status(0x45, 65535) << ack
            << QStringList{ "trigger 300", "trigger 65535" } << true;
    }
    void replies()
    {
        QFETCH(QByteArray, bytes);
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        pty->read(48);
        deliver(bytes);
        QTEST(pty->drain(), "answer");
        QTEST(counts, "counts");
        QTEST(session->runState() == RunState::Running, "running");
    }

    void firstReplyIsCheckedOnEveryConnection_data()
    {
        QTest::addColumn<QByteArray>("before"); // the previous connection's reply; none: first
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("wrongDevice");
        const QByteArray good = status(0x46, 0);
        QTest::newRow("first, controller") << QByteArray() << good << false;
        QTest::newRow("first, another device") << QByteArray() << otherDevice + otherDevice << true;
        QTest::newRow("first, foreign half frame") << QByteArray() << otherDevice.left(13) << true;
        QTest::newRow("after the controller, another device") << good << otherDevice << true;
        QTest::newRow("after another device, the controller") << otherDevice << good << false;
        QTest::newRow("after another device, another") << otherDevice << otherDevice << true;
        // The reader starts afresh: a frame's tail holding 0x8E is no other device.
        QTest::newRow("after half a frame, a tail holding 0x8E")
            << good + status(0x43, 1).left(10) << status(0x43, 0x8E79).mid(12) + good << false;
    }
    void firstReplyIsCheckedOnEveryConnection()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, reply);
        QFETCH(bool, wrongDevice);
        if (!before.isEmpty()) {
            deliver(before);
            QTest::qWait(quietGap);
            session->close();
            reopen();
        }
        QSignalSpy refused(session.get(), &ShutterSession::wrongDevice);
        log->clear();
        deliver(reply);
        QTest::qWait(quietGap);
        QCOMPARE(refused.count(), int(wrongDevice));
        const QStringList lines{ closedLog(), "critical 设备连接错误" };
        QCOMPARE(logged(), wrongDevice ? lines : QStringList());
        QCOMPARE(counts, QStringList()); // nothing was cut, nothing joined
    }

    // Silence closes the port at the seventh tick; a trip leaves one tick counted.
    void watchdogClosesASilentConnection_data()
    {
        QTest::addColumn<QString>("previous"); // how the connection before ended
        QTest::addColumn<int>("ticks");
        QTest::newRow("first connection") << "none" << 7;
        QTest::newRow("after the operator closed it") << "closed" << 7;
        QTest::newRow("after a trip") << "tripped" << 6;
    }
    void watchdogClosesASilentConnection()
    {
        QFETCH(QString, previous);
        QFETCH(int, ticks);
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        if (previous == "closed") {
            QTest::qWait(3 * tick);
            session->close();
        } else if (previous == "tripped") {
            QVERIFY(silent.wait(20 * tick));
        }
        if (previous != "none")
            reopen();
        QVERIFY(!silent.wait(int((ticks - 0.5) * tick))); // not half a tick early or sooner
        QVERIFY(silent.wait(tick)); // nor half a tick late
        QVERIFY(!session->isOpen());
        QCOMPARE(logged().last(), QString("critical 设备无响应，请检查下位机是否正常"));
    }

    void onlyStatusFramesKeepTheDeviceAlive_data()
    {
        QTest::addColumn<QByteArray>("sign"); // sent every second tick
        QTest::addColumn<bool>("alive");
        QTest::newRow("status frame") << status(0x46, 0) << true;
        QTest::newRow("acknowledgement") << ack << false;
        QTest::newRow("another device's frame") << otherDevice << false;
    }
    void onlyStatusFramesKeepTheDeviceAlive()
    {
        QFETCH(QByteArray, sign);
        deliver(status(0x46, 0)); // the first reply passes
        for (int round = 0; round < 4; ++round) {
            QTest::qWait(2 * tick);
            QVERIFY(pty->write(sign));
        }
        QTest::qWait(tick);
        QTEST(session->isOpen(), "alive");
    }

    void lostPortIsClosedAndReportedOnce()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        pty->closeMaster();
        QVERIFY(lost.wait(2000));
        QTest::qWait(50); // a lost port left open reports its loss thousands of times a second
        QCOMPARE(lost.count(), 1);
        QCOMPARE(logged().size(), 3); // opened, the port's error, closed once
        QVERIFY(logged().value(1).startsWith("critical 串口错误："));
        QCOMPARE(logged().value(2), closedLog());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
