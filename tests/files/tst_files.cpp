// The scheme file and store, log lines, the day's file and retention, in a throw-away home.
#include "log/logretention.h"
#include "log/logsink.h"
#include "log/messagehandler.h"
#include "schemes/schemestore.h"

#include "support.h"

#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

const TestHome home; // made before the application object
const QString logs = QDir::homePath() + "/Documents/LogFile/Kavrin/";
const QByteArray layout("{\n    \"A\": {\n        \"close_spinBox\": 4,\n        \"cycle_spinBox\":"
                        " 5,\n        \"open_spinBox\": 3\n    },\n    \"a\": [\n        1\n    ],"
                        "\n    \"f\": {\n        \"cycle_spinBox\": 6,\n        \"open_spinBox\": 2"
                        ".5\n    },\n    \"\xe6\x96\xb9\": 7\n}\n");
const QDateTime last(QDate(2026, 1, 1), QTime(23, 59, 59, 999)); // a Thursday's last moment
static int refusals = 0, readings = 0; // root reads and deletes all: refusals are simulated
const FileRemover busy = [](const QString &p, QString *e) {
    return p.endsWith("04-01.log") ? (*e = "busy").isNull() : removeFile(p, e);
};

const auto file = [](const QString &path, const QByteArray &bytes = {}) { // writes bytes if given
    QFile f(path);
    if (!bytes.isNull() && QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly))
        f.write(bytes), f.close();
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "<none>";
};

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setLogClock(nullptr), readings = 0, QDir::setCurrent(home.path()); }
    void schemeBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("written"); // the collection, then open, close, cycle of each
        const QByteArray kept("{\n    \"previous\": 1\n}\n 0 0 0"), empty("{\n}\n");
        using P = SchemeParse;
        QTest::newRow("code-unit order, UTF-8, non-records kept, NUL after; 2.5, missing: 0")
            << layout + QByteArray("\0{", 2) << int(P::Ok) << layout + " 3 4 5 0 0 0 0 0 6 0 0 0";
        QTest::newRow("empty: two lines") << empty << int(P::Ok) << empty;
        QTest::newRow("beyond 2^53, in an array: as Qt 5 writes it")
            << QByteArray(R"({"n":[9007199254740993]})") << int(P::Ok)
            << QByteArray("{\n    \"n\": [\n        9007199254740992\n    ]\n}\n 0 0 0");
        QTest::newRow("only whitespace") << QByteArray(" \r\n\t") << int(P::Empty) << kept;
        QTest::newRow("invalid JSON") << QByteArray("{\"a\": ") << int(P::Invalid) << kept;
        QTest::newRow("NUL first") << QByteArray("\0{\"a\": 1}", 9) << int(P::Invalid) << kept;
        QTest::newRow("top-level array") << QByteArray("[1]") << int(P::NotAnObject) << kept;
    }
    void schemeBytes()
    {
        QFETCH(QByteArray, bytes);
        QJsonObject parsed{ { "previous", 1 } };
        QTEST(int(parseSchemeBytes(bytes, &parsed)), "result");
        QByteArray written = serialiseSchemes(parsed);
        for (const QJsonValue &s : parsed)
            for (int v : { schemeValues(s).open, schemeValues(s).close, schemeValues(s).cycle })
                written += ' ' + QByteArray::number(v);
        QTEST(written, "written");
    }

    void schemeFileIsNeverLost_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("refused"); // reads refused (load, backup); -1: disk full
        QTest::addColumn<bool>("saved");
        const QByteArray old(R"({"A": 1})");
        QTest::newRow("missing: made at the first write") << QByteArray() << 0 << true;
        QTest::newRow("unreadable at load and save: refused") << old << 9 << false;
        QTest::newRow("unreadable at load only: backed up once") << old << 1 << true;
        QTest::newRow("not JSON: backed up once") << QByteArray("{\"A\": [") << 0 << true;
        QTest::newRow("array, not schemes: backed up once") << QByteArray("[1]") << 0 << true;
        QTest::newRow("write fails part-way: old file stays") << old << -1 << false;
    }
    void schemeFileIsNeverLost()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, refused);
        QFETCH(bool, saved);
        QTemporaryDir temp;
        const QString dir = temp.filePath("a/b"), path = dir + "/Kavrin.halvo";
        const bool old = !content.isNull();
        QVERIFY(!old || file(path, content) + file(path + ".bak", "x") == content + "x");
        refusals = refused;
        MessageCapture log;
        SchemeStore store(dir, [](const QString &p, QByteArray *b, QString *e) {
            return refusals-- > 0 ? (*e = "Permission denied").isNull() : readWholeFile(p, b, e);
        });
        store.load(); // makes the folder, not the file
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2 * old);
        QCOMPARE(log.texts(QtWarningMsg).filter(path).size(), int(old && refused >= 0));
        QCOMPARE(log.texts(QtWarningMsg).filter("Permission denied").size(), int(refused > 0));
        rlimit was{};
        QVERIFY(!getrlimit(RLIMIT_FSIZE, &was) && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR);
        const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &was); });
        const rlimit limit{ 40, was.rlim_max }; // the write stops part-way
        QVERIFY(refused >= 0 || setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QCOMPARE(store.save("Z", schemeRecord(3, 4, 5)) & store.rename("Z", "A"), saved);
        QCOMPARE(file(path), saved ? layout.left(layout.indexOf("},") + 1) + "\n}\n" : content);
        QCOMPARE(store.schemes().keys(), QStringList{ "A" }); // kept either way
        QCOMPARE(log.texts(QtDebugMsg).count("write error! \n"), saved ? 0 : 2);
        QCOMPARE(store.lastError().isEmpty(), saved);
        QCOMPARE(file(path + ".bak.1"), old && saved ? content : "<none>");
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), old ? 2 + saved : 1);
    }

    void logLinesAndTheDaysFile()
    {
        MessageCapture previous;
        const int savedErr = dup(STDERR_FILENO);
        QTemporaryFile err; // a message raised while one is handled goes to stderr only
        QVERIFY(err.open() && dup2(err.handle(), STDERR_FILENO) >= 0);
        QStringList seen, lines, labels{ " Info:", " Warning:", " Critical:", " Fatal:", " " };
        auto *sink = new LogSink;
        connect(sink, &LogSink::lineLogged, [&](const QString &line) { seen << line; });
        setLogClock([] { return readings++ ? last.addMSecs(1) : (qWarning("nested"), last); });
        const QString day = QLocale::system().dayName(4, QLocale::ShortFormat);
        for (int type = QtDebugMsg; type <= QtInfoMsg; ++type, readings = 0) { // a fresh clock
            logMessageHandler(QtMsgType(type), { nullptr, 57, nullptr, nullptr }, "%1 串口");
            lines << "2026-01-01 23:59:59 " + day + ":" + labels[type] + " Line:57 >> %1 串口";
        }
        setLogClock([] { return last.addDays(9); }); // two threads: whole lines, one file
        const auto work = [](int id) {
            for (int i = 0; i < 500; ++i)
                qt_message_output(QtDebugMsg, {}, QStringLiteral("w%1 %2").arg(id).arg(i));
        };
        QScopedPointer<QThread> one(QThread::create(work, 1)), two(QThread::create(work, 2));
        one->start(), two->start();
        QVERIFY(one->wait() && two->wait());
        delete sink;
        QVERIFY(dup2(savedErr, STDERR_FILENO) >= 0 && close(savedErr) == 0);
        qWarning("after"); // the previous handler is back
        QCOMPARE(seen.mid(0, 5), lines); // and they end the stamped day's file
        QVERIFY(file(logs + "2026-01-01.log").endsWith(lines.join("\r\n").toLocal8Bit() + "\r\n"));
        QCOMPARE(file(logs + "2026-01-10.log"), seen.mid(5).join("\r\n").toLocal8Bit() + "\r\n");
        QCOMPARE(seen.filter(" Info: Line:0 >> w").size(), 1000);
        QCOMPARE(previous.texts(QtWarningMsg), QStringList{ "after" });
        QVERIFY(err.seek(0) && err.readAll().count(" Warning: Line:0 >> nested\n") == 5);
    }

    void logRetention_data()
    {
        QTest::addColumn<QString>("row"); // folder, entries ("-": deleted, "/f": in a folder)
        QTest::newRow("over 7 days: gone in name order, any case, by the first dot; rest kept")
            << ". -2026-04-24.log -2026-04-10.Log -2026-03-01.LOG -2026-04-20.a.log 2026-04-01.log"
               " 2026-04-30.a.log 2026-04-25.log 2026-05-02.log 2026-05-03.log 2099-01-01.log"
               " notes.log 2026-13-01.log 2026-02-30.log 2026-04-20.log.1 2000-01-01.log/f";
        QTest::newRow("missing directory not created") << "LogFile/Kavrin/ 2000-01-01.log";
        QTest::newRow("empty path is not the working folder") << " 2000-01-01.log";
    }
    void logRetention()
    {
        QFETCH(QString, row);
        QTemporaryDir dir;
        QStringList names = row.split(' ').mid(1);
        names.sort(); // "-" sorts first: the deleted ones in name order
        for (const QString &name : names)
            QVERIFY(file(dir.filePath(name.mid(name.startsWith('-'))), "") == "");
        QVERIFY(QDir::setCurrent(dir.path()));
        MessageCapture msg;
        pruneOldLogs(row.section(' ', 0, 0), QDateTime(QDate(2026, 5, 2), QTime(0, 0, 1)), 7, busy);
        QCOMPARE(msg.texts(QtDebugMsg)
                     .replaceInStrings(QRegularExpression("清理旧日志： \"(.*)\""), "-\\1"),
                 names.filter(QRegularExpression("^-")));
        QCOMPARE(msg.texts(QtWarningMsg).filter("4-01").filter("busy").size(), row.count("4-01"));
        QCOMPARE(msg.messages.size(), msg.texts(QtDebugMsg).size() + row.count("4-01"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 names.filter(QRegularExpression("^[^-]")).replaceInStrings("/f", ""));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
