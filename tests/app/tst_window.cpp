// The window's wiring: the paths an operator takes, against a pseudo-terminal.
#include "app/mainwindow.h"
#include "log/logline.h"
#include "log/logsink.h"
#include "protocol/statusframe.h"
#include "ui/countdisplay.h"
#include "ui/logpane.h"
#include "ui/schemeentry.h"
#include "ui/schemelistwindow.h"

#include "support.h"

namespace {

// Bytes 8 and 9 of each command frame the controller received, as "42 01".
QStringList commands(const QByteArray &bytes)
{
    QStringList codes;
    for (int at = 0; at + 24 <= bytes.size(); at += 24)
        codes << QString::fromLatin1(bytes.mid(at + 8, 2).toHex(' ').toUpper());
    return codes;
}

QString dayFile(int daysAgo)
{
    return logDirectory() + QDate::currentDate().addDays(-daysAgo).toString(Qt::ISODate) + ".log";
}

} // namespace

struct Rig : WindowDriver
{
    Rig() : WindowDriver(&window) { }
    ~Rig() { QCOMPARE(dialogs.misses(), QStringList()); } // every dialog expected, answer used
    LogSink sink;
    DialogAnswerer dialogs{ true };
    PtyPair pty;
    MainWindow window{ &sink };
    MessageCapture log; // after the sink, whose handler it passes messages on to

