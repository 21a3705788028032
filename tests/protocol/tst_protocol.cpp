// CRCs: Python's binascii.crc_hqx(bytes, 0). A frame's tail may begin at marked's 0x8E.
#include "commandframes.h"
#include "crc.h"
#include "replyreader.h"
#include "statusframe.h"
#include "support.h"

using Frames = QByteArrayList;
using namespace QTest;
using namespace Protocol;

const auto bytes = [](const char *text) { return QByteArray::fromHex(text); };
const auto count = bytes("8E027A10FF00000043 0000012C 00000000000000 0A07E08E");
const auto other = bytes("8E057A10FF00000043 0000012C 00000000000000 0A8FF98E");
const auto marked = bytes("8E027A10FF00000043 8E8E8E8E 9C008E00000000 0A8EAA8E");

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void crcIsXmodem() { QCOMPARE(crc16("123456789", 9), quint16(0x31C3)); }

    void simulatorFrames_data()
    {
        addColumn<QByteArray>("frame");
        addColumn<bool>("accepted");
        const auto f = commandFrame("4301", "8AA7"); // manual start
        newRow("whole") << f << true;
        newRow("long") << f + '\x8E' << false;
        for (int at = 0; at < 24; ++at)
            addRow("byte %d damaged", at) << f.left(at) + char(f[at] ^ 1) + f.mid(at + 1) << false;
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
        newRow("8E 02 only") << count.left(2) << unknown << 0 << false;
    }
    void statusFrameReading()
    {
        QFETCH(QByteArray, frame);
        QTEST(int(readStatusFrame(frame).kind), "kind");
        QTEST(readStatusFrame(frame).count, "count");
        QTEST(hasDeviceHeader(frame), "deviceHeader");
    }

    void reassembly_data()
    {
        addColumn<QByteArray>("line"); // whole or cut anywhere: the same frames
        addColumn<int>("gap"); // quiet from here
        addColumn<Frames>("frames");
        const QByteArray &a = count, &b = marked, o = other.left(2), oo = bytes("8E8E");
        const QByteArray ack = bytes("4F4B21"), x(60, 'x');
        newRow("acks, junk") << ack + x + a + ack + b + ack.left(1) + a + x + b + ack << 0
                             << Frames{ a, b, a, b };
        newRow("ack in a frame") << a.left(15) + ack + a.mid(18) + b << 0 << Frames{ a, b };
        newRow("cut by header") << a.left(15) + b.left(9) + a << 0 << Frames{ a, b.left(9), a };
        newRow("short, quiet") << a + b.left(9) << 33 << Frames{ a, b.left(9) };
        newRow("foreign frames") << o + a + o + b + "\x8E" + a << 0 << Frames{ a, o, b, oo, a };
        for (int cut = 1; cut < 24; ++cut)
            addRow("from byte %d", cut) << b.mid(cut) + b + a << 24 - cut << Frames{ b, a };
        newRow("header begun") << a + b << 3 << Frames{ a, b };
        newRow("from byte 22, header begun") << bytes("000ACE8E8E") + b << 9 << Frames{ b };
        newRow("48 0x8E, header") << "xyz" + QByteArray(48, '\x8E') + a << 0 << Frames{ a };
        newRow("other device") << other + other + other << 0 << Frames{ o, oo, o, oo, o };
        newRow("other, silence") << other.left(13) << 13 << Frames{ o };
    }
    void reassembly()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, gap);
        QFETCH(Frames, frames);
        for (auto &frame : frames)
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
