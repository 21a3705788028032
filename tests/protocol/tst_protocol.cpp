// The wire format by plain calls. Expected CRCs are Python's binascii.crc_hqx(bytes, 0).
#include "protocol/commandframes.h"
#include "protocol/crc.h"
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <QRandomGenerator>
#include <QtTest>

using Frames = QList<QByteArray>;
Q_DECLARE_METATYPE(StatusReport::Kind)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray count300 = hex("8E027A10FF00000043 0000012C 00000000000000 0A07E08E");
const QByteArray idle = hex("8E027A10FF00000046 00000000 00000000000000 0A3A878E");
const QByteArray otherDevice = hex("8E057A10FF00000043 0000012C 00000000000000 0A11228E");

// What the reader hands out of status frames: their first 13 bytes.
Frames heads(const Frames &frames)
{
    Frames result;
    for (const QByteArray &frame : frames)
        result << frame.left(13);
    return result;
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void crcIsXmodem()
    {
        QCOMPARE(crc16("123456789", 9), quint16(0x31C3));
        QCOMPARE(crc16("", 0), quint16(0));
    }

    // The simulator takes a command, and sends a status frame, only when all of it is right.
    void simulatorFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("accepted");
        const QByteArray manual = hex("8E017A0000000000 43010000000000 0000000000 0A 8AA7 8E");
        QTest::newRow("whole") << manual << true;
        QTest::newRow("one byte short") << manual.left(23) << false;
        QTest::newRow("one byte more") << manual + hex("8E") << false;
        for (int at = 0; at < manual.size(); ++at) {
            QByteArray damaged = manual;
            damaged[at] = char(damaged.at(at) ^ 0x10);
            QTest::addRow("byte %d damaged", at) << damaged << false;
        }
    }
    void simulatorFrames()
    {
        QFETCH(QByteArray, frame);
        QTEST(isCommandFrame(frame), "accepted");
        QCOMPARE(statusFrame(StatusCode::TriggerCount, 300), count300);
    }

    // Cut frames count what they hold; 8E 02 7A passes the first-reply check.
    void statusFrameReading_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<StatusReport::Kind>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("deviceHeader");
        const StatusReport::Kind trigger = StatusReport::TriggerCount;
        QTest::newRow("whole") << count300 << trigger << 300 << true;
        QTest::newRow("cut in the count") << count300.left(12) << trigger << 1 << true;
        QTest::newRow("cut after the code") << count300.left(9) << trigger << 0 << true;
        QTest::newRow("cut before the code")
            << count300.left(8) << StatusReport::Unknown << 0 << true;
        QTest::newRow("byte 7 not zero")
            << hex("8E027A10FF00000143 0000012C") << StatusReport::Unknown << 0 << true;
        QTest::newRow("another device") << otherDevice << StatusReport::Unknown << 0 << false;
        QTest::newRow("8E 02 only") << hex("8E02") << StatusReport::Unknown << 0 << false;
    }
    void statusFrameReading()
    {
        QFETCH(QByteArray, frame);
        QTEST(readStatusFrame(frame).kind, "kind");
        QTEST(readStatusFrame(frame).count, "count");
        QTEST(hasDeviceHeader(frame), "deviceHeader");
    }

    // The port opens anywhere on the line (a frame's tail, another device), maybe then a
    // quiet gap; whole, cut in two at any point or in random reads, the same frames come out.
    void reassembly_data()
    {
        QTest::addColumn<QByteArray>("first"); // what is there when the port opens
        QTest::addColumn<QByteArray>("rest"); // after a quiet gap
        QTest::addColumn<Frames>("frames");
        const QByteArray ack = hex("4F4B21");
        const QByteArray &a = count300;
        const QByteArray &b = idle;
        const QByteArray none;
        const QByteArray garbage(60, 'x');
        QTest::newRow("acks and garbage between frames")
            << none << ack + garbage + a + ack + b + ack.left(2) + a + garbage + b + ack
            << heads({ a, b, a, b });
        QTest::newRow("ack inside a frame belongs to it")
            << none << a.left(15) + ack + a.mid(18) + b << heads({ a, b });
        QTest::newRow("short frames cut by the next header")
            << none << a.left(15) + b.left(9) + a << heads({ a, b.left(9) + a, a });
        QTest::newRow("foreign frames, the first before any header")
            << none << otherDevice.left(9) + a + otherDevice.left(9) + b + hex("8E") + a
            << Frames{ a.left(13), hex("8E05"), b.left(13), hex("8E8E"), a.left(13) };
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
            const QByteArray &next = frames[(i + 1) % frames.size()];
            for (int cut = 1; cut < 24; ++cut)
                QTest::addRow("frame %d from byte %d", i, cut)
                    << frames[i].mid(cut) << frames[i] + next << heads({ frames[i], next });
        }
        QTest::newRow("a header begun, then a quiet gap")
            << frames[0].left(3) << frames[0].mid(3) + frames[1] << heads({ frames[0], frames[1] });
        QTest::newRow("a tail and a header begun, then a quiet gap")
            << frames[3].mid(19) + frames[0].left(4) << frames[0].mid(4) << heads({ frames[0] });
        QTest::newRow("48 garbage 0x8E, then a header that ends the window")
            << none << "xyz" + QByteArray(48, '\x8E') + frames[0] << heads({ frames[0] });
        QTest::newRow("another device sending 8E 05 7A frames")
            << none << otherDevice + otherDevice + otherDevice
            << Frames{ hex("8E05"), hex("8E8E"), hex("8E05"), hex("8E8E"), hex("8E05") };
        QTest::newRow("another device's 13-byte reply, then silence")
            << otherDevice.left(13) << none << Frames{ hex("8E05") };
    }
    void reassembly()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, rest);
        QFETCH(Frames, frames);
        ReplyReader gap;
        Frames got = gap.feed(first);
        got += gap.flushQuiet();
        got += gap.feed(rest);
        QCOMPARE(got, frames);
        const QByteArray stream = first + rest;
        for (int cut = 0; cut <= stream.size(); ++cut) {
            ReplyReader reader;
            Frames read = reader.feed(stream.left(cut));
            read += reader.feed(stream.mid(cut));
            read += reader.flushQuiet();
            QCOMPARE(read, frames);
        }
        QRandomGenerator random(7);
        for (int round = 0; round < 20; ++round) {
            ReplyReader reader;
            Frames read;
            int pos = 0;
            while (pos < stream.size()) {
                const int length = 1 + random.bounded(round % 2 == 1 ? 40 : 3);
                read += reader.feed(stream.mid(pos, length));
                pos += length;
                // Before the first header it looks two frames and a header past the first 0x8E.
                QVERIFY(reader.buffered() <= (reader.isSynchronising() ? 52 : 27));
            }
            read += reader.flushQuiet();
            QCOMPARE(read, frames);
        }
    }

    // A cleared reader is a new one: the port may open again in the middle of a frame.
    void clearForgetsWhatWasRead()
    {
        const QByteArray tail = hex("7900000000000000000ACE8E8E"); // a frame's tail with 0x8E
        ReplyReader reader;
        QCOMPARE(reader.feed(count300 + count300.left(10)), heads({ count300 }));
        reader.clear();
        QCOMPARE(reader.feed(tail + idle), heads({ idle }));
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
