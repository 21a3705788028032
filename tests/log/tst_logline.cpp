#include "log/logline.h"
#include "testhome.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtTest>

class TstLogLine : public QObject
{
    Q_OBJECT

private slots:
    void lineFormat_data();
    void lineFormat();
    void directoryBelowDocuments();
    void fileNamedAfterTheDay();
    void appendWritesLineAndCrLf_data();
    void appendWritesLineAndCrLf();
    void appendKeepsEarlierLines();
    void appendFailsWhenFolderIsAFile();
    void cleanup();

private:
    static QString dayName(const QDate &date)
    {
        return QLocale::system().dayName(date.dayOfWeek(), QLocale::ShortFormat);
    }
    QString workDir() const { return QDir::homePath() + QStringLiteral("/work"); }
};

void TstLogLine::cleanup()
{
    QDir(workDir()).removeRecursively();
}

void TstLogLine::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tail");

    QTest::newRow("debug is labelled Info") << int(QtDebugMsg) << 0 << QStringLiteral("串口已打开!")
                                            << QStringLiteral(" Info: Line:0 >> 串口已打开!");
    QTest::newRow("warning") << int(QtWarningMsg) << 0 << QStringLiteral("w")
                             << QStringLiteral(" Warning: Line:0 >> w");
    QTest::newRow("critical") << int(QtCriticalMsg) << 0 << QStringLiteral("c")
                              << QStringLiteral(" Critical: Line:0 >> c");
    QTest::newRow("fatal") << int(QtFatalMsg) << 0 << QStringLiteral("f")
                           << QStringLiteral(" Fatal: Line:0 >> f");
    QTest::newRow("info has no label, two blanks")
        << int(QtInfoMsg) << 0 << QStringLiteral("i") << QStringLiteral("  Line:0 >> i");
    QTest::newRow("unknown type has no label")
        << 99 << 0 << QStringLiteral("u") << QStringLiteral("  Line:0 >> u");
    QTest::newRow("line number in decimal") << int(QtWarningMsg) << 1234 << QStringLiteral("w")
                                            << QStringLiteral(" Warning: Line:1234 >> w");
    QTest::newRow("percent placeholders in the message stay literal")
        << int(QtDebugMsg) << 0 << QStringLiteral("%1 %2 %4 100%")
        << QStringLiteral(" Info: Line:0 >> %1 %2 %4 100%");
}

void TstLogLine::lineFormat()
{
    QFETCH(int, type);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QString, tail);

    // Evening: the hours run to 23.
    const QDateTime now(QDate(2026, 5, 2), QTime(21, 4, 5));
    const QString stamp
        = QStringLiteral("2026-05-02 21:04:05 ") + dayName(now.date()) + QLatin1Char(':');
    QCOMPARE(logTimeStamp(now), stamp);
    QCOMPARE(logLine(QtMsgType(type), line, message, now), stamp + tail);
}

void TstLogLine::directoryBelowDocuments()
{
    QCOMPARE(logDirectory(), QDir::homePath() + QStringLiteral("/Documents/LogFile/Kavrin/"));
}

void TstLogLine::fileNamedAfterTheDay()
{
    QCOMPARE(logFilePath(QStringLiteral("/logs/"), QDate(2026, 1, 9)),
             QStringLiteral("/logs/2026-01-09.log"));
}

void TstLogLine::appendWritesLineAndCrLf_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("ascii") << QStringLiteral("2026-05-02 09:04:05 Sat: Info: Line:0 >> ok");
    QTest::newRow("chinese in the locale's encoding") << QStringLiteral("串口已打开!");
    QTest::newRow("empty line") << QString();
}

void TstLogLine::appendWritesLineAndCrLf()
{
    QFETCH(QString, line);
    // Neither LogFile nor Kavrin exists yet.
    const QString path = workDir() + QStringLiteral("/LogFile/Kavrin/2026-05-02.log");
    QVERIFY(!QFileInfo::exists(workDir()));

    QVERIFY(appendLogLine(path, line));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), line.toLocal8Bit() + QByteArrayLiteral("\r\n"));
}

void TstLogLine::appendKeepsEarlierLines()
{
    const QString path = workDir() + QStringLiteral("/day.log");
    QVERIFY(appendLogLine(path, QStringLiteral("first")));
    QVERIFY(appendLogLine(path, QStringLiteral("second")));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArrayLiteral("first\r\nsecond\r\n"));
}

void TstLogLine::appendFailsWhenFolderIsAFile()
{
    // A regular file where the LogFile folder belongs: root ignores
    // permissions, this it cannot get around.
    QVERIFY(QDir().mkpath(workDir()));
    const QString blocker = workDir() + QStringLiteral("/LogFile");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();

    QVERIFY(
        !appendLogLine(blocker + QStringLiteral("/Kavrin/2026-05-02.log"), QStringLiteral("lost")));

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArrayLiteral("keep"));
}

int main(int argc, char *argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    TstLogLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logline.moc"
