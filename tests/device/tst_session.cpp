// The session against a pseudo-terminal standing in for the controller. Expected frames are
// literal; their CRCs are Python's binascii.crc_hqx(bytes 0-20, 0).
#include "device/shuttersession.h"
#include "protocol/statusframe.h"

#include "support.h"

#include <QSerialPort>

using namespace QTest;
using Result = ShutterSession::OpenResult;
Q_DECLARE_METATYPE(ShutterSession::OpenResult)

static const QByteArray ack("OK!");
static const QByteArray otherDevice
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
    bool running() const { return session->runState() == RunState::Running; }
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

    void closeIsLoggedOnceAndSendsNothingMore()
    {
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        session->close();
        session->close(); // closed already: nothing
        QVERIFY(!session->sendParameters(2, 2, 10));
        qWait(8 * tick); // the watchdog has stopped too: no "设备无响应"
        QCOMPARE(log->lines(), (QStringList{ "debug 串口已打开!", closedLog() }));
        QCOMPARE(closed.count(), 1);
        QCOMPARE(pty->drain(), QByteArray());
    }

    void parameterFrame() // cycles high first; logged in lower case; a CRC below 0x1000 in full
    {
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QVERIFY(session->sendParameters(4, 8, 300));
        QCOMPARE(pty->drain(), commandFrame("4100040008012C", "00E2"));
        QCOMPARE(log->lines().last(),
                 "debug \"快门设置：8E 01 7A 00 00 00 00 00 41 00 04 00 08 01 "
                 "2c 00 00 00 00 00 0A00e28E\"");
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
        QVERIFY(log->lines().last().startsWith("critical 参数发送失败："));
    }

    void openWhileConnected_data()
    {
        addColumn<QString>("port");
        addColumn<Result>("result");
        addColumn<QString>("logged"); // the first critical line
        newRow("its own port") << "own" << Result::Busy << "critical 串口被占用";
        newRow("held by another program") << "held" << Result::Busy << "critical 串口被占用";
        newRow("another free port") << "free" << Result::Refused << "critical 打开失败!";
        newRow("a missing port") << "/dev/kavrin-missing" << Result::Refused
                                 << "critical 打开失败!";
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
        QTEST(log->lines().filter("critical ").value(0), "logged");
        QVERIFY(session->isOpen()); // still connected there
        QCOMPARE(session->portName(), pty->slavePath().mid(5));
    }

    void replies_data()
    {
        addColumn<QByteArray>("bytes");
        addColumn<QByteArray>("answer"); // what the host writes back
        addColumn<QStringList>("counts");
        addColumn<bool>("running"); // the automatic run started first goes on
        for (int code : { 0x41, 0x42, 0x46 })
            addRow("%X acknowledged", code) << status(code, 7) << ack << QStringList() << true;
        newRow("44 counts cycles left")
            << status(0x44, 5) << QByteArray() << QStringList{ "cycle 5" } << true;
        newRow("44 at zero ends the run")
            << status(0x44, 0) << QByteArray() << QStringList{ "cycle 0" } << false;
        newRow("46 in 9 bytes, then quiet")
            << status(0x46, 0).left(9) << ack << QStringList() << true;
        newRow("47 is ignored") << status(0x47, 1) << QByteArray() << QStringList() << true;
        newRow("43 and 45 count triggers; joined in one read with an ignored ack and 41")
            << ack + status(0x41, 0) + status(0x43, 300) + status(0x45, 65535) << ack
            << QStringList{ "trigger 300", "trigger 65535" } << true;
    }
    void replies()
    {
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        pty->read(48);
        QFETCH(QByteArray, bytes);
        deliver(bytes);
        QTEST(pty->drain(quietGap), "answer");
        QTEST(counts, "counts");
        QTEST(running(), "running");
    }

    void firstReplyIsCheckedOnEveryConnection_data()
    {
        addColumn<QByteArray>("before"); // the previous connection's reply; none: first
        addColumn<QByteArray>("reply");
        addColumn<bool>("wrongDevice");
        const QByteArray good = status(0x46, 0);
        newRow("first, controller") << QByteArray() << good << false;
        newRow("first, another device") << QByteArray() << otherDevice + otherDevice << true;
        newRow("first, foreign half frame") << QByteArray() << otherDevice.left(13) << true;
        newRow("after the controller, another device") << good << otherDevice << true;
        newRow("after another device, the controller") << otherDevice << good << false;
        newRow("after another device, another") << otherDevice << otherDevice << true;
        // The reader starts afresh: a frame's tail holding 0x8E is no other device.
        newRow("after half a frame, a tail holding 0x8E")
            << good + status(0x43, 0x8E79).left(4) << status(0x43, 0x8E79).mid(4) + good << false;
    }
    void firstReplyIsCheckedOnEveryConnection()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, wrongDevice);
        if (!before.isEmpty()) {
            deliver(before);
            qWait(quietGap);
            session->close();
            reopen();
        }
        QSignalSpy refused(session.get(), &ShutterSession::wrongDevice);
        QSignalSpy confirmed(session.get(), &ShutterSession::deviceConfirmed);
        log->clear();
        QFETCH(QByteArray, reply);
        deliver(reply);
        qWait(quietGap);
        QCOMPARE(refused.count(), int(wrongDevice));
        QCOMPARE(confirmed.count(), int(!wrongDevice));
        const QStringList lines{ closedLog(), "critical 设备连接错误" };
        QCOMPARE(log->lines(), wrongDevice ? lines : QStringList());
        QCOMPARE(counts, QStringList()); // nothing was cut, nothing joined
    }

    // Silence closes the port at the seventh tick; a trip leaves one tick counted.
    void watchdogClosesASilentConnection_data()
    {
        addColumn<QString>("previous"); // how the connection before ended
        addColumn<int>("ticks");
        newRow("first connection") << "none" << 7;
        newRow("after the operator closed it") << "closed" << 7;
        newRow("after a trip") << "tripped" << 6;
    }
    void watchdogClosesASilentConnection()
    {
        QFETCH(QString, previous);
        QFETCH(int, ticks);
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        if (previous == "closed") {
            qWait(3 * tick);
            session->close();
        } else if (previous == "tripped") {
            QVERIFY(silent.wait(20 * tick));
        }
        if (previous != "none")
            reopen();
        QVERIFY(!silent.wait(int((ticks - 0.5) * tick))); // not half a tick early or sooner
        QVERIFY(silent.wait(tick)); // nor half a tick late
        QVERIFY(!session->isOpen());
        QCOMPARE(log->lines().last(), QString("critical 设备无响应，请检查下位机是否正常"));
    }

    void onlyStatusFramesKeepTheDeviceAlive_data()
    {
        addColumn<QByteArray>("sign"); // sent every second tick
        addColumn<bool>("alive");
        newRow("status frame") << status(0x46, 0) << true;
        newRow("acknowledgement") << ack << false;
        newRow("another device's frame") << otherDevice << false;
    }
    void onlyStatusFramesKeepTheDeviceAlive()
    {
        QFETCH(QByteArray, sign);
        deliver(status(0x46, 0)); // the first reply passes
        for (int round = 0; round < 4; ++round) {
            qWait(2 * tick);
            QVERIFY(pty->write(sign));
        }
        qWait(tick);
        QTEST(session->isOpen(), "alive");
    }

    void lostPortIsClosedAndReportedOnce_data()
    {
        addColumn<bool>("stoppedReading"); // else gone
        newRow("controller gone") << false;
        newRow("controller stopped reading") << true;
    }
    void lostPortIsClosedAndReportedOnce()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        QFETCH(bool, stoppedReading);
        if (stoppedReading) {
            for (int frames = 0; frames < 100000 && lost.isEmpty(); ++frames) {
                session->switchAutoOff(); // the frames a watchdog's seven seconds could hold
                QCoreApplication::processEvents();
            }
        } else {
            pty->closeMaster();
            QVERIFY(lost.wait(2000));
        }
        qWait(50); // a lost port left open reports its loss thousands of times a second
        QCOMPARE(lost.count(), 1);
        const QStringList lines = log->lines(); // opened, the port's error, closed once
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.value(1).startsWith("critical 串口错误："));
        QCOMPARE(lines.value(2), closedLog());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
