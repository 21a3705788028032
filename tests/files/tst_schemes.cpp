// The scheme store and its file: the bytes, record values, restarts, backups and failed writes.
#include "schemes/schemestore.h"

#include "support.h"

#include <sys/resource.h>

#include <csignal>

static const TestHome home; // made before the application object

static int refusalsLeft = 0; // root reads every file, so refused reads are simulated
static bool refusingReader(const QString &path, QByteArray *bytes, QString *error)
{
    if (refusalsLeft == 0)
        return readWholeFile(path, bytes, error);
    --refusalsLeft;
    *error = QStringLiteral("Permission denied");
    return false;
}

static QJsonObject record(int open, int close, int cycle)
{
    return { { "open_spinBox", open }, { "close_spinBox", close }, { "cycle_spinBox", cycle } };
}

using Change = bool (*)(SchemeStore &);
Q_DECLARE_METATYPE(Change)

class TestSchemes : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> folder;
    QString dir() const { return folder->path(); }
    QString path() const { return folder->filePath("Kavrin.halvo"); }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
    static void putFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        QVERIFY(written);
    }

private slots:
    void init() { folder.reset(new QTemporaryDir); }

    void fileBytes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after"); // as the store writes it back
        QTest::newRow("layout") << QByteArray(R"({"a": 1, "A": 2, "\u65b9": [true]})") + '\0' + "["
                                << QByteArray("{\n    \"A\": 2,\n    \"a\": 1,\n    \"方\": [\n"
                                              "        true\n    ]\n}\n");
        QTest::newRow("empty collection") << QByteArray("{}") << QByteArray("{\n}\n");
        QTest::newRow("beyond 2^53") << QByteArray(R"({"n": 9007199254740993})")
                                     << QByteArray("{\n    \"n\": 9007199254740992\n}\n");
    }
    void fileBytes()
    {
        QFETCH(QByteArray, before);
        putFile(path(), before);
        SchemeStore store(dir());
        store.load();
        store.write();
        QTEST(contents(path()), "after");
    }

    void unusableOpenValueGivesZero_data()
    {
        QTest::addColumn<QJsonObject>("scheme");
        QTest::newRow("2.5") << QJsonObject{ { "open_spinBox", 2.5 } };
        QTest::newRow("missing") << QJsonObject{ { "close_spinBox", 3 } };
        QTest::newRow("a string") << QJsonObject{ { "open_spinBox", "3" } };
    }
    void unusableOpenValueGivesZero()
    {
        QFETCH(QJsonObject, scheme);
        QCOMPARE(schemeValues(scheme).open, 0);
    }

    void changeSurvivesRestart_data()
    {
        QTest::addColumn<Change>("change"); // of A (1, 2, 3)
        QTest::addColumn<QJsonObject>("schemes"); // as a new store on the folder finds them
        QTest::newRow("save B") << Change([](SchemeStore &store) {
            return store.save("B", record(7, 8, 9));
        }) << QJsonObject{ { "A", record(1, 2, 3) }, { "B", record(7, 8, 9) } };
        QTest::newRow("save over A")
            << Change([](SchemeStore &store) { return store.save("A", record(7, 8, 9)); })
            << QJsonObject{ { "A", record(7, 8, 9) } };
        QTest::newRow("rename A to B")
            << Change([](SchemeStore &store) { return store.rename("A", "B"); })
            << QJsonObject{ { "B", record(1, 2, 3) } };
        QTest::newRow("delete A") << Change([](SchemeStore &store) { return store.remove("A"); })
                                  << QJsonObject();
    }
    void changeSurvivesRestart()
    {
        QFETCH(Change, change);
        SchemeStore store(dir());
        store.save("A", record(1, 2, 3));
        const bool written = change(store);
        QVERIFY(written);
        SchemeStore restarted(dir());
        restarted.load();
        QTEST(restarted.schemes(), "schemes");
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
        QTest::newRow("invalid JSON")
            << QByteArray("{\"A\": [") << 0 << false << true << ".bak" << 2;
        QTest::newRow("array") << QByteArray("[1]") << 0 << false << true << ".bak" << 2;
        QTest::newRow("older .bak kept") << QByteArray("[1]") << 0 << true << true << ".bak.1" << 3;
        QTest::newRow("unreadable at backup too")
            << QByteArray("[1]") << 3 << false << false << "" << 1;
    }
    void unreadFileIsBackedUpOnceBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, refusals);
        QFETCH(bool, olderBackup);
        QFETCH(QString, oldBytesAt);
        putFile(path(), bytes);
        if (olderBackup)
            putFile(path() + ".bak", "older");
        refusalsLeft = refusals;
        SchemeStore store(dir(), refusingReader);
        store.load();
        const bool saved = store.save("B", record(1, 2, 3));
        QTEST(saved, "saved");
        QCOMPARE(contents(path() + oldBytesAt), bytes);
        store.save("C", record(1, 2, 3));
        QTEST(int(QDir(dir()).entryList(QDir::Files).size()), "files");
    }

    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the size limit fails, not the process
        putFile(path(), "{}");
        SchemeStore store(dir());
        MessageCapture messages;
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const rlimit tiny{ 20, usual.rlim_max };
        setrlimit(RLIMIT_FSIZE, &tiny);
        const bool saved = store.save("B", record(1, 2, 3));
        setrlimit(RLIMIT_FSIZE, &usual);
        QVERIFY(!saved);
        QVERIFY(!store.lastError().isEmpty());
        QEXPECT_FAIL("", "a write cut short loses its reason (\"Unknown error\")", Continue);
        QCOMPARE(store.lastError(), QString("File too large"));
        QCOMPARE(messages.texts(QtDebugMsg), QStringList{ "write error! \n" });
        QCOMPARE(contents(path()), QByteArray("{}"));
        QVERIFY(store.contains("B")); // kept for the session
    }
};

QTEST_GUILESS_MAIN(TestSchemes)
#include "tst_schemes.moc"