    // What Ctrl+C copies from the pane after the key given; all its lines after Ctrl+A.
    QString copied(int key = 0, Qt::KeyboardModifiers modifiers = {}) const
    {
        QGuiApplication::clipboard()->clear();
        if (key)
            QTest::keyClick(get("mLog_edit"), Qt::Key(key), modifiers);
        QTest::keyClick(get("mLog_edit"), Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    }
    QString pane() const { return copied(Qt::Key_A, Qt::ControlModifier); }
    QPushButton *start() const { return button(button("open") ? "open" : "stop"); }
    QPushButton *autoOff() const { return button("自动模式关闭"); }
    QWidget *triggerSpin() const { return get("triggerSpin"); }
    QPushButton *saveSettings() const { return get<QPushButton>("Buttontext"); }
    static SchemeListWindow *schemeList()
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

    // Seven days are kept, the eighth goes; after the time stamp only what the program says.
    void startUpRemovesLogsOlderThanSevenDays()
    {
        QVERIFY(!QFile::exists(dayFile(8)));
        QVERIFY(QFile::exists(dayFile(7)));
        const QString line
            = "Info: Line:0 >> 清理旧日志： \"" + QFileInfo(dayFile(8)).fileName() + '"';
        QCOMPARE(r->pane().section(' ', 3), line);
    }

    void helpOpensInAViewer_data()
    {
        QTest::addColumn<bool>("installed"); // no help in the working folder: the data folder's
        QTest::newRow("from the working folder") << false;
        QTest::newRow("installed") << true;
    }
    void helpOpensInAViewer()
    {
        QFETCH(bool, installed);
        // A viewer first on PATH that makes a folder named after its argument.
        QFile viewer(QDir::homePath() + "/xdg-open");
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        QVERIFY(viewer.write("#!/bin/sh\nmkdir -p \"$HOME/opened$1\"\n") > 0);
        QVERIFY(viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        viewer.close();
        qputenv("PATH", QDir::homePath().toLocal8Bit() + ':' + qgetenv("PATH"));
        QVERIFY(QDir::setCurrent(QDir::homePath())); // the working folder, without a help file
        const QString help = installed ? qEnvironmentVariable("XDG_DATA_HOME") + "/kavrin/help.chm"
                                       : QDir::homePath() + "/help.chm";
        QVERIFY(QDir().mkpath(QFileInfo(help).path()));
        QVERIFY(QFile(help).open(QIODevice::WriteOnly));
        r->button("帮助")->click();
        QVERIFY(r->pane().endsWith(">> 帮助"));
        QTRY_VERIFY(QDir::home().exists("opened" + help));
    }

    void triggerSelectorShowsItsWords()
    {
        auto *selector = r->get<QSpinBox>("triggerSpin");
        QCOMPARE(selector->text(), QStringLiteral("同步"));
        selector->setValue(1);
        QCOMPARE(selector->text(), QStringLiteral("异步"));
    }

    void logCheckHidesThePane()
    {
        r->get<QAbstractButton>("logCheck")->setChecked(false);
        QVERIFY(r->get("mLog_edit")->isHidden());
    }

    void openingTheSelectorScansAndLogsThePorts()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        const QString scan = r->log.texts(QtDebugMsg).value(0);
        QVERIFY2(scan.startsWith("串口: ("), qPrintable(scan));
        QVERIFY2(scan.endsWith(", \"" + r->pty.slavePath() + "\")")
                     || scan == "串口: (\"" + r->pty.slavePath() + "\")",
                 qPrintable(scan));
        QCOMPARE(r->log.texts(QtDebugMsg).value(1), QStringLiteral("串口已打开!"));
    }

    // What the operator can use: nothing before a port is open and after it is closed.
    void controlsFollowTheConnection_data()
    {
        QTest::addColumn<QString>("steps"); // open, a mode radio (0-2), close
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("portOpen"); // save settings enabled, mode radios checkable
        QTest::addColumn<QList<bool>>("usable"); // start, automatic off, trigger selector
        QTest::newRow("start-up") << ""
                                  << "请先选择串口" << false << QList<bool>{ 0, 0, 0 };
        QTest::newRow("opened") << "open"
                                << "串口已连接" << true << QList<bool>{ 0, 0, 0 };
        QTest::newRow("manual") << "open 0"
                                << "串口已连接" << true << QList<bool>{ 1, 0, 0 };
        QTest::newRow("automatic") << "open 2 1"
                                   << "串口已连接" << true << QList<bool>{ 1, 1, 0 };
        QTest::newRow("trigger") << "open 1 2"
                                 << "串口已连接" << true << QList<bool>{ 0, 0, 1 };
        QTest::newRow("closed") << "open 1 close"
                                << "串口已关闭" << false << QList<bool>{ 0, 0, 0 };
    }
    void controlsFollowTheConnection()
    {
        QFETCH(QString, steps);
        QFETCH(bool, portOpen);
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "open")
                QVERIFY(r->openPort(r->pty.slavePath()));
            else if (step == "close")
                r->get<QPushButton>("disconnect")->click();
            else
                r->radio(step.toInt())->click();
        }
        QTEST(r->status(), "status");
        QCOMPARE(r->saveSettings()->isEnabled(), portOpen);
        for (int index : { 0, 1, 2 })
            QCOMPARE(r->radio(index)->isCheckable(), portOpen);
        const QList<bool> usable{ r->start()->isEnabled(), r->autoOff()->isEnabled(),
                                  r->triggerSpin()->isEnabled() };
        QTEST(usable, "usable");
    }

    // The frames the controls send, bytes 8 and 9 of each.
    void controlsSendTheirFrames_data()
    {
        QTest::addColumn<QString>("steps"); // a mode radio (0-2), start, off, async, sync
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("startTip"); // the start button's: "stop" while running
        QTest::newRow("manual start") << "0 start" << QStringList{ "42 01", "43 01" } << "stop";
        QTest::newRow("manual stop")
            << "0 start start" << QStringList{ "42 01", "43 01", "43 00" } << "open";
        QTest::newRow("automatic start, stop, start, off")
            << "1 start start start off"
            << QStringList{ "42 02", "44 01", "44 02", "44 01", "44 00" } << "open";
        QTest::newRow("a checked radio again: nothing")
            << "0 0" << QStringList{ "42 01" } << "open";
        QTest::newRow("trigger, synchronous, then asynchronous")
            << "2 async" << QStringList{ "42 03", "42 04" } << "open";
        QTest::newRow("trigger chosen with the selector at asynchronous")
            << "2 async 0 2 sync" << QStringList{ "42 03", "42 04", "42 01", "42 04", "42 03" }
            << "open";
    }
    void controlsSendTheirFrames()
    {
        QFETCH(QString, steps);
        QVERIFY(r->openPort(r->pty.slavePath()));
        for (const QString &step : steps.split(' ')) {
            if (step == "start")
                r->start()->click();
            else if (step == "off")
                r->autoOff()->click();
            else if (step == "async" || step == "sync")
                r->get<QSpinBox>("triggerSpin")->setValue(step == "async" ? 1 : 0);
            else
                r->radio(step.toInt())->click();
        }
        QTEST(commands(r->pty.drain()), "frames");
        QTEST(r->start()->toolTip(), "startTip");
    }

    void saveSettingsSendsTheInputs()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->get<QSpinBox>("openSpin")->setValue(1000);
        r->get<QSpinBox>("closeSpin")->setValue(1);
        r->get<QSpinBox>("cycleSpin")->setValue(7);
        r->dialogs.answers << QMessageBox::Ok;
        r->saveSettings()->click();
        QCOMPARE(r->pty.drain().mid(8, 7).toHex(' '), QByteArray("41 03 e8 00 01 00 07"));
        QCOMPARE(r->dialogs.seen, QStringList{ "提示|参数设置成功" });
    }

    void closingUnchecksTheModeSilently()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->radio(2)->click();
        r->pty.read(24);
        r->get<QPushButton>("disconnect")->click();
        QVERIFY(!r->radio(2)->isChecked());
        QCOMPARE(r->get<QComboBox>("portCombo")->currentText(), QStringLiteral("请选择串口"));
        QCOMPARE(r->pty.drain(), QByteArray());
    }

    void wrongDeviceBoxComesAfterTheClose()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->dialogs.answers << QMessageBox::Ok;
        QVERIFY(r->pty.write(QByteArray::fromHex("8E057A10FF00000043000001")));
        QTRY_COMPARE(r->dialogs.seen, QStringList{ "错误|设备连接错误" });
        QCOMPARE(r->status(), QStringLiteral("串口已关闭"));
    }

    void countsAreShownByKind_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("43 triggers") << 0x43 << "触发次数：300";
        QTest::newRow("45 external triggers") << 0x45 << "触发次数：300";
        QTest::newRow("44 cycles left") << 0x44 << "循环次数：300";
    }
    void countsAreShownByKind()
    {
        QFETCH(int, code);
        QFETCH(QString, shown);
        QVERIFY(r->openPort(r->pty.slavePath()));
        QVERIFY(r->pty.write(statusFrame(StatusCode(code), 300)));
        QTRY_COMPARE(r->get<QTextEdit>("countDisplay")->toPlainText(), shown);
    }

    // Counts faster than a screen shows them: the first at once, the latest last.
    void automaticRunEndsAtCycleZero()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->radio(1)->click();
        r->start()->click();
        auto *display = r->get<CountDisplay>("countDisplay");
        QSignalSpy layouts(display, &QTextEdit::textChanged);
        for (int left = 40; left >= 0; --left)
            QVERIFY(r->pty.write(statusFrame(StatusCode::CycleCount, quint16(left))));
        QTRY_COMPARE(display->toPlainText(), QStringLiteral("循环次数：0"));
        QVERIFY(layouts.count() < 10);
        QCOMPARE(r->start()->toolTip(), QStringLiteral("open"));
    }

    void autoOffClearsTheCount() // and drops a count still waiting to be shown
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->radio(1)->click();
        const auto left = [](int n) { return statusFrame(StatusCode::CycleCount, quint16(n)); };
        QVERIFY(r->pty.write(left(1) + left(2)));
        QVERIFY(r->pty.waitUntilTaken());
        QCoreApplication::processEvents();
        auto *display = r->get<CountDisplay>("countDisplay");
        QCOMPARE(display->toPlainText(), QStringLiteral("循环次数：1"));
        r->autoOff()->click();
        QTest::qWait(250);
        QCOMPARE(display->toPlainText(), QString());
    }

    void savedSchemeIsListedAndLogged()
    {
        r->dialogs.answers << "<b>B</b>";
        r->button("保存方案")->click();
        r->button("导入方案")->click();
        QVERIFY(r->schemeList()->isVisible());
        QCOMPARE(r->schemeList()->entries().value(0)->name(), QStringLiteral("<b>B</b>"));
        QCOMPARE(r->log.texts(QtDebugMsg).last(), QStringLiteral("\"方案 (<b>B</b>) 保存成功\""));
        r.reset(); // a restart lists it again
        r = std::make_unique<Rig>();
        QCOMPARE(r->schemeList()->entries().value(0)->name(), QStringLiteral("<b>B</b>"));
    }

    void applyingNeedsAnOpenPort()
    {
        r->dialogs.answers << "A" << QMessageBox::Ok;
        r->button("保存方案")->click();
        r->button("导入方案")->click();
        QTest::mouseClick(r->schemeList()->entries().value(0), Qt::LeftButton);
        QCOMPARE(r->dialogs.seen.value(1), QStringLiteral("提示|串口未打开"));
        QVERIFY(r->schemeList()->isVisible());
        QCOMPARE(r->pty.drain(), QByteArray());
    }

    // The scheme's values go out as the parameters; the list hides after the box.
    void applyingSendsTheScheme()
    {
        r->get<QSpinBox>("openSpin")->setValue(5);
        r->dialogs.answers << "A" << QMessageBox::Ok;
        r->button("保存方案")->click();
        r->get<QSpinBox>("openSpin")->setValue(9);
        r->button("导入方案")->click();
        QVERIFY(r->openPort(r->pty.slavePath()));
        QTest::mouseClick(r->schemeList()->entries().value(0), Qt::LeftButton);
        QCOMPARE(r->get<QSpinBox>("openSpin")->value(), 5);
        QCOMPARE(r->pty.drain().mid(8, 7).toHex(' '), QByteArray("41 00 05 00 02 00 0a"));
        QCOMPARE(r->dialogs.seen.value(1), QStringLiteral("提示|参数设置成功"));
        QVERIFY(!r->schemeList()->isVisible());
    }

    void renameAndDelete()
    {
        r->dialogs.answers << "A"
                           << "B"
                           << "C";
        r->button("保存方案")->click();
        r->button("保存方案")->click();
        emit r->schemeList()->entries().value(0)->renameRequested();
        QCOMPARE(r->dialogs.seen.value(2), QStringLiteral("重命名|输入你的名字："));
        QCOMPARE(r->log.texts(QtDebugMsg).last(), QStringLiteral("\"方案名称已修改：(A) to (C)\""));
        emit r->schemeList()->entries().value(1)->deleteRequested();
        QCOMPARE(r->log.texts(QtWarningMsg).filter("方案"), QStringList{ "\"方案 (B) 已删除\"" });
        QCOMPARE(r->schemeList()->entries().size(), 1);
        QCOMPARE(r->schemeList()->entries().value(0)->name(), QStringLiteral("C"));
    }

    // Renaming onto another name asks first; "No" keeps both, "Yes" replaces the other.
    void renameOntoAnotherSchemeAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("no") << int(QMessageBox::No) << QStringList{ "A", "B" };
        QTest::newRow("yes") << int(QMessageBox::Yes) << QStringList{ "B" };
    }
    void renameOntoAnotherSchemeAsks()
    {
        QFETCH(int, answer);
        r->dialogs.answers << "A"
                           << "B"
                           << "B" << answer;
        r->button("保存方案")->click();
        r->button("保存方案")->click();
        emit r->schemeList()->entries().value(0)->renameRequested();
        QCOMPARE(r->dialogs.seen.value(3), QStringLiteral("提示|方案 (B) 已存在，是否覆盖？"));
        QStringList names;
        for (SchemeEntry *entry : r->schemeList()->entries())
            names << entry->name();
        QTEST(names, "names");
    }

    void failedSchemeWriteIsNoSuccess() // a folder where the file goes: unreplaceable by anyone
    {
        QVERIFY(QDir::home().mkpath("AppData/Roaming/HalvoSystemFile/HalvoProject/Kavrin.halvo"));
        r->dialogs.answers << "neu" << QMessageBox::Ok;
        r->button("保存方案")->click();
        QCOMPARE(r->log.texts(QtDebugMsg).filter("保存成功"), QStringList());
        QCOMPARE(r->log.texts(QtWarningMsg).filter("仅在本次运行中保留").size(), 1);
        QVERIFY(r->dialogs.seen.value(1).startsWith("警告|方案文件写入失败"));
    }

    void closingTheWindowEndsTheProgram() // and lets the port go, and the scheme list
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->window.show();
        r->button("导入方案")->click();
        bool listShown = true;
        QTimer closer; // a close from inside exec()
        closer.setSingleShot(true);
        connect(&closer, &QTimer::timeout, &r->window, [&] {
            r->window.close();
            listShown = r->schemeList()->isVisible();
        });
        QTimer guard; // against a hang
        connect(&guard, &QTimer::timeout, &r->window, [] { QCoreApplication::exit(1); });
        closer.start(0);
        guard.start(3000);
        QCOMPARE(QApplication::exec(), 0); // Qt quits on the last window closed, in exec() only
        QVERIFY(!listShown);
        QVERIFY(r->log.texts(QtDebugMsg).last().endsWith("已关闭！"));
    }

    void paneKeepsTheNewest10000Lines()
    {
        for (int line = 0; line <= 10000; ++line)
            r->get<LogPane>("mLog_edit")->appendLine(QString::number(line));
        const QStringList lines = r->pane().split('\n');
        QCOMPARE(lines.size(), 10000);
        QCOMPARE(lines.first(), QStringLiteral("1"));
        QCOMPARE(lines.last(), QStringLiteral("10000"));
    }

    void paneScrollsSelectsAndCopiesLines() // whole lines, in order, as they were given
    {
        auto *pane = r->get<LogPane>("mLog_edit");
        r->window.show();
        for (int line = 0; line < 30; ++line)
            pane->appendLine(QString::number(line).repeated(line == 3 ? 100 : 1));
        pane->horizontalScrollBar()->setValue(50);
        pane->appendLine("<b>a</b>\r\nb"); // two lines
        QCoreApplication::processEvents(); // the horizontal bar comes
        QCOMPARE(pane->horizontalScrollBar()->value(), 0); // the newest at the left edge
        QWidget *view = pane->viewport();
        const auto click = [&](QPoint at, Qt::KeyboardModifiers modifiers = {}) {
            QTest::mouseClick(view, Qt::LeftButton, modifiers, at);
            return r->copied();
        };
        const QPoint top(5, 5);
        const QPoint bottom(5, view->height() - 5);
        QCOMPARE(click(bottom), "b"); // the newest at the bottom
        const QStringList shown = click(top, Qt::ShiftModifier).split('\n');
        QStringList expected{ "<b>a</b>", "b" };
        for (int line = 29; expected.size() < shown.size(); --line)
            expected.prepend(QString::number(line));
        QVERIFY(shown.size() > 3);
        QCOMPARE(shown, expected);
        // The wheel scrolls back; End, or a new line, goes to the newest again.
        QWheelEvent wheel(top, view->mapToGlobal(top), {}, { 0, 120 }, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(click(bottom) != "b");
        QTest::keyClick(pane, Qt::Key_End);
        QCOMPARE(click(bottom), "b");
        QApplication::sendEvent(view, &wheel);
        pane->appendLine("c"); // a new line: shown
        QCOMPARE(click(bottom), "c");
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestWindow)
#include "tst_window.moc"
