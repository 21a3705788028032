// The wire format by plain calls: frames, CRC, status frames, reassembly.
#include "protocol/commandframes.h"
#include "protocol/crc.h"
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <QRandomGenerator>
#include <QtTest>

using Frames = QList<QByteArray>;

namespace {

QByteArray hex(const QByteArray &text)
{
    return QByteArray::fromHex(text);
}

// What the reader hands out of a status frame: its first 13 bytes.
QByteArray head(const QByteArray &frame)
{
    return frame.left(13);
}

// Whole, then cut into two reads at every point, then in random reads: the
// same frames every time. The line goes quiet after the stream.
void checkReads(const QByteArray &stream, const Frames &expected)
{
    ReplyReader whole;
    Frames all = whole.feed(stream);
    QCOMPARE(all + whole.flushQuiet(), expected);
    ReplyReader reader;
    for (int p = 1; p < stream.size(); ++p) {
        reader.clear();
        Frames frames = reader.feed(stream.left(p)); // in this order: no a + b
        frames += reader.feed(stream.mid(p));
        frames += reader.flushQuiet();
        QCOMPARE(frames, expected);
    }
    QRandomGenerator random(7);
    for (int round = 0; round < 30; ++round) {
        ReplyReader reader;
        Frames frames;
        for (int pos = 0; pos < stream.size();) {
            const int length = 1 + random.bounded(round % 2 ? 40 : 3);
            frames += reader.feed(stream.mid(pos, length));
            // Bounded, whatever the garbage; the search for the first header
            // looks two frames and a header ahead.
            QVERIFY(reader.buffered() <= (reader.isSynchronising() ? 52 : 40));
            pos += length;
        }
        QCOMPARE(frames + reader.flushQuiet(), expected);
    }
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue();
    void commandFrames_data();
    void commandFrames();
    void parameterLogText();
    void statusFrames_data();
    void statusFrames();
    void stream_data();
    void stream();
    void openedMidStream_data();
    void openedMidStream();
};

void TestProtocol::crcCheckValue()
{
    QCOMPARE(crc16("123456789", 9), quint16(0x31C3));
    QCOMPARE(crc16("", 0), quint16(0));
    QCOMPARE(acknowledgement(), hex("4F4B21"));
}

void TestProtocol::commandFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    // Bytes 8-14, then the CRC: the rest of a command frame is fixed.
    const auto row
        = [](const char *varying, const char *crc, const QByteArray &frame) {
              QTest::newRow(varying)
                  << frame
                  << hex(QByteArray("8E017A0000000000") + varying + "00000000000A" + crc + "8E");
          };
    row("42010000000000", "CFC4", modeFrame(ModeArgument::Manual));
    row("42020000000000", "CA5B", modeFrame(ModeArgument::Automatic));
    row("42030000000000", "C92E", modeFrame(ModeArgument::TriggerSync));
    row("42040000000000", "C165", modeFrame(ModeArgument::TriggerAsync));
    row("43010000000000", "8AA7", manualFrame(ManualArgument::Start));
    row("43000000000000", "89D2", manualFrame(ManualArgument::Stop));
    row("44010000000000", "40AF", automaticFrame(AutomaticArgument::Start));
    row("44000000000000", "43DA", automaticFrame(AutomaticArgument::Off));
    row("44020000000000", "4530", automaticFrame(AutomaticArgument::Stop));
    row("4100020002000A", "968E", parameterFrame(2, 2, 10));
    row("4103E803E803E8", "5F9C", parameterFrame(1000, 1000, 1000));
    row("4100010003000A", "0557", parameterFrame(1, 3, 10));
    row("41FFFF00000001", "3F8C", parameterFrame(70000, -5, 1));
}

void TestProtocol::commandFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
    // The simulator's check accepts exactly the undamaged frames.
    QVERIFY(isCommandFrame(frame));
    for (int i = 0; i < frame.size(); ++i) {
        QByteArray damaged = frame;
        damaged[i] = char(damaged[i] ^ 0x10);
        QVERIFY(!isCommandFrame(damaged));
    }
    QVERIFY(!isCommandFrame(frame.left(23)));
}

