#include "app/kavrin.h"
#include "log/logline.h"
#include "log/messagehandler.h"
#include "testhome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

const QRegularExpression
    stampPattern(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) \\d\\d:\\d\\d:\\d\\d \\S+: "));

void emitMessage(QtMsgType type, int line, const QString &text)
{
    // An explicit logger: qDebug() carries source lines in debug builds only.
    const QMessageLogger logger(nullptr, line, nullptr);
    switch (type) {
    case QtWarningMsg:
        logger.warning().noquote() << text;
        break;
    case QtCriticalMsg:
        logger.critical().noquote() << text;
        break;
    case QtInfoMsg:
        logger.info().noquote() << text;
        break;
    default:
        logger.debug().noquote() << text;
        break;
    }
}

QString lastBlock(const QTextEdit *pane)
{
    return pane->document()->lastBlock().text();
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
    void markupShownAsPlainText_data();
    void markupShownAsPlainText();
    void paneOnlyWhenFolderCannotBeMade();
    void twoThreadsWriteWholeLines();
    void nestedMessageGoesToStderrOnly_data();
    void nestedMessageGoesToStderrOnly();
    void helpOpensChmFromWorkingFolder();

private:
    // Every log file's bytes, in name order: a test may cross midnight.
    static QByteArray allLogBytes();
    static QStringList allLogLines();

    Kavrin *window = nullptr;
    QtMessageHandler previousHandler = nullptr;
    QString startupPane;
    QString eightDaysOld;
    QString sevenDaysOld;
    bool eightDaysOldKept = false;
    bool sevenDaysOldKept = false;

    int savedStderr = -1;
    QMetaObject::Connection nestedConnection;
    QString savedCurrent;
    QByteArray savedPath;
    QString blocker;
};

QByteArray TstLogWindow::allLogBytes()
{
    QByteArray bytes;
    const QDir dir(logDirectory());
    const QStringList names = dir.entryList({ QStringLiteral("*.log") }, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll();
    }
    return bytes;
}

