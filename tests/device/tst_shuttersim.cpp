#include "device/frames.h"
#include "device/replyreader.h"
#include "device/statusframe.h"

#include <QProcess>
#include <QSocketNotifier>
#include <QtTest>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

// Drives the simulated controller through its pseudo-terminal, as the program would.
class TestShutterSim : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void modeFrameAnswered();
    void badFramesIgnored_data();
    void badFramesIgnored();
    void automaticRunCountsDown();
    void wrongDeviceHeader();

private:
    bool start(const QStringList &arguments);
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(fd, bytes.constData(), bytes.size()), bytes.size());
    }
    int countOf(quint8 code) const;

    QProcess sim;
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    ReplyReader reader;
    QList<QByteArray> frames;
};

bool TestShutterSim::start(const QStringList &arguments)
{
    sim.start(QStringLiteral(SHUTTER_SIM), arguments);
    if (!sim.waitForStarted() || !sim.waitForReadyRead())
        return false;
    const QByteArray path = sim.readLine().trimmed();
    fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char chunk[512];
        ssize_t n = 0;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
            frames += reader.feed(QByteArray(chunk, static_cast<int>(n)));
    });
    return true;
}

int TestShutterSim::countOf(quint8 code) const
{
    return static_cast<int>(
        std::count_if(frames.cbegin(), frames.cend(), [code](const QByteArray &frame) {
            return static_cast<quint8>(frame.at(8)) == code;
        }));
}

void TestShutterSim::cleanup()
{
    delete notifier;
    notifier = nullptr;
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    reader.clear();
    frames.clear();
    if (sim.state() != QProcess::NotRunning) {
        sim.terminate();
        QVERIFY(sim.waitForFinished());
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
    }
}

void TestShutterSim::modeFrameAnswered()
{
    QVERIFY(start({}));
    send(frameFromText(FrameText::manualMode));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(0x42), 1, 5000);
    send(frameFromText(FrameText::ack));
    send(parameterFrame(2, 2, 10));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(0x41), 1, 5000);
}

void TestShutterSim::badFramesIgnored_data()
{
    QTest::addColumn<QByteArray>("bad");
    const QByteArray good = frameFromText(FrameText::manualMode);
    QByteArray badCrc = good;
    badCrc[22] = static_cast<char>(badCrc.at(22) ^ 0x01);
    QByteArray badEnd = good;
    badEnd[23] = 0x00;
    QByteArray no0A = good;
    no0A[20] = 0x0B;
    QTest::newRow("bad CRC") << badCrc;
    QTest::newRow("bad end byte") << badEnd;
    QTest::newRow("no 0A at 20") << no0A;
    QTest::newRow("cut short, then stray bytes") << good.left(20) + QByteArray("OKxx");
}

void TestShutterSim::badFramesIgnored()
{
    QFETCH(QByteArray, bad);
    QVERIFY(start({ QStringLiteral("--idle-interval"), QStringLiteral("50") }));
    send(bad);
    // Idle frames keep coming, so the simulator has had time to answer.
    QTRY_VERIFY_WITH_TIMEOUT(countOf(0x46) >= 4, 5000);
    QCOMPARE(countOf(0x42), 0);
    // It resynchronises on the next good frame.
    send(frameFromText(FrameText::autoMode));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(0x42), 1, 5000);
}

void TestShutterSim::automaticRunCountsDown()
{
    QVERIFY(start({}));
    send(parameterFrame(1, 1, 3) + frameFromText(FrameText::autoMode));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(0x42), 1, 5000);
    send(frameFromText(FrameText::autoStart));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(0x44), 3, 5000);
    QList<int> counts;
    for (const QByteArray &frame : frames) {
        const StatusReport report = readStatusFrame(frame);
        if (report.kind == StatusReport::CycleCount)
            counts.append(report.count);
    }
    QCOMPARE(counts, (QList<int>{ 2, 1, 0 }));
}

void TestShutterSim::wrongDeviceHeader()
{
    QVERIFY(start({ QStringLiteral("--wrong-device"), QStringLiteral("--idle-interval"),
                    QStringLiteral("50") }));
    QTRY_VERIFY_WITH_TIMEOUT(!frames.isEmpty(), 5000);
    QCOMPARE(frames.first(), QByteArray::fromHex("8E05"));
    QVERIFY(!hasDeviceHeader(frames.first()));
}

QTEST_GUILESS_MAIN(TestShutterSim)
#include "tst_shuttersim.moc"
