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
static const QString stamp = "2026-01-01 23:59:00 Thu: "; // the clock's time in init()

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        setLogClock([] { return QDateTime(QDate(2026, 1, 1), QTime(23, 59)); }); // a Thursday
        QDir(home.filePath("Documents")).removeRecursively();
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
        logMessageHandler(QtMsgType(type), { nullptr, 57, nullptr, nullptr }, "%1 at 50%");
        QCOMPARE(contents(dayFile), (stamp + label + " Line:57 >> %1 at 50%\r\n").toUtf8());
    }

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
        QCOMPARE(contents(dayFile), (stamp + "Info: Line:0 >> outer\r\n").toUtf8());
        QCOMPARE(contents(err.fileName()), (stamp + "Warning: Line:0 >> nested\n").toUtf8());
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
        std::thread one(work), two(work);
        one.join();
        two.join();
        const QString line = stamp + "Info: Line:0 >> a line";
        QCOMPARE(carried.count(line), 4000);
        QCOMPARE(contents(dayFile), (line + "\r\n").toUtf8().repeated(4000));
    }

    void oldLogsAreDeletedAndReported()
    {
        const QTemporaryDir folder;
        QDir::setCurrent(folder.path());
        for (const char *name : { "2026-04-24.log", "2026-04-25.log", "2026-05-02.log",
                                  "2099-01-01.log", "notes.log", "2026-13-01.log", "2026-03-01.LOG",
                                  "2026-04-20.a.log", "2026-04-20.log.1", "2026-04-01.log" })
            QFile(name).open(QIODevice::WriteOnly);
        QDir().mkdir("2000-01-01.log");
        MessageCapture messages;
        pruneOldLogs(folder.path(), QDate(2026, 5, 2).startOfDay(), 7,
                     [](const QString &path, QString *error) {
                         if (!path.endsWith("/2026-04-01.log"))
                             return removeFile(path, error);
                         *error = QStringLiteral("busy");
                         return false;
                     });
        pruneOldLogs("LogFile/Kavrin/", QDate(2026, 5, 2).startOfDay(), 7); // missing
        const QStringList left{ "2000-01-01.log", "2026-04-01.log", "2026-04-20.log.1",
                                "2026-04-25.log", "2026-05-02.log", "2026-13-01.log",
                                "2099-01-01.log", "notes.log" };
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), left);
        const QStringList gone{ "清理旧日志： \"2026-03-01.LOG\"",
                                "清理旧日志： \"2026-04-20.a.log\"",
                                "清理旧日志： \"2026-04-24.log\"" };
        QCOMPARE(messages.texts(QtDebugMsg), gone);
        QCOMPARE(messages.texts(QtWarningMsg),
                 QStringList{ "清理旧日志失败： \"2026-04-01.log\" \"busy\"" });
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
