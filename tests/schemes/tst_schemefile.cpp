// The scheme file's bytes: parsing, serialising, atomic replacement, backups.
#include "schemes/schemefile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

} // namespace

class TestSchemeFile : public QObject
{
    Q_OBJECT

private slots:
    void serialise_data();
    void serialise();
    void parse_data();
    void parse();
    void values_data();
    void values();
    void writeReplacesWholeFile();
    void writeFailsWithoutTouchingTarget();
    void backupNeverOverwrites();
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
    QTest::newRow("quote and backslash escaped")
        << QJsonObject{ { "x\"y\\z", 1 } } << QByteArray("{\n    \"x\\\"y\\\\z\": 1\n}\n");
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
    QTest::newRow("compact document")
        << QByteArray(R"({"k":{"open_spinBox":9}})") << ok
        << QJsonObject{ { "k", QJsonObject{ { "open_spinBox", 9 } } } };
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

void TestSchemeFile::values_data()
{
    QTest::addColumn<QJsonValue>("scheme");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("cycle");

    QTest::newRow("record") << QJsonValue(schemeRecord(12, 34, 56)) << 12 << 34 << 56;
    QTest::newRow("fraction gives 0") << QJsonValue(
        QJsonObject{ { "open_spinBox", 2.5 }, { "close_spinBox", 3.0 }, { "cycle_spinBox", 5000 } })
                                      << 0 << 3 << 5000;
    QTest::newRow("missing, null, string")
        << QJsonValue(QJsonObject{ { "close_spinBox", QJsonValue() }, { "cycle_spinBox", "7" } })
        << 0 << 0 << 0;
    QTest::newRow("not a record") << QJsonValue(QJsonArray{ 1, 2, 3 }) << 0 << 0 << 0;
    QTest::newRow("undefined") << QJsonValue(QJsonValue::Undefined) << 0 << 0 << 0;
}

void TestSchemeFile::values()
{
    QFETCH(QJsonValue, scheme);
    QFETCH(int, open);
    QFETCH(int, close);
    QFETCH(int, cycle);

    const SchemeValues values = schemeValues(scheme);
    QCOMPARE(values.open, open);
    QCOMPARE(values.close, close);
    QCOMPARE(values.cycle, cycle);
}

void TestSchemeFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = schemeFilePath(dir.path());
    QCOMPARE(path, dir.path() + "/Kavrin.halvo");
    writeAll(path, QByteArray(4096, 'x'));

    const QByteArray bytes = serialiseSchemes(QJsonObject{ { "a", schemeRecord(1, 2, 3) } });
    QVERIFY(writeSchemeBytes(path, bytes));
    QCOMPARE(readAll(path), bytes);
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{ "Kavrin.halvo" });
}

void TestSchemeFile::writeFailsWithoutTouchingTarget()
{
    QTemporaryDir dir;
    // A directory where the file should be, and a missing parent directory.
    const QString asDirectory = schemeFilePath(dir.path());
    QVERIFY(QDir().mkpath(asDirectory));
    QVERIFY(!writeSchemeBytes(asDirectory, "{\n}\n"));
    QVERIFY(QFileInfo(asDirectory).isDir());
    QVERIFY(!writeSchemeBytes(dir.path() + "/missing/Kavrin.halvo", "{\n}\n"));
    QVERIFY(!QFileInfo::exists(dir.path() + "/missing"));
}

void TestSchemeFile::backupNeverOverwrites()
{
    QTemporaryDir dir;
    const QString path = schemeFilePath(dir.path());
    const QStringList expected{ path + ".bak", path + ".bak.1", path + ".bak.2" };
    for (int i = 0; i < expected.size(); ++i) {
        const QByteArray content = "not json " + QByteArray::number(i);
        writeAll(path, content);
        QCOMPARE(backupSchemeFile(path), expected.at(i));
        QCOMPARE(readAll(expected.at(i)), content);
    }
    // Earlier backups keep their own content.
    QCOMPARE(readAll(expected.at(0)), QByteArray("not json 0"));
    QVERIFY(backupSchemeFile(dir.path() + "/absent").isEmpty());
}

QTEST_GUILESS_MAIN(TestSchemeFile)
#include "tst_schemefile.moc"
