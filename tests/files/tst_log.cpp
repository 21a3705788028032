#include "log/logretention.h"
#include "log/logsink.h"
#include "log/messagehandler.h"

#include "support.h"

#include <unistd.h>

#include <thread>

static const TestHome home; // first: HOME for all below
static const bool cLocale = qputenv("LC_ALL", "C.UTF-8"); // "Thu" in any locale
static const QString dayFile = QDir::homePath() + "/Documents/LogFile/Kavrin/2026-01-01.log";
static const QString stamp = "2026-01-01 23:59:00 Thu: ";

class TestLog : public QObject
{
    Q_OBJECT
    static QDateTime thursday() { return QDateTime(QDate(2026, 1, 1), QTime(23, 59)); }

private slots:
    void initTestCase() { setLogClock(thursday); }
    void init() { QDir(home.filePath("Documents")).removeRecursively(); }

    void lineHasTimeLabelAndSourceLine_data() // "Info:" for debug: the tests below
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QLocale>("locale"); // the system's, whose short day name is written
        QTest::addColumn<QString>("day");
        QTest::newRow("warning") << int(QtWarningMsg) << "Warning:" << QLocale::c() << "Thu";
        QTest::newRow("critical, Chinese")
            << int(QtCriticalMsg) << "Critical:" << QLocale("zh_CN") << "周四";
        QTest::newRow("fatal, German") << int(QtFatalMsg) << "Fatal:" << QLocale("de_DE") << "Do.";
        QTest::newRow("info") << int(QtInfoMsg) << "" << QLocale::c() << "Thu";
    }
    void lineHasTimeLabelAndSourceLine()
    {
        QFETCH(int, type);
        QFETCH(QString, label);
        QFETCH(QLocale, locale);
        QFETCH(QString, day);
        QLocale::setDefault(locale);
        logMessageHandler(QtMsgType(type), { nullptr, 57, nullptr, nullptr }, "%1 at 50%");
        QLocale::setDefault(QLocale::system());
        const QString line = "2026-01-01 23:59:00 " + day + ": " + label + " Line:57 >> %1 at 50%";
        QCOMPARE(fileBytes(dayFile), (line + "\r\n").toUtf8());
    }

    void nestedMessageGoesToStderrOnly()
    {
        QTemporaryFile err;
        err.open();
        const int saved = dup(STDERR_FILENO);
        dup2(err.handle(), STDERR_FILENO);
        LogSink sink;
        connect(&sink, &LogSink::lineLogged, [] { qWarning("nested"); });
        logMessageHandler(QtDebugMsg, {}, "outer");
        dup2(saved, STDERR_FILENO);
        close(saved);
        QCOMPARE(fileBytes(dayFile), (stamp + "Info: Line:0 >> outer\r\n").toUtf8());
        QCOMPARE(fileBytes(err.fileName()), (stamp + "Warning: Line:0 >> nested\n").toUtf8());
    }

    void threadsLogWholeLinesOnceInFileOrder()
    {
        LogSink sink;
        QStringList carried;
        connect(&sink, &LogSink::lineLogged, [&](const QString &line) { carried << line; });
        const auto work = [](const char *text) {
            for (int i = 0; i < 2000; ++i)
                qDebug("%s", text);
        };
        std::thread other(work, "b");
        work("a");
        other.join();
        QCOMPARE(carried.count(stamp + "Info: Line:0 >> a"), 2000);
        QCOMPARE(carried.count(stamp + "Info: Line:0 >> b"), 2000);
        QCOMPARE(fileBytes(dayFile), (carried.join("\r\n") + "\r\n").toUtf8());
    }

    void oldLogsAreDeletedAndReported() // 7 days kept, 8 gone: tst_window
    {
        const QTemporaryDir dir;
        const QStringList kept{ "2000-01-01.log",   "2026-00-01.log", "2026-04-01.log",
                                "2026-04-20.log.1", "2026-05-02.log", "2099-01-01.log" };
        QDir().mkdir(dir.filePath(kept[0])); // a folder, not a file
        for (const QString &name : kept + QStringList{ "2026-03-01.LOG", "2026-04-20.a.log" })
            QFile(dir.filePath(name)).open(QFile::WriteOnly);
        MessageCapture messages;
        const FileRemover busy = [](const QString &path, QString *error) {
            if (!path.endsWith("/2026-04-01.log"))
                return removeFile(path, error);
            *error = "busy";
            return false;
        };
        pruneOldLogs(dir.path(), QDate(2026, 5, 2).startOfDay(), 7, busy);
        pruneOldLogs(dir.filePath("none/"), QDate(2026, 5, 2).startOfDay(), 7);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), kept);
        const QStringList lines{ "debug 清理旧日志： \"2026-03-01.LOG\"",
                                 "warning 清理旧日志失败： \"2026-04-01.log\" \"busy\"",
                                 "debug 清理旧日志： \"2026-04-20.a.log\"" };
        QCOMPARE(messages.lines(), lines);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
