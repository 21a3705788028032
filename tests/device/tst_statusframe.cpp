#include "device/statusframe.h"

#include <QtTest>

Q_DECLARE_METATYPE(StatusReport::Kind)

class TestStatusFrame : public QObject
{
    Q_OBJECT

private slots:
    void readFrame_data();
    void readFrame();
    void builtFrame();
};

void TestStatusFrame::readFrame_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<StatusReport::Kind>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ours"); // passes the first-reply check
    using K = StatusReport;
    const K::Kind kinds[] = { K::Unknown,    K::Acknowledge,  K::Acknowledge, K::TriggerCount,
                              K::CycleCount, K::TriggerCount, K::Acknowledge, K::Unknown };
    for (int code = 0x40; code <= 0x47; ++code) {
        const K::Kind kind = kinds[code - 0x40];
        const bool counts = kind == K::TriggerCount || kind == K::CycleCount;
        for (const int count : { 0, 300, 65535 }) {
            QTest::addRow("code %x count %d", code, count)
                << statusFrame(static_cast<quint8>(code), static_cast<quint16>(count)) << kind
                << (counts ? count : 0) << true;
        }
    }
    const auto row = [](const char *name, const char *hex, K::Kind kind, int count, bool ours) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << kind << count << ours;
    };
    row("13 bytes, count 01 2C", "8E027A10FF000000 43 0000 012C", K::TriggerCount, 300, true);
    row("other device 8E 05", "8E057A10FF000000 43 0000 012C", K::Unknown, 0, false);
    row("byte 7 not zero", "8E027A10FF000001 43 0000 012C", K::Unknown, 0, true);
    row("shorter than the code", "8E027A10FF000000", K::Unknown, 0, true);
    row("ends after byte 11", "8E027A10FF000000 44 0000 07", K::CycleCount, 7, true);
    row("8E 02 7A only", "8E027A", K::Unknown, 0, true);
    row("8E 02 cut", "8E02", K::Unknown, 0, false);
    row("command frame 8E 01 7A", "8E017A0000000000 42 0000 012C", K::Unknown, 0, false);
}

void TestStatusFrame::readFrame()
{
    QFETCH(QByteArray, frame);
    QFETCH(StatusReport::Kind, kind);
    QFETCH(int, count);
    QFETCH(bool, ours);
    QCOMPARE(hasDeviceHeader(frame), ours);
    const StatusReport report = readStatusFrame(frame);
    QCOMPARE(report.kind, kind);
    QCOMPARE(report.count, count);
}

// The simulated controller sends these; CRC from Python's binascii.crc_hqx.
void TestStatusFrame::builtFrame()
{
    QCOMPARE(statusFrame(0x44, 0x1234).toHex(' '),
             QByteArray("8e 02 7a 10 ff 00 00 00 44 00 00 12 34 00 00 00 00 00 00 00 0a 92 b0 8e"));
    QCOMPARE(statusHeader(), QByteArray::fromHex("8E027A10FF"));
}

QTEST_GUILESS_MAIN(TestStatusFrame)
#include "tst_statusframe.moc"
