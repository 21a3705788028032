#include "device/crc.h"
#include "device/frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void frames_data();
    void frames();
    void frameTexts();
};

void TestFrames::crc_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString params
        = QStringLiteral("8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0A 00 00 00 00 00 0A");
    QTest::newRow("check value 123456789") << "31 32 33 34 35 36 37 38 39"
                                           << "31c3";
    QTest::newRow("lower-case digits") << params.toLower() << "968e";
    // An empty part between two blanks counts as 0x00 (crc_hqx gives 5921).
    QTest::newRow("double blank adds 0x00")
        << QString(params).replace(QStringLiteral("02 00 02"), QStringLiteral("02  00 02"))
        << "5921";
    // Far more parts than any fixed buffer: must neither overrun nor stop early.
    const QByteArray bytes(5000, '\x5A');
    QTest::newRow("5000 parts") << QString::fromLatin1(bytes.toHex(' '))
                                << crcText(bytes.constData(), bytes.size());
}

void TestFrames::crc()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(crcOfHexText(text), expected);
}

// The fixed frames as sent must equal the frames built with the checked CRC.
void TestFrames::frames_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("manual mode") << frameFromText(FrameText::manualMode) << commandFrame(0x42, 1);
    QTest::newRow("auto mode") << frameFromText(FrameText::autoMode) << commandFrame(0x42, 2);
    QTest::newRow("trigger sync") << frameFromText(FrameText::triggerSync) << commandFrame(0x42, 3);
    QTest::newRow("trigger async")
        << frameFromText(FrameText::triggerAsync) << commandFrame(0x42, 4);
    QTest::newRow("manual start") << frameFromText(FrameText::manualStart) << commandFrame(0x43, 1);
    QTest::newRow("manual stop") << frameFromText(FrameText::manualStop) << commandFrame(0x43, 0);
    QTest::newRow("auto start") << frameFromText(FrameText::autoStart) << commandFrame(0x44, 1);
    QTest::newRow("auto off") << frameFromText(FrameText::autoOff) << commandFrame(0x44, 0);
    QTest::newRow("auto stop") << frameFromText(FrameText::autoStop) << commandFrame(0x44, 2);
    QTest::newRow("parameters 2/2/10") << parameterFrame(2, 2, 10)
                                       << QByteArray::fromHex("8E017A0000000000 41 0002 0002 000A"
                                                              "0000000000 0A 968E 8E");
    QTest::newRow("parameters 1/3/10, CRC below 0x1000")
        << parameterFrame(1, 3, 10)
        << QByteArray::fromHex("8E017A0000000000 41 0001 0003 000A 0000000000 0A 0557 8E");
    QTest::newRow("parameters 1000/1000/1000")
        << parameterFrame(1000, 1000, 1000)
        << QByteArray::fromHex("8E017A0000000000 41 03E8 03E8 03E8 0000000000 0A 5F9C 8E");
}

void TestFrames::frames()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);
    QCOMPARE(sent.size(), commandFrameSize);
    QCOMPARE(sent.toHex(' '), expected.toHex(' '));
}

void TestFrames::frameTexts()
{
    QCOMPARE(frameFromText(FrameText::ack), QByteArray("OK!"));
    // The debug line shows the argument digits in lower case.
    QCOMPARE(parameterFrameText(1000, 2, 10),
             QStringLiteral("8E 01 7A 00 00 00 00 00 41 03 e8 00 02 00 0a 00 00 00 00 00 0A"));
    QCOMPARE(
        parameterLogText(1000, 1000, 1000),
        QStringLiteral("8E 01 7A 00 00 00 00 00 41 03 e8 03 e8 03 e8 00 00 00 00 00 0A5f9c8E"));
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
