#include "shuttersession.h"
#include "statusframe.h"

#include "support.h"

#include <QSerialPort>

using namespace QTest;
using namespace Protocol;
using Result = ShutterSession::OpenResult;
Q_DECLARE_METATYPE(ShutterSession::OpenResult)

static const QByteArray ack("OK!"), none;
static const auto foreign = QByteArray::fromHex("8E057A10FF000000430000012C000000000000000A11228E");
const auto status = [](int code, int n) { return statusFrame(StatusCode(code), quint16(n)); };

constexpr int tick = 150; // ms: the watchdog's period
constexpr int quiet = 300; // ms: twice the reader's quiet gap

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageCapture> log; // after Qt Test's own handler
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ShutterSession> session;
    QStringList counts;

    void reopen() { QCOMPARE(session->open(pty->slavePath()), Result::Opened); }
    QString closedLog() const { return "debug 串口: \"" + pty->slavePath().mid(5) + "\" 已关闭！"; }

private slots:
    void initTestCase() { log = std::make_unique<MessageCapture>(); }
    void cleanupTestCase() { log.reset(); }
    void init()
    {
        pty = std::make_unique<PtyPair>();
        session = std::make_unique<ShutterSession>(nullptr, std::chrono::milliseconds(tick));
        counts.clear();
        connect(session.get(), &ShutterSession::countReported, this, [this](CountKind k, int n) {
            counts << (k == CountKind::Cycle ? "cycle " : "trigger ") + QString::number(n);
        });
        log->clear();
        reopen();
    }

    void opensWithTheControllersLineSettings()
    {
        const termios line = pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B115200));
        QCOMPARE(line.c_cflag & CSTOPB, 0u);
        QCOMPARE(line.c_cflag & CRTSCTS, 0u);
        QCOMPARE(line.c_iflag & (IXON | IXOFF), 0u);
        auto *port = session->findChild<QSerialPort *>(); // a pty forces 8 bits, no parity
        QCOMPARE(port->dataBits(), QSerialPort::Data8);
        QCOMPARE(port->parity(), QSerialPort::NoParity);
    }

    void closeIsLoggedOnceAndSendsNothingMore()
    {
        session->close();
        session->close(); // does nothing
        QVERIFY(!session->sendParameters({}));
        qWait(8 * tick); // no watchdog trip either
        QCOMPARE(log->lines(), (QStringList{ "debug 串口已打开!", closedLog() }));
        QCOMPARE(pty->drain(), none);
    }

    void parameterFrame() // CRC: binascii.crc_hqx
    {
        QVERIFY(session->sendParameters({ 4, 8, 300 }));
        QCOMPARE(pty->drain(), commandFrame("4100040008012C", "00E2"));
        QCOMPARE(log->lines().last(),
                 "debug \"快门设置：8E 01 7A 00 00 00 00 00 41 00 04 00 08 01 "
                 "2c 00 00 00 00 00 0A00e28E\"");
    }

    void parametersThePortDoesNotTakeAreRefused()
    {
        auto *port = session->findChild<QSerialPort *>(); // read-only: takes no bytes
        port->close();
        QVERIFY(port->open(QIODevice::ReadOnly));
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QSignalSpy refused(session.get(), &ShutterSession::parametersRefused);
        QVERIFY(!session->sendParameters({}));
        QCOMPARE(sent.count(), 0);
        QCOMPARE(refused.count(), 1);
        QVERIFY(log->lines().last().startsWith("critical 参数发送失败："));
    }

    void openWhileConnected_data()
    {
        addColumn<QString>("port");
        addColumn<Result>("result");
        addColumn<QString>("logged"); // the first critical line
        const QString busy = "critical 串口被占用", failed = "critical 打开失败!";
        newRow("its own port") << "own" << Result::Busy << busy;
        newRow("held by another program") << "held" << Result::Busy << busy;
        newRow("another free port") << "free" << Result::Refused << failed;
        newRow("a missing port") << "/dev/kavrin-missing" << Result::Refused << failed;
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
        QVERIFY(session->isOpen());
        session->close(); // under its own name
        QCOMPARE(log->lines().last(), closedLog());
    }

    void replies_data()
    {
        addColumn<QByteArray>("bytes");
        addColumn<QByteArray>("answer");
        addColumn<QStringList>("counts");
        addColumn<bool>("running"); // the automatic run goes on
        for (int code : { 0x41, 0x42, 0x46 })
            addRow("%X acknowledged", code) << status(code, 7) << ack << QStringList() << true;
        newRow("44: cycles left") << status(0x44, 5) << none << QStringList{ "cycle 5" } << true;
        newRow("44 at 0: run ends") << status(0x44, 0) << none << QStringList{ "cycle 0" } << false;
        newRow("9-byte 46, then quiet") << status(0x46, 0).left(9) << ack << QStringList() << true;
        newRow("47 is ignored") << status(0x47, 1) << none << QStringList() << true;
        newRow("43, 45 count triggers; an ack and 41 between")
            << ack + status(0x41, 0) + status(0x43, 300) + status(0x45, 65535) << ack
            << QStringList{ "trigger 300", "trigger 65535" } << true;
    }
    void replies()
    {
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        QFETCH(QByteArray, bytes);
        QVERIFY(pty->write(bytes));
        QTEST(pty->drain(quiet).mid(48), "answer"); // after the mode and start frames
        QTEST(counts, "counts");
        QTEST(session->runState() == RunState::Running, "running");
    }

    void firstReplyIsCheckedOnEveryConnection_data()
    {
        addColumn<QByteArray>("before"); // the last connection's; none: first
        addColumn<QByteArray>("reply");
        addColumn<bool>("wrongDevice");
        const QByteArray good = status(0x46, 0), tail = status(0x43, 0x8E79);
        newRow("first, controller") << none << good << false;
        newRow("first, foreign half frame") << none << foreign.left(13) << true;
        newRow("after the controller, another device") << good << foreign << true;
        newRow("after another device, the controller") << foreign << good << false;
        newRow("after half a frame, a tail holding 0x8E")
            << good + tail.left(4) << tail.mid(4) + good << false;
    }
    void firstReplyIsCheckedOnEveryConnection()
    {
        QFETCH(QByteArray, before);
        if (!before.isEmpty()) {
            QVERIFY(pty->write(before));
            qWait(quiet);
            session->close();
            reopen();
        }
        QSignalSpy confirmed(session.get(), &ShutterSession::deviceConfirmed);
        log->clear();
        QFETCH(QByteArray, reply);
        QVERIFY(pty->write(reply));
        qWait(quiet);
        QFETCH(bool, wrongDevice);
        QCOMPARE(confirmed.count(), int(!wrongDevice));
        const QStringList lines{ closedLog(), "critical 设备连接错误" };
        QCOMPARE(log->lines(), wrongDevice ? lines : QStringList());
        QCOMPARE(counts, QStringList()); // nothing cut, nothing joined
    }

    void watchdogClosesASilentConnection_data()
    {
        addColumn<int>("lasted"); // ticks the last connection lasted; 0: none
        addColumn<QByteArray>("sign"); // after the first reply, at tick 3.5
        addColumn<int>("ticks"); // that close the port
        newRow("first connection") << 0 << none << 7;
        newRow("after a close") << 3 << none << 7;
        newRow("after a trip") << 20 << none << 6;
        newRow("a status frame restarts it") << 0 << status(0x46, 0) << 10;
        newRow("an acknowledgement does not") << 0 << ack << 7;
        newRow("another device's frame does not") << 0 << foreign << 7;
    }
    void watchdogClosesASilentConnection()
    {
        QFETCH(int, lasted);
        QFETCH(QByteArray, sign);
        QFETCH(int, ticks);
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        if (lasted > 0) {
            QCOMPARE(silent.wait(lasted * tick), lasted > 7); // a trip ends it at tick 7
            session->close();
            reopen();
        }
        const QDeadlineTimer early(ticks * tick - tick / 2); // half a tick before the close
        if (!sign.isEmpty()) {
            QVERIFY(pty->write(status(0x46, 0))); // the first reply
            qWait(int(3.5 * tick));
            QVERIFY(pty->write(sign));
        }
        QVERIFY(!silent.wait(int(early.remainingTime())));
        QVERIFY(silent.wait(tick)); // nor half a tick late
        QVERIFY(!session->isOpen());
        QCOMPARE(log->lines().last(), "critical 设备无响应，请检查下位机是否正常");
    }

    void lostPortIsClosedAndReportedOnce_data()
    {
        addColumn<bool>("stalled"); // else the controller is gone
        newRow("controller gone") << false;
        newRow("controller stopped reading") << true;
    }
    void lostPortIsClosedAndReportedOnce()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        QFETCH(bool, stalled);
        if (!stalled)
            pty->closeMaster();
        for (int n = 0; n < 100000 && lost.isEmpty(); ++n) {
            if (stalled)
                session->switchAutoOff(); // till 4 KB wait
            QCoreApplication::processEvents();
        }
        qWait(50); // a port left open reports again
        QCOMPARE(lost.count(), 1);
        QCOMPARE(log->lines().size(), 3); // opened, the error, closed
        QVERIFY(log->lines().value(1).startsWith("critical 串口错误："));
        QCOMPARE(log->lines().value(2), closedLog());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
