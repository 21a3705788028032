#include "device/crc.h"
#include "device/statusframe.h"

#include <QtTest>

Q_DECLARE_METATYPE(StatusReport::Kind)

class TestStatusFrame : public QObject
{
    Q_OBJECT

private slots:
    void readFrame_data();
    void readFrame();
    void deviceHeader_data();
    void deviceHeader();
    void builtFrameLayout();
};

void TestStatusFrame::readFrame_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<StatusReport::Kind>("kind");
    QTest::addColumn<int>("count");

    const struct
    {
        StatusReport::Kind kind;
        quint8 code;
        bool counts;
    } codes[]
        = { { StatusReport::Unknown, 0x40, false },     { StatusReport::Acknowledge, 0x41, false },
            { StatusReport::Acknowledge, 0x42, false }, { StatusReport::TriggerCount, 0x43, true },
            { StatusReport::CycleCount, 0x44, true },   { StatusReport::TriggerCount, 0x45, true },
            { StatusReport::Acknowledge, 0x46, false }, { StatusReport::Unknown, 0x47, false } };
    for (const auto &c : codes) {
        for (const int count : { 0, 300, 65535 }) {
            const QByteArray name
                = "code " + QByteArray::number(c.code, 16) + " count " + QByteArray::number(count);
            QTest::newRow(name.constData()) << statusFrame(c.code, static_cast<quint16>(count))
                                            << c.kind << (c.counts ? count : 0);
        }
    }
    // Only the 13 bytes the reader hands out.
    QTest::newRow("13 bytes, count 01 2C")
        << QByteArray::fromHex("8E 02 7A 10 FF 00 00 00 43 00 00 01 2C")
        << StatusReport::TriggerCount << 300;
    QTest::newRow("other device 8E 05")
        << QByteArray::fromHex("8E 05 7A 10 FF 00 00 00 43 00 00 01 2C") << StatusReport::Unknown
        << 0;
    QTest::newRow("byte 7 not zero")
        << QByteArray::fromHex("8E 02 7A 10 FF 00 00 01 43 00 00 01 2C") << StatusReport::Unknown
        << 0;
    QTest::newRow("shorter than the code")
        << QByteArray::fromHex("8E 02 7A 10 FF 00 00 00") << StatusReport::Unknown << 0;
    QTest::newRow("ends after byte 11")
        << QByteArray::fromHex("8E 02 7A 10 FF 00 00 00 44 00 00 07") << StatusReport::CycleCount
        << 7;
}

void TestStatusFrame::readFrame()
{
    QFETCH(QByteArray, frame);
    QFETCH(StatusReport::Kind, kind);
    QFETCH(int, count);
    const StatusReport report = readStatusFrame(frame);
    QCOMPARE(report.kind, kind);
    QCOMPARE(report.count, count);
}

void TestStatusFrame::deviceHeader_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("expected");
    QTest::newRow("status frame") << statusFrame(0x46, 0) << true;
    QTest::newRow("8E 02 7A only") << QByteArray::fromHex("8E027A") << true;
    QTest::newRow("8E 05") << QByteArray::fromHex("8E05") << false;
    QTest::newRow("8E 02 cut") << QByteArray::fromHex("8E02") << false;
    QTest::newRow("command frame 8E 01 7A") << QByteArray::fromHex("8E017A") << false;
}

void TestStatusFrame::deviceHeader()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, expected);
    QCOMPARE(hasDeviceHeader(frame), expected);
}

void TestStatusFrame::builtFrameLayout()
{
    const QByteArray frame = statusFrame(0x44, 0x1234);
    QCOMPARE(frame.size(), 24);
    QCOMPARE(frame.left(5), statusHeader());
    QCOMPARE(statusHeader().toHex(), QByteArray("8e027a10ff"));
    QCOMPARE(frame.mid(5, 8).toHex(), QByteArray("0000004400001234"));
    QCOMPARE(frame.mid(13, 8).toHex(), QByteArray("000000000000000a"));
    QCOMPARE(frame.mid(21, 2).toHex(), crcText(frame.constData(), 21).toLatin1());
    QCOMPARE(frame.at(23), '\x8E');
}

QTEST_GUILESS_MAIN(TestStatusFrame)
#include "tst_statusframe.moc"
