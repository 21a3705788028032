// The scheme store against real files in a throw-away folder.
#include "schemes/schemestore.h"

#include "messagecapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

// Root reads every file: a file that is locked or mode 200 is simulated by a
// reader that refuses its first `refusals` reads.
int refusals = 0;
bool lockedReader(const QString &path, QByteArray *bytes, QString *error)
{
    if (refusals > 0) {
        --refusals;
        *error = QStringLiteral("Permission denied");
        return false;
    }
    return readWholeFile(path, bytes, error);
}

// Caps the size of the files this process writes, as a full disk would.
struct FileSizeLimit
{
    explicit FileSizeLimit(qint64 bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ok = getrlimit(RLIMIT_FSIZE, &saved) == 0;
        rlimit limit = saved;
        limit.rlim_cur = rlim_t(bytes);
        ok = ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
    bool ok = false;
};

const QByteArray stored = serialiseSchemes(
    QJsonObject{ { "alt", schemeRecord(1, 2, 3) }, { "zwei", schemeRecord(4, 5, 6) } });

} // namespace

class TestSchemeStore : public QObject
{
    Q_OBJECT

private slots:
    void firstStartMakesTheFileAtTheFirstWrite();
    void fileNotReadAtStartIsNeverLost_data();
    void fileNotReadAtStartIsNeverLost();
    void failedWriteKeepsOldFile();
};

void TestSchemeStore::firstStartMakesTheFileAtTheFirstWrite()
{
    QTemporaryDir home;
    const QString dir = home.filePath(QStringLiteral("AppData/Roaming/HalvoSystemFile/x"));
    SchemeStore store(dir);
    QVERIFY(!store.load());
    QVERIFY(QDir(dir).exists() && QDir(dir).isEmpty());
    QVERIFY(store.save(QStringLiteral("A"), schemeRecord(3, 4, 5)));
    QCOMPARE(readFile(dir + "/Kavrin.halvo"),
             QByteArray("{\n    \"A\": {\n        \"close_spinBox\": 4,\n"
                        "        \"cycle_spinBox\": 5,\n        \"open_spinBox\": 3\n    }\n}\n"));
}

void TestSchemeStore::fileNotReadAtStartIsNeverLost_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("refused"); // reads refused: at start-up, then at the backup
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("backup"); // where the old bytes end up; empty: none made

    QTest::newRow("unreadable at start and at the save") << stored << 2 << false << QString();
    QTest::newRow("unreadable at start, readable at the save")
        << stored << 1 << true << QStringLiteral(".bak.1");
    QTest::newRow("not JSON") << QByteArray("{\"A\": {\"open_spinBox\": 3,") << 0 << true
                              << QStringLiteral(".bak.1");
}

void TestSchemeStore::fileNotReadAtStartIsNeverLost()
{
    QFETCH(QByteArray, content);
    QFETCH(int, refused);
    QFETCH(bool, saved);
    QFETCH(QString, backup);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kavrin.halvo"));
    QVERIFY(writeFile(path, content) && writeFile(path + ".bak", "an older backup"));
    refusals = refused;
    MessageCapture log;
    SchemeStore store(dir.path(), lockedReader);
    store.load();
    QCOMPARE(log.texts(QtWarningMsg).filter(path).size(), 1);
    if (refused)
        QVERIFY(log.texts(QtWarningMsg).first().contains(QLatin1String("Permission denied")));

    QCOMPARE(store.save(QStringLiteral("neu"), schemeRecord(7, 8, 9)), saved);
    QCOMPARE(store.schemes().keys(), QStringList{ "neu" }); // kept for the session either way
    QCOMPARE(readFile(path + ".bak"), QByteArray("an older backup"));
    if (saved) {
        QCOMPARE(readFile(path + backup), content);
        QCOMPARE(readFile(path), serialiseSchemes(store.schemes()));
        // Once replaced, the file is ours: no further backups.
        QVERIFY(store.save(QStringLiteral("drei"), schemeRecord(1, 1, 1)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    } else {
        QCOMPARE(readFile(path), content);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QVERIFY(log.texts(QtDebugMsg).contains(QStringLiteral("write error! \n")));
        QVERIFY(!store.lastError().isEmpty());
    }
}

void TestSchemeStore::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kavrin.halvo"));
    QVERIFY(writeFile(path, stored));
    MessageCapture log;
    SchemeStore store(dir.path());
    QVERIFY(store.load());
    {
        // The replacement's write fails part-way, after its temporary file opened.
        FileSizeLimit limit(stored.size() + 8);
        QVERIFY(limit.ok);
        QVERIFY(!store.save(QStringLiteral("a name long enough to pass the limit"),
                            schemeRecord(1, 1, 1)));
    }
    QCOMPARE(log.texts(QtDebugMsg), QStringList{ "write error! \n" });
    QVERIFY(!store.lastError().isEmpty());
    QCOMPARE(readFile(path), stored);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "Kavrin.halvo" });
    QCOMPARE(store.schemes().size(), 3);
}

QTEST_GUILESS_MAIN(TestSchemeStore)
#include "tst_schemestore.moc"
