#include "device/replyreader.h"
#include "device/statusframe.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

const QByteArray ack = QByteArray::fromHex("4F4B21");

// What the reader hands out of a status frame: its first 13 bytes.
QByteArray head(const QByteArray &frame)
{
    return frame.left(13);
}

QList<QByteArray> readWhole(const QByteArray &stream)
{
    ReplyReader reader;
    return reader.feed(stream);
}

} // namespace

class TestReplyReader : public QObject
{
    Q_OBJECT

private slots:
    void stream_data();
    void stream();
    void clearForgetsPartialFrame();
};

void TestReplyReader::stream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected");
    const QByteArray a = statusFrame(0x43, 300);
    const QByteArray b = statusFrame(0x46, 0);
    const QByteArray foreign = QByteArray::fromHex("8E 05 7A 10 FF 00 00 00 43");
    QTest::newRow("ack then status") << ack + a << QList<QByteArray>{ head(a) };
    QTest::newRow("status then ack") << a + ack << QList<QByteArray>{ head(a) };
    QTest::newRow("unfinished ack then status") << ack.left(2) + a << QList<QByteArray>{ head(a) };
    QTest::newRow("garbage between") << QByteArray("xyz") + a + QByteArray("\x01\x02\x7A", 3) + b
                                     << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("two joined frames") << a + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("ack inside a frame belongs to it")
        << a.left(15) + ack + a.mid(18) + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (15 bytes)")
        << a.left(15) + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (9 bytes)")
        << a.left(9) + b << QList<QByteArray>{ a.left(9) + b.left(4), head(b) };
    QTest::newRow("foreign frame 8E 05")
        << foreign + b << QList<QByteArray>{ QByteArray::fromHex("8E05"), head(b) };
    QTest::newRow("ack, status, foreign, status") << ack + a + foreign
            + b << QList<QByteArray>{ head(a), QByteArray::fromHex("8E05"), head(b) };
    QTest::newRow("8E 8E 02 7A 10 FF")
        << QByteArray(1, '\x8E') + a << QList<QByteArray>{ QByteArray::fromHex("8E8E"), head(a) };
    QTest::newRow("frame cut before 13 bytes waits") << a.left(12) << QList<QByteArray>{};

    // Mixed status frames, acknowledgements and garbage. Without bytes that could
    // start a message (8E, 4F) exactly the frames sent come out.
    QRandomGenerator random(42);
    for (const bool inert : { true, false }) {
        QByteArray stream;
        QList<QByteArray> sent;
        for (int i = 0; i < 100; ++i) {
            const int kind = random.bounded(3);
            if (kind == 0) {
                const QByteArray frame = statusFrame(static_cast<quint8>(0x41 + random.bounded(6)),
                                                     static_cast<quint16>(random.bounded(65536)));
                stream += frame;
                sent += head(frame);
            } else if (kind == 1) {
                stream += ack;
            }
            for (int n = kind == 2 ? 1 + random.bounded(30) : 0; n > 0; --n) {
                const char c = static_cast<char>(random.bounded(256));
                stream += inert && (c == '\x8E' || c == '\x4F') ? '\0' : c;
            }
        }
        QTest::newRow(inert ? "random mix, inert garbage" : "random mix, any garbage")
            << stream << (inert ? sent : readWhole(stream));
    }
}

// Any way of cutting the stream into reads gives the same frames: every split
// into two reads, then random reads of 1 to 40 bytes.
void TestReplyReader::stream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(readWhole(stream), expected);
    for (int p = 1; p < stream.size(); ++p) {
        ReplyReader reader;
        QList<QByteArray> frames = reader.feed(stream.left(p));
        frames += reader.feed(stream.mid(p));
        QCOMPARE(frames, expected);
    }
    QRandomGenerator random(7);
    for (int round = 0; round < 30; ++round) {
        ReplyReader reader;
        QList<QByteArray> frames;
        for (int pos = 0; pos < stream.size();) {
            const int length = 1 + random.bounded(round % 2 == 1 ? 40 : 3);
            frames += reader.feed(stream.mid(pos, length));
            QVERIFY(reader.buffered() <= 40); // bounded, whatever the garbage
            pos += length;
        }
        QCOMPARE(frames, expected);
    }
}

void TestReplyReader::clearForgetsPartialFrame()
{
    const QByteArray a = statusFrame(0x43, 9);
    ReplyReader reader;
    QVERIFY(reader.feed(a.left(8)).isEmpty());
    reader.clear();
    QCOMPARE(reader.buffered(), 0);
    QVERIFY(reader.feed(a.mid(8)).isEmpty());
    // Clearing inside a frame already handed out must not swallow the next one.
    reader.clear();
    QCOMPARE(reader.feed(a.left(14)).size(), 1);
    reader.clear();
    QCOMPARE(reader.feed(a), QList<QByteArray>{ head(a) });
}

QTEST_GUILESS_MAIN(TestReplyReader)
#include "tst_replyreader.moc"
