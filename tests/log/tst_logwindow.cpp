#include "app/kavrin.h"
#include "log/logline.h"
#include "log/messagehandler.h"
#include "windowtestmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTextEdit>
#include <QThread>

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {

// Through Qt's dispatch as qDebug() would, with an explicit line: qDebug()
// carries source lines in debug builds only.
void emitMessage(QtMsgType type, int line, const QString &text)
{
    qt_message_output(type, QMessageLogContext(nullptr, line, nullptr, nullptr), text);
}

// Every log file's text in name order: a test may cross midnight.
QString logText()
{
    QString text;
    const QDir dir(logDirectory());
    for (const QString &name :
         dir.entryList({ QStringLiteral("*.log") }, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromLocal8Bit(file.readAll());
    }
    return text;
}

QString dayFile(int daysAgo)
{
    return logDirectory() + QDate::currentDate().addDays(-daysAgo).toString(Qt::ISODate) + ".log";
}

// The first reading is the last moment of a day, every later one the next day.
int clockReadings = 0;
QDateTime midnightClock()
{
    const QDateTime lastSecond(QDate(2026, 1, 1), QTime(23, 59, 59, 999));
    return clockReadings++ == 0 ? lastSecond : lastSecond.addMSecs(1);
}

} // namespace

class TstLogWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startupRemovesOldLogs();
    void lineInPaneAndFile_data();
    void lineInPaneAndFile();
    void lineAtMidnightStaysWithItsDay();
    void twoThreadsWriteWholeLines();
    void nestedMessageGoesToStderrOnly();
    void helpOpensChmFromWorkingFolder();

private:
    Kavrin *window = nullptr;
    QtMessageHandler previousHandler = nullptr;
    QString startupPane;
    QStringList startupFiles;
    int savedStderr = -1;
    QString savedCurrent;
    QByteArray savedPath;
};

void TstLogWindow::initTestCase()
{
    QVERIFY(logDirectory().startsWith(QDir::homePath()));
    QVERIFY(QDir().mkpath(logDirectory()));
    for (const int days : { 8, 7 })
        QVERIFY(QFile(dayFile(days)).open(QIODevice::WriteOnly));

    previousHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(previousHandler);
    window = new Kavrin;
    startupPane = window->logEdit->toPlainText();
    startupFiles = QDir(logDirectory()).entryList(QDir::Files);
}

void TstLogWindow::cleanupTestCase()
{
    delete window;
    qInstallMessageHandler(previousHandler);
}

void TstLogWindow::init()
{
    window->logEdit->clear();
    QDir(QDir::homePath() + QStringLiteral("/Documents")).removeRecursively();
}

void TstLogWindow::cleanup()
{
    setLogClock(nullptr);
    if (savedStderr >= 0) {
        std::fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        close(savedStderr);
        savedStderr = -1;
    }
    if (!savedCurrent.isEmpty())
        QDir::setCurrent(savedCurrent);
    savedCurrent.clear();
    if (!savedPath.isNull())
        qputenv("PATH", savedPath);
    savedPath = QByteArray();
}

void TstLogWindow::startupRemovesOldLogs()
{
    const QString eight = QFileInfo(dayFile(8)).fileName();
    QVERIFY(!startupFiles.contains(eight));
    QVERIFY(startupFiles.contains(QFileInfo(dayFile(7)).fileName()));
    const QStringList notes
        = startupPane.split(QLatin1Char('\n')).filter(QStringLiteral("清理旧日志"));
    QCOMPARE(notes.size(), 1);
    // Nothing but what the program reports itself: no style-sheet warnings.
    QCOMPARE(startupPane.split(QLatin1Char('\n')), notes);
    QVERIFY2(notes.first().contains(QStringLiteral(" Info: Line:"))
                 && notes.first().endsWith(QStringLiteral(" >> 清理旧日志： \"%1\"").arg(eight)),
             qPrintable(notes.first()));
}

void TstLogWindow::lineInPaneAndFile_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("blocked");

    QTest::newRow("critical with a source line, percent one literal")
        << int(QtCriticalMsg) << 57 << QStringLiteral("%1 打开失败!")
        << QStringLiteral("Critical: Line:57 >> %1 打开失败!") << false;
    // The pane must not render what a scheme or port name carries.
    QTest::newRow("bold markup as plain text") << int(QtWarningMsg) << 0 << "<b>x</b>"
                                               << "Warning: Line:0 >> <b>x</b>" << false;
    QTest::newRow("image markup as plain text")
        << int(QtDebugMsg) << 0 << "<img src=\":/start.png\">"
        << "Info: Line:0 >> <img src=\":/start.png\">" << false;
    QTest::newRow("folder cannot be made: pane only") << int(QtDebugMsg) << 0 << "lost"
                                                      << "Info: Line:0 >> lost" << true;
}

