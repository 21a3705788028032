// The window's wiring: the paths an operator takes, against a pseudo-terminal.
#include "app/mainwindow.h"
#include "log/logline.h"
#include "log/logsink.h"
#include "protocol/statusframe.h"
#include "ui/countdisplay.h"
#include "ui/schemeentry.h"
#include "ui/schemelistwindow.h"

#include "dialoganswerer.h"
#include "messagecapture.h"
#include "ptypair.h"
#include "windowdriver.h"
#include "windowtestmain.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QSpinBox>
#include <QTextEdit>

#include <memory>

class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LogSink> sink;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<DialogAnswerer> dialogs;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<WindowDriver> ui;

    QString pane() const { return ui->get<QTextEdit>("mLog_edit")->toPlainText(); }
    QPushButton *start() const
    {
        QPushButton *idle = ui->button("open");
        return idle ? idle : ui->button("stop");
    }
    SchemeListWindow *schemeList() const
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *list = qobject_cast<SchemeListWindow *>(widget))
                return list;
        }
        return nullptr;
    }
    void setInputs(int open, int close, int cycles)
    {
        ui->get<QSpinBox>("openSpin")->setValue(open);
        ui->get<QSpinBox>("closeSpin")->setValue(close);
        ui->get<QSpinBox>("cycleSpin")->setValue(cycles);
    }

