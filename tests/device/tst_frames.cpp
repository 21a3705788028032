#include "device/crc.h"
#include "device/frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void crcOfBytes_data();
    void crcOfBytes();
    void fixedFrameCrc_data();
    void fixedFrameCrc();
    void commandFrameMatchesFixedText();
    void parameterFrameBytes_data();
    void parameterFrameBytes();
    void parameterLogTextIsLowerCase();
    void hexTextCrc_data();
    void hexTextCrc();
    void crcOfLongTextCoversEveryPart();
};

void TestFrames::crcOfBytes_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("check value 123456789") << QByteArray("123456789") << 9 << "31c3";
    QTest::newRow("length 0") << QByteArray("123456789") << 0 << "0000";
    QTest::newRow("negative length") << QByteArray("123456789") << -3 << "0000";
    QTest::newRow("prefix only") << QByteArray("123456789") << 1 << "2672";
}

void TestFrames::crcOfBytes()
{
    QFETCH(QByteArray, data);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QCOMPARE(crcText(data.constData(), length), expected);
}

// Expected CRCs from Python's binascii.crc_hqx(frame[:21], 0).
void TestFrames::fixedFrameCrc_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("expected");
    const char *const texts[]
        = { FrameText::manualMode,   FrameText::autoMode,    FrameText::triggerSync,
            FrameText::triggerAsync, FrameText::manualStart, FrameText::manualStop,
            FrameText::autoStart,    FrameText::autoOff,     FrameText::autoStop };
    const char *const crcs[]
        = { "cfc4", "ca5b", "c92e", "c165", "8aa7", "89d2", "40af", "43da", "4530" };
    for (int i = 0; i < 9; ++i)
        QTest::newRow(texts[i]) << QByteArray::fromHex(texts[i]) << QString::fromLatin1(crcs[i]);
}

void TestFrames::fixedFrameCrc()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, expected);
    QCOMPARE(frame.size(), commandFrameSize);
    QCOMPARE(crcText(frame.constData(), 21), expected);
    QCOMPARE(frame.mid(21, 2).toHex(), expected.toLatin1());
    QCOMPARE(frame.at(23), '\x8E');
}

void TestFrames::commandFrameMatchesFixedText()
{
    QCOMPARE(commandFrame(0x42, 0x01), frameFromText(FrameText::manualMode));
    QCOMPARE(commandFrame(0x42, 0x04), frameFromText(FrameText::triggerAsync));
    QCOMPARE(commandFrame(0x43, 0x00), frameFromText(FrameText::manualStop));
    QCOMPARE(commandFrame(0x44, 0x02), frameFromText(FrameText::autoStop));
    QCOMPARE(frameFromText(FrameText::ack), QByteArray("OK!"));
}

void TestFrames::parameterFrameBytes_data()
{
    QTest::addColumn<int>("openTime");
    QTest::addColumn<int>("closeTime");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray start = QByteArray::fromHex("8E017A0000000000");
    QTest::newRow("defaults 2/2/10")
        << 2 << 2 << 10
        << QByteArray::fromHex(
               "8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0A 00 00 00 00 00 0A 96 8E 8E");
    QTest::newRow("CRC below 0x1000: 1/3/10")
        << 1 << 3 << 10
        << QByteArray::fromHex(
               "8E 01 7A 00 00 00 00 00 41 00 01 00 03 00 0A 00 00 00 00 00 0A 05 57 8E");
    QTest::newRow("maximum 1000/1000/1000")
        << 1000 << 1000 << 1000
        << start + QByteArray::fromHex("41 03 E8 03 E8 03 E8 00 00 00 00 00 0A 5F 9C 8E");
}

void TestFrames::parameterFrameBytes()
{
    QFETCH(int, openTime);
    QFETCH(int, closeTime);
    QFETCH(int, cycles);
    QFETCH(QByteArray, expected);
    QCOMPARE(parameterFrame(openTime, closeTime, cycles).toHex(' '), expected.toHex(' '));
}

void TestFrames::parameterLogTextIsLowerCase()
{
    QCOMPARE(parameterFrameText(1000, 2, 10),
             QStringLiteral("8E 01 7A 00 00 00 00 00 41 03 e8 00 02 00 0a 00 00 00 00 00 0A"));
    QCOMPARE(
        parameterLogText(1000, 1000, 1000),
        QStringLiteral("8E 01 7A 00 00 00 00 00 41 03 e8 03 e8 03 e8 00 00 00 00 00 0A5f9c8E"));
}

void TestFrames::hexTextCrc_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString upper
        = QStringLiteral("8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0A 00 00 00 00 00 0A");
    QTest::newRow("upper-case digits") << upper << "968e";
    QTest::newRow("lower-case digits") << upper.toLower() << "968e";
    // Two blanks leave an empty part, counted as an extra 0x00 (crc_hqx gives 5921).
    QString doubled = upper;
    doubled.replace(QStringLiteral("41 00 02 "), QStringLiteral("41 00 02  "));
    QTest::newRow("double blank adds 0x00") << doubled << "5921";
    QTest::newRow("check value as text") << "31 32 33 34 35 36 37 38 39"
                                         << "31c3";
}

void TestFrames::hexTextCrc()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(crcOfHexText(text), expected);
}

void TestFrames::crcOfLongTextCoversEveryPart()
{
    // Far beyond 1028 parts: must neither overrun nor stop early.
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes.append(static_cast<char>(i * 7));
    const QString text = QString::fromLatin1(bytes.toHex(' '));
    QCOMPARE(crcOfHexText(text), crcText(bytes.constData(), bytes.size()));
    QVERIFY(crcOfHexText(text) != crcText(bytes.constData(), 1028));
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
