#include "log/logretention.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// "Today" in every case; never the clock.
const QDateTime now(QDate(2026, 5, 2), QTime(0, 0, 1));

QStringList removedNames(const QList<LogRemoval> &removals)
{
    QStringList names;
    for (const LogRemoval &removal : removals) {
        if (removal.error.isEmpty())
            names << removal.name;
    }
    return names;
}

QList<QPair<QtMsgType, QString>> messages;
void captureMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    messages.append({ type, text });
}

// Root may delete anything: a file that stays is simulated.
bool refuseBusyFile(const QString &path, QString *error)
{
    if (path.endsWith(QLatin1String("2026-04-01.log"))) {
        *error = QStringLiteral("file in use");
        return false;
    }
    return removeFile(path, error);
}
} // namespace

class TstLogRetention : public QObject
{
    Q_OBJECT

private slots:
    void removesOnlyOldDatedLogFiles_data();
    void removesOnlyOldDatedLogFiles();
    void missingOrEmptyDirectoryRemovesNothing();
    void failedDeletionIsWarnedNotReported();
};

void TstLogRetention::removesOnlyOldDatedLogFiles_data()
{
    QTest::addColumn<QStringList>("entries"); // a trailing slash makes a directory
    QTest::addColumn<QStringList>("removed");

    QTest::newRow("8 days old goes, 7 days old stays")
        << QStringList{ "2026-04-24.log", "2026-04-25.log" } << QStringList{ "2026-04-24.log" };
    QTest::newRow("today and future kept")
        << QStringList{ "2026-05-02.log", "2026-05-03.log", "2099-01-01.log" } << QStringList{};
    QTest::newRow("names without a real date kept")
        << QStringList{ "notes.log", "2026-13-01.log", "2026-02-30.log", "20260401.log" }
        << QStringList{};
    QTest::newRow("further dots judged by the date before the first")
        << QStringList{ "2026-04-20.old.log", "2026-04-30.old.log" }
        << QStringList{ "2026-04-20.old.log" };
    QTest::newRow("not ending in .log is no candidate")
        << QStringList{ "2026-04-20.log.bak", "2026-04-20.txt" } << QStringList{};
    QTest::newRow("directory named like a log untouched")
        << QStringList{ "2000-01-01.log/", "2000-01-02.log/inner/" } << QStringList{};
    QTest::newRow("any letter case, reported in name order")
        << QStringList{ "2026-04-10.log", "2026-03-01.LOG", "2025-12-31.Log" }
        << QStringList{ "2025-12-31.Log", "2026-03-01.LOG", "2026-04-10.log" };
}

void TstLogRetention::removesOnlyOldDatedLogFiles()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, removed);

    QTemporaryDir dir;
    for (const QString &name : entries) {
        QFile file(dir.filePath(name));
        QVERIFY(name.endsWith(QLatin1Char('/')) ? QDir().mkpath(file.fileName())
                                                : file.open(QIODevice::WriteOnly));
    }

    QCOMPARE(removedNames(removeOldLogFiles(dir.path() + QLatin1Char('/'), now, 7)), removed);
    for (const QString &name : entries)
        QCOMPARE(QFileInfo::exists(dir.filePath(name)), !removed.contains(name));
}

void TstLogRetention::missingOrEmptyDirectoryRemovesNothing()
{
    QTemporaryDir dir;
    const QString oldLog = dir.filePath(QStringLiteral("2000-01-01.log"));
    QVERIFY(QFile(oldLog).open(QIODevice::WriteOnly));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));

    const auto missing = removeOldLogFiles(dir.filePath("LogFile/Kavrin/"), now, 7);
    // No documents folder gives an empty path: not the working folder.
    const auto empty = removeOldLogFiles(QString(), now, 7);

    QVERIFY(QDir::setCurrent(previous));
    QVERIFY(missing.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("LogFile"))));
    QVERIFY(empty.isEmpty());
    QVERIFY(QFileInfo::exists(oldLog));
}

void TstLogRetention::failedDeletionIsWarnedNotReported()
{
    QTemporaryDir dir;
    for (const char *name : { "2026-03-31.log", "2026-04-01.log" })
        QVERIFY(QFile(dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));

    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    pruneOldLogs(dir.path() + QLatin1Char('/'), now, 7, refuseBusyFile);
    qInstallMessageHandler(previous);

    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0].first, QtDebugMsg);
    QCOMPARE(messages[0].second, QStringLiteral("清理旧日志： \"2026-03-31.log\""));
    QCOMPARE(messages[1].first, QtWarningMsg);
    QVERIFY2(messages[1].second.contains(QLatin1String("2026-04-01.log"))
                 && messages[1].second.contains(QLatin1String("file in use")),
             qPrintable(messages[1].second));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("2026-03-31.log"))));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("2026-04-01.log"))));
}

QTEST_GUILESS_MAIN(TstLogRetention)

#include "tst_logretention.moc"