private slots:
    void init()
    {
        // An old log file for the start-up to clear, as the operator's folder has.
        QVERIFY(QDir().mkpath(logDirectory()));
        QVERIFY(QFile(logDirectory() + "2000-01-01.log").open(QIODevice::WriteOnly));
        sink = std::make_unique<LogSink>();
        window = std::make_unique<MainWindow>(sink.get());
        dialogs = std::make_unique<DialogAnswerer>(true);
        log = std::make_unique<MessageCapture>();
        pty = std::make_unique<PtyPair>();
        ui = std::make_unique<WindowDriver>(window.get());
    }
    void cleanup()
    {
        const QStringList unexpected = dialogs->unexpected;
        const int unanswered = dialogs->answers.size();
        window.reset();
        log.reset();
        sink.reset();
        dialogs.reset();
        QDir(QDir::homePath()).removeRecursively();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
        QCOMPARE(unanswered, 0);
    }

    void startUpAndPort()
    {
        // Only what the program reports itself: no style-sheet warnings.
        QVERIFY2(
            QRegularExpression("^\\S+ \\S+ \\S+: Info: Line:0 >> 清理旧日志： \"2000-01-01.log\"$")
                .match(pane())
                .hasMatch(),
            qPrintable(pane()));
        for (QWidget *control : { (QWidget *)start(), (QWidget *)ui->button("自动模式关闭"),
                                  ui->get("Buttontext"), ui->get("triggerSpin") })
            QVERIFY(!control->isEnabled());
        QVERIFY(!ui->radio(0)->isCheckable());

        QVERIFY(ui->openPort(pty->slavePath()));
        QVERIFY(ui->get("Buttontext")->isEnabled() && ui->radio(2)->isCheckable());
        QVERIFY(pane().endsWith(" Info: Line:0 >> 串口已打开!"));
        ui->get<QCheckBox>("logCheck")->setChecked(false);
        QVERIFY(ui->get("mLog_edit")->isHidden());
    }

    void modesSendFramesAndSetControls_data()
    {
        QTest::addColumn<int>("radio");
        QTest::addColumn<QByteArray>("frame"); // bytes 8-9
        QTest::addColumn<QString>("enabled"); // start, auto off, trigger selector
        QTest::newRow("manual") << 0 << QByteArray("4201") << "100";
        QTest::newRow("automatic") << 1 << QByteArray("4202") << "110";
        QTest::newRow("external trigger") << 2 << QByteArray("4203") << "001";
    }
    void modesSendFramesAndSetControls()
    {
        QFETCH(int, radio);
        QFETCH(QByteArray, frame);
        QFETCH(QString, enabled);
        QVERIFY(ui->openPort(pty->slavePath()));
        ui->radio(radio)->click();
        QCOMPARE(pty->read(24).mid(8, 2).toHex(), frame);
        QString states;
        for (QWidget *control :
             { (QWidget *)start(), (QWidget *)ui->button("自动模式关闭"), ui->get("triggerSpin") })
            states += control->isEnabled() ? '1' : '0';
        QCOMPARE(states, enabled);

        // Closing unchecks the mode silently and leaves nothing to start.
        ui->get<QPushButton>("disconnect")->click();
        QVERIFY(!ui->radio(radio)->isChecked() && !ui->radio(radio)->isCheckable());
        QVERIFY(!start()->isEnabled());
        QCOMPARE(ui->status(), QStringLiteral("串口已关闭"));
        QCOMPARE(ui->get<QComboBox>("portCombo")->currentText(), QStringLiteral("请选择串口"));
        QVERIFY(pty->drain(50).isEmpty());
    }

    void runCountsAndBoxes()
    {
        QVERIFY(ui->openPort(pty->slavePath()));
        ui->radio(1)->click();
        start()->click();
        QCOMPARE(start()->toolTip(), QStringLiteral("stop"));
        dialogs->answers << int(QMessageBox::Ok);
        ui->get<QPushButton>("Buttontext")->click();
        QCOMPARE(dialogs->seen, QStringList{ "提示|参数设置成功" });

        // Counts faster than a screen shows them: the first at once, the latest last.
        auto *display = ui->get<CountDisplay>("countDisplay");
        QSignalSpy layouts(display, &QTextEdit::textChanged);
        QByteArray burst;
        for (int count = 40; count >= 0; --count)
            burst += statusFrame(StatusCode::CycleCount, quint16(count));
        QVERIFY(pty->write(burst));
        QTRY_COMPARE(display->toPlainText(), QStringLiteral("循环次数：0"));
        QVERIFY(layouts.count() < 10);
        QCOMPARE(start()->toolTip(), QStringLiteral("open")); // the run ended

        // Auto-off clears the display; a count still waiting is dropped.
        QTest::qWait(150);
        QVERIFY(pty->write(statusFrame(StatusCode::CycleCount, 1)
                           + statusFrame(StatusCode::CycleCount, 2)));
        QVERIFY(pty->waitUntilTaken());
        QCoreApplication::processEvents();
        QCOMPARE(display->toPlainText(), QStringLiteral("循环次数：1"));
        ui->button("自动模式关闭")->click();
        QTest::qWait(250);
        QCOMPARE(display->toPlainText(), QString());

        // A wrong device's box comes after the port is closed.
        PtyPair other;
        window->findChild<QPushButton *>("disconnect")->click();
        QVERIFY(ui->openPort(other.slavePath()));
        dialogs->answers << int(QMessageBox::Ok);
        QVERIFY(other.write(QByteArray::fromHex("8E057A10FF00000043000001")));
        QTRY_COMPARE(dialogs->seen.size(), 2);
        QCOMPARE(dialogs->seen.last(), QStringLiteral("错误|设备连接错误"));
        QCOMPARE(ui->status(), QStringLiteral("串口已关闭"));
    }

    void schemes()
    {
        setInputs(5, 6, 7);
        dialogs->answers << "<b>B</b>"
                         << "A";
        ui->button("保存方案")->click();
        setInputs(1000, 1000, 1000);
        ui->button("保存方案")->click();
        ui->button("导入方案")->click();
        SchemeListWindow *list = schemeList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->entries().size(), 2);
        QCOMPARE(list->entries().first()->name(), QStringLiteral("<b>B</b>"));
        QVERIFY(pane().contains("\"方案 (<b>B</b>) 保存成功\"")); // as text, not markup

        // Applying needs the port: a notice, nothing else.
        dialogs->answers << int(QMessageBox::Ok);
        emit list->entries().first()->clicked();
        QCOMPARE(ui->get<QSpinBox>("openSpin")->value(), 1000);

        // With the port open the scheme goes out, and the list hides after the box.
        QVERIFY(ui->openPort(pty->slavePath()));
        dialogs->answers << int(QMessageBox::Ok);
        emit list->entries().first()->clicked();
        QCOMPARE(pty->read(24).mid(9, 6).toHex(), QByteArray("000500060007"));
        QVERIFY(!list->isVisible());

        // Renaming onto another name asks first; "No" keeps both.
        dialogs->answers << "A" << int(QMessageBox::No);
        emit list->entries().first()->renameRequested();
        dialogs->answers << "A" << int(QMessageBox::Yes);
        emit list->entries().first()->renameRequested();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(list->entries().size(), 1);
        emit list->entries().first()->deleteRequested();
        QCOMPARE(dialogs->seen.mid(0, 2),
                 (QStringList{ "方案名称|输入方案名称：", "方案名称|输入方案名称：" }));
        QCOMPARE(dialogs->seen.mid(2),
                 (QStringList{ "提示|串口未打开", "提示|参数设置成功", "重命名|输入你的名字：",
                               "提示|方案 (A) 已存在，是否覆盖？", "重命名|输入你的名字：",
                               "提示|方案 (A) 已存在，是否覆盖？" }));
        QCOMPARE(log->texts(QtWarningMsg).filter("方案"), QStringList{ "\"方案 (A) 已删除\"" });
        QVERIFY(log->texts(QtDebugMsg).contains("\"方案名称已修改：(<b>B</b>) to (A)\""));
    }

    void failedSchemeWriteIsNoSuccess()
    {
        // A folder where the file belongs cannot be replaced, whoever runs the test.
        const QString file
            = QDir::homePath() + "/AppData/Roaming/HalvoSystemFile/HalvoProject/Kavrin.halvo";
        QVERIFY(QDir().mkpath(file));
        dialogs->answers << "neu" << int(QMessageBox::Ok);
        ui->button("保存方案")->click();
        QVERIFY(log->texts(QtDebugMsg).contains("write error! \n"));
        QVERIFY(log->texts(QtDebugMsg).filter("保存成功").isEmpty());
        QCOMPARE(log->texts(QtWarningMsg).filter("仅在本次运行中保留").size(), 1);
        QCOMPARE(dialogs->seen.filter(QRegularExpression("^警告\\|方案文件写入失败")).size(), 1);
        QCOMPARE(schemeList()->entries().size(), 1); // kept for the session
    }

    void closingEndsTheProgram()
    {
        QVERIFY(ui->openPort(pty->slavePath()));
        window->show();
        ui->button("导入方案")->click();
        // Qt ends the loop on the last window only inside exec(); a guard
        // ends it too, for a program that would otherwise keep running.
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QTimer guard;
        connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
        guard.start(3000);
        QTimer::singleShot(0, window.get(), [this] { window->close(); });
        QApplication::exec();
        guard.stop();
        QCOMPARE(lastClosed.count(), 1);
        QVERIFY(!schemeList()->isVisible());
        QVERIFY(log->texts(QtDebugMsg).last().endsWith("已关闭！"));
    }

    void helpOpensChmFromWorkingFolder()
    {
        // A stand-in viewer on PATH notes what it was asked to open.
        const QString bin = QDir::homePath() + "/bin", note = bin + "/opened";
        QVERIFY(QDir().mkpath(bin));
        QFile viewer(bin + "/xdg-open");
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        viewer.write(QString("#!/bin/sh\necho \"$@\" > '%1'\n").arg(note).toLocal8Bit());
        viewer.close();
        viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ":" + path);
        const QString folder = QDir::currentPath();
        QDir::setCurrent(QDir::homePath());
        ui->button("帮助")->click();
        QDir::setCurrent(folder);
        qputenv("PATH", path);
        QVERIFY(pane().endsWith(">> 帮助"));
        QTRY_VERIFY(QFile::exists(note));
        QFile opened(note);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QCOMPARE(opened.readAll().trimmed(), (QDir::homePath() + "/help.chm").toLocal8Bit());
    }
};

KAVRIN_WINDOW_TEST_MAIN(TestWindow)
#include "tst_window.moc"
