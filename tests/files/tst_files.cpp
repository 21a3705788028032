// The scheme file and store, log lines, the day's file and retention, in a throw-away home.
#include "log/logretention.h"
#include "log/logsink.h"
#include "log/messagehandler.h"
#include "schemes/schemestore.h"

#include "messagecapture.h"
#include "testhome.h"

#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

Q_DECLARE_METATYPE(SchemeParse)

const TestHome home; // made before the application object
const QString logs = QDir::homePath() + "/Documents/LogFile/Kavrin/";
// Indented, keys in code-unit order (upper case first), a Chinese name as UTF-8, non-records kept.
const QByteArray layout("{\n    \"A\": {\n        \"close_spinBox\": 4,\n        \"cycle_spinBox\":"
                        " 5,\n        \"open_spinBox\": 3\n    },\n    \"a\": [\n        1\n    ],"
                        "\n    \"f\": {\n        \"cycle_spinBox\": 6,\n        \"open_spinBox\": 2"
                        ".5\n    },\n    \"\xe6\x96\xb9\": 7\n}\n");
const QByteArray recordA = layout.left(layout.indexOf("},") + 1) + "\n}\n";
const QDateTime lastMoment(QDate(2026, 1, 1), QTime(23, 59, 59, 999)); // of a Thursday
static int refusals = 0, readings = 0; // root reads and deletes all: refusals are simulated
const FileReader locked = [](const QString &p, QByteArray *b, QString *e) {
    return refusals-- > 0 ? (*e = "Permission denied").isNull() : readWholeFile(p, b, e);
};
const FileRemover busy = [](const QString &p, QString *e) {
    return p.endsWith("04-01.log") ? (*e = "busy").isNull() : removeFile(p, e);
};