QStringList TstLogWindow::allLogLines()
{
    QStringList lines = QString::fromLocal8Bit(allLogBytes()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TstLogWindow::initTestCase()
{
    const QString dir = logDirectory();
    QVERIFY(dir.startsWith(QDir::homePath()));
    QVERIFY(QDir().mkpath(dir));
    const QDate today = QDate::currentDate();
    eightDaysOld = today.addDays(-8).toString(QStringLiteral("yyyy-MM-dd")) + ".log";
    sevenDaysOld = today.addDays(-7).toString(QStringLiteral("yyyy-MM-dd")) + ".log";
    for (const QString &name : { eightDaysOld, sevenDaysOld }) {
        QFile file(dir + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    previousHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(previousHandler);
    window = new Kavrin;
    QVERIFY(window->logEdit);
    startupPane = window->logEdit->toPlainText();
    eightDaysOldKept = QFileInfo::exists(dir + eightDaysOld);
    sevenDaysOldKept = QFileInfo::exists(dir + sevenDaysOld);
}

void TstLogWindow::cleanupTestCase()
{
    delete window;
    window = nullptr;
    qInstallMessageHandler(previousHandler);
}

void TstLogWindow::init()
{
    window->logEdit->clear();
    QDir(QDir::homePath() + QStringLiteral("/Documents")).removeRecursively();
}

void TstLogWindow::cleanup()
{
    if (savedStderr >= 0) {
        std::fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        close(savedStderr);
        savedStderr = -1;
    }
    QObject::disconnect(nestedConnection);
    if (!savedCurrent.isEmpty()) {
        QDir::setCurrent(savedCurrent);
        savedCurrent.clear();
    }
    if (!savedPath.isNull()) {
        qputenv("PATH", savedPath);
        savedPath = QByteArray();
    }
    if (!blocker.isEmpty()) {
        QFile::remove(blocker);
        blocker.clear();
    }
}

void TstLogWindow::startupRemovesOldLogs()
{
    QVERIFY(!eightDaysOldKept);
    QVERIFY(sevenDaysOldKept);

    const QStringList paneLines = startupPane.split(QLatin1Char('\n'));
    const QString note = QStringLiteral(">> 清理旧日志： \"%1\"").arg(eightDaysOld);
    int notes = 0;
    for (const QString &line : paneLines) {
        if (line.contains(QStringLiteral("清理旧日志")))
            ++notes;
        if (line.endsWith(note))
            QVERIFY2(line.contains(QStringLiteral(" Info: Line:")), qPrintable(line));
    }
    QCOMPARE(notes, 1);
    QVERIFY2(startupPane.contains(note), qPrintable(startupPane));
}

void TstLogWindow::lineInPaneAndFile_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tail");

    QTest::newRow("debug is Info, no location is Line:0")
        << int(QtDebugMsg) << 0 << QStringLiteral("串口已打开!")
        << QStringLiteral(" Info: Line:0 >> 串口已打开!");
    QTest::newRow("critical with a source line")
        << int(QtCriticalMsg) << 57 << QStringLiteral("打开失败!")
        << QStringLiteral(" Critical: Line:57 >> 打开失败!");
    QTest::newRow("percent one written literally")
        << int(QtInfoMsg) << 0 << QStringLiteral("%1 done")
        << QStringLiteral("  Line:0 >> %1 done");
}

void TstLogWindow::lineInPaneAndFile()
{
    QFETCH(int, type);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QString, tail);

    // Neither LogFile nor Kavrin exists: both are made for the first line.
    QVERIFY(!QFileInfo::exists(QDir::homePath() + QStringLiteral("/Documents/LogFile")));
    emitMessage(QtMsgType(type), line, message);

    const QByteArray bytes = allLogBytes();
    QVERIFY(bytes.endsWith("\r\n"));
    const QStringList lines = allLogLines();
    QCOMPARE(lines.size(), 1);
    const QString written = lines.last();
    const QRegularExpressionMatch stamp = stampPattern.match(written);
    QVERIFY2(stamp.hasMatch(), qPrintable(written));
    QCOMPARE(written.mid(stamp.capturedLength()), tail.mid(1));
    QCOMPARE(lastBlock(window->logEdit), written);

    // The file is named after the day the line carries.
    const QStringList files = QDir(logDirectory()).entryList(QDir::Files);
    QCOMPARE(files, QStringList{ stamp.captured(1) + QStringLiteral(".log") });
}

void TstLogWindow::markupShownAsPlainText_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("bold") << QStringLiteral("<b>x</b>");
    QTest::newRow("image") << QStringLiteral("<img src=\":/start.png\">");
    QTest::newRow("entity and break") << QStringLiteral("a &amp; b<br>c");
    QTest::newRow("link") << QStringLiteral("<a href=\"http://x\">y</a>");
}

void TstLogWindow::markupShownAsPlainText()
{
    QFETCH(QString, message);

    emitMessage(QtDebugMsg, 0, message);

    const QStringList lines = allLogLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.last().endsWith(QStringLiteral(" >> ") + message));
    QCOMPARE(window->logEdit->toPlainText(), lines.last());

    const QTextDocument *document = window->logEdit->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            QVERIFY(!format.isImageFormat());
            QVERIFY(!format.isAnchor());
            QVERIFY(format.fontWeight() <= QFont::Normal);
        }
    }
}