void TestProtocol::parameterLogText()
{
    QCOMPARE(
        ::parameterLogText(parameterFrame(2, 2, 10)),
        QStringLiteral("8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a 00 00 00 00 00 0A968e8E"));
    QCOMPARE(
        ::parameterLogText(parameterFrame(1000, 1000, 1000)),
        QStringLiteral("8E 01 7A 00 00 00 00 00 41 03 e8 03 e8 03 e8 00 00 00 00 00 0A5f9c8E"));
}

void TestProtocol::statusFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    const int ack = StatusReport::Acknowledge;
    const int trigger = StatusReport::TriggerCount;
    const int unknown = StatusReport::Unknown;
    const QByteArray head43 = hex("8E027A10FF00000043 0000 012C");
    QTest::newRow("43 count 012C") << head43 << trigger << 300;
    QTest::newRow("45 count FFFF") << statusFrame(StatusCode(0x45), 65535) << trigger << 65535;
    QTest::newRow("44 count 0") << statusFrame(StatusCode(0x44), 0) << int(StatusReport::CycleCount)
                                << 0;
    for (const char *code : { "41", "42", "46" })
        QTest::addRow("%s acknowledged", code)
            << hex(QByteArray("8E027A10FF000000") + code) << ack << 0;
    QTest::newRow("47 unknown") << statusFrame(StatusCode(0x47), 9) << unknown << 0;
    QTest::newRow("cut after byte 11") << head43.left(12) << trigger << 1;
    QTest::newRow("cut after the code") << head43.left(9) << trigger << 0;
    QTest::newRow("byte 7 not zero") << hex("8E027A10FF00000143 0000 012C") << unknown << 0;
    QTest::newRow("8 bytes") << head43.left(8) << unknown << 0;
}

void TestProtocol::statusFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, kind);
    QFETCH(int, count);
    const StatusReport report = readStatusFrame(frame);
    QCOMPARE(int(report.kind), kind);
    QCOMPARE(report.count, count);
    QVERIFY(hasDeviceHeader(frame));
    QVERIFY(!hasDeviceHeader(hex("8E057A10FF")) && !hasDeviceHeader(hex("8E02")));
}

