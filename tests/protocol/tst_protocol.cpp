// The wire format by plain calls: frames, CRC, status frames, reassembly.
#include "protocol/commandframes.h"
#include "protocol/crc.h"
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <QRandomGenerator>
#include <QtTest>

using Frames = QList<QByteArray>;

namespace {

const auto fromHex = [](const QByteArray &text) { return QByteArray::fromHex(text); };

// Whole, cut in two at every point, in random reads: the same frames, then a quiet line.
void checkReads(const QByteArray &stream, const Frames &expected)
{
    ReplyReader reader;
    for (int p = 0; p < stream.size(); ++p) {
        reader.clear();
        Frames frames = reader.feed(stream.left(p)); // p = 0: one read
        frames += reader.feed(stream.mid(p));
        QCOMPARE(frames + reader.flushQuiet(), expected);
    }
    QRandomGenerator random(7);
    for (int round = 0; round < 30; ++round) {
        ReplyReader fresh;
        Frames frames;
        for (int pos = 0, length = 0; pos < stream.size(); pos += length) {
            length = 1 + random.bounded(round % 2 ? 40 : 3);
            frames += fresh.feed(stream.mid(pos, length));
            // Before the first header it looks two frames and a header past the first 0x8E.
            QVERIFY(fresh.buffered() <= (fresh.isSynchronising() ? 52 : 27));
        }
        QCOMPARE(frames + fresh.flushQuiet(), expected);
    }
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void fixedBytes()
    {
        QCOMPARE(crc16("123456789", 9), quint16(0x31C3));
        QCOMPARE(crc16("", 0), quint16(0));
        QCOMPARE(acknowledgement(), fromHex("4F4B21"));
        QCOMPARE(statusFrame(StatusCode::TriggerCount, 300),
                 fromHex("8E027A10FF00000043 0000012C 00000000000000 0A07E08E"));
        // The log shows argument bytes and CRC in lower case, the CRC and end byte without blanks.
        const QString log = QStringLiteral("8E 01 7A 00 00 00 00 00 41 %1 00 00 00 00 00 0A%2");
        QCOMPARE(parameterLogText(parameterFrame(1000, 1000, 1000)),
                 log.arg("03 e8 03 e8 03 e8", "5f9c8E"));
        QCOMPARE(parameterLogText(parameterFrame(1, 3, 10)),
                 log.arg("00 01 00 03 00 0a", "05578E"));
    }

    void commandFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("expected");
        // Bytes 8-14, then the CRC: the rest of a command frame is fixed.
        const auto row = [](const char *varying, const char *crc, const QByteArray &frame) {
            QTest::newRow(varying)
                << frame
                << fromHex(QByteArray("8E017A0000000000") + varying + "00000000000A" + crc + "8E");
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
        row("4103E803E803E8", "5F9C", parameterFrame(1000, 1000, 1000));
        row("4100010003000A", "0557", parameterFrame(1, 3, 10));
        row("41FFFF00000001", "3F8C", parameterFrame(70000, -5, 1));
    }

    void commandFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
        // The simulator's check accepts exactly the undamaged frames.
        QVERIFY(isCommandFrame(frame));
        for (int i = 0; i < frame.size(); ++i) // any one byte damaged
            QVERIFY(!isCommandFrame(frame.left(i) + char(frame.at(i) ^ 0x10) + frame.mid(i + 1)));
        QVERIFY(!isCommandFrame(frame.left(23)) && !isCommandFrame(frame + '\x8E'));
    }

