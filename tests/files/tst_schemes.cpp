// The scheme store and its file: the bytes, record values, restarts, backups and failed writes.
#include "schemes/schemestore.h"

#include "support.h"

#include <sys/resource.h>

#include <csignal>

static const TestHome home; // made before the application object

static int refusalsLeft = 0; // root reads every file, so refused reads are simulated

static const QJsonObject recordA{ { "open_spinBox", 1 } }, recordB{ { "open_spinBox", 7 } };

using Change = bool (*)(SchemeStore &);
Q_DECLARE_METATYPE(Change)

class TestSchemes : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> folder;
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
        SchemeStore store(folder->path());
        store.load();
        store.write();
        QTEST(contents(path()), "after");
    }

    void unusableOpenValueGivesZero()
    {
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", 2.5 } }).open, 0);
        QCOMPARE(schemeValues(QJsonObject{ { "close_spinBox", 3 } }).open, 0); // missing
        QCOMPARE(schemeValues(QJsonObject{ { "open_spinBox", "3" } }).open, 0);
    }

    void changeSurvivesRestart_data()
    {
        QTest::addColumn<Change>("change"); // of A
        QTest::addColumn<QJsonObject>("schemes"); // in the file, as a restart finds them
        QTest::newRow("save B") << Change([](SchemeStore &s) { return s.save("B", recordB); })
                                << QJsonObject{ { "A", recordA }, { "B", recordB } };
        QTest::newRow("save over A") << Change([](SchemeStore &s) { return s.save("A", recordB); })
                                     << QJsonObject{ { "A", recordB } };
        QTest::newRow("rename A to B") << Change([](SchemeStore &s) { return s.rename("A", "B"); })
                                       << QJsonObject{ { "B", recordA } };
        QTest::newRow("delete A") << Change([](SchemeStore &s) { return s.remove("A"); })
                                  << QJsonObject();
    }
    void changeSurvivesRestart()
    {
        QFETCH(Change, change);
        SchemeStore store(folder->path());
        store.save("A", recordA);
        const bool written = change(store);
        QVERIFY(written);
        SchemeStore restarted(folder->path()); // as the next start reads the file
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
        QTest::newRow("not JSON") << QByteArray(R"({"A": [)") << 0 << false << true << ".bak" << 2;
        QTest::newRow("array") << QByteArray("[1]") << 0 << false << true << ".bak" << 2;
        QTest::newRow("older .bak kept") << QByteArray("[1]") << 0 << true << true << ".bak.1" << 3;
        QTest::newRow("backup unreadable") << QByteArray("[1]") << 3 << false << false << "" << 1;
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
        const FileReader refusing = [](const QString &path, QByteArray *bytes, QString *error) {
            if (refusalsLeft == 0)
                return readWholeFile(path, bytes, error);
            --refusalsLeft;
            *error = QStringLiteral("Permission denied");
            return false;
        };
        SchemeStore store(folder->path(), refusing);
        store.load();
        const bool saved = store.save("B", recordA);
        QTEST(saved, "saved");
        QCOMPARE(contents(path() + oldBytesAt), bytes);
        store.save("C", recordA);
        QTEST(int(QDir(folder->path()).entryList(QDir::Files).size()), "files");
    }

    void failedWriteIsReportedAndKeepsTheOldFile()
    {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the size limit fails, not the process
        putFile(path(), "{}");
        SchemeStore store(folder->path());
        MessageCapture messages;
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const rlimit tiny{ 20, usual.rlim_max };
        setrlimit(RLIMIT_FSIZE, &tiny);
        const bool saved = store.save("B", recordA);
        setrlimit(RLIMIT_FSIZE, &usual);
        QVERIFY(!saved);
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(messages.texts(QtDebugMsg), QStringList{ "write error! \n" });
        QCOMPARE(contents(path()), QByteArray("{}"));
        QVERIFY(store.contains("B")); // kept for the session
    }
};

QTEST_GUILESS_MAIN(TestSchemes)
#include "tst_schemes.moc"
