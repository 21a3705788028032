#include "controlserver.h"
#include "logline.h"
#include "logpane.h"
#include "logsink.h"
#include "mainwindow.h"
#include "schemeentry.h"
#include "schemelistwindow.h"
#include "statusframe.h"

#include "support.h"

#include <QLocalSocket>

using namespace QTest;
using namespace Protocol;
using Frames = QByteArrayList;
using Box = QMessageBox;

const auto manualMode = commandFrame("4201", "CFC4"), autoMode = commandFrame("4202", "CA5B");
const auto sync = commandFrame("4203", "C92E"), async = commandFrame("4204", "C165");
const auto manualOn = commandFrame("4301", "8AA7"), manualOff = commandFrame("43", "89D2");
const auto autoOn = commandFrame("4401", "40AF"), autoStop = commandFrame("4402", "4530");
const auto autoOff = commandFrame("44", "43DA"); // CRCs: binascii.crc_hqx(bytes 0-20, 0)
static const QVariantMap buttons{
    { "Ok", Box::Ok }, { "Yes", Box::Yes }, { "No", Box::No }, { "Cancel", Box::Cancel }
};

static const auto dayFile = [](int ago) {
    return logDirectory() + QDate::currentDate().addDays(-ago).toString(Qt::ISODate) + ".log";
};

struct Rig : WindowDriver
{
    Rig() : WindowDriver(&window) { }
    ~Rig() // each dialog expected, each answer used
    {
        QCOMPARE(dialogs.misses, QStringList());
        QCOMPARE(dialogs.answers, QVariantList());
    }
    LogSink sink;
    DialogAnswerer dialogs;
    PtyPair pty;
    MainWindow window{ &sink };
    MessageCapture log; // after the sink, whose handler it calls

    void act(const QString &steps)
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts))
            if (step.startsWith('@')) // an answer: a button, else a text
                dialogs.answers << buttons.value(step.mid(1), step.mid(1));
            else if (step == "port")
                QVERIFY(openPort(pty.slavePath()));
            else if (step.size() == 1) // 0 manual, 1 automatic, 2 trigger
                radio(step.toInt())->click();
            else if (step.contains('='))
                get<QSpinBox>(qPrintable(step.split('=')[0]))->setValue(step.split('=')[1].toInt());
            else if (step == "apply") // the first row
                mouseClick(schemes()->findChild<QWidget *>("ScrollWinDow"), Qt::LeftButton, {},
                           { 20, 20 });
            else if (step == "rename" || step == "delete") {
                QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, { 20, 20 });
                QApplication::sendEvent(schemes()->findChild<QWidget *>("ScrollWinDow"), &menuKey);
                for (QAction *action : schemes()->findChild<QMenu *>()->actions())
                    if (action->text() == (step == "rename" ? "重命名方案" : "删除方案"))
                        action->trigger();
            } else if (step.startsWith('+')) // saved elsewhere
                QVERIFY(SchemeStore(schemeStoreDirectory()).save(step.mid(1), {}));
            else if (step.startsWith('-')) // deleted elsewhere
                QVERIFY(SchemeStore(schemeStoreDirectory()).remove(step.mid(1)));
            else if (step == "lost")
                pty.closeMaster();
            else if (step == "wrong")
                QVERIFY(pty.write(QByteArray::fromHex("8E057A10FF00000043000001")));
            else // by tool tip (start: open/stop), else name
                (button(step) ? button(step) : get<QPushButton>(qPrintable(step)))->click();
    }
    QString count() const { return get<QTextEdit>("countDisplay")->toPlainText(); }
    static QStringList names() // sorted: a renamed one keeps its place
    {
        QStringList names = schemes()->schemes();
        names.sort();
        return names;
    }
    QString copied(const char *keys = "Ctrl+A, Ctrl+C") const
    {
        qApp->clipboard()->clear();
        keySequence(get("mLog_edit"), QKeySequence(keys));
        return qApp->clipboard()->text();
    }
    static SchemeListWindow *schemes()
    {
        for (QWidget *widget : qApp->topLevelWidgets())
            if (auto *list = qobject_cast<SchemeListWindow *>(widget))
                return list;
        return nullptr;
    }
};

