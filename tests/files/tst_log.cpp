// Log lines, the day's file, the sink and the retention of old files.
#include "log/logretention.h"
#include "log/logsink.h"
#include "log/messagehandler.h"

#include "support.h"

#include <unistd.h>

#include <thread>

static const TestHome home; // made before the application object
static const bool cLocale = qputenv("LC_ALL", "C.UTF-8"); // English day names, UTF-8 files
static const QString dayFile = QDir::homePath() + "/Documents/LogFile/Kavrin/2026-01-01.log";
static const QDateTime retentionDay(QDate(2026, 5, 2), QTime(12, 0));

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

class TestLog : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> folder; // the working folder, where retention looks

private slots:
    void init()
    {
        setLogClock([] { return QDateTime(QDate(2026, 1, 1), QTime(23, 59)); }); // a Thursday
        QDir(home.filePath("Documents")).removeRecursively();
        folder.reset(new QTemporaryDir);
        QDir::setCurrent(folder->path());
    }

    void lineHasTimeLabelAndSourceLine_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        QTest::newRow("debug") << int(QtDebugMsg) << "Info:";
        QTest::newRow("warning") << int(QtWarningMsg) << "Warning:";
        QTest::newRow("critical") << int(QtCriticalMsg) << "Critical:";
        QTest::newRow("fatal") << int(QtFatalMsg) << "Fatal:";
        QTest::newRow("info: none") << int(QtInfoMsg) << "";
    }
    void lineHasTimeLabelAndSourceLine()
    {
        QFETCH(int, type);
        QFETCH(QString, label);
        LogSink sink;
        QSignalSpy carried(&sink, &LogSink::lineLogged);
        logMessageHandler(QtMsgType(type), { nullptr, 57, nullptr, nullptr }, "%1 at 50%");
        QCOMPARE(carried.value(0).value(0).toString(),
                 "2026-01-01 23:59:00 Thu: " + label + " Line:57 >> %1 at 50%");
    }

    void lineAndCrLfGoToTheClockDaysFile()
    {
        logMessageHandler(QtWarningMsg, { nullptr, 8, nullptr, nullptr }, "two");
        QCOMPARE(contents(dayFile),
                 QByteArray("2026-01-01 23:59:00 Thu: Warning: Line:8 >> two\r\n"));
    }

    // A receiver of the line raises a message while the handler is still busy.
    void messageRaisedWhileHandlingGoesToStderrOnly()
    {
        QTemporaryFile err;
        err.open();
        const int usualStderr = dup(STDERR_FILENO);
        dup2(err.handle(), STDERR_FILENO);
        LogSink sink;
        connect(&sink, &LogSink::lineLogged, [] { qWarning("nested"); });
        logMessageHandler(QtDebugMsg, {}, "outer");
        dup2(usualStderr, STDERR_FILENO);
        close(usualStderr);
        QCOMPARE(contents(dayFile),
                 QByteArray("2026-01-01 23:59:00 Thu: Info: Line:0 >> outer\r\n"));
        QCOMPARE(contents(err.fileName()),
                 QByteArray("2026-01-01 23:59:00 Thu: Warning: Line:0 >> nested\n"));
    }

    void twoThreadsLogWholeLinesOnce()
    {
        LogSink sink;
        QStringList carried;
        connect(&sink, &LogSink::lineLogged, [&](const QString &line) { carried << line; });
        const auto work = [] {
            for (int i = 0; i < 2000; ++i)
                qDebug("a line");
        };
        std::thread one(work);
        std::thread two(work);
        one.join();
        two.join();
        const QString line = "2026-01-01 23:59:00 Thu: Info: Line:0 >> a line";
        QCOMPARE(carried.count(line), 4000);
        QCOMPARE(contents(dayFile), (line + "\r\n").toUtf8().repeated(4000));
    }

    // On 2026-05-02, keeping 7 days; a name ending in "/" is a folder.
    void oldLogIsDeleted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("8 days old") << "2026-04-24.log" << true;
        QTest::newRow("7 days old") << "2026-04-25.log" << false;
        QTest::newRow("today") << "2026-05-02.log" << false;
        QTest::newRow("a future date") << "2099-01-01.log" << false;
        QTest::newRow("no date") << "notes.log" << false;
        QTest::newRow("month 13") << "2026-13-01.log" << false;
        QTest::newRow("upper-case .LOG") << "2026-03-01.LOG" << true;
        QTest::newRow("the date ends at the first dot") << "2026-04-20.a.log" << true;
        QTest::newRow("ending .log.1 is no log") << "2026-04-20.log.1" << false;
        QTest::newRow("a folder is no log") << "2000-01-01.log/" << false;
    }
    void oldLogIsDeleted()
    {
        QFETCH(QString, name);
        if (name.endsWith('/'))
            QDir().mkpath(name);
        else
            QFile(name).open(QIODevice::WriteOnly);
        MessageCapture messages;
        pruneOldLogs(folder->path(), retentionDay, 7);
        QTEST(!QFileInfo::exists(name), "deleted");
        QCOMPARE(messages.texts(QtWarningMsg), QStringList()); // not even tried
    }

    void deletedLogsAreReportedInNameOrder()
    {
        for (const char *name : { "2026-04-02.log", "2026-03-01.log", "2026-04-01.log" })
            QFile(name).open(QIODevice::WriteOnly);
        MessageCapture messages;
        pruneOldLogs(folder->path(), retentionDay, 7);
        const QStringList reported{ "清理旧日志： \"2026-03-01.log\"",
                                    "清理旧日志： \"2026-04-01.log\"",
                                    "清理旧日志： \"2026-04-02.log\"" };
        QCOMPARE(messages.texts(QtDebugMsg), reported);
    }

    void undeletableLogIsAWarning()
    {
        QFile("2026-04-01.log").open(QIODevice::WriteOnly);
        MessageCapture messages;
        pruneOldLogs(folder->path(), retentionDay, 7, [](const QString &, QString *error) {
            *error = QStringLiteral("busy");
            return false;
        });
        QCOMPARE(messages.texts(QtWarningMsg),
                 QStringList{ "清理旧日志失败： \"2026-04-01.log\" \"busy\"" });
        QCOMPARE(messages.texts(QtDebugMsg), QStringList());
    }

    void missingLogFolderIsNotCreated()
    {
        MessageCapture messages;
        pruneOldLogs("LogFile/Kavrin/", retentionDay, 7);
        QVERIFY(!QFileInfo::exists("LogFile"));
        QCOMPARE(messages.messages.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
