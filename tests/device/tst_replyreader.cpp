#include "device/replyreader.h"
#include "device/statusframe.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

const QByteArray ack = QByteArray::fromHex("4F4B21");

QByteArray head(const QByteArray &frame)
{
    return frame.left(13);
}

QList<QByteArray> feedAll(ReplyReader &reader, const QList<QByteArray> &chunks)
{
    QList<QByteArray> frames;
    for (const QByteArray &chunk : chunks)
        frames += reader.feed(chunk); // cppcheck-suppress useStlAlgorithm
    return frames;
}

QList<QByteArray> readWhole(const QByteArray &stream)
{
    ReplyReader reader;
    return reader.feed(stream);
}

// Random bytes; with clean set, none that could start a message.
QByteArray garbage(QRandomGenerator &random, int length, bool clean)
{
    QByteArray bytes;
    while (bytes.size() < length) {
        const char b = static_cast<char>(random.bounded(256));
        if (!clean || (b != '\x8E' && b != '\x4F'))
            bytes.append(b);
    }
    return bytes;
}

} // namespace

class TestReplyReader : public QObject
{
    Q_OBJECT

private slots:
    void knownStream_data();
    void knownStream();
    void everySplitPoint_data();
    void everySplitPoint();
    void ackPrefixAtChunkEnd();
    void boundedAfterGarbage();
    void clearForgetsPartialFrame();
    void randomSplitsGiveSameFrames_data();
    void randomSplitsGiveSameFrames();
};

void TestReplyReader::knownStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected");

    const QByteArray a = statusFrame(0x43, 300);
    const QByteArray b = statusFrame(0x46, 0);
    QTest::newRow("ack then status") << ack + a << QList<QByteArray>{ head(a) };
    QTest::newRow("status then ack") << a + ack << QList<QByteArray>{ head(a) };
    QTest::newRow("garbage between") << QByteArray("xyz") + a + QByteArray("\x01\x02\x7A", 3) + b
                                     << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("two joined frames") << a + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("ack inside a frame belongs to it")
        << a.left(15) + ack + a.mid(18) + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (15 bytes)")
        << a.left(15) + b << QList<QByteArray>{ head(a), head(b) };
    QTest::newRow("short frame cut by next header (9 bytes)")
        << a.left(9) + b << QList<QByteArray>{ a.left(9) + b.left(4), head(b) };
    QTest::newRow("foreign frame 8E 05") << QByteArray::fromHex("8E 05 7A 10 FF 00 00 00 43")
            + b << QList<QByteArray>{ QByteArray::fromHex("8E05"), head(b) };
    QTest::newRow("8E 8E 02 7A 10 FF")
        << QByteArray(1, '\x8E') + a << QList<QByteArray>{ QByteArray::fromHex("8E8E"), head(a) };
    QTest::newRow("frame cut before 13 bytes waits") << a.left(12) << QList<QByteArray>{};
}

void TestReplyReader::knownStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(readWhole(stream), expected);
}

void TestReplyReader::everySplitPoint_data()
{
    QTest::addColumn<QByteArray>("stream");
    const QByteArray a = statusFrame(0x44, 5);
    const QByteArray b = statusFrame(0x42, 0);
    QTest::newRow("ack, status, garbage, status") << ack + a + QByteArray("\x8E\x05zz", 4) + b;
    QTest::newRow("short frame then status") << a.left(16) + ack + b;
}

void TestReplyReader::everySplitPoint()
{
    QFETCH(QByteArray, stream);
    const QList<QByteArray> whole = readWhole(stream);
    QVERIFY(whole.size() >= 2);
    for (int p = 1; p < stream.size(); ++p) {
        ReplyReader reader;
        QCOMPARE(feedAll(reader, { stream.left(p), stream.mid(p) }), whole);
    }
    ReplyReader bytewise;
    QList<QByteArray> frames;
    for (const char c : stream)
        frames += bytewise.feed(QByteArray(1, c));
    QCOMPARE(frames, whole);
}

void TestReplyReader::ackPrefixAtChunkEnd()
{
    ReplyReader reader;
    QVERIFY(reader.feed(ack.left(2)).isEmpty());
    QCOMPARE(reader.buffered(), 2);
    const QByteArray a = statusFrame(0x45, 1);
    QCOMPARE(reader.feed(ack.mid(2) + a), QList<QByteArray>{ head(a) });

    // A prefix that never completes is garbage: the frame behind it still counts.
    ReplyReader other;
    QVERIFY(other.feed(ack.left(2)).isEmpty());
    QCOMPARE(other.feed(a), QList<QByteArray>{ head(a) });
}

void TestReplyReader::boundedAfterGarbage()
{
    QRandomGenerator random(7);
    ReplyReader reader;
    const QByteArray megabyte = garbage(random, 1 << 20, false);
    reader.feed(megabyte);
    QVERIFY2(reader.buffered() <= 40, QByteArray::number(reader.buffered()).constData());
    for (int i = 0; i < megabyte.size(); i += 4093) {
        reader.feed(megabyte.mid(i, 4093));
        QVERIFY(reader.buffered() <= 40);
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

    // Clearing while inside a handed-out frame must not swallow the next frame.
    reader.clear();
    QCOMPARE(reader.feed(a.left(14)).size(), 1);
    reader.clear();
    QCOMPARE(reader.feed(a), QList<QByteArray>{ head(a) });
}

void TestReplyReader::randomSplitsGiveSameFrames_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("clean");
    for (quint32 seed : { 1u, 2u, 3u, 42u, 1234u }) {
        QTest::newRow(qPrintable(QStringLiteral("seed %1, any garbage").arg(seed)))
            << seed << false;
        QTest::newRow(qPrintable(QStringLiteral("seed %1, inert garbage").arg(seed)))
            << seed << true;
    }
}

void TestReplyReader::randomSplitsGiveSameFrames()
{
    QFETCH(quint32, seed);
    QFETCH(bool, clean);
    QRandomGenerator random(seed);

    QByteArray stream;
    QList<QByteArray> sent;
    for (int i = 0; i < 200; ++i) {
        switch (random.bounded(3)) {
        case 0: {
            const QByteArray frame = statusFrame(static_cast<quint8>(0x41 + random.bounded(6)),
                                                 static_cast<quint16>(random.bounded(65536)));
            stream += frame;
            sent += head(frame);
            break;
        }
        case 1:
            stream += ack;
            break;
        default:
            stream += garbage(random, 1 + random.bounded(30), clean);
        }
    }

    const QList<QByteArray> whole = readWhole(stream);
    // Without bytes that could start a message, exactly the sent frames come out.
    if (clean)
        QCOMPARE(whole, sent);

    for (int round = 0; round < 50; ++round) {
        ReplyReader reader;
        QList<QByteArray> frames;
        for (int pos = 0; pos < stream.size();) {
            const int length = 1 + random.bounded(40);
            frames += reader.feed(stream.mid(pos, length));
            QVERIFY(reader.buffered() <= 40);
            pos += length;
        }
        QCOMPARE(frames, whole);
    }
}

QTEST_GUILESS_MAIN(TestReplyReader)
#include "tst_replyreader.moc"
