#include "log/logretention.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TstLogRetention : public QObject
{
    Q_OBJECT

private slots:
    void removesOnlyOldDatedLogs_data();
    void removesOnlyOldDatedLogs();
    void directoryNamedLikeALogIsUntouched();
    void missingDirectoryIsNotCreated();
    void emptyPathDoesNotMeanWorkingFolder();
};

void TstLogRetention::removesOnlyOldDatedLogs_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("removed");

    // "Today" is 2026-05-02 in every row.
    QTest::newRow("8 days old goes, 7 days old stays")
        << QStringList{ "2026-04-24.log", "2026-04-25.log" } << 7
        << QStringList{ "2026-04-24.log" };
    QTest::newRow("today and future kept")
        << QStringList{ "2026-05-02.log", "2026-05-03.log", "2099-01-01.log" } << 7
        << QStringList{};
    QTest::newRow("names without a real date kept")
        << QStringList{ "notes.log", "2026-13-01.log", "2026-02-30.log", "20260401.log" } << 7
        << QStringList{};
    QTest::newRow("further dots judged by the date before the first")
        << QStringList{ "2026-04-20.old.log", "2026-04-30.old.log" } << 7
        << QStringList{ "2026-04-20.old.log" };
    QTest::newRow("not ending in .log is no candidate")
        << QStringList{ "2026-04-20.log.bak", "2026-04-20.txt" } << 7 << QStringList{};
    QTest::newRow("extension in any letter case")
        << QStringList{ "2026-04-01.LOG", "2026-04-02.Log" } << 7
        << QStringList{ "2026-04-01.LOG", "2026-04-02.Log" };
    QTest::newRow("reported in name order")
        << QStringList{ "2026-04-10.log", "2026-03-01.log", "2025-12-31.log" } << 7
        << QStringList{ "2025-12-31.log", "2026-03-01.log", "2026-04-10.log" };
    QTest::newRow("zero days keeps only today") << QStringList{ "2026-05-01.log", "2026-05-02.log" }
                                                << 0 << QStringList{ "2026-05-01.log" };
}

void TstLogRetention::removesOnlyOldDatedLogs()
{
    QFETCH(QStringList, files);
    QFETCH(int, days);
    QFETCH(QStringList, removed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const QDateTime now(QDate(2026, 5, 2), QTime(0, 0, 1));
    QCOMPARE(removeOldLogFiles(dir.path() + QLatin1Char('/'), now, days), removed);

    for (const QString &name : files)
        QCOMPARE(QFileInfo::exists(dir.filePath(name)), !removed.contains(name));
}

void TstLogRetention::directoryNamedLikeALogIsUntouched()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("2000-01-01.log/inner")));

    const QDateTime now(QDate(2026, 5, 2), QTime(12, 0));
    QCOMPARE(removeOldLogFiles(dir.path(), now, 7), QStringList());
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("2000-01-01.log/inner"))).isDir());
}

void TstLogRetention::missingDirectoryIsNotCreated()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("LogFile/Kavrin/"));

    QCOMPARE(removeOldLogFiles(missing, QDateTime::currentDateTime(), 7), QStringList());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("LogFile"))));
}

void TstLogRetention::emptyPathDoesNotMeanWorkingFolder()
{
    QTemporaryDir dir;
    const QString oldLog = dir.filePath(QStringLiteral("2000-01-01.log"));
    QFile file(oldLog);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));

    const QStringList removed = removeOldLogFiles(QString(), QDateTime::currentDateTime(), 7);

    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(removed, QStringList());
    QVERIFY(QFileInfo::exists(oldLog));
}

QTEST_GUILESS_MAIN(TstLogRetention)

#include "tst_logretention.moc"
