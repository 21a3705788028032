#include "schemestore.h"

#include "support.h"

#include <sys/resource.h>

#include <csignal>
#include <fstream>

using namespace QTest;
using Bytes = QByteArray;
using Change = bool (*)(SchemeStore); // given a loaded store
Q_DECLARE_METATYPE(Change)

static const TestHome home; // first
static const QString dir = home.filePath("schemes"), path = dir + "/Kavrin.halvo";

class TestSchemes : public QObject
{
    Q_OBJECT
    static QStringList warned(const QString &text) { return { "warning \"" + text + path + '"' }; }
    static QStringList namesInFile()
    {
        SchemeStore store(dir);
        store.load();
        return store.names();
    }
    static SchemeStore loaded(const Bytes &bytes, FileReader read = readWholeFile)
    {
        QDir().mkpath(dir);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes.toStdString();
        SchemeStore store(dir, read);
        store.load();
        return store;
    }

private slots:
    void init() { QDir(dir).removeRecursively(); }

    void writtenBytes_data() // save new and delete: tst_window
    {
        addColumn<Bytes>("before");
        addColumn<Change>("change");
        addColumn<Bytes>("after");
        const Change write = [](auto s) { return s.write(); };
        const Change rename = [](auto s) { return s.rename("A", "B"); };
        const Bytes a1 = R"({"A": 1})";
        newRow("keys") << Bytes(R"({"a": 1, "A": 2, "\u65b9": 0})") << write
                       << Bytes("{\n    \"A\": 2,\n    \"a\": 1,\n    \"方\": 0\n}\n");
        newRow("BOM") << "\xEF\xBB\xBF" + a1 << write << Bytes("{\n    \"A\": 1\n}\n");
        newRow("NUL") << a1 + '\0' + '[' << write << Bytes("{\n    \"A\": 1\n}\n");
        newRow("empty") << Bytes("{}") << write << Bytes("{\n}\n");
        newRow("U+FEFF") << Bytes(R"({"\ufeffA": 1})") << write
                         << Bytes("{\n    \"\\ufeffA\": 1\n}\n");
        newRow("numbers, one in a name")
            << Bytes("{\"\\\"1e16\": [9007199254740993, 1e16, 5e-4, 18446744073709600000]}")
            << write
            << Bytes(
                   "{\n    \"\\\"1e16\": [\n        9007199254740992,\n        10000000000000000,\n"
                   "        0.0005,\n        18446744073709600000\n    ]\n}\n");
        newRow("save over")
            << a1 << Change([](auto s) {
                   return s.save("A", { 1, 2, 3 });
               })
            << Bytes("{\n    \"A\": {\n        \"close_spinBox\": 2,\n"
                     "        \"cycle_spinBox\": 3,\n        \"open_spinBox\": 1\n    }\n}\n");
        newRow("rename") << a1 << rename << Bytes("{\n    \"B\": 1\n}\n");
        newRow("self-rename") << a1 << Change([](auto s) { return s.rename("A", "A"); }) << a1;
        newRow("rename of a scheme gone") << Bytes(R"({"B": 2})") << rename << Bytes(R"({"B": 2})");
    }
    void writtenBytes()
    {
        QFETCH(Bytes, before);
        QFETCH(Change, change);
        QVERIFY(change(loaded(before)));
        QTEST(fileBytes(path), "after");
    }

    void changeAppliesToWhatAnotherWriterStored()
    {
        SchemeStore first(dir), second(dir);
        first.save("A", {});
        MessageCapture messages;
        second.save("B", {});
        QCOMPARE(namesInFile(), QStringList({ "A", "B" }));
        QCOMPARE(messages.lines(), warned("方案文件已在别处修改，已重新读取："));
    }

    void loadingOnlyReads() // as kavrin-cli does: makes nothing, promises no backup
    {
        SchemeStore(dir).load();
        QVERIFY(!QFileInfo::exists(dir));
        MessageCapture messages;
        loaded("[");
        QCOMPARE(messages.lines(), warned("方案文件无法读取："));
    }

    void unusableOpenValueGivesZero()
    {
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", 2.5 } }).openTime, 0);
        QCOMPARE(schemeValues(QJsonObject()).openTime, 0); // missing
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", "3" } }).openTime, 0);
    }

    void unreadFileIsBackedUpOnceBeforeTheFirstWrite_data()
    {
        addColumn<Bytes>("bytes");
        addColumn<int>("refused"); // reads refused: at load, at a backup
        addColumn<bool>("olderBackup"); // at .bak
        addColumn<QString>("oldBytesAt"); // path + this, after the first save; none: not saved
        addColumn<int>("files"); // after a second save
        newRow("unreadable") << Bytes("{}") << 1 << false << ".bak" << 2;
        newRow("not JSON") << Bytes(R"({"A": [)") << 0 << false << ".bak" << 2;
        newRow("GBK") << Bytes("{\"\xb7\xbd\": 1}") << 0 << false << ".bak" << 2;
        newRow("older .bak") << Bytes("[1]") << 0 << true << ".bak.1" << 3;
        newRow("no backup") << Bytes("[1]") << 3 << false << "" << 1;
    }
    void unreadFileIsBackedUpOnceBeforeTheFirstWrite()
    {
        static int refusals; // root reads every file
        const FileReader read = [](const QString &file, Bytes *bytes, QString *error) {
            --refusals;
            if (refusals >= 0)
                return false;
            return readWholeFile(file, bytes, error);
        };
        QFETCH(Bytes, bytes);
        QFETCH(bool, olderBackup);
        QFETCH(QString, oldBytesAt);
        QFETCH(int, refused);
        refusals = refused;
        SchemeStore store = loaded(bytes, read);
        if (olderBackup)
            std::ofstream((path + ".bak").toStdString()) << "older";
        const bool saved = store.save("B", {});
        QCOMPARE(saved, !oldBytesAt.isEmpty());
        QCOMPARE(fileBytes(path + oldBytesAt), bytes);
        store.save("C", {});
        QTEST(int(QDir(dir).entryList(QDir::Files).size()), "files");
    }

    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a kill
        SchemeStore store = loaded("{}");
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
        QCOMPARE(fileBytes(path), Bytes("{}"));
        QVERIFY(store.contains("B")); // for the session
        SchemeStore(dir).save("A", {}); // another writer; after a reload B is not lost:
        store.rename("A", "C");
        QCOMPARE(namesInFile(), QStringList({ "B", "C" }));
    }
};

QTEST_GUILESS_MAIN(TestSchemes)
#include "tst_schemes.moc"
