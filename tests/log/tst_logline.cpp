#include "log/logline.h"
#include "testhome.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

class TstLogLine : public QObject
{
    Q_OBJECT

private slots:
    void lineFormat_data();
    void lineFormat();
    void fileBelowDocumentsNamedAfterTheDay();
    void appendCreatesFoldersAndEndsInCrLf();
};

void TstLogLine::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tail");

    QTest::newRow("debug is labelled Info") << int(QtDebugMsg) << 0 << QStringLiteral("串口已打开!")
                                            << QStringLiteral(" Info: Line:0 >> 串口已打开!");
    QTest::newRow("warning") << int(QtWarningMsg) << 0 << "w"
                             << " Warning: Line:0 >> w";
    QTest::newRow("critical") << int(QtCriticalMsg) << 0 << "c"
                              << " Critical: Line:0 >> c";
    QTest::newRow("fatal") << int(QtFatalMsg) << 0 << "f"
                           << " Fatal: Line:0 >> f";
    QTest::newRow("info has no label, two blanks") << int(QtInfoMsg) << 0 << "i"
                                                   << "  Line:0 >> i";
    QTest::newRow("unknown type has no label") << 99 << 0 << "u"
                                               << "  Line:0 >> u";
    QTest::newRow("line number in decimal") << int(QtWarningMsg) << 1234 << "w"
                                            << " Warning: Line:1234 >> w";
    QTest::newRow("percent placeholders stay literal") << int(QtDebugMsg) << 0 << "%1 %2 100%"
                                                       << " Info: Line:0 >> %1 %2 100%";
}

void TstLogLine::lineFormat()
{
    QFETCH(int, type);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QString, tail);

    // Evening: the hours run to 23.
    const QDateTime now(QDate(2026, 5, 2), QTime(21, 4, 5));
    const QString day = QLocale::system().dayName(now.date().dayOfWeek(), QLocale::ShortFormat);
    const QString stamp = QStringLiteral("2026-05-02 21:04:05 ") + day + QLatin1Char(':');
    QCOMPARE(logLine(QtMsgType(type), line, message, now), stamp + tail);
}

void TstLogLine::fileBelowDocumentsNamedAfterTheDay()
{
    QCOMPARE(logDirectory(), QDir::homePath() + QStringLiteral("/Documents/LogFile/Kavrin/"));
    QCOMPARE(logFilePath(QStringLiteral("/logs/"), QDate(2026, 1, 9)),
             QStringLiteral("/logs/2026-01-09.log"));
}

void TstLogLine::appendCreatesFoldersAndEndsInCrLf()
{
    QTemporaryDir dir;
    // Neither LogFile nor Kavrin exists yet; the second line must not replace the first.
    const QString path = dir.filePath(QStringLiteral("LogFile/Kavrin/2026-05-02.log"));
    QVERIFY(appendLogLine(path, QStringLiteral("串口已打开!")));
    QVERIFY(appendLogLine(path, QString()));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QStringLiteral("串口已打开!").toLocal8Bit() + "\r\n\r\n");
}

int main(int argc, char *argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    TstLogLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logline.moc"
