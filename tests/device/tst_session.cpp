// The session against a pseudo-terminal standing in for the controller.
#include "device/shuttersession.h"
#include "protocol/statusframe.h"

#include "support.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ShutterMode)

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ShutterSession> session;
    std::unique_ptr<MessageCapture> log;
    QStringList events; // counts reported and run states entered, in order

    // Sends bytes as the controller and lets the session take them in.
    void deliver(const QByteArray &bytes)
    {
        QVERIFY(pty->write(bytes) && pty->waitUntilTaken());
        QCoreApplication::processEvents();
    }
    bool openAfterTicks(int ticks)
    {
        while (ticks--)
            QMetaObject::invokeMethod(session->findChild<QTimer *>("watchdogTimer"), "timeout");
        return session->isOpen();
    }
    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    static QByteArray status(int code, int n) { return statusFrame(StatusCode(code), n); }
    QStringList critical() const { return log->texts(QtCriticalMsg); }

private slots:
    // Each case starts connected, running the automatic mode.
    void init()
    {
        pty = std::make_unique<PtyPair>();
        session = std::make_unique<ShutterSession>();
        log = std::make_unique<MessageCapture>();
        connect(session.get(), &ShutterSession::countReported, this, [this](CountKind kind, int n) {
            events << (kind == CountKind::Cycle ? "cycle " : "trigger ") + QString::number(n);
        });
        connect(session.get(), &ShutterSession::runStateChanged, this, [this](RunState state) {
            events << (state == RunState::Idle ? "idle" : "running");
        });
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
        session->chooseMode(ShutterMode::Automatic);
        session->toggleRun();
        pty->drain();
        events.clear();
    }
    void cleanup() { session.reset(), log.reset(), pty.reset(); }

    void openSendClose()
    {
        auto *port = session->findChild<QSerialPort *>();
        QCOMPARE((QList<qint64>{ port->baudRate(), port->dataBits(), port->parity(),
                                 port->stopBits(), port->flowControl() }),
                 (QList<qint64>{ 115200, 8, QSerialPort::NoParity, QSerialPort::OneStop,
                                 QSerialPort::NoFlowControl }));
        // Busy, refused (with the platform's reason): the connection goes on under its own name.
        const QString name = pty->slavePath().remove("/dev/");
        PtyPair other;
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Busy);
        QCOMPARE(session->open(other.slavePath()), ShutterSession::OpenResult::Refused);
        QCOMPARE(log->texts(QtDebugMsg) + critical().mid(0, 2),
                 (QStringList{ "串口已打开!", "串口被占用", "打开失败!" }));
        QVERIFY(critical().size() == 3 && session->isOpen() && session->portName() == name);
        log->clear();

        QSignalSpy sent(session.get(), &ShutterSession::parametersSent);
        QSignalSpy refused(session.get(), &ShutterSession::parametersRefused);
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        QVERIFY(session->sendParameters(2, 2, 10));
        QCOMPARE(pty->read(24), hex("8E017A000000000041 00020002000A 0000000000 0A968E8E"));
        QCOMPARE(log->texts(QtDebugMsg),
                 QStringList{ "\"快门设置：8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a 00 00 00 "
                              "00 00 0A968e8E\"" });
        // A port that takes no bytes refuses the frame: no success then.
        port->close();
        QVERIFY(port->open(QIODevice::ReadOnly) && !session->sendParameters(2, 2, 10));
        QVERIFY(critical().size() == 1 && critical()[0].startsWith("参数发送失败："));

        session->close();
        QCOMPARE(log->texts(QtDebugMsg).last(), QStringLiteral("串口: \"%1\" 已关闭！").arg(name));
        // Closed, a second close and a parameter send do nothing at all.
        log->clear();
        session->close();
        QVERIFY(!session->sendParameters(2, 2, 10) && log->messages.isEmpty());
        QVERIFY(sent.count() == 1 && refused.count() == 1 && closed.count() == 1);
    }

    void modesAndRuns_data()
    {
        QTest::addColumn<ShutterMode>("mode");
        QTest::addColumn<QByteArray>("codes"); // bytes 8-9 sent; trigger modes keep start/stop
        QTest::newRow("manual") << ShutterMode::Manual << QByteArray("420143014300");
        QTest::newRow("automatic") << ShutterMode::Automatic << QByteArray("420244014402");
        QTest::newRow("trigger sync") << ShutterMode::TriggerSync << QByteArray("420344014402");
        QTest::newRow("trigger async") << ShutterMode::TriggerAsync << QByteArray("420444014402");
    }
    void modesAndRuns()
    {
        QFETCH(ShutterMode, mode);
        QFETCH(QByteArray, codes);
        session->chooseMode(mode); // running, yet no stop frame: the new mode starts idle
        session->toggleRun();
        session->toggleRun();
        QByteArray sent = pty->drain(200), seen;
        for (int i = 0; i < sent.size(); i += 24)
            seen += sent.mid(i + 8, 2).toHex();
        QCOMPARE(seen + ' ' + events.join(' ').toLatin1(), codes + " idle running idle");
        QCOMPARE(session->mode(), mode);
    }

    void firstReply_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome"); // reply, counts and run states, critical lines
        const QByteArray wrong = hex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
        for (int code : { 0x41, 0x42, 0x46 })
            QTest::addRow("%x acknowledged", code) << status(code, 7) << "OK!";
        QTest::newRow("43 counts triggers") << status(0x43, 300).left(22) << "trigger 300";
        QTest::newRow("45 counts triggers") << status(0x45, 65535) << "trigger 65535";
        QTest::newRow("44 counts cycles") << status(0x44, 5) << "cycle 5";
        QTest::newRow("44 at zero ends the run") << status(0x44, 0) << "cycle 0 idle";
        QTest::newRow("47 is nothing") << status(0x47, 1) << "";
        QTest::newRow("joined: ack, 41, 43, 43") << "OK!" + status(0x41, 0) + status(0x43, 1)
                + status(0x43, 2) << "OK! trigger 1 trigger 2";
        QTest::newRow("in mid-frame") << status(0x43, 7).right(5) + status(0x43, 7) << "trigger 7";
        QTest::newRow("another device's frames") << wrong + wrong + wrong << "设备连接错误";
        QTest::newRow("another device's 13 bytes and silence") << wrong.left(13) << "设备连接错误";
    }
    void firstReply()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        const bool wrong = outcome == "设备连接错误";
        QSignalSpy wrongDevice(session.get(), &ShutterSession::wrongDevice);
        deliver(bytes);
        const QString reply = QString::fromLatin1(pty->drain(200)); // and the quiet gap has passed
        QTRY_COMPARE_WITH_TIMEOUT(wrongDevice.count(), int(wrong), 800);
        QCOMPARE(session->isOpen(), !wrong);
        QCOMPARE((QStringList(reply) + events + critical()).join(' ').trimmed(), outcome);
    }

    void watchdog()
    {
        QSignalSpy silent(session.get(), &ShutterSession::deviceSilent);
        // A status frame zeroes the count, an acknowledgement does not: the seventh tick trips.
        QVERIFY(openAfterTicks(5));
        deliver(status(0x46, 0) + "OK!");
        QVERIFY(openAfterTicks(6));
        deliver("OK!");
        QVERIFY(!openAfterTicks(1));
        QCOMPARE(critical(), QStringList{ "设备无响应，请检查下位机是否正常" });
        // The trip leaves one tick counted: after a reopen, six trip it again.
        QCOMPARE(session->open(pty->slavePath()), ShutterSession::OpenResult::Opened);
        QVERIFY(openAfterTicks(5) && !openAfterTicks(1));
        QTRY_COMPARE(silent.count(), 2); // once for each trip
    }

    void portLost()
    {
        QSignalSpy lost(session.get(), &ShutterSession::portLost);
        QSignalSpy closed(session.get(), &ShutterSession::closed);
        QSignalSpy errors(session->findChild<QSerialPort *>(), &QSerialPort::errorOccurred);
        pty->closeMaster();
        QTRY_COMPARE(closed.count(), 1);
        QTest::qWait(50); // a lost port left open reports its loss thousands of times a second
        QVERIFY(critical().size() == 1 && critical()[0].startsWith("串口错误："));
        QVERIFY(lost.count() == 1 && errors.count() < 10);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
