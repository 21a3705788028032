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
const QByteArray count300 = fromHex("8E027A10FF00000043 0000012C 00000000000000 0A07E08E");

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
        QCOMPARE(statusFrame(StatusCode::TriggerCount, 300), count300);
        // The log shows argument bytes and CRC in lower case, the CRC and end byte without blanks.
        const QString log = QStringLiteral("8E 01 7A 00 00 00 00 00 41 %1 00 00 00 00 00 0A%2");
        QCOMPARE(parameterLogText(parameterFrame(1000, 1000, 1000)),
                 log.arg("03 e8 03 e8 03 e8", "5f9c8E"));
        QCOMPARE(parameterLogText(parameterFrame(1, 3, 10)),
                 log.arg("00 01 00 03 00 0a", "05578E"));
    }

    // Bytes 8-14, then the CRC: the rest of a command frame is fixed.
    void commandFrames()
    {
        Frames got, expected;
        for (const QByteArray &frame :
             { modeFrame(ModeArgument::Manual), modeFrame(ModeArgument::Automatic),
               modeFrame(ModeArgument::TriggerSync), modeFrame(ModeArgument::TriggerAsync),
               manualFrame(ManualArgument::Start), manualFrame(ManualArgument::Stop),
               automaticFrame(AutomaticArgument::Start), automaticFrame(AutomaticArgument::Off),
               automaticFrame(AutomaticArgument::Stop), parameterFrame(1000, 1000, 1000),
               parameterFrame(1, 3, 10), parameterFrame(70000, -5, 1) }) {
            got << frame.toHex().toUpper();
            // The simulator's check accepts exactly the undamaged frames.
            QVERIFY(isCommandFrame(frame));
            for (int i = 0; i < frame.size(); ++i) // any one byte damaged
                QVERIFY(
                    !isCommandFrame(frame.left(i) + char(frame.at(i) ^ 0x10) + frame.mid(i + 1)));
            QVERIFY(!isCommandFrame(frame.left(23)) && !isCommandFrame(frame + '\x8E'));
        }
        for (QByteArray varying :
             { "42010000000000 CFC4", "42020000000000 CA5B", "42030000000000 C92E",
               "42040000000000 C165", "43010000000000 8AA7", "43000000000000 89D2",
               "44010000000000 40AF", "44000000000000 43DA", "44020000000000 4530",
               "4103E803E803E8 5F9C", "4100010003000A 0557", "41FFFF00000001 3F8C" })
            expected << "8E017A0000000000" + varying.replace(' ', "00000000000A") + "8E";
        QCOMPARE(got, expected);
    }

    void statusFrames()
    {
        const int trigger = StatusReport::TriggerCount, cycle = StatusReport::CycleCount;
        const int ack = StatusReport::Acknowledge, unknown = StatusReport::Unknown;
        const auto frame
            = [](QByteArray rest) { return fromHex(rest.prepend("8E027A10FF000000")); };
        const QByteArray head43 = frame("43 0000 012C");
        QList<int> seen; // kind and count of each
        for (const QByteArray &bytes :
             { head43, frame("45 0000FF01"), frame("44 0000 0000"), frame("41 0000 0102"),
               frame("42 0000 0102"), frame("46 0000 0102"), frame("47 0000 0009"), head43.left(12),
               head43.left(9), fromHex("8E027A10FF00000143 0000 012C"),
               head43.left(8) }) { // cut after byte 11, after the code; byte 7 not zero; 8 bytes
            const StatusReport report = readStatusFrame(bytes);
            seen << report.kind << report.count;
            QVERIFY(hasDeviceHeader(bytes));
        }
        QCOMPARE(seen, (QList<int>{ trigger, 300, trigger, 65281, cycle,   0, ack,     0,
                                    ack,     0,   ack,     0,     unknown, 0, trigger, 1,
                                    trigger, 0,   unknown, 0,     unknown, 0 }));
        QVERIFY(hasDeviceHeader(fromHex("8E027A11")) && !hasDeviceHeader(fromHex("8E02")));
        QVERIFY(!hasDeviceHeader(fromHex("8E057A10FF")));
    }

    // The port opens anywhere on the line (a frame's tail, another device), maybe then a gap.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<Frames>("frames");
        const QByteArray ack = acknowledgement();
        const QByteArray &a = count300;
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
