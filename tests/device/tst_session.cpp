// The session against a pseudo-terminal standing in for the controller. Expected frames are
// literal; their CRCs are Python's binascii.crc_hqx(bytes 0-20, 0).
#include "device/shuttersession.h"
#include "protocol/statusframe.h"

#include "support.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>

#include <memory>

Q_DECLARE_METATYPE(ShutterSession::OpenResult)

using Frames = QList<QByteArray>;
Q_DECLARE_METATYPE(RunState)
Q_DECLARE_METATYPE(CountKind)

namespace {

// A command frame: bytes 8-14 as given, the CRC of bytes 0-20, the end byte.
QByteArray command(const QByteArray &codeAndArguments, const QByteArray &crc)
{
    return QByteArray::fromHex("8E017A0000000000" + codeAndArguments + "00000000000A" + crc + "8E");
}

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

QByteArray status(int code, int count)
{
    return statusFrame(StatusCode(code), quint16(count));
}

// Each count reported, as "trigger 300" or "cycle 5", in order.
QStringList countsIn(const QSignalSpy &spy)
{
    QStringList counts;
    for (const QList<QVariant> &arguments : spy) {
        const bool cycle = arguments.at(0).value<CountKind>() == CountKind::Cycle;
        counts << (cycle ? "cycle " : "trigger ") + arguments.at(1).toString();
    }
    return counts;
}

constexpr int tick = 150; // ms: the watchdog's period in these tests
constexpr int quietGap = 300; // ms: long enough for the reader to judge what it holds

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<ShutterSession> session;

    // Sends bytes as the controller and lets the session take them in.
    void deliver(const QByteArray &bytes)
    {
        QVERIFY(pty->write(bytes));
        QVERIFY(pty->waitUntilTaken());
        QCoreApplication::processEvents();
    }
    void openWithShortWatchdog()
    {
        session = std::make_unique<ShutterSession>(nullptr, std::chrono::milliseconds(tick));
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
    }
    QStringList critical() const { return log->texts(QtCriticalMsg); }
    // Every line logged since the last clear, in order, as "debug …" or "critical …".
    QStringList logged() const
    {
        QStringList lines;
        for (const auto &message : log->messages)
            lines << (message.first == QtCriticalMsg ? "critical " : "debug ") + message.second;
        return lines;
    }
    QString closedLine() const
    {
        return "debug " + QStringLiteral("串口: \"%1\" 已关闭！").arg(pty->slavePath().mid(5));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<CountKind>();
        qRegisterMetaType<RunState>();
    }
    void init() // connected, as after picking the port
    {
        pty = std::make_unique<PtyPair>();
        log = std::make_unique<MessageCapture>();
        session = std::make_unique<ShutterSession>();
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
    }
    void cleanup()
    {
        session.reset();
        log.reset();
        pty.reset();
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
        QCOMPARE(logged(), (QStringList{ "debug 串口已打开!", closedLine() }));
        QCOMPARE(closed.count(), 1);
        QVERIFY(!session->isOpen());
    }

