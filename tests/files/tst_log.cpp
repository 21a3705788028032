#include "logretention.h"
#include "logsink.h"
#include "messagehandler.h"

#include "support.h"

#include <unistd.h>

#include <thread>

static const TestHome home; // first
static const bool cLocale = qputenv("LC_ALL", "C.UTF-8"); // "Thu", UTF-8
static const QString dayFile = home.filePath("Documents/LogFile/Kavrin/2026-01-01.log");
static const QString at = "2026-01-01 23:59:00 ", stamp = at + "Thu: ";

class TestLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        setLogClock([] { return QDateTime({ 2026, 1, 1 }, { 23, 59 }); });
    }
    void init() { QFile::remove(dayFile); }

    void lineHasTimeLabelAndSourceLine() // "Info:" (debug): below
    {
        const auto line = [](const char *locale, QtMsgType type) {
            QFile::remove(dayFile);
            QLocale::setDefault(QLocale(locale));
            logMessageHandler(type, { "", 57, "", "" }, "%1 at 50%");
            QLocale::setDefault(QLocale::c());
            return QString(fileBytes(dayFile));
        };
        const QString end = " Line:57 >> %1 at 50%\r\n";
        QCOMPARE(line("C", QtWarningMsg), stamp + "Warning:" + end);
        QCOMPARE(line("zh_CN", QtCriticalMsg), at + "周四: Critical:" + end);
        QCOMPARE(line("de_DE", QtFatalMsg), at + "Do.: Fatal:" + end);
        QCOMPARE(line("C", QtInfoMsg), stamp + end);
    }

    void nestedMessageGoesToStderrOnly()
    {
        const int saved = dup(2);
        QVERIFY(freopen(qPrintable(home.filePath("err")), "w", stderr)); // fd 2
        LogSink sink;
        connect(&sink, &LogSink::lineLogged, [] { qWarning("nested"); });
        logMessageHandler(QtDebugMsg, {}, "outer"); // Qt guards recursion
        dup2(saved, 2);
        close(saved);
        QCOMPARE(fileBytes(dayFile), (stamp + "Info: Line:0 >> outer\r\n").toUtf8());
        QCOMPARE(fileBytes(home.filePath("err")), (stamp + "Warning: Line:0 >> nested\n").toUtf8());
    }

    void threadsLogWholeLinesOnceInFileOrder()
    {
        LogSink sink;
        QStringList lines;
        connect(&sink, &LogSink::lineLogged, [&](const QString &line) { lines << line; });
        const auto work = [](const char *text) {
            for (int i = 0; i < 2000; ++i)
                qDebug("%s", text);
        };
        std::thread other(work, "b");
        work("a");
        other.join();
        QCOMPARE(lines.size(), 4000);
        QCOMPARE(fileBytes(dayFile), (lines.join("\r\n") + "\r\n").toUtf8());
    }

    void oldLogsAreDeletedAndReported() // boundary: tst_window
    {
        const QTemporaryDir dir;
        const QStringList kept{ "2000-01-01.log",   "2026-00-01.log", "2026-04-01.log",
                                "2026-04-20.log.1", "2026-05-02.log", "2099-01-01.log" };
        QDir().mkdir(dir.filePath(kept[0])); // a folder
        for (const QString &name : kept + QStringList{ "2026-03-01.LOG", "2026-04-24.a.log" })
            QFile(dir.filePath(name)).open(QFile::WriteOnly);
        MessageCapture logged;
        const FileRemover busy = [](const QString &path, QString *error) {
            if (!path.endsWith("04-01.log"))
                return removeFile(path, error);
            *error = "busy";
            return false;
        };
        for (const QString &folder : { dir.path(), dir.filePath("missing") })
            pruneOldLogs(folder, QDate(2026, 5, 2).startOfDay(), 7, busy);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), kept);
        QCOMPARE(logged.lines(),
                 QStringList({ "debug 清理旧日志： \"2026-03-01.LOG\"",
                               "warning 清理旧日志失败： \"2026-04-01.log\" \"busy\"",
                               "debug 清理旧日志： \"2026-04-24.a.log\"" }));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
