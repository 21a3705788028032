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
    // Enabled: start, auto-off, trigger selector, save settings; checkable: the mode radios.
    QByteArray state() const
    {
        QByteArray state;
        for (QWidget *control : { (QWidget *)start(), (QWidget *)button("自动模式关闭"),
                                  get("triggerSpin"), get("Buttontext") })
            state += control->isEnabled() ? '1' : '0';
        for (int index : { 0, 1, 2 })
            state += radio(index)->isCheckable() ? '1' : '0';
        return state.insert(4, ' ');
    }
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
    void init() // a fresh home, with an old log file for the start-up to clear as in use
    {
        QVERIFY(QDir::home().removeRecursively() && QDir().mkpath(logDirectory()));
        QVERIFY(QFile(logDirectory() + "2000-01-01.log").open(QIODevice::WriteOnly));
        r = std::make_unique<Rig>();
    }
    void cleanup() { r.reset(); }

    void startUpHelpAndModes()
    {
        // After the time stamp, only what the program reports itself: no style-sheet warnings.
        QCOMPARE(r->pane().section(' ', 3), "Info: Line:0 >> 清理旧日志： \"2000-01-01.log\"");
        QCOMPARE(r->state(), QByteArray("0000 000"));
        // Help: a viewer first on PATH (left: the home is wiped per test) mkdirs its argument.
        QFile viewer(QDir::homePath() + "/xdg-open");
        QVERIFY(viewer.open(QIODevice::WriteOnly)
                && viewer.write("#!/bin/sh\nmkdir -p \"$HOME/opened$1\"\n") > 0
                && viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        viewer.close(), qputenv("PATH", QDir::homePath().toLocal8Bit() + ':' + qgetenv("PATH"));
        r->button("帮助")->click();
        QVERIFY(r->pane().endsWith(">> 帮助"));
        QTRY_VERIFY(QDir::home().exists("opened" + QDir::currentPath() + "/help.chm"));
        // Installed, the working folder has none: the data folder's.
        const QString data = qEnvironmentVariable("XDG_DATA_HOME") + "/kavrin";
        QVERIFY(QDir().mkpath(data) && QFile(data + "/help.chm").open(QIODevice::WriteOnly));
        r->button("帮助")->click();
        QTRY_VERIFY(QDir::home().exists("opened" + data + "/help.chm"));
        r->get<QAbstractButton>("logCheck")->setChecked(false);
        QVERIFY(r->get("mLog_edit")->isHidden());
        // Each mode (after another, so every state changes) sends its frame and sets what can
        // be used; closing unchecks it silently and leaves nothing to use.
        const QByteArrayList expected{ "4201 1001 111", "4202 1101 111", "4203 0011 111" };
        for (int mode : { 0, 1, 2 }) {
            QVERIFY(r->openPort(r->pty.slavePath()));
            QVERIFY(r->pane().endsWith(" Info: Line:0 >> 串口已打开!"));
            QCOMPARE(r->state(), QByteArray("0001 111"));
            r->radio((mode + 1) % 3)->click(), r->radio(mode)->click();
            QCOMPARE(r->pty.read(48).mid(32, 2).toHex() + " " + r->state(), expected[mode]);
            r->get<QPushButton>("disconnect")->click();
            QCOMPARE(r->state(), QByteArray("0000 000"));
            QCOMPARE(r->status() + r->get<QComboBox>("portCombo")->currentText(),
                     "串口已关闭请选择串口");
            QVERIFY(r->pty.drain(50).isEmpty());
        }
        // The logos hold no more pixels than they show; the pane keeps the newest 10,000 lines.
        for (const char *logo : { "companyLogo", "bigLogo" })
            QCOMPARE(r->get(logo)->property("pixmap").value<QPixmap>().size(),
                     r->get(logo)->size());
        for (int line = 0; line <= 10000; ++line)
            r->get<LogPane>("mLog_edit")->appendLine(QString::number(line));
        QVERIFY(r->pane().startsWith("1\n2\n") && r->pane().endsWith("\n10000"));
    }

    void wrongDeviceRunAndCounts() // a wrong device's box comes after the port is closed
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->dialogs.answers << QMessageBox::Ok;
        QVERIFY(r->pty.write(QByteArray::fromHex("8E057A10FF00000043000001")));
        QTRY_COMPARE(r->dialogs.seen, QStringList{ "错误|设备连接错误" });
        QCOMPARE(r->status(), QStringLiteral("串口已关闭"));

        QVERIFY(r->openPort(r->pty.slavePath()));
        r->radio(1)->click(), r->start()->click();
        QCOMPARE(r->start()->toolTip(), QStringLiteral("stop"));
        // Counts faster than a screen shows them: the first at once, the latest last.
        auto *display = r->get<CountDisplay>("countDisplay");
        const auto count = [](int n) { return statusFrame(StatusCode::CycleCount, quint16(n)); };
        QSignalSpy layouts(display, &QTextEdit::textChanged);
        for (int n = 40; n >= 0; --n)
            QVERIFY(r->pty.write(count(n)));
        QTRY_COMPARE(display->toPlainText(), QStringLiteral("循环次数：0"));
        QVERIFY(layouts.count() < 10);
        QCOMPARE(r->start()->toolTip(), QStringLiteral("open")); // the run ended
        // Auto-off empties the display; a count still waiting is dropped.
        QTest::qWait(150);
        QVERIFY(r->pty.write(count(1) + count(2)) && r->pty.waitUntilTaken());
        QCoreApplication::processEvents();
        QCOMPARE(display->toPlainText(), QStringLiteral("循环次数：1"));
        r->button("自动模式关闭")->click(), QTest::qWait(250);
        QCOMPARE(display->toPlainText(), QString());
    }

    void schemes()
    {
        r->dialogs.answers = { "<b>B</b>", "A" };
        r->get<QSpinBox>("openSpin")->setValue(5); // the others as the window starts: 2, 10
        r->button("保存方案")->click();
        r->get<QSpinBox>("openSpin")->setValue(1000), r->get<QSpinBox>("closeSpin")->setValue(6);
        r->get<QSpinBox>("cycleSpin")->setValue(7);
        r->button("保存方案")->click(), r->button("导入方案")->click();
        SchemeListWindow *list = r->schemeList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->entries().size(), 2);
        QVERIFY(r->pane().contains("\"方案 (<b>B</b>) 保存成功\"")); // as text, not markup
        // Applying needs the port; then the scheme goes out, and the list hides after the box.
        r->dialogs.answers << QMessageBox::Ok << QMessageBox::Ok << QMessageBox::Ok;
        emit list->entries().first()->clicked();
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->get<QPushButton>("Buttontext")->click(); // the parameters as they are, first
        emit list->entries().first()->clicked();
        QCOMPARE(r->pty.read(48).mid(33, 6).toHex(), QByteArray("00050002000a"));
        QVERIFY(!list->isVisible());
        // Renaming onto another name asks first; "No" keeps both.
        r->dialogs.answers << "A" << QMessageBox::No << "A" << QMessageBox::Yes;
        emit list->entries().first()->renameRequested();
        QCOMPARE(list->entries().size(), 2);
        emit list->entries().first()->renameRequested();
        QCOMPARE(list->entries().size(), 1);
        emit list->entries().first()->deleteRequested();
        const QString sent = "提示|参数设置成功", rename = "重命名|输入你的名字：",
                      ask = "提示|方案 (A) 已存在，是否覆盖？";
        QCOMPARE(r->dialogs.seen.mid(2),
                 (QStringList{ "提示|串口未打开", sent, sent, rename, ask, rename, ask }));
        QCOMPARE(r->log.texts(QtWarningMsg).filter("方案"), QStringList{ "\"方案 (A) 已删除\"" });
    }

    void failedSchemeWriteIsNoSuccess() // a folder where the file goes: unreplaceable by anyone
    {
        QVERIFY(QDir::home().mkpath("AppData/Roaming/HalvoSystemFile/HalvoProject/Kavrin.halvo"));
        r->dialogs.answers << "neu" << QMessageBox::Ok;
        r->button("保存方案")->click();
        QCOMPARE(r->log.texts(QtDebugMsg).filter(QRegularExpression("write error|保存成功")),
                 QStringList{ "write error! \n" });
        QCOMPARE(r->log.texts(QtWarningMsg).filter("仅在本次运行中保留").size(), 1);
        QCOMPARE(r->dialogs.seen.filter(QRegularExpression("^警告\\|方案文件写入失败")).size(), 1);
    }

    void closingEndsTheProgram()
    {
        QVERIFY(r->openPort(r->pty.slavePath()));
        r->window.show(), r->button("导入方案")->click();
        bool listShown = true;
        QTimer closer, guard; // a close from inside exec(), and a guard against a hang
        connect(&closer, &QTimer::timeout, &r->window,
                [&] { r->window.close(), listShown = r->schemeList()->isVisible(); });
        connect(&guard, &QTimer::timeout, &r->window, [] { QCoreApplication::exit(1); });
        closer.setSingleShot(true), closer.start(0), guard.start(3000);
        QCOMPARE(QApplication::exec(), 0); // Qt quits on the last window closed, in exec() only
        QVERIFY(!listShown && r->log.texts(QtDebugMsg).last().endsWith("已关闭！")); // port closed
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
        const QPoint top(5, 5), bottom(5, view->height() - 5);
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
        QApplication::sendEvent(view, &wheel), pane->appendLine("c"); // a new line: shown
        QCOMPARE(click(bottom), "c");
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestWindow)
#include "tst_window.moc"