    // What each operator action sends, in order, and the run state it leaves.
    void actionsSendTheirFrames_data()
    {
        QTest::addColumn<QString>("actions"); // mode names, start (toggle), off, sync, async
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<RunState>("runState");
        const RunState idle = RunState::Idle;
        const RunState running = RunState::Running;
        QTest::newRow("manual") << "manual" << Frames{ manualMode } << idle;
        QTest::newRow("automatic") << "automatic" << Frames{ autoMode } << idle;
        QTest::newRow("trigger sync") << "triggerSync" << Frames{ triggerSync } << idle;
        QTest::newRow("trigger async") << "triggerAsync" << Frames{ triggerAsync } << idle;
        QTest::newRow("manual start")
            << "manual start" << Frames{ manualMode, manualStart } << running;
        QTest::newRow("manual stop")
            << "manual start start" << Frames{ manualMode, manualStart, manualStop } << idle;
        QTest::newRow("automatic stop")
            << "automatic start start" << Frames{ autoMode, autoStart, autoStop } << idle;
        QTest::newRow("automatic off")
            << "automatic start off" << Frames{ autoMode, autoStart, autoOff } << idle;
        QTest::newRow("a new mode starts idle, nothing stops the old")
            << "manual start automatic start"
            << Frames{ manualMode, manualStart, autoMode, autoStart } << running;
        QTest::newRow("selector to asynchronous")
            << "triggerSync async" << Frames{ triggerSync, triggerAsync } << idle;
        QTest::newRow("selector to synchronous")
            << "triggerAsync sync" << Frames{ triggerAsync, triggerSync } << idle;
    }
    void actionsSendTheirFrames()
    {
        QFETCH(QString, actions);
        const QStringList modes{ "manual", "automatic", "triggerSync", "triggerAsync" };
        const ShutterMode modeOf[] = { ShutterMode::Manual, ShutterMode::Automatic,
                                       ShutterMode::TriggerSync, ShutterMode::TriggerAsync };
        for (const QString &action : actions.split(' ')) {
            if (modes.contains(action))
                session->chooseMode(modeOf[modes.indexOf(action)]);
            else if (action == "start")
                session->toggleRun();
            else if (action == "off")
                session->switchAutoOff();
            else
                session->sendTriggerMode(action == "async" ? 1 : 0);
        }
        const QByteArray sent = pty->drain();
        Frames frames;
        for (int at = 0; at < sent.size(); at += 24)
            frames << sent.mid(at, 24);
        QTEST(frames, "frames");
        QTEST(session->runState(), "runState");
    }

    void parameterFrame_data()
    {
        QTest::addColumn<QList<int>>("values"); // open, close, cycles
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("logged"); // arguments and CRC in lower case
        const QString text = "\"快门设置：8E 01 7A 00 00 00 00 00 41 %1 00 00 00 00 00 0A%2\"";
        QTest::newRow("start-up values")
            << QList<int>{ 2, 2, 10 } << command("41 00 02 00 02 00 0A", "96 8E")
            << text.arg("00 02 00 02 00 0a", "968e8E");
        QTest::newRow("CRC below 0x1000")
            << QList<int>{ 1, 3, 10 } << command("41 00 01 00 03 00 0A", "05 57")
            << text.arg("00 01 00 03 00 0a", "05578E");
    }
    void parameterFrame()
    {
        QFETCH(QList<int>, values);
        QFETCH(QByteArray, frame);
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        log->clear();
        QVERIFY(session->sendParameters(values[0], values[1], values[2]));
        QCOMPARE(pty->drain(), frame);
        QTEST(log->texts(QtDebugMsg).value(0), "logged");
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
        QCOMPARE(critical().size(), 1);
        QVERIFY(critical().value(0).startsWith("参数发送失败："));
    }

    void closedSessionSendsNoParameters()
    {
        session->close();
        log->clear();
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QVERIFY(!session->sendParameters(2, 2, 10));
        QCOMPARE(pty->drain(), QByteArray());
        QCOMPARE(sent.count(), 0);
        QCOMPARE(log->messages.size(), 0);
    }

