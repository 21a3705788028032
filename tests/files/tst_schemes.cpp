#include "schemes/schemestore.h"

#include "support.h"

#include <sys/resource.h>

#include <csignal>
#include <fstream>

static const TestHome home; // first: HOME for all below
static int refusals = 0; // reads to refuse: root reads every file

using Change = bool (*)(SchemeStore &);
Q_DECLARE_METATYPE(Change)

class TestSchemes : public QObject
{
    Q_OBJECT
    QScopedPointer<QTemporaryDir> folder;
    QString path() const { return folder->filePath("Kavrin.halvo"); }
    static void putFile(const QString &path, const QByteArray &bytes)
    {
        std::ofstream(path.toStdString(), std::ios::binary) << bytes.toStdString();
    }
    static bool readOrRefuse(const QString &path, QByteArray *bytes, QString *error)
    {
        if (refusals == 0)
            return readWholeFile(path, bytes, error);
        --refusals;
        *error = "Permission denied";
        return false;
    }

private slots:
    void init() { folder.reset(new QTemporaryDir); }

    void writtenBytes_data() // after a change; save new and delete: tst_window
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QByteArray>("after");
        const Change write = [](SchemeStore &s) { return s.write(); };
        const Change saveA = [](SchemeStore &s) { return s.save("A", {}); };
        const Change rename = [](SchemeStore &s) { return s.rename("A", "B"); };
        const QByteArray a1 = R"({"A": 1})";
        QTest::newRow("keys") << QByteArray(R"({"a": 1, "A": 2, "\u65b9": 0})") << write
                              << QByteArray("{\n    \"A\": 2,\n    \"a\": 1,\n    \"方\": 0\n}\n");
        QTest::newRow("NUL") << a1 + '\0' + "[" << write << QByteArray("{\n    \"A\": 1\n}\n");
        QTest::newRow("empty") << QByteArray("{}") << write << QByteArray("{\n}\n");
        QTest::newRow("BOM") << "\xEF\xBB\xBF" + a1 << write << QByteArray("{\n    \"A\": 1\n}\n");
        QTest::newRow("U+FEFF in a name")
            << QByteArray(R"({"\ufeffA": 1, "A": 2})") << write
            << QByteArray("{\n    \"A\": 2,\n    \"\\ufeffA\": 1\n}\n");
        QTest::newRow("numbers, one in a name")
            << QByteArray("{\"\\\"1e16\": [9007199254740993, 1e16, 5e-4, 18446744073709600000]}")
            << write
            << QByteArray("{\n    \"\\\"1e16\": [\n        9007199254740992,\n"
                          "        10000000000000000,\n        0.0005,\n"
                          "        18446744073709600000\n    ]\n}\n");
        QTest::newRow("save over") << a1 << saveA << QByteArray("{\n    \"A\": {\n    }\n}\n");
        QTest::newRow("rename") << a1 << rename << QByteArray("{\n    \"B\": 1\n}\n");
        QTest::newRow("no change: not written")
            << a1 << Change([](SchemeStore &s) { return s.rename("A", "A"); }) << a1;
        QTest::newRow("rename of a scheme gone")
            << QByteArray(R"({"B": 2})")
            << Change([](SchemeStore &s) { return s.rename("A", "B"); })
            << QByteArray(R"({"B": 2})");
    }
    void writtenBytes()
    {
        QFETCH(QByteArray, before);
        QFETCH(Change, change);
        putFile(path(), before);
        SchemeStore store(folder->path());
        store.load();
        const bool written = change(store);
        QVERIFY(written);
        QTEST(fileBytes(path()), "after");
    }

    void changeAppliesToWhatAnotherWriterStored() // logged once; the list follows reloaded()
    {
        SchemeStore first(folder->path()), second(folder->path());
        first.save("beta", {});
        MessageCapture messages;
        QVERIFY(second.save("gamma", {}));
        QCOMPARE(fileBytes(path()),
                 QByteArray("{\n    \"beta\": {\n    },\n    \"gamma\": {\n    }\n}\n"));
        QCOMPARE(messages.lines(),
                 QStringList{ "warning \"方案文件已在别处修改，已重新读取：" + path() + '"' });
    }

    void loadingOnlyReads() // as kavrin-cli does: no folder made, no backup promised
    {
        SchemeStore(folder->filePath("new")).load();
        QVERIFY(!QFileInfo::exists(folder->filePath("new")));
        putFile(path(), "[");
        MessageCapture messages;
        SchemeStore(folder->path()).load();
        QCOMPARE(messages.lines(), QStringList{ "warning \"方案文件无法读取：" + path() + '"' });
    }

    void unusableOpenValueGivesZero()
    {
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", 2.5 } }).open, 0);
        QCOMPARE(schemeValues(QJsonObject{ { "close_spinBox", 3 } }).open, 0); // missing
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", "3" } }).open, 0);
    }

    void unreadFileIsBackedUpOnceBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("refusals"); // reads refused: at load, at a backup
        QTest::addColumn<bool>("olderBackup"); // path.bak there before
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("oldBytesAt"); // path + this, after the first save
        QTest::addColumn<int>("files"); // after a second save
        QTest::newRow("unreadable") << QByteArray("{}") << 1 << false << true << ".bak" << 2;
        QTest::newRow("not JSON") << QByteArray(R"({"A": [)") << 0 << false << true << ".bak" << 2;
        QTest::newRow("GBK") << QByteArray("{\"\xb7\xbd\": 1, \"\xb0\xb8\": 2}") << 0 << false
                             << true << ".bak" << 2;
        QTest::newRow("older .bak") << QByteArray("[1]") << 0 << true << true << ".bak.1" << 3;
        QTest::newRow("no backup") << QByteArray("[1]") << 3 << false << false << "" << 1;
    }
    void unreadFileIsBackedUpOnceBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, olderBackup);
        QFETCH(QString, oldBytesAt);
        putFile(path(), bytes);
        if (olderBackup)
            putFile(path() + ".bak", "older");
        QFETCH(int, refusals);
        ::refusals = refusals;
        SchemeStore store(folder->path(), readOrRefuse);
        store.load();
        const bool saved = store.save("B", {});
        QTEST(saved, "saved");
        QCOMPARE(fileBytes(path() + oldBytesAt), bytes);
        store.save("C", {});
        QTEST(int(QDir(folder->path()).entryList(QDir::Files).size()), "files");
    }

    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        std::signal(SIGXFSZ, SIG_IGN); // over the limit: a failed write, not a kill
        putFile(path(), "{}");
        SchemeStore store(folder->path());
        store.load();
        MessageCapture messages;
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const rlimit tiny{ 4, usual.rlim_max };
        setrlimit(RLIMIT_FSIZE, &tiny);
        const bool saved = store.save("B", {});
        setrlimit(RLIMIT_FSIZE, &usual);
        QVERIFY(!saved);
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(messages.lines(), QStringList{ "debug write error! \n" });
        QCOMPARE(fileBytes(path()), QByteArray("{}"));
        QVERIFY(store.contains("B")); // for the session
        SchemeStore elsewhere(folder->path()); // then another writer: B is not lost
        elsewhere.save("A", {});
        QVERIFY(store.save("C", {}));
        QCOMPARE(
            fileBytes(path()),
            QByteArray("{\n    \"A\": {\n    },\n    \"B\": {\n    },\n    \"C\": {\n    }\n}\n"));
    }
};

QTEST_GUILESS_MAIN(TestSchemes)
#include "tst_schemes.moc"
