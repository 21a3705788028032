// The session against a pseudo-terminal standing in for the controller.
#include "device/shuttersession.h"
#include "protocol/statusframe.h"

#include "messagecapture.h"
#include "ptypair.h"
#include "testhome.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ShutterMode)

namespace {

QByteArray hex(const QByteArray &text)
{
    return QByteArray::fromHex(text);
}

QByteArray command(const QByteArray &rest)
{
    return hex("8E017A0000000000" + rest);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ShutterSession> session;
    std::unique_ptr<MessageCapture> log;

    // Sends bytes as the controller and lets the session take them in.
    void deliver(const QByteArray &bytes)
    {
        QVERIFY(pty->write(bytes) && pty->waitUntilTaken());
        QCoreApplication::processEvents();
    }
    void tick(int times)
    {
        auto *watchdog = session->findChild<QTimer *>(QStringLiteral("watchdogTimer"));
        for (int i = 0; i < times; ++i)
            QMetaObject::invokeMethod(watchdog, "timeout");
    }
    QStringList critical() const { return log->texts(QtCriticalMsg); }

private slots:
    void init()
    {
        pty = std::make_unique<PtyPair>();
        session = std::make_unique<ShutterSession>();
        log = std::make_unique<MessageCapture>();
        QVERIFY(pty->isValid());
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
    }
    void cleanup()
    {
        session.reset();
        log.reset();
        pty.reset();
    }

    void openAndClose()
    {
        const auto *port = session->findChild<QSerialPort *>();
        QCOMPARE(port->baudRate(), 115200);
        QCOMPARE(port->dataBits(), QSerialPort::Data8);
        QCOMPARE(port->parity(), QSerialPort::NoParity);
        QCOMPARE(port->stopBits(), QSerialPort::OneStop);
        QCOMPARE(port->flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(log->texts(QtDebugMsg), QStringList{ "串口已打开!" });

        // The open port again is busy; another port is refused; either way
        // the connection goes on under its own name.
        PtyPair other;
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Busy);
        QCOMPARE(session->open(other.slavePath()), ShutterSession::OpenResult::Refused);
        QCOMPARE(critical().mid(0, 2), (QStringList{ "串口被占用", "打开失败!" }));
        QCOMPARE(critical().size(), 3); // and the platform's reason
        QVERIFY(session->isOpen() && session->portName() == port->portName());

        QSignalSpy closed(session.get(), &ShutterSession::closed);
        session->close();
        session->close();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(log->texts(QtDebugMsg).last(),
                 QStringLiteral("串口: \"%1\" 已关闭！").arg(port->portName()));
    }

    void modesAndRuns_data()
    {
        QTest::addColumn<ShutterMode>("mode");
        QTest::addColumn<QByteArray>("codes"); // bytes 8-9 of each frame sent: mode, start, stop
        QTest::newRow("manual") << ShutterMode::Manual << QByteArray("420143014300");
        QTest::newRow("automatic") << ShutterMode::Automatic << QByteArray("420244014402");
        // The trigger modes keep the start and stop frames of the mode before.
        QTest::newRow("trigger sync") << ShutterMode::TriggerSync << QByteArray("420343014300");
        QTest::newRow("trigger async") << ShutterMode::TriggerAsync << QByteArray("420443014300");
    }
    void modesAndRuns()
    {
        QFETCH(ShutterMode, mode);
        QFETCH(QByteArray, codes);
        session->chooseMode(ShutterMode::Manual);
        session->toggleRun();
        pty->drain();
        QSignalSpy states(session.get(), &ShutterSession::runStateChanged);
        session->chooseMode(mode); // running, yet no stop frame: the new mode starts idle
        QCOMPARE(session->runState(), RunState::Idle);
        session->toggleRun();
        QCOMPARE(session->runState(), RunState::Running);
        session->toggleRun();
        QByteArray sent = pty->read(72);
        sent += pty->drain(50);
        QByteArray sentCodes;
        for (int i = 0; i < sent.size(); i += 24)
            sentCodes += sent.mid(i + 8, 2);
        QCOMPARE(sentCodes.toHex(), codes);
        QCOMPARE(states.count(), 3);
        QCOMPARE(session->mode(), mode);
    }

    void parameters()
    {
        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QSignalSpy refused(session.get(), &ShutterSession::parametersRefused);
        QVERIFY(session->sendParameters(2, 2, 10));
        QCOMPARE(pty->read(24), command("4100020002000A00000000000A968E8E"));
        QCOMPARE(log->texts(QtDebugMsg).last(),
                 QStringLiteral("\"快门设置：8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a "
                                "00 00 00 00 00 0A968e8E\""));
        QCOMPARE(sent.count(), 1);

        // A port that takes no bytes refuses the frame: no success then.
        auto *port = session->findChild<QSerialPort *>();
        port->close();
        QVERIFY(port->open(QIODevice::ReadOnly));
        QVERIFY(!session->sendParameters(2, 2, 10));
        QCOMPARE(critical().size(), 1);
        QVERIFY(critical().first().startsWith(QStringLiteral("参数发送失败：")));
        QCOMPARE(refused.count(), 1);

        // With the port closed nothing is sent, logged or signalled.
        session->close();
        log->clear();
        QVERIFY(!session->sendParameters(2, 2, 10));
        QVERIFY(log->messages.isEmpty());
        QCOMPARE(sent.count() + refused.count(), 2);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("counts");
        QTest::addColumn<bool>("idle"); // the running shutter is idle again
        const QByteArray ack = "OK!";
        for (int code : { 0x41, 0x42, 0x46 })
            QTest::addRow("%x acknowledged", code)
                << statusFrame(StatusCode(code), 7) << ack << QStringList() << false;
        QTest::newRow("43 counts triggers")
            << hex("8E027A10FF00000043 0000012C 00000000000000 0A") << QByteArray()
            << QStringList{ "trigger 300" } << false;
        QTest::newRow("45 counts triggers") << statusFrame(StatusCode(0x45), 65535) << QByteArray()
                                            << QStringList{ "trigger 65535" } << false;
        QTest::newRow("44 counts cycles") << statusFrame(StatusCode(0x44), 5) << QByteArray()
                                          << QStringList{ "cycle 5" } << false;
        QTest::newRow("44 at zero ends the run")
            << statusFrame(StatusCode(0x44), 0) << QByteArray() << QStringList{ "cycle 0" } << true;
        QTest::newRow("47 is nothing")
            << statusFrame(StatusCode(0x47), 1) << QByteArray() << QStringList() << false;
        QTest::newRow("joined: ack, 41, 43, 43")
            << ack + statusFrame(StatusCode(0x41), 0) + statusFrame(StatusCode(0x43), 1)
                + statusFrame(StatusCode(0x43), 2)
            << ack << QStringList{ "trigger 1", "trigger 2" } << false;
    }
    void replies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, counts);
        QFETCH(bool, idle);
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        pty->drain();
        QStringList reported;
        connect(session.get(), &ShutterSession::countReported, this, [&](CountKind kind, int n) {
            reported << QStringLiteral("%1 %2")
                            .arg(kind == CountKind::Cycle ? "cycle" : "trigger")
                            .arg(n);
        });
        deliver(bytes);
        QCOMPARE(pty->drain(50), answer);
        QCOMPARE(reported, counts);
        QCOMPARE(session->runState(), idle ? RunState::Idle : RunState::Running);
    }

    void firstReply_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("wrongDevice");
        const QByteArray frame = statusFrame(StatusCode::TriggerCount, 7);
        const QByteArray wrong = hex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
        QTest::newRow("opened mid-frame: tail 0A C5 21 8E") << frame.right(5) + frame << false;
        QTest::newRow("another device's frames") << wrong + wrong + wrong << true;
        QTest::newRow("another device's 13 bytes, then silence") << wrong.left(13) << true;
    }
    void firstReply()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, wrongDevice);
        QSignalSpy refused(session.get(), &ShutterSession::wrongDevice);
        QSignalSpy counts(session.get(), &ShutterSession::countReported);
        deliver(bytes);
        QTest::qWait(wrongDevice ? 0 : 400); // the quiet gap has passed
        QTRY_COMPARE_WITH_TIMEOUT(refused.count(), wrongDevice ? 1 : 0, 1000);
        QCOMPARE(session->isOpen(), !wrongDevice);
        QCOMPARE(critical(), wrongDevice ? QStringList{ "设备连接错误" } : QStringList());
        QCOMPARE(counts.count(), wrongDevice ? 0 : 1);
    }

    void watchdog()
    {
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        // A status frame every fifth tick keeps the connection; acknowledgements do not.
        for (int round = 0; round < 6; ++round) {
            tick(5);
            deliver(statusFrame(StatusCode::Idle, 0) + "OK!");
        }
        tick(6);
        deliver("OK!");
        QVERIFY(session->isOpen());
        tick(1);
        QVERIFY(!session->isOpen());
        QCOMPARE(critical(), QStringList{ "设备无响应，请检查下位机是否正常" });
        QTRY_COMPARE(silent.count(), 1);
        // The trip leaves one tick counted: after a reopen, six trip it again.
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
        tick(5);
        QVERIFY(session->isOpen());
        tick(1);
        QVERIFY(!session->isOpen());
        QTRY_COMPARE(silent.count(), 2);
    }

    void portLost()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        QSignalSpy errors(session->findChild<QSerialPort *>(), &QSerialPort::errorOccurred);
        pty->closeMaster();
        QTRY_COMPARE(lost.count(), 1);
        QCOMPARE(closed.count(), 1);
        QTest::qWait(50);
        QCOMPARE(critical().size(), 1);
        QVERIFY(critical().first().startsWith(QStringLiteral("串口错误：")));
        QCOMPARE(lost.count(), 1);
        // A lost port left open reports its loss thousands of times a second.
        QVERIFY(errors.count() < 10);
    }
};

int main(int argc, char *argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    TestSession test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_session.moc"
