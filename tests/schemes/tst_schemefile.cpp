// The scheme file's bytes: what is written and what is taken when read.
#include "schemes/schemefile.h"

#include <QJsonArray>
#include <QtTest>

class TestSchemeFile : public QObject
{
    Q_OBJECT

private slots:
    void serialise_data();
    void serialise();
    void parse_data();
    void parse();
};

void TestSchemeFile::serialise_data()
{
    QTest::addColumn<QJsonObject>("schemes");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty collection is two lines") << QJsonObject() << QByteArray("{\n}\n");
    QTest::newRow("record keys in code-unit order")
        << QJsonObject{ { "A", schemeRecord(3, 4, 5) } }
        << QByteArray("{\n    \"A\": {\n        \"close_spinBox\": 4,\n"
                      "        \"cycle_spinBox\": 5,\n        \"open_spinBox\": 3\n    }\n}\n");
    QTest::newRow("chinese name as utf-8, not escaped")
        << QJsonObject{ { QStringLiteral("方案一"), 7 } }
        << QByteArray("{\n    \"\xe6\x96\xb9\xe6\xa1\x88\xe4\xb8\x80\": 7\n}\n");
    QTest::newRow("names differing in case: upper case first")
        << QJsonObject{ { "b", 1 }, { "B", 2 }, { "a", 3 } }
        << QByteArray("{\n    \"B\": 2,\n    \"a\": 3,\n    \"b\": 1\n}\n");
    QTest::newRow("non-record members written back as read") << QJsonObject{
        { "n", QJsonArray{ 1, "x" } }, { "s", "text" }
    } << QByteArray("{\n    \"n\": [\n        1,\n        \"x\"\n    ],\n    \"s\": \"text\"\n}\n");
}

void TestSchemeFile::serialise()
{
    QFETCH(QJsonObject, schemes);
    QFETCH(QByteArray, bytes);
    QCOMPARE(serialiseSchemes(schemes), bytes);
}

void TestSchemeFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QJsonObject>("schemes");

    const QJsonObject untouched{ { "previous", 1 } };
    const QJsonObject one{ { QStringLiteral("方案"), schemeRecord(1, 2, 3) } };
    const QByteArray oneBytes = serialiseSchemes(one);
    const int ok = int(SchemeParse::Ok);
    const int empty = int(SchemeParse::Empty);
    const int invalid = int(SchemeParse::Invalid);

    QTest::newRow("indented document") << oneBytes << ok << one;
    QTest::newRow("NUL after the document") << oneBytes + QByteArray("\0junk{", 6) << ok << one;
    QTest::newRow("top-level array") << QByteArray("[1, 2]") << ok << QJsonObject();
    QTest::newRow("non-record member kept")
        << QByteArray(R"({"n": [1, "x"], "s": "text"})") << ok
        << QJsonObject{ { "n", QJsonArray{ 1, "x" } }, { "s", "text" } };
    QTest::newRow("zero length") << QByteArray() << empty << untouched;
    QTest::newRow("only whitespace") << QByteArray(" \r\n\t\n") << empty << untouched;
    QTest::newRow("invalid JSON") << QByteArray("{\"a\": ") << invalid << untouched;
    QTest::newRow("NUL first, content after")
        << QByteArray("\0{\"a\": 1}", 9) << invalid << untouched;
    QTest::newRow("bare number") << QByteArray("12") << invalid << untouched;
}

void TestSchemeFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QJsonObject, schemes);

    QJsonObject parsed{ { "previous", 1 } };
    QCOMPARE(int(parseSchemeBytes(bytes, &parsed)), result);
    QCOMPARE(parsed, schemes);
}

QTEST_GUILESS_MAIN(TestSchemeFile)
#include "tst_schemefile.moc"
