// kavrin-cli against the simulated controller: events, exit statuses, usage.
#include "log/logline.h"

#include "support.h"

#include <QJsonDocument>
#include <QJsonObject>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("events"); // event, kind, count, frame bytes 0-14
        const QString sent = "sent 8E 01 7A 00 00 00 00 00 ";
        QTest::newRow("automatic run until done")
            << QStringList() << "--mode=auto --open=1 --close=1 --cycles=3 --start --until-done"
            << 0
            << "opened; " + sent + "42 02 00 00 00 00 00; " + sent + "41 00 01 00 01 00 03; " + sent
                + "44 01 00 00 00 00 00; count cycle 2; count cycle 1; count cycle 0; finished; "
                  "closed";
        QTest::newRow("ending at once: the frames still reach the controller")
            << QStringList() << "--mode=manual --open=2 --close=2 --cycles=5 --start" << 0
            << "opened; " + sent + "42 01 00 00 00 00 00; " + sent + "41 00 02 00 02 00 05; " + sent
                + "43 01 00 00 00 00 00; closed";
        QTest::newRow("wrong device")
            << QStringList{ "--wrong-device" } << "--watch=5" << 4 << "opened; closed";
        QTest::newRow("vanishing port")
            << QStringList{ "--vanish-after=500" } << "--watch=5" << 6 << "opened; closed";
        QTest::newRow("silent device")
            << QStringList{ "--silent" } << "--watch=0" << 5 << "opened; closed";
        for (const char *usage : { "--open=0", "--cycles=x", "--scheme=none", "--start",
                                   "--mode=manual --until-done", "--bogus" })
            QTest::addRow("usage: %s", usage) << QStringList() << usage << 2 << "";
    }
    void run()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, events);
        Simulator sim;
        QVERIFY(sim.start(QStringList{ "--verbose", "--idle-interval=2000" } + simulator));
        QProcess cli;
        cli.start(KAVRIN_CLI,
                  QStringList{ "run", "--json", "--port", sim.port() } + arguments.split(' '));
        QVERIFY(cli.waitForFinished(12000));
        QCOMPARE(cli.exitCode(), status);
        QStringList seen; // what a script sees, acknowledgements aside
        for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            QStringList fields;
            for (const char *key : { "event", "kind", "count", "frame" })
                fields << event[key].toVariant().toString().left(44);
            if (!event.isEmpty() && event["frame"] != "4F 4B 21")
                seen << fields.join(' ').simplified();
        }
        QCOMPARE(seen.join("; "), events);
        QTest::qWait(300); // the simulator reads what was sent
        const QString received = sim.stop().toUpper();
        for (const QString &event : seen.filter("sent 8E"))
            QVERIFY2(received.contains("COMMAND " + event.mid(29)), qPrintable(event));
        QVERIFY(!received.contains(QRegularExpression("BAD FRAME|NO ACKNOWLEDGEMENT")));
        if (status == 2) // nothing sent, one line says why
            QVERIFY(!received.contains("COMMAND") && cli.readAllStandardError().count('\n') == 1);
        QFile day(logFilePath(logDirectory(), QDate::currentDate())); // the lab record
        QVERIFY(status || (day.open(QIODevice::ReadOnly) && day.readAll().contains("串口已打开!")));
    }
};

static const TestHome testHome;
QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
