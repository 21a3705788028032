// Expected CRCs are Python's binascii.crc_hqx(bytes, 0).
#include "protocol/commandframes.h"
#include "protocol/crc.h"
#include "protocol/replyreader.h"
#include "protocol/statusframe.h"

#include <QtTest>

using Frames = QList<QByteArray>;
using namespace QTest;

const auto bytes = [](const char *text) { return QByteArray::fromHex(text); };
const QByteArray count = bytes("8E027A10FF00000043 0000012C 00000000000000 0A07E08E");
const QByteArray idle = bytes("8E027A10FF00000046 00000000 00000000000000 0A3A878E");
const QByteArray other = bytes("8E057A10FF00000043 0000012C 00000000000000 0A11228E");
// 0x8E in bytes 11+21, 11+22, 9+10, 12, 15; the fourth ends 0A C5 21 8E.
const Frames marked = {
    bytes("8E027A10FF00000043 00008E08 00000000000000 0A8E768E"),
    bytes("8E027A10FF00000043 00008E79 00000000000000 0ACE8E8E"),
    bytes("8E027A10FF00000044 8E8E0005 00000000000000 0AA76A8E"),
    bytes("8E027A10FF00000043 0000AFEE 00000000000000 0AC5218E"),
    bytes("8E027A10FF00000045 0000018E 00000000000000 0A56A28E"),
    bytes("8E027A10FF00000046 00000000 00008E00000000 0A6E048E"),
};

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void crcIsXmodem() { QCOMPARE(crc16("123456789", 9), quint16(0x31C3)); }

    void simulatorFrames_data()
    {
        addColumn<QByteArray>("frame");
        addColumn<bool>("accepted");
        const QByteArray manual = bytes("8E017A0000000000 43010000000000 0000000000 0A 8AA7 8E");
        newRow("whole") << manual << true;
        newRow("long") << manual + bytes("8E") << false;
        for (int at = 0; at < manual.size(); ++at)
            addRow("byte %d damaged", at)
                << manual.left(at) + char(manual.at(at) ^ 0x10) + manual.mid(at + 1) << false;
    }
    void simulatorFrames()
    {
        QFETCH(QByteArray, frame);
        QTEST(isCommandFrame(frame), "accepted");
        QCOMPARE(statusFrame(StatusCode::TriggerCount, 300), count);
    }

    void statusFrameReading_data()
    {
        addColumn<QByteArray>("frame");
        addColumn<int>("kind");
        addColumn<int>("count");
        addColumn<bool>("deviceHeader"); // 8E 02 7A: first-reply check
        const int trigger = StatusReport::TriggerCount, unknown = StatusReport::Unknown;
        newRow("whole") << count << trigger << 300 << true;
        newRow("cut in the count") << count.left(12) << trigger << 1 << true;
        newRow("cut after the code") << count.left(9) << trigger << 0 << true;
        newRow("cut before the code") << count.left(8) << unknown << 0 << true;
        newRow("byte 7 not 0") << bytes("8E027A10FF00000143 0000012C") << unknown << 0 << true;
        newRow("another device") << other << unknown << 0 << false;
        newRow("8E 02 only") << bytes("8E02") << unknown << 0 << false;
    }
    void statusFrameReading()
    {
        QFETCH(QByteArray, frame);
        QTEST(int(readStatusFrame(frame).kind), "kind");
        QTEST(readStatusFrame(frame).count, "count");
        QTEST(hasDeviceHeader(frame), "deviceHeader");
    }

    // Opened anywhere on the line; whole, cut or with a quiet gap: the same frames.
    void reassembly_data()
    {
        addColumn<QByteArray>("line");
        addColumn<int>("gap"); // quiet from here (0: never)
        addColumn<Frames>("frames");
        const QByteArray &a = count, &b = idle;
        const QByteArray ack = bytes("4F4B21"), x(60, 'x'), o = bytes("8E05"), oo = bytes("8E8E");
        newRow("acks, junk") << ack + x + a + ack + b + ack.left(2) + a + x + b + ack << 0
                             << Frames{ a, b, a, b };
        newRow("ack in a frame") << a.left(15) + ack + a.mid(18) + b << 0 << Frames{ a, b };
        newRow("cut by header") << a.left(15) + b.left(9) + a << 0 << Frames{ a, b.left(9), a };
        newRow("short, quiet") << a + b.left(9) << 33 << Frames{ a, b.left(9) };
        newRow("foreign frames") << other.left(9) + a + other.left(9) + b + "\x8E" + a << 0
                                 << Frames{ a, o, b, oo, a };
        for (int i = 0; i < marked.size(); ++i) {
            const QByteArray &frame = marked[i], &next = marked[(i + 1) % marked.size()];
            for (int cut = 1; cut < 24; ++cut)
                addRow("frame %d from byte %d", i, cut)
                    << frame.mid(cut) + frame + next << 24 - cut << Frames{ frame, next };
        }
        newRow("header begun") << marked[0] + marked[1] << 3 << Frames{ marked[0], marked[1] };
        newRow("tail, header begun") << marked[3].mid(19) + marked[0] << 9 << Frames{ marked[0] };
        newRow("48 0x8E, header") << "xyz" + QByteArray(48, '\x8E') + a << 0 << Frames{ a };
        newRow("other device") << other + other + other << 0 << Frames{ o, oo, o, oo, o };
        newRow("other, silence") << other.left(13) << 13 << Frames{ o };
    }
    void reassembly()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, gap);
        QFETCH(Frames, frames);
        for (QByteArray &frame : frames)
            frame.truncate(13); // what is handed out
        ReplyReader reader;
        Frames got = reader.feed(line.left(gap));
        got += reader.flushQuiet();
        got += reader.feed(line.mid(gap));
        QCOMPARE(got, frames);
        for (int cut = 0; cut <= line.size(); ++cut) {
            reader.clear(); // as for a reopened port
            got = reader.feed(line.left(cut));
            got += reader.feed(line.mid(cut));
            got += reader.flushQuiet();
            QCOMPARE(got, frames);
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