void TstLogWindow::paneOnlyWhenFolderCannotBeMade()
{
    // A regular file where the LogFile folder belongs (permissions do not
    // stop root).
    QVERIFY(QDir().mkpath(QDir::homePath() + QStringLiteral("/Documents")));
    blocker = QDir::homePath() + QStringLiteral("/Documents/LogFile");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();

    emitMessage(QtWarningMsg, 0, QStringLiteral("only in the pane"));

    QVERIFY(lastBlock(window->logEdit)
                .endsWith(QStringLiteral(" Warning: Line:0 >> only in the pane")));
    QVERIFY(QFileInfo(blocker).isFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArrayLiteral("keep"));
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
    // The pane updates were queued to this thread.
    QCoreApplication::sendPostedEvents();

    const QRegularExpression whole(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S+: Info: Line:0 >> worker "
                       "(\\d) line (\\d+)$"));
    const auto check = [&](const QStringList &lines) {
        QSet<QString> seen;
        int next[3] = { 0, 0, 0 };
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = whole.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            const int id = match.captured(1).toInt();
            QVERIFY(id == 1 || id == 2);
            // Each thread's lines keep their order.
            QCOMPARE(match.captured(2).toInt(), next[id]++);
            seen.insert(match.captured(1) + QLatin1Char(':') + match.captured(2));
        }
        QCOMPARE(seen.size(), 2 * perThread);
    };
    // Other messages (the framework's own) may come in between.
    const QStringList fileLines = allLogLines().filter(QStringLiteral("worker"));
    QCOMPARE(fileLines.size(), 2 * perThread);
    check(fileLines);
    if (QTest::currentTestFailed())
        return;
    const QStringList paneLines
        = window->logEdit->toPlainText().split(QLatin1Char('\n')).filter(QStringLiteral("worker"));
    QCOMPARE(paneLines.size(), 2 * perThread);
    check(paneLines);
}

void TstLogWindow::nestedMessageGoesToStderrOnly_data()
{
    QTest::addColumn<bool>("throughQt");
    QTest::newRow("raised through the message stream") << true;
    QTest::newRow("handler called again directly") << false;
}

void TstLogWindow::nestedMessageGoesToStderrOnly()
{
    QFETCH(bool, throughQt);

    QTemporaryFile captured;
    QVERIFY(captured.open());
    std::fflush(stderr);
    savedStderr = dup(STDERR_FILENO);
    QVERIFY(savedStderr >= 0);
    QVERIFY(dup2(captured.handle(), STDERR_FILENO) >= 0);

    // The pane changes inside the handler: a message from there is nested.
    bool raised = false;
    nestedConnection
        = connect(window->logEdit, &QTextEdit::textChanged, window->logEdit, [&raised, throughQt] {
              if (raised)
                  return;
              raised = true;
              const QString text = QStringLiteral("nested message");
              if (throughQt)
                  emitMessage(QtWarningMsg, 0, text);
              else
                  logMessageHandler(QtWarningMsg, QMessageLogContext(), text);
          });

    emitMessage(QtDebugMsg, 0, QStringLiteral("outer message"));
    std::fflush(stderr);

    QVERIFY(raised);
    const QString pane = window->logEdit->toPlainText();
    QVERIFY(pane.endsWith(QStringLiteral(" >> outer message")));
    QVERIFY(!pane.contains(QStringLiteral("nested message")));
    const QStringList lines = allLogLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.last().endsWith(QStringLiteral(" >> outer message")));

    QFile errors(captured.fileName());
    QVERIFY(errors.open(QIODevice::ReadOnly));
    const QString errorText = QString::fromLocal8Bit(errors.readAll());
    QVERIFY2(errorText.contains(QStringLiteral("nested message")), qPrintable(errorText));
}

void TstLogWindow::helpOpensChmFromWorkingFolder()
{
    // A stand-in opener on PATH records what it was asked to show.
    QTemporaryDir bin;
    QTemporaryDir work;
    const QString record = bin.filePath(QStringLiteral("opened"));
    const QString opener = bin.filePath(QStringLiteral("xdg-open"));
    QFile script(opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \""
                 + record.toLocal8Bit() + "\"\n");
    script.close();
    // mv replaces whole: the test never reads half a record.
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + savedPath);
    savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));

    window->helpButton->click();

    QVERIFY(lastBlock(window->logEdit).endsWith(QStringLiteral(" >> 帮助")));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
    QFile opened(record);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(opened.readAll()),
             QDir(work.path()).absoluteFilePath(QStringLiteral("help.chm")));
}

int main(int argc, char *argv[])
{
    TestHome home;
    QApplication app(argc, argv);
    TstLogWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logwindow.moc"