    void statusFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("count");
        const int trigger = StatusReport::TriggerCount;
        const int unknown = StatusReport::Unknown;
        const QByteArray head43 = fromHex("8E027A10FF00000043 0000 012C");
        QTest::newRow("43 count 012C") << head43 << trigger << 300;
        QTest::newRow("45 count FF01")
            << fromHex("8E027A10FF00000045 0000FF01") << trigger << 65281;
        QTest::newRow("44 count 0")
            << fromHex("8E027A10FF00000044 0000 0000") << int(StatusReport::CycleCount) << 0;
        for (const char *code : { "41", "42", "46" })
            QTest::addRow("%s acknowledged", code)
                << fromHex(QByteArray("8E027A10FF000000") + code + "0000 0102")
                << int(StatusReport::Acknowledge) << 0;
        QTest::newRow("47 unknown") << fromHex("8E027A10FF00000047 0000 0009") << unknown << 0;
        QTest::newRow("cut after byte 11") << head43.left(12) << trigger << 1;
        QTest::newRow("cut after the code") << head43.left(9) << trigger << 0;
        QTest::newRow("byte 7 not zero") << fromHex("8E027A10FF00000143 0000 012C") << unknown << 0;
        QTest::newRow("8 bytes") << head43.left(8) << unknown << 0;
    }

    void statusFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, kind);
        QFETCH(int, count);
        const StatusReport report = readStatusFrame(frame);
        QCOMPARE(int(report.kind), kind);
        QCOMPARE(report.count, count);
        QVERIFY(hasDeviceHeader(frame) && hasDeviceHeader(fromHex("8E027A11")));
        QVERIFY(!hasDeviceHeader(fromHex("8E057A10FF")) && !hasDeviceHeader(fromHex("8E02")));
    }

    // The port opens anywhere on the line (a frame's tail, another device), maybe then a gap.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<Frames>("frames");
        const QByteArray ack = acknowledgement();
        const QByteArray a = fromHex("8E027A10FF00000043 0000012C 00000000000000 0A07E08E");
        const QByteArray b = fromHex("8E027A10FF00000046 00000000 00000000000000 0A3A878E");
        const QByteArray wrong = fromHex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
        const QByteArray garbage(60, 'x');
        QTest::newRow("acks and garbage between frames")
            << QByteArray() << ack + garbage + a + ack + b + ack.left(2) + a + garbage + b + ack
            << Frames{ a, b, a, b };
        QTest::newRow("ack inside a frame belongs to it")
            << QByteArray() << a.left(15) + ack + a.mid(18) + b << Frames{ a, b };
        QTest::newRow("short frames cut by the next header")
            << QByteArray() << a.left(15) + b.left(9) + a << Frames{ a, b.left(9) + a, a };
        QTest::newRow("foreign frames, the first before any header")
            << QByteArray() << wrong.left(9) + a + wrong.left(9) + b + fromHex("8E") + a
            << Frames{ a, fromHex("8E05"), b, fromHex("8E8E"), a };

        // 0x8E in bytes 11 and 21, 11 and 22, 9 and 10, 12, 15; one ends 0A C5 21 8E.
        const Frames frames = {
            fromHex("8E027A10FF00000043 00008E08 00000000000000 0A8E768E"),
            fromHex("8E027A10FF00000043 00008E79 00000000000000 0ACE8E8E"),
            fromHex("8E027A10FF00000044 8E8E0005 00000000000000 0AA76A8E"),
            fromHex("8E027A10FF00000043 0000AFEE 00000000000000 0AC5218E"),
            fromHex("8E027A10FF00000045 0000018E 00000000000000 0A56A28E"),
            fromHex("8E027A10FF00000046 00000000 00008E00000000 0A6E048E"),
        };
        for (int i = 0; i < frames.size(); ++i) {
            const QByteArray &next = frames[(i + 1) % frames.size()];
            for (int cut = 1; cut < 24; ++cut)
                QTest::addRow("frame %d from byte %d", i, cut)
                    << frames[i].mid(cut) << frames[i] + next << Frames{ frames[i], next };
        }
        QTest::newRow("a header begun, then a quiet gap")
            << frames[0].left(3) << frames[0].mid(3) + frames[1] << Frames{ frames[0], frames[1] };
        QTest::newRow("a header begun, then a quiet gap and a whole frame")
            << frames[0].left(2) << frames[1] << Frames{ frames[1] };
        QTest::newRow("a tail and a header begun, then a quiet gap")
            << frames[3].mid(19) + frames[0].left(4) << frames[0].mid(4) << Frames{ frames[0] };
        QTest::newRow("48 garbage 0x8E, then a header that ends the window")
            << QByteArray() << "xyz" + QByteArray(48, '\x8E') + frames[0] << Frames{ frames[0] };
        QTest::newRow("another device sending 8E 05 7A frames")
            << QByteArray() << wrong + wrong + wrong
            << Frames{ fromHex("8E05"), fromHex("8E8E"), fromHex("8E05"), fromHex("8E8E"),
                       fromHex("8E05") };
        for (const QByteArray &reply : { wrong.left(3), wrong.left(13), wrong.left(13) + '\x8E',
                                         wrong.left(12) + fromHex("0A00008E") })
            QTest::addRow("another device's %d-byte reply, then silence", reply.size())
                << reply << QByteArray() << Frames{ fromHex("8E05") };
    }

    void reads()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, rest);
        QFETCH(Frames, frames);
        Frames expected; // what the reader hands out of a status frame: its first 13 bytes
        for (const QByteArray &frame : frames)
            expected += frame.left(13);
        checkReads(first + rest, expected);
        ReplyReader reader;
        Frames got = reader.feed(first);
        got += reader.flushQuiet();
        QCOMPARE(got + reader.feed(rest), expected);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