void TestProtocol::stream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<Frames>("expected");
    const QByteArray ack = acknowledgement();
    const QByteArray a = statusFrame(StatusCode::TriggerCount, 300);
    const QByteArray b = statusFrame(StatusCode::Idle, 0);
    const QByteArray foreign = hex("8E 05 7A 10 FF 00 00 00 43");
    QTest::newRow("ack then status") << ack + a << Frames{ head(a) };
    QTest::newRow("status then ack") << a + ack << Frames{ head(a) };
    QTest::newRow("unfinished ack then status") << ack.left(2) + a << Frames{ head(a) };
    QTest::newRow("garbage between") << "xyz" + a + hex("01027A") + b << Frames{ head(a), head(b) };
    QTest::newRow("ack inside a frame belongs to it")
        << a.left(15) + ack + a.mid(18) + b << Frames{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (15 bytes)")
        << a.left(15) + b << Frames{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (9 bytes)")
        << a.left(9) + b << Frames{ a.left(9) + b.left(4), head(b) };
    QTest::newRow("foreign frame before the first header is dropped")
        << foreign + b << Frames{ head(b) };
    QTest::newRow("ack, status, foreign, status")
        << ack + a + foreign + b << Frames{ head(a), hex("8E05"), head(b) };
    QTest::newRow("8E 8E 02 7A 10 FF")
        << b + hex("8E") + a << Frames{ head(b), hex("8E8E"), head(a) };
    QTest::newRow("frame cut before 13 bytes waits") << a.left(12) << Frames{};

    // Without bytes that could start a message (8E, 4F), exactly the frames sent.
    QRandomGenerator random(42);
    QByteArray stream;
    Frames sent;
    for (int i = 0; i < 100; ++i) {
        const int kind = random.bounded(3);
        if (kind == 0) {
            const QByteArray frame
                = statusFrame(StatusCode(0x41 + random.bounded(6)), quint16(random.bounded(65536)));
            stream += frame;
            sent += head(frame);
        } else if (kind == 1) {
            stream += ack;
        }
        for (int n = kind == 2 ? 1 + random.bounded(30) : 0; n > 0; --n) {
            const char c = char(random.bounded(256));
            stream += c == '\x8E' || c == '\x4F' ? '\0' : c;
        }
    }
    QTest::newRow("random mix") << stream << sent;
}

void TestProtocol::stream()
{
    QFETCH(QByteArray, stream);
    QFETCH(Frames, expected);
    checkReads(stream, expected);
}

// The port opens at any point of the line: a tail of a frame, or another
// device. The line may also go quiet right after the first bytes.
void TestProtocol::openedMidStream_data()
{
    QTest::addColumn<QByteArray>("first"); // then a quiet gap
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<Frames>("expected");
    // 0x8E in bytes 11 and 21, 11 and 22, 9 and 10, 12, 15; one ends 0A C5 21 8E.
    const Frames frames = {
        hex("8E027A10FF00000043 00008E08 00000000000000 0A8E768E"),
        hex("8E027A10FF00000043 00008E79 00000000000000 0ACE8E8E"),
        hex("8E027A10FF00000044 8E8E0005 00000000000000 0AA76A8E"),
        hex("8E027A10FF00000043 0000AFEE 00000000000000 0AC5218E"),
        hex("8E027A10FF00000045 0000018E 00000000000000 0A56A28E"),
        hex("8E027A10FF00000046 00000000 00008E00000000 0A6E048E"),
    };
    for (int i = 0; i < frames.size(); ++i) {
        const QByteArray &frame = frames[i];
        const QByteArray &next = frames[(i + 1) % frames.size()];
        for (int cut = 1; cut < frame.size(); ++cut)
            QTest::addRow("frame %d from byte %d", i, cut)
                << frame.mid(cut) << frame + next << Frames{ head(frame), head(next) };
    }
    QTest::newRow("a header begun, then a quiet gap")
        << frames[0].left(3) << frames[0].mid(3) + frames[1]
        << Frames{ head(frames[0]), head(frames[1]) };
    QTest::newRow("a tail and a header begun, then a quiet gap")
        << frames[3].mid(19) + frames[0].left(4) << frames[0].mid(4) << Frames{ head(frames[0]) };
    QTest::newRow("48 garbage 0x8E, then a header that ends the window")
        << QByteArray() << QByteArray(48, '\x8E') + frames[0] << Frames{ head(frames[0]) };
    const QByteArray wrong = hex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
    QTest::newRow("another device sending 8E 05 7A frames")
        << QByteArray() << wrong + wrong + wrong
        << Frames{ hex("8E05"), hex("8E8E"), hex("8E05"), hex("8E8E"), hex("8E05") };
    QTest::newRow("another device's 13-byte reply, then silence")
        << wrong.left(13) << QByteArray() << Frames{ hex("8E05") };
    QTest::newRow("another device's 3-byte reply, then silence")
        << wrong.left(3) << QByteArray() << Frames{ hex("8E05") };
    QTest::newRow("another device's 14 bytes ending 8E, then silence")
        << wrong.left(13) + '\x8E' << QByteArray() << Frames{ hex("8E05") };
}

void TestProtocol::openedMidStream()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, rest);
    QFETCH(Frames, expected);
    checkReads(first + rest, expected);
    ReplyReader reader;
    Frames frames = reader.feed(first);
    frames += reader.flushQuiet();
    frames += reader.feed(rest);
    QCOMPARE(frames, expected);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
