#include "app/mainwindow.h"
#include "log/logline.h"
#include "log/logsink.h"
#include "protocol/statusframe.h"
#include "ui/logpane.h"
#include "ui/schemeentry.h"
#include "ui/schemelistwindow.h"

#include "support.h"

using namespace QTest;
using Frames = QByteArrayList;

// Their CRCs are Python's binascii.crc_hqx(bytes 0-20, 0).
static const QByteArray manualMode = commandFrame("4201", "CFC4"),
                        autoMode = commandFrame("4202", "CA5B");
static const QByteArray syncMode = commandFrame("4203", "C92E"),
                        asyncMode = commandFrame("4204", "C165");
static const QByteArray manualStart = commandFrame("4301", "8AA7"),
                        manualStop = commandFrame("43", "89D2");
static const QByteArray autoStart = commandFrame("4401", "40AF"),
                        autoStop = commandFrame("4402", "4530");
static const QByteArray autoOff = commandFrame("44", "43DA");

static QString dayFile(int daysAgo)
{
    return logDirectory() + QDate::currentDate().addDays(-daysAgo).toString(Qt::ISODate) + ".log";
}

struct Rig : WindowDriver
{
    Rig() : WindowDriver(&window) { }
    ~Rig() // every dialog expected, every answer used
    {
        QCOMPARE(dialogs.misses, QStringList());
        QCOMPARE(dialogs.answers, QVariantList());
    }
    LogSink sink;
    DialogAnswerer dialogs;
    PtyPair pty;
    MainWindow window{ &sink };
    MessageCapture log; // after the sink, whose handler it passes messages on to

