// kavrin-cli against the simulated controller: events, exit statuses, usage.
#include "log/logline.h"

#include "simulator.h"
#include "testhome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("events"); // with --json: event, then kind, count or frame
        const QStringList automatic{ "--mode", "auto",     "--open", "1",       "--close",
                                     "1",      "--cycles", "3",      "--start", "--until-done",
                                     "--json" };
        QTest::newRow("automatic run until done")
            << QStringList() << automatic << 0
            << QStringList{ "opened",
                            "sent 8E 01 7A 00 00 00 00 00 42 02 00 00 00 00 00",
                            "sent 8E 01 7A 00 00 00 00 00 41 00 01 00 01 00 03",
                            "sent 8E 01 7A 00 00 00 00 00 44 01 00 00 00 00 00",
                            "count cycle 2",
                            "count cycle 1",
                            "count cycle 0",
                            "finished",
                            "closed" };
        QTest::newRow("wrong device")
            << QStringList{ "--wrong-device" } << automatic << 4 << QStringList{ "closed" };
        QTest::newRow("vanishing port")
            << QStringList{ "--vanish-after", "500" } << QStringList{ "--watch", "5", "--json" }
            << 6 << QStringList{ "opened", "closed" };
        QTest::newRow("silent device")
            << QStringList{ "--silent" } << QStringList{ "--watch", "0", "--json" } << 5
            << QStringList{ "opened", "closed" };
        for (const QStringList &usage : { QStringList{ "--open", "0" },
                                          { "--cycles", "x" },
                                          { "--scheme", "none" },
                                          { "--start" },
                                          { "--mode", "manual", "--until-done" },
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
        QVERIFY(sim.start(QStringList{ "--verbose", "--idle-interval", "2000" } + simulator));
        QProcess cli;
        cli.start(QStringLiteral(KAVRIN_CLI),
                  QStringList{ "run", "--port", sim.port() } + arguments);
        QVERIFY(cli.waitForFinished(12000));
        QCOMPARE(cli.exitCode(), status);

        // The counts and frames a script sees; acknowledgements and idle frames aside.
        QStringList seen;
        for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            const QString frame = event.value("frame").toString();
            if (!event.isEmpty() && frame != "4F 4B 21")
                seen << QStringList{ event.value("event").toString(),
                                     event.value("kind").toString(),
                                     event.contains("count")
                                         ? QString::number(event.value("count").toInt())
                                         : "",
                                     frame.left(44) }
                            .join(' ')
                            .simplified();
        }
        if (status != 4)
            QCOMPARE(seen, events);
        else
            QVERIFY(seen.endsWith("closed") && !seen.contains("count cycle 0"));
        const QString received = sim.stop();
        if (status == 2) {
            QVERIFY2(!received.contains("command"), qPrintable(received)); // nothing was sent
            QCOMPARE(QString::fromLocal8Bit(cli.readAllStandardError()).count('\n'), 1);
        } else if (status == 0) {
            QVERIFY2(!received.contains("bad frame") && !received.contains("no acknowledgement"),
                     qPrintable(received));
            QFile day(logFilePath(logDirectory(), QDate::currentDate()));
            QVERIFY(day.open(QIODevice::ReadOnly) && day.readAll().contains("串口已打开!"));
        }
    }
};

int main(int argc, char *argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    TestCli test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cli.moc"