    // Picking a port while connected: busy when it is held, here or elsewhere, else refused;
    // the connection goes on either way.
    void openWhileConnected_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<ShutterSession::OpenResult>("result");
        QTest::addColumn<QString>("logged"); // the first critical line
        using Result = ShutterSession::OpenResult;
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
        const QString name = session->portName();
        const QString path = port == "own" ? pty->slavePath() : other.slavePath();
        QTEST(session->open(port.startsWith('/') ? port : path), "result");
        QTEST(critical().value(0), "logged");
        QVERIFY(session->isOpen());
        QCOMPARE(session->portName(), name);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("answer"); // what the host writes back
        QTest::addColumn<QStringList>("counts");
        QTest::addColumn<RunState>("runState"); // while an automatic run goes on
        const RunState running = RunState::Running;
        for (int code : { 0x41, 0x42, 0x46 })
            QTest::addRow("%X acknowledged", code)
                << status(code, 7) << ack << QStringList() << running;
        QTest::newRow("43 counts triggers")
            << status(0x43, 300) << QByteArray() << QStringList{ "trigger 300" } << running;
        QTest::newRow("45 counts triggers")
            << status(0x45, 65535) << QByteArray() << QStringList{ "trigger 65535" } << running;
        QTest::newRow("44 counts cycles left")
            << status(0x44, 5) << QByteArray() << QStringList{ "cycle 5" } << running;
        QTest::newRow("44 at zero ends the run")
            << status(0x44, 0) << QByteArray() << QStringList{ "cycle 0" } << RunState::Idle;
        QTest::newRow("47 is ignored")
            << status(0x47, 1) << QByteArray() << QStringList() << running;
        QTest::newRow("the controller's acknowledgement is ignored")
            << ack << QByteArray() << QStringList() << running;
        QTest::newRow("joined in one read: ack, 41, 43, 43")
            << ack + status(0x41, 0) + status(0x43, 1) + status(0x43, 2) << ack
            << QStringList{ "trigger 1", "trigger 2" } << running;
    }
    void replies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, answer);
        QSignalSpy counts(session.get(), &ShutterSession::countReported);
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        pty->read(48);
        deliver(bytes);
        QCOMPARE(pty->drain(), answer);
        QTEST(countsIn(counts), "counts");
        QTEST(session->runState(), "runState");
    }

    // The first frame after every open must come from the controller.
    void firstReplyIsCheckedOnEveryConnection_data()
    {
        QTest::addColumn<QByteArray>("before"); // the previous connection's reply; none: first
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("wrongDevice");
        const QByteArray good = status(0x46, 0);
        const QByteArray first;
        QTest::newRow("first, controller") << first << good << false;
        QTest::newRow("first, another device") << first << otherDevice + otherDevice << true;
        QTest::newRow("first, another device's 13 bytes, then silence")
            << first << otherDevice.left(13) << true;
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
        QSignalSpy refused(session.get(), &ShutterSession::wrongDevice);
        log->clear();
        if (!before.isEmpty()) {
            deliver(before);
            QTest::qWait(quietGap);
            session->close();
            QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
            refused.clear();
            log->clear();
        }
        QSignalSpy counts(session.get(), &ShutterSession::countReported);
        deliver(reply);
        QTest::qWait(quietGap);
        QCOMPARE(refused.count(), int(wrongDevice));
        QCOMPARE(session->isOpen(), !wrongDevice);
        const QStringList lines{ closedLine(), "critical 设备连接错误" };
        QCOMPARE(logged(), wrongDevice ? lines : QStringList());
        QCOMPARE(countsIn(counts), QStringList()); // nothing was cut, nothing joined
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
        session.reset();
        openWithShortWatchdog();
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        if (previous == "closed") {
            QTest::qWait(3 * tick);
            session->close();
        } else if (previous == "tripped") {
            QVERIFY(silent.wait(20 * tick));
            silent.clear();
        }
        log->clear();
        QElapsedTimer elapsed;
        elapsed.start();
        if (previous != "none")
            QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
        QVERIFY(silent.wait(20 * tick));
        const double tripTicks = double(elapsed.elapsed()) / tick;
        QVERIFY2(tripTicks > ticks - 0.5, qPrintable(QString::number(tripTicks)));
        QVERIFY2(tripTicks < ticks + 0.5, qPrintable(QString::number(tripTicks)));
        QVERIFY(!session->isOpen());
        const QStringList lines{ closedLine(), "critical 设备无响应，请检查下位机是否正常" };
        QCOMPARE(logged().mid(logged().size() - 2), lines);
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
        QFETCH(bool, alive);
        session.reset();
        openWithShortWatchdog();
        deliver(status(0x46, 0)); // the first reply passes
        for (int round = 0; round < 4; ++round) {
            QTest::qWait(2 * tick);
            QVERIFY(pty->write(sign));
        }
        QTest::qWait(tick);
        QCOMPARE(session->isOpen(), alive);
    }

    void lostPortIsClosedAndReportedOnce()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        pty->closeMaster();
        QVERIFY(closed.wait(2000));
        QTest::qWait(50); // a lost port left open reports its loss thousands of times a second
        QCOMPARE(lost.count(), 1);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(logged().size(), 3); // opened, the port's error, closed
        QVERIFY(logged().value(1).startsWith("critical 串口错误："));
        QCOMPARE(logged().value(2), closedLine());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
