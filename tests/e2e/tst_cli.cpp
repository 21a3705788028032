// kavrin-cli against the simulated controller: events, exit statuses, usage.
#include "log/logline.h"

#include "simulator.h"
#include "testhome.h"

#include <QJsonDocument>
#include <QJsonObject>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("events"); // event, kind, count, frame bytes 0-14
        const QString frame = "sent 8E 01 7A 00 00 00 00 00 %1";
        QTest::newRow("automatic run until done")
            << QStringList() << QStringList{ "--mode=auto", "--open=1", "--close=1",
                                             "--cycles=3",  "--start",  "--until-done" }
            << 0
            << QStringList{ "opened",
                            frame.arg("42 02 00 00 00 00 00"),
                            frame.arg("41 00 01 00 01 00 03"),
                            frame.arg("44 01 00 00 00 00 00"),
                            "count cycle 2",
                            "count cycle 1",
                            "count cycle 0",
                            "finished",
                            "closed" };
        QTest::newRow("wrong device")
            << QStringList{ "--wrong-device" } << QStringList{ "--watch=5" } << 4
            << QStringList{ "opened", "closed" };
        QTest::newRow("vanishing port")
            << QStringList{ "--vanish-after=500" } << QStringList{ "--watch=5" } << 6
            << QStringList{ "opened", "closed" };
        QTest::newRow("silent device") << QStringList{ "--silent" } << QStringList{ "--watch=0" }
                                       << 5 << QStringList{ "opened", "closed" };
        for (const QStringList &usage : { QStringList{ "--open=0" },
                                          { "--cycles=x" },
                                          { "--scheme=none" },
                                          { "--start" },
                                          { "--mode=manual", "--until-done" },
                                          { "--bogus" } })
            QTest::addRow("usage: %s", qPrintable(usage.join(' ')))
                << QStringList() << usage << 2 << QStringList();
    }
    void run()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, events);
        Simulator sim;
        QVERIFY(sim.start(QStringList{ "--verbose", "--idle-interval=2000" } + simulator));
        QProcess cli;
        cli.start(KAVRIN_CLI, QStringList{ "run", "--json", "--port", sim.port() } + arguments);
        QVERIFY(cli.waitForFinished(12000));
        QCOMPARE(cli.exitCode(), status);
        // What a script sees, acknowledgements aside.
        QStringList seen;
        for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            const QString count
                = event.contains("count") ? QString::number(event["count"].toInt()) : "";
            if (!event.isEmpty() && event["frame"] != "4F 4B 21")
                seen << QStringList{ event["event"].toString(), event["kind"].toString(), count,
                                     event["frame"].toString().left(44) }
                            .join(' ')
                            .simplified();
        }
        QCOMPARE(seen, events);
        const QString received = sim.stop();
        QVERIFY(!received.contains(QRegularExpression("bad frame|no acknowledgement")));
        if (status == 2) { // nothing sent, one line says why
            QVERIFY(!received.contains("command"));
            QCOMPARE(cli.readAllStandardError().count('\n'), 1);
        }
        QFile day(logFilePath(logDirectory(), QDate::currentDate())); // the lab record
        QVERIFY(status || (day.open(QIODevice::ReadOnly) && day.readAll().contains("串口已打开!")));
    }
};

static const TestHome testHome;
QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
