#include "device/crc.h"
#include "device/frames.h"
#include "device/replyreader.h"
#include "device/statusframe.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

// Drives the simulated controller through its pseudo-terminal, as the program would.
class TestShutterSim : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void TestShutterSim::answers_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("code");
    QTest::addColumn<QList<int>>("counts");
    const QByteArray manual = frameFromText(FrameText::manualMode);
    // The manual mode frame with one byte changed; a change in bytes 0-20 gets a
    // fitting CRC, so that byte alone is wrong.
    const auto spoilt = [&manual](int at, char byte) {
        QByteArray frame = QByteArray(manual).replace(at, 1, &byte, 1);
        const quint16 crc = crc16(frame.constData(), 21);
        if (at < 21)
            frame.replace(21, 2,
                          QByteArray(1, static_cast<char>(crc >> 8)) + static_cast<char>(crc));
        return frame;
    };
    QTest::newRow("mode") << manual << 0x42 << QList<int>{ 0 };
    QTest::newRow("parameters") << parameterFrame(2, 2, 10) << 0x41 << QList<int>{ 0 };
    const QByteArray good = frameFromText(FrameText::autoMode);
    const QByteArray run = parameterFrame(1, 1, 3) + good + frameFromText(FrameText::autoStart);
    QTest::newRow("automatic run counts down") << run << 0x44 << QList<int>{ 2, 1, 0 };
    // Each bad frame is ignored; the good one behind it is found and answered once.
    QTest::newRow("bad CRC") << spoilt(22, static_cast<char>(manual.at(22) ^ 1)) + good << 0x42
                             << QList<int>{ 0 };
    QTest::newRow("bad end byte") << spoilt(23, 0x00) + good << 0x42 << QList<int>{ 0 };
    QTest::newRow("no 0A at 20") << spoilt(20, 0x0B) + good << 0x42 << QList<int>{ 0 };
    QTest::newRow("cut short, a frame inside its 24 bytes")
        << manual.left(10) + QByteArray("OKx") + good << 0x42 << QList<int>{ 0 };
}

void TestShutterSim::answers()
{
    QFETCH(QByteArray, sent);
    QFETCH(int, code);
    QFETCH(QList<int>, counts);
    QProcess sim; // killed on the way out if a check fails
    sim.start(QStringLiteral(SHUTTER_SIM),
              { QStringLiteral("--idle-interval"), QStringLiteral("50") });
    QVERIFY(sim.waitForStarted() && sim.waitForReadyRead());
    const int fd = ::open(sim.readLine().trimmed().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    ReplyReader reader;
    QList<int> found; // the counts of the answers with the expected code
    int idle = 0; // idle frames since the latest other one
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, &notifier, [&] {
        char chunk[512];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        for (const QByteArray &frame :
             reader.feed(QByteArray(chunk, static_cast<int>(qMax<ssize_t>(n, 0))))) {
            idle = frame == statusFrame(0x46, 0).left(13) ? idle + 1 : 0;
            if (frame.size() > 8 && static_cast<quint8>(frame.at(8)) == code)
                found.append(readStatusFrame(frame).count);
        }
    });
    QCOMPARE(::write(fd, sent.constData(), sent.size()), sent.size());
    // Done once it has been idle for longer than a cycle (200 ms) after the answers.
    QTRY_VERIFY_WITH_TIMEOUT(found.size() >= counts.size() && idle >= 5, 5000);
    QCOMPARE(found, counts);
    sim.terminate();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestShutterSim)
#include "tst_shuttersim.moc"