void TstLogWindow::lineInPaneAndFile()
{
    QFETCH(int, type);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QString, tail);
    QFETCH(bool, blocked);

    // Either a file stands where the LogFile folder belongs (permissions do
    // not stop root), or neither LogFile nor Kavrin exists and both are made.
    const QString blocker = QDir::homePath() + QStringLiteral("/Documents/LogFile");
    if (blocked)
        QVERIFY(QDir().mkpath(QDir::homePath() + "/Documents")
                && QFile(blocker).open(QIODevice::WriteOnly));
    emitMessage(QtMsgType(type), line, message);

    const QString shown = window->logEdit->toPlainText();
    QCOMPARE(logText(), blocked ? QString() : shown + QStringLiteral("\r\n"));
    QCOMPARE(QFileInfo(blocker).isFile(), blocked);
    const QRegularExpressionMatch stamp
        = QRegularExpression(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) \\d\\d:\\d\\d:\\d\\d \\S+: "))
              .match(shown);
    QVERIFY2(stamp.hasMatch(), qPrintable(shown));
    QCOMPARE(shown.mid(stamp.capturedLength()), tail);
    // The file is named after the day the line carries.
    if (!blocked)
        QCOMPARE(QDir(logDirectory()).entryList(QDir::Files),
                 QStringList(stamp.captured(1) + ".log"));
}

void TstLogWindow::lineAtMidnightStaysWithItsDay()
{
    clockReadings = 0;
    setLogClock(midnightClock);
    emitMessage(QtDebugMsg, 0, QStringLiteral("串口已打开!"));
    setLogClock(nullptr);
    QCOMPARE(QDir(logDirectory()).entryList(QDir::Files), QStringList("2026-01-01.log"));
    QVERIFY(logText().startsWith(QStringLiteral("2026-01-01 23:59:59 ")));
}

void TstLogWindow::twoThreadsWriteWholeLines()
{
    constexpr int perThread = 1000;
    auto work = [](int id) {
        for (int i = 0; i < perThread; ++i)
            emitMessage(QtDebugMsg, 0, QStringLiteral("worker %1 line %2").arg(id).arg(i));
    };
    QScopedPointer<QThread> first(QThread::create(work, 1));
    QScopedPointer<QThread> second(QThread::create(work, 2));
    first->start();
    second->start();
    QVERIFY(first->wait());
    QVERIFY(second->wait());
    QCoreApplication::sendPostedEvents(); // the pane updates were queued here

    const QRegularExpression whole(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S+: Info: Line:0 >> worker "
                       "([12]) line (\\d+)$"));
    // Whole lines, each thread's in order, none lost; others may come between.
    for (const QString &text : { logText(), window->logEdit->toPlainText() }) {
        const QStringList lines = text.split(QRegularExpression("\r?\n")).filter("worker");
        QCOMPARE(lines.size(), 2 * perThread);
        int next[3] = { 0, 0, 0 };
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = whole.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            QCOMPARE(match.captured(2).toInt(), next[match.captured(1).toInt()]++);
        }
    }
}

void TstLogWindow::nestedMessageGoesToStderrOnly()
{
    QTemporaryFile captured;
    QVERIFY(captured.open());
    std::fflush(stderr);
    savedStderr = dup(STDERR_FILENO);
    QVERIFY(savedStderr >= 0);
    QVERIFY(dup2(captured.handle(), STDERR_FILENO) >= 0);

    // The pane changes inside the handler: a message from there is nested.
    // Qt's own recursion guard would hide a missing one, so call the handler directly.
    QObject context;
    bool raised = false;
    connect(window->logEdit, &QTextEdit::textChanged, &context, [&raised] {
        if (!std::exchange(raised, true))
            logMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("nested"));
    });
    emitMessage(QtDebugMsg, 0, QStringLiteral("outer"));
    std::fflush(stderr);

    QVERIFY(raised);
    QVERIFY(window->logEdit->toPlainText().endsWith(QStringLiteral(" >> outer")));
    QVERIFY(logText().endsWith(QStringLiteral(" >> outer\r\n")));
    QCOMPARE(logText().count(QStringLiteral("\r\n")), 1);
    QVERIFY(!window->logEdit->toPlainText().contains(QStringLiteral("nested")));
    QFile errors(captured.fileName());
    QVERIFY(errors.open(QIODevice::ReadOnly));
    QVERIFY(errors.readAll().contains("nested"));
}

void TstLogWindow::helpOpensChmFromWorkingFolder()
{
    // A stand-in opener on PATH records what it was asked to show; mv makes
    // the record appear whole.
    QTemporaryDir bin;
    QTemporaryDir work;
    const QString record = bin.filePath(QStringLiteral("opened"));
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \""
                 + record.toLocal8Bit() + "\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + savedPath);
    savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));

    window->helpButton->click();

    QVERIFY(window->logEdit->toPlainText().endsWith(QStringLiteral(" >> 帮助")));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
    QFile opened(record);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(opened.readAll()), QDir(work.path()).filePath("help.chm"));
}

KAVRIN_WINDOW_TEST_MAIN(TstLogWindow)

#include "tst_logwindow.moc"