class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> r;

private slots:
    void init() // with logs of 8 and 7 days ago
    {
        QVERIFY(QDir::home().removeRecursively());
        QVERIFY(QDir().mkpath(logDirectory()));
        QVERIFY(QFile(dayFile(8)).open(QFile::WriteOnly));
        QVERIFY(QFile(dayFile(7)).open(QFile::WriteOnly));
        r = std::make_unique<Rig>();
    }
    void cleanup() { r.reset(); }

    void startUpRemovesLogsOlderThanSevenDays() // and says so in the pane
    {
        QVERIFY(!QFile::exists(dayFile(8)));
        QVERIFY(QFile::exists(dayFile(7)));
        QVERIFY(r->copied().endsWith("清理旧日志： \"" + dayFile(8).section('/', -1) + '"'));
    }

    void imagesAndStylesAreBuiltIn() // resources a static link may drop
    {
        QVERIFY(!r->button("open")->icon().pixmap(16).isNull());
        QVERIFY(!r->window.styleSheet().isEmpty());
        QVERIFY(!SchemeEntry("a").styleSheet().isEmpty());
    }

    void helpOpensInAViewer_data()
    {
        addColumn<QByteArray>("viewer"); // what xdg-mime names for CHM files
        addColumn<bool>("pages"); // help/index.html beside help.chm
        addColumn<QString>("opened"); // below the home; help.chm alone is installed
        newRow("a CHM viewer") << QByteArray("xchm.desktop") << true << "help.chm";
        newRow("no CHM viewer") << QByteArray() << true << "help/index.html";
        newRow("no viewer, no pages") << QByteArray() << false << "XDG_DATA_HOME/kavrin/help.chm";
    }
    void helpOpensInAViewer()
    {
        QFETCH(QByteArray, viewer);
        QFETCH(bool, pages);
        QVERIFY(QDir::setCurrent(QDir::homePath()));
        const auto script = [](const QString &name, const QByteArray &body) {
            QFile file(name);
            return file.open(QFile::WriteOnly) && file.write("#!/bin/sh\n" + body + '\n') > 0
                && file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        QVERIFY(script("xdg-mime", "echo " + viewer));
        QVERIFY(script("xdg-open", "echo \"$1\" > opened"));
        qputenv("PATH", QDir::homePath().toLocal8Bit() + ':' + qgetenv("PATH"));
        QStringList files{ "XDG_DATA_HOME/kavrin/help.chm" };
        if (pages)
            files << "help.chm"
                  << "help/index.html";
        for (const QString &file : files) {
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(QFile(file).open(QFile::WriteOnly));
        }
        r->act("帮助");
        QTRY_VERIFY(QFile::exists("opened"));
        QTEST(QString(fileBytes("opened").trimmed()).remove(QDir::homePath() + '/'), "opened");
        QVERIFY(r->copied().endsWith(">> 帮助"));
    }

    void triggerSelectorShowsItsWords()
    {
        QCOMPARE(r->get<QSpinBox>("triggerSpin")->text(), "同步");
        r->act("triggerSpin=1");
        QCOMPARE(r->get<QSpinBox>("triggerSpin")->text(), "异步");
    }

    void timingSpinsAgreeWithTheProtocol() // the form holds its own copies
    {
        const Timing timing;
        for (const auto &[name, start] : { std::pair{ "openSpin", timing.openTime },
                                           { "closeSpin", timing.closeTime },
                                           { "cycleSpin", timing.cycles } }) {
            QCOMPARE(r->get<QSpinBox>(name)->value(), start);
            QCOMPARE(r->get<QSpinBox>(name)->minimum(), timingMinimum);
            QCOMPARE(r->get<QSpinBox>(name)->maximum(), timingMaximum);
        }
    }

    void openingTheSelectorScansAndLogsThePorts()
    {
        r->act("port");
        QCOMPARE(r->log.lines().value(0).left(12), "debug 串口: (\"");
        QCOMPARE(r->log.lines().value(0).section('"', -2), r->pty.slavePath() + "\")"); // the last
        auto *combo = r->get<QComboBox>("portCombo");
        combo->showPopup(); // rescans: found first and last, so once
        QCOMPARE(combo->findText(r->pty.slavePath()), combo->count() - 1);
    }

    void controlsFollowTheConnection_data()
    {
        addColumn<QString>("steps");
        addColumn<bool>("portOpen"); // port shown, save settings on, radios checkable
        addColumn<QString>("status");
        addColumn<bool>("start");
        addColumn<bool>("selector");
        addColumn<bool>("autoOff");
        newRow("start-up") << "" << false << "请先选择串口" << false << false << false;
        newRow("opened") << "port" << true << "串口已连接" << false << false << false;
        newRow("manual") << "port 0" << true << "串口已连接" << true << false << false;
        newRow("automatic") << "port 2 1" << true << "串口已连接" << true << false << true;
        newRow("trigger") << "port 1 2" << true << "串口已连接" << false << true << false;
        newRow("closed") << "port 1 disconnect" << false << "串口已关闭" << false << false << false;
    }
    void controlsFollowTheConnection()
    {
        QFETCH(QString, steps);
        QFETCH(bool, portOpen);
        r->act(steps);
        QCOMPARE(r->get<QComboBox>("portCombo")->currentText() != "请选择串口", portOpen);
        QCOMPARE(r->get("Buttontext")->isEnabled(), portOpen);
        for (int index : { 0, 1, 2 }) // so unchecked
            QCOMPARE(r->radio(index)->isCheckable(), portOpen);
        QTEST(r->status(), "status");
        QTEST(r->button("open")->isEnabled(), "start");
        QTEST(r->get("triggerSpin")->isEnabled(), "selector");
        QTEST(r->button("自动模式关闭")->isEnabled(), "autoOff");
    }

    void controlsSendTheirFrames_data()
    {
        addColumn<QString>("steps"); // after the open
        addColumn<Frames>("frames");
        newRow("manual start, stop") << "0 open stop" << Frames{ manualMode, manualOn, manualOff };
        newRow("automatic start, stop, start, off")
            << "1 open stop open 自动模式关闭"
            << Frames{ autoMode, autoOn, autoStop, autoOn, autoOff };
        newRow("a new mode starts idle, nothing stops the old")
            << "0 open 1 open" << Frames{ manualMode, manualOn, autoMode, autoOn };
        newRow("checked radio again") << "0 0" << Frames{ manualMode };
        newRow("trigger, the selector both ways") << "2 triggerSpin=1 0 2 triggerSpin=0"
                                                  << Frames{ sync, async, manualMode, async, sync };
    }
    void controlsSendTheirFrames()
    {
        QFETCH(QString, steps);
        r->act("port " + steps);
        QTEST(r->pty.frames(), "frames");
    }

    void faultClosesThePort_data() // one critical line
    {
        addColumn<QString>("steps");
        addColumn<QStringList>("boxes");
        newRow("another device") << "@Ok port wrong" << QStringList{ "错误|设备连接错误" };
        newRow("port lost") << "port lost" << QStringList();
    }
    void faultClosesThePort()
    {
        QFETCH(QString, steps);
        r->act(steps);
        QTRY_COMPARE(r->status(), "串口已关闭");
        qWait(100); // nothing follows
        QTEST(r->dialogs.seen, "boxes");
        QCOMPARE(r->log.lines().filter("critical ").size(), 1);
    }

    void countDisplayFollowsTheController() // paced; cleared by automatic off; 0 ends a run
    {
        const auto cycles = [](int n) { return statusFrame(StatusCode::CycleCount, quint16(n)); };
        r->act("port 1");
        QVERIFY(r->pty.write(cycles(1) + cycles(2)));
        QVERIFY(r->pty.waitUntilTaken());
        qApp->processEvents();
        QCOMPARE(r->count(), "循环次数：1"); // 2 waits
        r->act("自动模式关闭");
        qWait(250);
        QCOMPARE(r->count(), ""); // 2 dropped
        r->act("open");
        QVERIFY(r->pty.write(statusFrame(StatusCode::TriggerCount, 300)));
        QTRY_COMPARE(r->count(), "触发次数：300");
        QVERIFY(r->button("stop"));
        QSignalSpy layouts(r->get<QTextEdit>("countDisplay"), &QTextEdit::textChanged);
        for (int left = 40; left >= 0; --left)
            QVERIFY(r->pty.write(cycles(left)));
        QTRY_COMPARE(r->count(), "循环次数：0");
        QVERIFY(layouts.count() < 10);
        QVERIFY(r->button("open"));
    }

    void schemeChangesAreListedLoggedAndKept_data()
    {
        addColumn<QString>("steps");
        addColumn<QString>("asked"); // the last dialog
        addColumn<QString>("names"); // listed, and after a restart
        addColumn<QString>("logged"); // the last line about a scheme
        const QString name = "方案名称|输入方案名称：", rename = "重命名|输入你的名字：";
        const QString ask = "提示|方案 (%1) 已存在，是否覆盖？", one = "@A 保存方案 ";
        const QString two = one + "@B 保存方案 ", deleted = "warning \"方案 (A) 已删除\"";
        const QString toB = "debug \"方案名称已修改：(A) to (B)\"";
        const QString toC = "debug \"方案名称已修改：(A) to (C)\"";
        const QString saved = "debug \"方案 (<b>B</b>) 保存成功\"";
        const QString reread = "warning \"方案文件已在别处修改，已重新读取："
            + schemeFilePath(schemeStoreDirectory()) + '"';
        newRow("save") << "@<b>B</b> 保存方案" << name << "<b>B</b>" << saved;
        newRow("rename") << two + "@C rename" << rename << "B C" << toC;
        newRow("delete") << two + "delete" << name << "B" << deleted;
        newRow("rename onto B: Yes") << two + "@B @Yes rename" << ask.arg("B") << "B" << toB;
        newRow("saved elsewhere, delete") << one + "+E delete" << name << "E" << deleted;
        newRow("saved elsewhere, rename") << one + "+E @C rename" << rename << "C E" << toC;
        newRow("deleted elsewhere, rename") << one + "-A @C rename" << rename << "" << reread;
        newRow("rename onto E: No") << one + "+E @E @No rename" << ask.arg("E") << "A E" << reread;
    }
    void schemeChangesAreListedLoggedAndKept()
    {
        QFETCH(QString, steps);
        QFETCH(QString, names);
        r->act(steps);
        QTEST(r->dialogs.seen.last(), "asked");
        QTEST(r->log.lines().filter("方案").last(), "logged");
        QCOMPARE(r->names(), names.split(' ', Qt::SkipEmptyParts));
        r.reset();
        r = std::make_unique<Rig>();
        QCOMPARE(r->names(), names.split(' ', Qt::SkipEmptyParts));
    }

    void rowsAnswerWhereTheyAreDrawn_data() // three rows at 9, 65, 121, 50 high
    {
        addColumn<int>("y");
        addColumn<QString>("chosen"); // none: nothing
        newRow("first") << 34 << "A";
        newRow("second, top") << 65 << "B";
        newRow("third, bottom") << 170 << "C";
        newRow("the gap between") << 61 << "";
        newRow("below the last") << 175 << "";
    }
    void rowsAnswerWhereTheyAreDrawn()
    {
        QFETCH(int, y);
        QFETCH(QString, chosen);
        r->act("@B 保存方案 @A 保存方案 @C 保存方案");
        if (!chosen.isEmpty())
            r->act("@Ok"); // the port is closed: "串口未打开"
        QSignalSpy spy(r->schemes(), &SchemeListWindow::schemeChosen);
        mouseClick(r->schemes()->findChild<QWidget *>("ScrollWinDow"), Qt::LeftButton, {},
                   { 20, y });
        QCOMPARE(spy.value(0).value(0).toString(), chosen);
    }

    void unchangedSchemesAreNotWritten()
    {
        r->act("@A @B 保存方案 保存方案");
        QFile file(schemeFilePath(schemeStoreDirectory())); // changed elsewhere, schemes the same
        QVERIFY(file.open(QFile::Append | QFile::Unbuffered));
        QCOMPARE(file.write("\n"), 1);
        r->dialogs.answers = { QString() }; // cancels
        r->act("rename @B @No rename");
        QCOMPARE(fileBytes(file.fileName()).right(3), QByteArray("}\n\n"));
    }

    void entryToolTipShowsTheWholeNameAsText() // as a tool tip shows rich text
    {
        const QString name = "<b>a long name</b>\n  second line";
        r->schemes()->setSchemes({ name });
        r->schemes()->show();
        auto *rows = r->schemes()->findChild<QWidget *>("ScrollWinDow");
        QHelpEvent overFirstRow(QEvent::ToolTip, { 20, 20 }, rows->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(rows, &overFirstRow);
        QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), name);
    }

    void applyingNeedsAnOpenPortThenSendsTheScheme()
    {
        r->act("openSpin=5 @A 保存方案 openSpin=9 导入方案 @Ok apply");
        QCOMPARE(r->dialogs.seen.value(1), "提示|串口未打开");
        QVERIFY(r->schemes()->isVisible());
        r->act("port @Ok apply");
        QCOMPARE(r->get<QSpinBox>("openSpin")->value(), 5);
        QCOMPARE(r->pty.drain().mid(8, 7).toHex(' '), QByteArray("41 00 05 00 02 00 0a"));
        QVERIFY(!r->schemes()->isVisible());
    }

    void failedSchemeWriteIsNoSuccess() // a folder in its place: unreplaceable
    {
        QVERIFY(QDir().mkpath(schemeFilePath(schemeStoreDirectory())));
        r->act("@neu @Ok 保存方案");
        const QString failed = "方案文件写入失败，更改仅在本次运行中保留：";
        QCOMPARE(r->log.lines().filter("保存成功"), QStringList());
        QCOMPARE(r->log.lines().filter("warning " + failed).size(), 1);
        QVERIFY(r->dialogs.seen.value(1).startsWith("警告|" + failed));
    }

    void closingTheWindowEndsTheProgram()
    {
        r->window.show();
        r->act("port 导入方案");
        QTimer::singleShot(0, &r->window, [this] { // from inside exec()
            r->window.close();
            QVERIFY(!r->schemes()->isVisible()); // before quitting closes all
        });
        QTimer::singleShot(3000, &r->window, [] { qApp->exit(1); }); // against a hang
        QCOMPARE(qApp->exec(), 0); // quits with the last window, in exec() only
        QVERIFY(r->log.lines().last().endsWith("已关闭！"));
    }

    void aScriptDrivesTheWindowAsTheOperatorWould()
    {
        QLocalSocket script;
        script.connectToServer(controlEndpointName());
        QStringList events;
        const auto ask = [&](QByteArray request) { // the reply; events pushed before it kept
            script.write(request.replace('\'', '"') + '\n');
            for (QJsonObject line; QTest::qWaitFor([&] { return script.canReadLine(); });) {
                line = QJsonDocument::fromJson(script.readLine()).object();
                if (line.contains("reply"))
                    return line;
                events << line.value("event").toString() + ' ' + line.value("frame").toString();
            }
            return QJsonObject{ { "reply", "none" } };
        };
        QCOMPARE(ask("{'request':'start'}").value("code"), 3); // no port: refused, nothing sent
        QCOMPARE(ask("{'request':'open','port':'" + r->pty.slavePath().toUtf8() + "'}"),
                 QJsonObject({ { "reply", "ok" } }));
        QCOMPARE(r->status(), "串口已连接");
        QCOMPARE(ask("{'request':'mode','mode':'auto'}").value("reply"), "ok");
        QVERIFY(r->radio(1)->isChecked()); // automatic
        r->act("@Ok"); // "参数设置成功", as for the operator
        QCOMPARE(ask("{'request':'params','open':3,'close':4,'cycles':5}").value("reply"), "ok");
        QCOMPARE(r->get<QSpinBox>("cycleSpin")->value(), 5);
        QCOMPARE(ask("{'request':'start'}").value("reply"), "ok");
        QVERIFY(r->button("stop")); // the start button, running
        const QJsonObject state = ask("{'request':'state'}").value("state").toObject();
        QCOMPARE(state.value("mode"), "auto");
        QCOMPARE(state.value("run"), "running");
        QCOMPARE(r->pty.frames().mid(0, 1), Frames{ autoMode });
        QCOMPARE(events.filter("sent").size(), 3); // mode, parameters, start
        QVERIFY(events.contains("sent " + autoOn.toHex(' ').toUpper()));
        QVERIFY(r->log.lines().contains("debug 控制端已连接"));
        QCOMPARE(ask("{'request':'stop'}").value("reply"), "ok");
        QCOMPARE(r->pty.frames(), Frames{ autoStop });
        QVERIFY(r->button("open")); // the start button, idle again
        script.disconnectFromServer();
        QTRY_VERIFY(r->log.lines().contains("debug 控制端已断开"));
    }

    void closingDuringARunAsksFirst_data()
    {
        addColumn<QString>("answer"); // during a manual run
        addColumn<bool>("closed");
        addColumn<Frames>("frames"); // sent after the start
        newRow("stop and quit") << "@Yes" << true << Frames{ manualOff };
        newRow("quit, the shutter running") << "@No" << true << Frames{};
        newRow("cancel") << "@Cancel" << false << Frames{};
    }
    void closingDuringARunAsksFirst()
    {
        QFETCH(QString, answer);
        r->window.show();
        r->act("port 0 open " + answer);
        r->pty.drain();
        QTEST(r->window.close(), "closed");
        QTEST(r->pty.frames(), "frames");
        QCOMPARE(r->dialogs.seen, QStringList{ "提示|快门正在运行。退出前是否停止快门？" });
    }

    void logPaneShowsTheNewest10000Lines() // scrolled, selected and copied as whole lines
    {
        auto *pane = r->get<LogPane>("mLog_edit");
        for (int line = 0; line < 10000; ++line)
            pane->appendLine(QString::number(line).repeated(30));
        pane->horizontalScrollBar()->setValue(50);
        pane->appendLine("<b>a</b>\r\nb"); // two lines
        QCOMPARE(pane->horizontalScrollBar()->value(), 0); // the newest at the left edge
        QStringList kept; // the oldest dropped
        for (int line = 2; line < 10000; ++line)
            kept << QString::number(line).repeated(30);
        kept << "<b>a</b>" << QString("b");
        QCOMPARE(r->copied().split('\n'), kept);
        const QPoint top(5, 5), bottom(5, pane->viewport()->height() - 5);
        const auto click = [&](QPoint at, Qt::KeyboardModifiers keys = {}) {
            mouseClick(pane->viewport(), Qt::LeftButton, keys, at);
            return r->copied("Ctrl+C");
        };
        QCOMPARE(click(bottom), "b"); // the newest at the bottom
        const QStringList shown = click(top, Qt::ShiftModifier).split('\n');
        QCOMPARE(shown, kept.mid(kept.size() - shown.size()));
        keyClick(pane, Qt::Key_PageUp); // back; End, or a new line: the newest again
        QVERIFY(click(bottom) != "b");
        keyClick(pane, Qt::Key_End);
        QCOMPARE(click(bottom), "b");
        keyClick(pane, Qt::Key_PageUp);
        pane->appendLine("c");
        QCOMPARE(click(bottom), "c");
        r->get<QAbstractButton>("logCheck")->setChecked(false);
        QVERIFY(pane->isHidden());
    }
};

KAVRIN_TEST_MAIN(TestWindow)
#include "tst_window.moc"
