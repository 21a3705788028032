// The control endpoint's lines, and a server that no client can hurt.
#include "controlserver.h"

#include "support.h"

#include <QLocalSocket>

using namespace QTest;

// JSON written with single quotes, to read.
const auto json = [](const char *text) { return QByteArray(text).replace('\'', '"'); };

class TestControl : public QObject
{
    Q_OBJECT

    static int openFiles() { return int(QDir("/proc/self/fd").entryList(QDir::Files).size()); }

private slots:
    void requestsAreReadOrRefused_data()
    {
        addColumn<QByteArray>("line");
        addColumn<QString>("refused"); // none: read
        newRow("state") << json("{'request': 'state'}") << "";
        newRow("params") << json("{'request':'params','open':1,'close':1000,'cycles':7}") << "";
        newRow("mode") << json("{'request': 'mode', 'mode': 'trigger-async'}") << "";
        newRow("not JSON") << QByteArray("{\"request\": ") << "unterminated object";
        newRow("an array") << QByteArray("[1]") << "not a JSON object";
        newRow("unknown") << json("{'request': 'fire'}") << "unknown request \"fire\"";
        newRow("port a number") << json("{'request': 'open', 'port': 3}")
                                << "\"port\" must be a non-empty string";
        newRow("time 0") << json("{'request':'params','open':0,'close':1,'cycles':1}")
                         << "\"open\" must be a whole number from 1 to 1000";
        newRow("cycles 2.5") << json("{'request':'params','open':1,'close':1,'cycles':2.5}")
                             << "\"cycles\" must be a whole number from 1 to 1000";
        newRow("mode off") << json("{'request': 'mode', 'mode': 'off'}")
                           << "\"mode\" must be manual, auto, trigger-sync or trigger-async";
    }
    void requestsAreReadOrRefused()
    {
        QFETCH(QByteArray, line);
        ControlRequest request;
        QString error;
        QFETCH(QString, refused);
        QCOMPARE(parseControlRequest(line, &request, &error), refused.isEmpty());
        QCOMPARE(error, refused);
        if (QTest::currentDataTag() == QString("params"))
            QCOMPARE(request.timing.closeTime, 1000);
        if (QTest::currentDataTag() == QString("mode"))
            QVERIFY(request.mode == ShutterMode::TriggerAsync);
    }

    void badClientsAreAnsweredOrDropped_data()
    {
        addColumn<QByteArray>("sent");
        addColumn<QByteArray>("answer"); // none: dropped
        newRow("malformed") << QByteArray("{]\n")
                            << json("{'code':2,'message':'unterminated object','reply':'error'}\n");
        newRow("a line over 64 KB") << QByteArray(64 * 1024 + 1, 'x') + '\n' << QByteArray();
        newRow("no line end") << QByteArray(70 * 1024, 'x') << QByteArray();
    }
    void badClientsAreAnsweredOrDropped()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        ControlServer server;
        QString error;
        QVERIFY(server.listen(controlEndpointName(), &error));
        QLocalSocket client;
        client.connectToServer(controlEndpointName());
        QTRY_COMPARE(server.clientCount(), 1);
        client.write(sent);
        if (answer.isEmpty()) {
            QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        } else {
            QTRY_VERIFY(client.canReadLine());
            QCOMPARE(client.readLine(), answer);
        }
        QTRY_COMPARE(server.clientCount(), answer.isEmpty() ? 0 : 1);
    }

    void aClientThatNeverReadsIsDropped()
    {
        ControlServer server;
        QString error;
        QVERIFY(server.listen(controlEndpointName(), &error));
        QLocalSocket client;
        client.setReadBufferSize(1); // takes almost nothing
        client.connectToServer(controlEndpointName());
        QTRY_COMPARE(server.clientCount(), 1);
        const QByteArray event = eventLine("count", { { "kind", QString(200, 'x') } });
        for (int sent = 0; sent < 20000 && server.clientCount() == 1; ++sent) {
            server.broadcast(event);
            QCoreApplication::processEvents();
        }
        QCOMPARE(server.clientCount(), 0);
    }

    void connectsAndDisconnectsLeaveNoHandles()
    {
        ControlServer server;
        QString error;
        QVERIFY(server.listen(controlEndpointName(), &error));
        const int before = openFiles();
        for (int i = 0; i < 100; ++i) {
            QLocalSocket client;
            client.connectToServer(controlEndpointName());
            QTRY_COMPARE(server.clientCount(), 1);
        }
        QTRY_COMPARE(server.findChildren<QLocalSocket *>().size(), 0);
        QTRY_COMPARE(openFiles(), before);
    }
};

KAVRIN_TEST_MAIN(TestControl)
#include "tst_control.moc"