    // port, start, radio 0-2, SPIN=N, apply, rename, delete, button; another window saves E
    // (elsewhere) or deletes A (gone)
    void act(const QString &steps)
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            SchemeEntry *first = schemes()->entries().value(0);
            if (step == "port")
                QVERIFY(openPort(pty.slavePath()));
            else if (step == "start")
                start()->click();
            else if (step.size() == 1)
                radio(step.toInt())->click();
            else if (step.contains('='))
                get<QSpinBox>(qPrintable(step.section('=', 0, 0)))
                    ->setValue(step.section('=', 1).toInt());
            else if (step == "apply")
                QTest::mouseClick(first, Qt::LeftButton);
            else if (step == "rename" || step == "delete") { // from its menu
                for (QAction *action : first->findChildren<QAction *>())
                    if (action->text() == (step == "rename" ? "重命名方案" : "删除方案"))
                        action->trigger();
            } else if (step == "elsewhere")
                QVERIFY(SchemeStore(schemeStoreDirectory()).save("E", {}));
            else if (step == "gone") // another window deletes A
                QVERIFY(SchemeStore(schemeStoreDirectory()).remove("A"));
            else
                (button(step) ? button(step) : get<QPushButton>(qPrintable(step)))->click();
        }
    }
    QString count() const { return get<QTextEdit>("countDisplay")->toPlainText(); }
    static QStringList names()
    {
        QStringList names;
        for (SchemeEntry *entry : schemes()->entries())
            names << entry->name();
        return names;
    }
    QString copied(bool all = false) const // Ctrl+C in the pane, after Ctrl+A if all
    {
        QGuiApplication::clipboard()->clear();
        if (all)
            keyClick(get("mLog_edit"), Qt::Key_A, Qt::ControlModifier);
        keyClick(get("mLog_edit"), Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    }
    QPushButton *start() const { return button(button("open") ? "open" : "stop"); }
    static SchemeListWindow *schemes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
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
    void init() // a fresh home, with log files of 8 and 7 days ago for the start-up to judge
    {
        QVERIFY(QDir::home().removeRecursively());
        QVERIFY(QDir().mkpath(logDirectory()));
        QVERIFY(QFile(dayFile(8)).open(QIODevice::WriteOnly));
        QVERIFY(QFile(dayFile(7)).open(QIODevice::WriteOnly));
        r = std::make_unique<Rig>();
    }
    void cleanup() { r.reset(); }

    void startUpRemovesLogsOlderThanSevenDays() // the pane's line after the time stamp
    {
        QVERIFY(!QFile::exists(dayFile(8)));
        QVERIFY(QFile::exists(dayFile(7)));
        const QString name = QFileInfo(dayFile(8)).fileName();
        QCOMPARE(r->copied(true).section(' ', 3), "Info: Line:0 >> 清理旧日志： \"" + name + '"');
    }

    void helpOpensInAViewer() // from the working folder, else the installed one; logs 帮助
    {
        QVERIFY(QDir::setCurrent(QDir::homePath()));
        QVERIFY(QFile::link(QStandardPaths::findExecutable("rm"), "xdg-open")); // gone: opened
        qputenv("PATH", QDir::homePath().toLocal8Bit() + ':' + qgetenv("PATH"));
        const QString installed = qEnvironmentVariable("XDG_DATA_HOME") + "/kavrin/help.chm";
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        QVERIFY(QFile(installed).open(QIODevice::WriteOnly));
        QVERIFY(QFile("help.chm").open(QIODevice::WriteOnly));
        r->act("帮助");
        QTRY_VERIFY(!QFile::exists("help.chm"));
        r->act("帮助");
        QTRY_VERIFY(!QFile::exists(installed));
        QVERIFY(r->copied(true).endsWith(">> 帮助"));
    }

    void imagesAndStylesAreBuiltIn() // a static library's resources, which a linker may drop
    {
        QVERIFY(!r->start()->icon().pixmap(16).isNull());
        QVERIFY(!r->window.styleSheet().isEmpty());
        QVERIFY(!SchemeEntry("a").styleSheet().isEmpty());
    }

    void triggerSelectorShowsItsWords()
    {
        QCOMPARE(r->get<QSpinBox>("triggerSpin")->text(), QStringLiteral("同步"));
        r->act("triggerSpin=1");
        QCOMPARE(r->get<QSpinBox>("triggerSpin")->text(), QStringLiteral("异步"));
    }

    void openingTheSelectorScansAndLogsThePorts()
    {
        r->act("port");
        const QString scan = r->log.lines().value(0); // the new port listed last
        QVERIFY2(scan.startsWith("debug 串口: (\""), qPrintable(scan));
        QVERIFY2(scan.endsWith("\"" + r->pty.slavePath() + "\")"), qPrintable(scan));
        auto *combo = r->get<QComboBox>("portCombo");
        combo->showPopup(); // a second scan lists each port once
        QStringList listed;
        for (int i = 0; i < combo->count(); ++i)
            listed << combo->itemText(i);
        QCOMPARE(listed.count(r->pty.slavePath()), 1);
    }

    void controlsFollowTheConnection_data() // nothing usable before an open and after a close
    {
        addColumn<QString>("steps");
        addColumn<bool>("portOpen"); // port shown, save settings on, mode radios checkable
        addColumn<QString>("status");
        addColumn<QList<bool>>("usable"); // start, automatic off, trigger selector
        newRow("start-up") << "" << false << "请先选择串口" << QList<bool>{ 0, 0, 0 };
        newRow("opened") << "port" << true << "串口已连接" << QList<bool>{ 0, 0, 0 };
        newRow("manual") << "port 0" << true << "串口已连接" << QList<bool>{ 1, 0, 0 };
        newRow("automatic") << "port 2 1" << true << "串口已连接" << QList<bool>{ 1, 1, 0 };
        newRow("trigger") << "port 1 2" << true << "串口已连接" << QList<bool>{ 0, 0, 1 };
        newRow("closed, the mode unchecked")
            << "port 1 disconnect" << false << "串口已关闭" << QList<bool>{ 0, 0, 0 };
    }
    void controlsFollowTheConnection()
    {
        QFETCH(QString, steps);
        QFETCH(bool, portOpen);
        r->act(steps);
        QTEST(r->status(), "status");
        QCOMPARE(r->get<QComboBox>("portCombo")->currentText() != "请选择串口", portOpen);
        QCOMPARE(r->get("Buttontext")->isEnabled(), portOpen);
        for (int index : { 0, 1, 2 }) // unchecked when not checkable
            QCOMPARE(r->radio(index)->isCheckable(), portOpen);
        const QList<bool> usable{ r->start()->isEnabled(), r->button("自动模式关闭")->isEnabled(),
                                  r->get("triggerSpin")->isEnabled() };
        QTEST(usable, "usable");
    }

    void controlsSendTheirFrames_data()
    {
        addColumn<QString>("steps"); // after the open
        addColumn<Frames>("frames");
        newRow("manual start, stop")
            << "0 start start" << Frames{ manualMode, manualStart, manualStop };
        newRow("automatic start, stop, start, off")
            << "1 start start start 自动模式关闭"
            << Frames{ autoMode, autoStart, autoStop, autoStart, autoOff };
        newRow("a new mode starts idle, nothing stops the old")
            << "0 start 1 start" << Frames{ manualMode, manualStart, autoMode, autoStart };
        newRow("checked radio again") << "0 0" << Frames{ manualMode };
        newRow("trigger, the selector both ways")
            << "2 triggerSpin=1 0 2 triggerSpin=0"
            << Frames{ syncMode, asyncMode, manualMode, asyncMode, syncMode };
    }
    void controlsSendTheirFrames()
    {
        QFETCH(QString, steps);
        r->act("port " + steps);
        QTEST(r->pty.frames(), "frames");
    }

    void faultClosesThePort_data() // with one critical line (its text: tst_session)
    {
        addColumn<QByteArray>("line"); // what the controller sends; none: the port is lost
        addColumn<QStringList>("boxes");
        newRow("another device") << QByteArray::fromHex("8E057A10FF00000043000001")
                                 << QStringList{ "错误|设备连接错误" };
        newRow("port lost") << QByteArray() << QStringList();
    }
    void faultClosesThePort()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, boxes);
        r->dialogs.answers = boxes.isEmpty() ? QVariantList() : QVariantList{ QMessageBox::Ok };
        r->act("port");
        if (line.isEmpty())
            r->pty.closeMaster();
        QVERIFY(line.isEmpty() || r->pty.write(line));
        QTRY_COMPARE(r->status(), QStringLiteral("串口已关闭"));
        qWait(100); // nothing follows
        QCOMPARE(r->dialogs.seen, boxes);
        QCOMPARE(r->log.lines().filter("critical ").size(), 1);
    }

    void countsAreShownAndZeroCyclesEndTheRun() // faster than shown: the latest last
    {
        r->act("port 1 start");
        QVERIFY(r->pty.write(statusFrame(StatusCode::TriggerCount, 300)));
        QTRY_COMPARE(r->count(), QStringLiteral("触发次数：300"));
        QCOMPARE(r->start()->toolTip(), QStringLiteral("stop"));
        QSignalSpy layouts(r->get<QTextEdit>("countDisplay"), &QTextEdit::textChanged);
        for (int left = 40; left >= 0; --left)
            QVERIFY(r->pty.write(statusFrame(StatusCode::CycleCount, quint16(left))));
        QTRY_COMPARE(r->count(), QStringLiteral("循环次数：0"));
        QVERIFY(layouts.count() < 10);
        QCOMPARE(r->start()->toolTip(), QStringLiteral("open"));
    }

    void autoOffClearsTheCount() // and drops a count still waiting to be shown
    {
        r->act("port 1");
        QVERIFY(r->pty.write(statusFrame(StatusCode::CycleCount, 1)
                             + statusFrame(StatusCode::CycleCount, 2)));
        QVERIFY(r->pty.waitUntilTaken());
        QCoreApplication::processEvents();
        QCOMPARE(r->count(), QStringLiteral("循环次数：1"));
        r->act("自动模式关闭");
        qWait(250);
        QCOMPARE(r->count(), QString());
    }

    void schemeChangesAreListedLoggedAndKept_data()
    {
        addColumn<QVariantList>("answers");
        addColumn<QString>("steps"); // rename and delete the first entry
        addColumn<QString>("asked"); // the last dialog
        addColumn<QString>("logged"); // the last line about a scheme
        addColumn<QStringList>("names"); // listed, and after a restart
        const QString save = "方案名称|输入方案名称：",
                      replace = "提示|方案 (B) 已存在，是否覆盖？";
        const QString two = "保存方案 保存方案 ", renamed = "debug \"方案名称已修改：(A) to ";
        const QString reloaded = "warning \"方案文件已在别处修改，已重新读取："
            + schemeFilePath(schemeStoreDirectory()) + '"';
        newRow("save") << QVariantList{ "<b>B</b>" } << "保存方案" << save
                       << "debug \"方案 (<b>B</b>) 保存成功\"" << QStringList{ "<b>B</b>" };
        newRow("rename") << QVariantList{ "A", "B", "C" } << two + "rename"
                         << "重命名|输入你的名字：" << renamed + "(C)\"" << QStringList{ "B", "C" };
        newRow("delete") << QVariantList{ "A", "B" } << two + "delete" << save
                         << "warning \"方案 (A) 已删除\"" << QStringList{ "B" };
        newRow("rename onto another: No keeps both")
            << QVariantList{ "A", "B", "B", QMessageBox::No } << two + "rename" << replace
            << "debug \"方案 (B) 保存成功\"" << QStringList{ "A", "B" };
        newRow("rename onto another: Yes replaces it")
            << QVariantList{ "A", "B", "B", QMessageBox::Yes } << two + "rename" << replace
            << renamed + "(B)\"" << QStringList{ "B" };
        newRow("delete after a save elsewhere")
            << QVariantList{ "A" } << "保存方案 elsewhere delete" << save
            << "warning \"方案 (A) 已删除\"" << QStringList{ "E" };
        newRow("rename after a save elsewhere")
            << QVariantList{ "A", "C" } << "保存方案 elsewhere rename"
            << "重命名|输入你的名字：" << renamed + "(C)\"" << QStringList{ "C", "E" };
        newRow("rename of a scheme deleted elsewhere")
            << QVariantList{ "A", "C" } << "保存方案 gone rename"
            << "重命名|输入你的名字：" << reloaded << QStringList();
        newRow("rename onto a name saved elsewhere asks")
            << QVariantList{ "A", "E", QMessageBox::No } << "保存方案 elsewhere rename"
            << "提示|方案 (E) 已存在，是否覆盖？" << reloaded << QStringList{ "A", "E" };
    }
    void schemeChangesAreListedLoggedAndKept()
    {
        QFETCH(QVariantList, answers);
        QFETCH(QString, steps);
        r->dialogs.answers = answers;
        r->act(steps);
        QTEST(r->dialogs.seen.last(), "asked");
        QTEST(r->log.lines().filter("方案").last(), "logged");
        QStringList listed = r->names(); // a renamed entry keeps its place until a restart
        listed.sort();
        QTEST(listed, "names");
        r.reset();
        r = std::make_unique<Rig>();
        QTEST(r->names(), "names");
    }

    void unchangedSchemesAreNotWritten() // a cancelled rename; "No" to replacing another
    {
        r->dialogs.answers = { "A", "B", QString(), "B", QMessageBox::No };
        r->act("保存方案 保存方案");
        QFile file(schemeFilePath(schemeStoreDirectory())); // changed elsewhere, schemes the same
        QVERIFY(file.open(QIODevice::Append | QIODevice::Unbuffered));
        QCOMPARE(file.write("\n"), 1);
        r->act("rename rename");
        QCOMPARE(fileBytes(file.fileName()).right(3), QByteArray("}\n\n"));
    }

    void entryToolTipShowsTheWholeNameAsText()
    {
        const QString name = "<b>a long name</b>\n  second line";
        QTextDocument shown; // as a tool tip shows rich text
        shown.setHtml(SchemeEntry(name).toolTip());
        QCOMPARE(shown.toPlainText(), name);
    }

    void applyingNeedsAnOpenPortThenSendsTheScheme() // refused: the list stays; sent: it hides
    {
        r->dialogs.answers = { "A", QMessageBox::Ok, QMessageBox::Ok };
        r->act("openSpin=5 保存方案 openSpin=9 导入方案 apply");
        QCOMPARE(r->dialogs.seen.value(1), QStringLiteral("提示|串口未打开"));
        QVERIFY(r->schemes()->isVisible());
        r->act("port apply");
        QCOMPARE(r->get<QSpinBox>("openSpin")->value(), 5);
        QCOMPARE(r->pty.drain().mid(8, 7).toHex(' '), QByteArray("41 00 05 00 02 00 0a"));
        QVERIFY(!r->schemes()->isVisible());
    }

    void failedSchemeWriteIsNoSuccess() // a folder where the file goes: unreplaceable by anyone
    {
        QVERIFY(QDir::home().mkpath("AppData/Roaming/HalvoSystemFile/HalvoProject/Kavrin.halvo"));
        r->dialogs.answers = { "neu", QMessageBox::Ok };
        r->act("保存方案");
        QCOMPARE(r->log.lines().filter("保存成功"), QStringList());
        QCOMPARE(r->log.lines().filter("warning 方案文件写入失败，更改仅在本次运行中保留").size(),
                 1);
        QVERIFY(r->dialogs.seen.value(1).startsWith("警告|方案文件写入失败"));
    }

    void closingTheWindowEndsTheProgram() // and lets the port go, and the scheme list
    {
        r->window.show();
        r->act("port 导入方案");
        QTimer::singleShot(0, &r->window, &QWidget::close); // a close from inside exec()
        QTimer::singleShot(3000, &r->window, [] { QCoreApplication::exit(1); }); // against a hang
        QCOMPARE(QApplication::exec(), 0); // Qt quits on the last window closed, in exec() only
        QVERIFY(!r->schemes()->isVisible());
        QVERIFY(r->log.lines().last().endsWith("已关闭！"));
    }

    void paneKeepsTheNewest10000LinesAndHides()
    {
        for (int line = 0; line <= 10000; ++line)
            r->get<LogPane>("mLog_edit")->appendLine(QString::number(line));
        const QStringList lines = r->copied(true).split('\n');
        QCOMPARE(lines.size(), 10000);
        QCOMPARE(lines.first(), QStringLiteral("1"));
        QCOMPARE(lines.last(), QStringLiteral("10000"));
        r->get<QAbstractButton>("logCheck")->setChecked(false);
        QVERIFY(r->get("mLog_edit")->isHidden());
    }

    void paneScrollsSelectsAndCopiesLines() // whole lines, in order, as they were given
    {
        auto *pane = r->get<LogPane>("mLog_edit");
        for (int line = 0; line < 30; ++line)
            pane->appendLine(QString::number(line).repeated(line == 3 ? 100 : 1));
        pane->horizontalScrollBar()->setValue(50);
        pane->appendLine("<b>a</b>\r\nb"); // two lines
        QCOMPARE(pane->horizontalScrollBar()->value(), 0); // the newest at the left edge
        const QPoint top(5, 5), bottom(5, pane->viewport()->height() - 5);
        const auto click = [&](QPoint at, Qt::KeyboardModifiers modifiers = {}) {
            QTest::mouseClick(pane->viewport(), Qt::LeftButton, modifiers, at);
            return r->copied();
        };
        QCOMPARE(click(bottom), "b"); // the newest at the bottom
        const QStringList shown = click(top, Qt::ShiftModifier).split('\n');
        QStringList expected{ "<b>a</b>", "b" };
        for (int line = 29; expected.size() < shown.size(); --line)
            expected.prepend(QString::number(line));
        QCOMPARE(shown, expected);
        QTest::keyClick(pane, Qt::Key_PageUp); // back; End, or a new line, to the newest again
        QVERIFY(click(bottom) != "b");
        QTest::keyClick(pane, Qt::Key_End);
        QCOMPARE(click(bottom), "b");
        QTest::keyClick(pane, Qt::Key_PageUp);
        pane->appendLine("c");
        QCOMPARE(click(bottom), "c");
    }
};

KAVRIN_TEST_MAIN(TestWindow)
#include "tst_window.moc"