static QByteArray file(const QString &path, const QByteArray &bytes = {}) // writes bytes if given
{
    QFile f(path);
    if (!bytes.isNull() && QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly))
        f.write(bytes), f.close();
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "<none>";
}

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setLogClock(nullptr), readings = 0, QDir::setCurrent(home.path()); }

    void schemeBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<SchemeParse>("result");
        QTest::addColumn<QByteArray>("written"); // the collection afterwards, as written
        QTest::addColumn<QVector<int>>("values"); // open, close, cycle of each member
        const QByteArray kept("{\n    \"previous\": 1\n}\n"), empty("{\n}\n");
        const QVector<int> none(3), all{ 3, 4, 5, 0, 0, 0, 0, 0, 6, 0, 0, 0 };
        using P = SchemeParse;
        QTest::newRow("layout, NUL after it; 2.5, missing, no record: 0")
            << layout + QByteArray("\0{", 2) << P::Ok << layout << all;
        QTest::newRow("empty: two lines") << empty << P::Ok << empty << QVector<int>();
        QTest::newRow("only whitespace") << QByteArray(" \r\n\t") << P::Empty << kept << none;
        QTest::newRow("invalid JSON") << QByteArray("{\"a\": ") << P::Invalid << kept << none;
        QTest::newRow("NUL first") << QByteArray("\0{\"a\": 1}", 9) << P::Invalid << kept << none;
        QTest::newRow("top-level array") << QByteArray("[1]") << P::NotAnObject << kept << none;
    }
    void schemeBytes()
    {
        QFETCH(QByteArray, bytes);
        QJsonObject parsed{ { "previous", 1 } };
        QTEST(parseSchemeBytes(bytes, &parsed), "result");
        QTEST(serialiseSchemes(parsed), "written");
        QVector<int> values;
        for (const QJsonValue &s : parsed)
            values << schemeValues(s).open << schemeValues(s).close << schemeValues(s).cycle;
        QTEST(values, "values");
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
        SchemeStore store(dir, locked);
        store.load(); // makes the folder, not the file
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2 * old);
        QCOMPARE(log.texts(QtWarningMsg).filter(path).size(), int(old && refused >= 0));
        QCOMPARE(log.texts(QtWarningMsg).filter("Permission denied").size(), int(refused > 0));
        rlimit unlimited{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        const rlimit limit{ refused < 0 ? 40 : unlimited.rlim_cur, unlimited.rlim_max };
        QVERIFY(std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0);
        const bool written = store.save("Z", schemeRecord(3, 4, 5)) & store.rename("Z", "A");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QCOMPARE(written, saved);
        QCOMPARE(file(path), saved ? recordA : content);
        QCOMPARE(store.schemes().keys(), QStringList{ "A" }); // kept either way
        QCOMPARE(log.texts(QtDebugMsg).count("write error! \n"), saved ? 0 : 2);
        QCOMPARE(store.lastError().isEmpty(), saved);
        QCOMPARE(file(path + ".bak.1"), old && saved ? content : "<none>");
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), old ? 2 + saved : 1);
    }

    void logLine_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        QTest::newRow("debug is Info") << int(QtDebugMsg) << " Info:";
        QTest::newRow("warning") << int(QtWarningMsg) << " Warning:";
        QTest::newRow("critical") << int(QtCriticalMsg) << " Critical:";
        QTest::newRow("fatal") << int(QtFatalMsg) << " Fatal:";
        QTest::newRow("info: no label, two blanks") << int(QtInfoMsg) << " ";
    }
    void logLine()
    {
        QFETCH(int, type);
        QFETCH(QString, label);
        MessageCapture previous;
        const int savedErr = dup(STDERR_FILENO);
        QTemporaryFile err; // a message raised while one is handled goes to stderr only
        QVERIFY(err.open() && dup2(err.handle(), STDERR_FILENO) >= 0);
        auto *sink = new LogSink;
        QSignalSpy signalled(sink, &LogSink::lineLogged);
        setLogClock([] { // raises a message, then reads the day's last moment; later ones: next day
            return readings++ ? lastMoment.addMSecs(1) : (qWarning("nested"), lastMoment);
        });
        logMessageHandler(QtMsgType(type), { nullptr, 57, nullptr, nullptr }, "%1 串口");
        delete sink;
        QVERIFY(dup2(savedErr, STDERR_FILENO) >= 0 && close(savedErr) == 0);
        qWarning("after"); // the previous handler is back
        const QString day = QLocale::system().dayName(4, QLocale::ShortFormat);
        const QString line = "2026-01-01 23:59:59 " + day + ":" + label + " Line:57 >> %1 串口";
        QCOMPARE(signalled, QList<QVariantList>{ { line } }); // and ends the stamped day's file:
        QVERIFY(file(logs + "2026-01-01.log").endsWith((line + "\r\n").toLocal8Bit()));
        QCOMPARE(previous.texts(QtWarningMsg), QStringList{ "after" });
        QVERIFY(err.seek(0) && err.readAll().endsWith(" Warning: Line:0 >> nested\n"));
    }

    void logFromTwoThreads()
    {
        QStringList signalled;
        LogSink sink;
        connect(&sink, &LogSink::lineLogged, [&](const QString &line) { signalled << line; });
        setLogClock([] { return lastMoment.addDays(9); }); // one day's file, the lines signalled
        const auto work = [](int id) {
            for (int i = 0; i < 500; ++i)
                qt_message_output(QtDebugMsg, {}, QStringLiteral("w%1 %2").arg(id).arg(i));
        };
        QScopedPointer<QThread> one(QThread::create(work, 1)), two(QThread::create(work, 2));
        one->start(), two->start();
        QVERIFY(one->wait() && two->wait());
        QCOMPARE(file(logs + "2026-01-10.log"), (signalled.join("\r\n") + "\r\n").toLocal8Bit());
        QCOMPARE(signalled.filter(" Info: Line:0 >> w").size(), 1000);
    }

    void logRetention_data()
    {
        QTest::addColumn<QString>("files"); // the folder, its entries ("-": deleted, "/": folder)
        QTest::newRow("8 days old goes, 7 days old stays") << ". -2026-04-24.log 2026-04-25.log";
        QTest::newRow("today and future kept") << ". 2026-05-02.log 2026-05-03.log 2099-01-01.log";
        QTest::newRow("no real date kept") << ". notes.log 2026-13-01.log 2026-02-30.log";
        QTest::newRow("first dot decides") << ". -2026-04-20.a.log 2026-04-30.a.log";
        QTest::newRow("not *.log, folders kept") << ". 2026-04-20.log.1 2000-01-01.log/";
        QTest::newRow("any case, name order") << ". -2026-04-10.Log -2026-03-01.LOG";
        QTest::newRow("failed deletion warned, not cleared") << ". -2026-03-31.log 2026-04-01.log";
        QTest::newRow("missing directory not created") << "LogFile/Kavrin/ 2000-01-01.log";
        QTest::newRow("empty path is not the working folder") << " 2000-01-01.log";
    }
    void logRetention()
    {
        QFETCH(QString, files);
        QTemporaryDir dir;
        QStringList names = files.split(' '), paths, cleared;
        const QString directory = names.takeFirst();
        names.sort(); // "-" sorts first: the deleted ones in name order
        for (const QString &name : names) {
            paths << dir.filePath(name.mid(name.startsWith('-')));
            QVERIFY(file(paths.last() + (name.endsWith('/') ? "f" : ""), "") == "");
            if (name.startsWith('-'))
                cleared << QStringLiteral("清理旧日志： \"%1\"").arg(name.mid(1));
        }
        QVERIFY(QDir::setCurrent(dir.path()));
        MessageCapture msg;
        pruneOldLogs(directory, QDateTime(QDate(2026, 5, 2), QTime(0, 0, 1)), 7, busy);
        QCOMPARE(msg.texts(QtDebugMsg), cleared);
        QCOMPARE(msg.texts(QtWarningMsg).filter("4-01").filter("busy").size(), files.count("4-01"));
        QCOMPARE(msg.messages.size(), cleared.size() + files.count("4-01")); // nothing else
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(QFileInfo::exists(paths[i]), !names[i].startsWith('-'));
        QVERIFY(!QFileInfo::exists(dir.filePath("LogFile")));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
