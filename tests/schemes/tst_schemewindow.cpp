// The scheme actions on a real main window: file, list window, dialogs, device.
#include "app/kavrin.h"
#include "schemes/programlabel.h"
#include "schemes/programlist.h"
#include "schemes/schemefile.h"

#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSerialPort>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// Answers modal dialogs in turn from inside their own event loops and notes
// what each showed; one nobody expected is rejected so no test hangs.
class Modals : public QObject
{
public:
    explicit Modals(QWidget *list) : list(list) { startTimer(5); }
    QVariantList answers; // text to type (null: cancel) or a QMessageBox button
    QStringList seen; // "title|text|initial text or format|flags" per dialog
    QStringList unexpected;

private:
    void timerEvent(QTimerEvent *) override
    {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        auto *input = qobject_cast<QInputDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (answers.isEmpty() || (!input && !box)) {
            unexpected << modal->windowTitle();
            modal->reject();
        } else if (input) {
            const bool fixed = input->windowFlags() & Qt::MSWindowsFixedSizeDialogHint;
            seen << QStringList{ input->windowTitle(), input->labelText(), input->textValue(),
                                 fixed ? "fixed" : "" }
                        .join('|');
            const QString typed = answers.takeFirst().toString();
            input->setTextValue(typed);
            typed.isNull() ? input->reject() : input->accept();
        } else {
            seen << QStringList{ box->windowTitle(), box->text(),
                                 box->textFormat() == Qt::PlainText ? "plain" : "",
                                 list && list->isVisible() ? "list shown" : "" }
                        .join('|');
            box->button(QMessageBox::StandardButton(answers.takeFirst().toInt()))->click();
        }
    }
    QPointer<QWidget> list;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QJsonObject schemesOf(std::initializer_list<std::pair<const char *, int>> names)
{
    QJsonObject schemes;
    for (const auto &name : names)
        schemes.insert(QString::fromUtf8(name.first), schemeRecord(name.second, 1, 1));
    return schemes;
}

QList<ProgramLabel *> entries(const Kavrin &window)
{
    QList<ProgramLabel *> list;
    const QVBoxLayout *layout = window.programList->listLayout;
    for (int i = 0; i < layout->count(); ++i)
        list << qobject_cast<ProgramLabel *>(layout->itemAt(i)->widget());
    return list;
}

QStringList entryNames(const Kavrin &window)
{
    QStringList names;
    for (const ProgramLabel *entry : entries(window))
        names << entry->nameLabel->text();
    return names;
}

ProgramLabel *entryNamed(const Kavrin &window, const QString &name)
{
    return entries(window).value(entryNames(window).indexOf(name));
}

// Entries that still exist anywhere, attached or not, once deferred deletes ran.
int livingEntries()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QWidgetList widgets = QApplication::allWidgets();
    return int(std::count_if(widgets.begin(), widgets.end(),
                             [](QWidget *w) { return qobject_cast<ProgramLabel *>(w); }));
}

} // namespace

class TestSchemeWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listHeight_data();
    void listHeight();
    void applyConversion_data();
    void applyConversion();
    void entryRelease_data();
    void entryRelease();
    void save();
    void applyWithPortOpen();
    void deleteEntry();
    void rename_data();
    void rename();
    void closingMainWindowEndsProgram();
    void writeErrorKeepsChange_data();
    void writeErrorKeepsChange();

private:
    // Starts the window on a scheme file holding these bytes (null: no file).
    void start(const QByteArray &fileBytes = QByteArray());
    void startWith(const QJsonObject &schemes) { start(serialiseSchemes(schemes)); }
    QString filePath() const { return projectDir() + "/Kavrin.halvo"; }
    QString projectDir() const
    {
        return QDir::homePath() + "/AppData/Roaming/HalvoSystemFile/HalvoProject";
    }

    std::unique_ptr<Kavrin> window;
    std::unique_ptr<Modals> modals;
    std::unique_ptr<MessageCapture> capture;
};

void TestSchemeWindow::init()
{
    QVERIFY(QDir(projectDir()).removeRecursively());
}

void TestSchemeWindow::cleanup()
{
    const QStringList unexpected = modals ? modals->unexpected : QStringList();
    const int unanswered = modals ? modals->answers.size() : 0;
    capture.reset();
    window.reset();
    qInstallMessageHandler(nullptr);
    modals.reset();
    // Every dialog that came was expected, and every expected one came.
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    QCOMPARE(unanswered, 0);
}

void TestSchemeWindow::start(const QByteArray &fileBytes)
{
    if (!fileBytes.isNull())
        writeFile(filePath(), fileBytes);
    window = std::make_unique<Kavrin>();
    QCOMPARE(window->schemeStore.filePath(), filePath());
    modals = std::make_unique<Modals>(window->programList);
    // After the constructor, which installs the window's own handler.
    capture = std::make_unique<MessageCapture>();
}

void TestSchemeWindow::listHeight_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("no schemes") << 0;
    QTest::newRow("six schemes scroll") << 6;
}

void TestSchemeWindow::listHeight()
{
    QFETCH(int, count);
    const QStringList names{ "b", "", "B", "<b>x</b>", "a", "中" };
    QJsonObject schemes;
    for (int i = 0; i < count; ++i)
        schemes.insert(names.at(i), schemeRecord(i + 1, 1, 1));
    startWith(schemes);
    window->rebuildSchemeList(); // rebuilt again: still one entry per scheme
    window->rebuildSchemeList();
    window->showSchemeList();
    QVERIFY(QTest::qWaitForWindowExposed(window->programList));

    QCOMPARE(entryNames(*window), schemes.keys()); // code-unit order
    QCOMPARE(livingEntries(), count);
    QCOMPARE(window->programList->listContainer->height(), 60 * count);
    auto *scrollArea = window->programList->findChild<QScrollArea *>();
    QVERIFY(scrollArea);
    QCOMPARE(scrollArea->verticalScrollBar()->maximum() > 0, count * 60 > 300);
    QVERIFY(!scrollArea->horizontalScrollBar()->isVisible());
    // Names are shown as typed, markup included; an empty one leaves the icon alone.
    for (const ProgramLabel *entry : entries(*window)) {
        QCOMPARE(entry->nameLabel->textFormat(), Qt::PlainText);
        const auto *icon = qobject_cast<QLabel *>(entry->layout()->itemAt(0)->widget());
        QVERIFY(icon && icon->pixmap() && !icon->pixmap()->isNull());
        QCOMPARE(entry->text(), QString());
    }
}

void TestSchemeWindow::applyConversion_data()
{
    QTest::addColumn<QByteArray>("scheme"); // JSON of the value
    QTest::addColumn<QVector<int>>("values");

    QTest::newRow("fraction gives the minimum")
        << QByteArray(R"({"open_spinBox": 2.5, "close_spinBox": 7, "cycle_spinBox": 8})")
        << QVector<int>{ 1, 7, 8 };
    QTest::newRow("above the range gives the maximum")
        << QByteArray(R"({"open_spinBox": 5000, "close_spinBox": 1000, "cycle_spinBox": 999})")
        << QVector<int>{ 1000, 1000, 999 };
    QTest::newRow("missing member gives the minimum")
        << QByteArray(R"({"close_spinBox": 5, "cycle_spinBox": 6})") << QVector<int>{ 1, 5, 6 };
    QTest::newRow("not a record") << QByteArray(R"("text")") << QVector<int>{ 1, 1, 1 };
}

void TestSchemeWindow::applyConversion()
{
    QFETCH(QByteArray, scheme);
    QFETCH(QVector<int>, values);

    start();
    for (QSpinBox *spin : { window->openSpin, window->closeSpin, window->cycleSpin })
        spin->setValue(50);
    window->applySchemeToInputs(QJsonDocument::fromJson("[" + scheme + "]").array().at(0));
    QCOMPARE((QVector<int>{ window->openSpin->value(), window->closeSpin->value(),
                            window->cycleSpin->value() }),
             values);
}

void TestSchemeWindow::entryRelease_data()
{
    QTest::addColumn<bool>("onIcon");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("clicks");

    QTest::newRow("left on the icon") << true << int(Qt::LeftButton) << 1;
    QTest::newRow("left on the name") << false << int(Qt::LeftButton) << 1;
    QTest::newRow("right on the name") << false << int(Qt::RightButton) << 0;
    QTest::newRow("middle on the icon") << true << int(Qt::MiddleButton) << 0;
}

void TestSchemeWindow::entryRelease()
{
    QFETCH(bool, onIcon);
    QFETCH(int, button);
    QFETCH(int, clicks);

    startWith(QJsonObject{ { "A", schemeRecord(5, 6, 7) } });
    window->showSchemeList();
    QVERIFY(QTest::qWaitForWindowExposed(window->programList));
    ProgramLabel *entry = entries(*window).value(0);
    QVERIFY(entry);
    QWidget *target = onIcon ? entry->layout()->itemAt(0)->widget() : entry->nameLabel;

    // A left click applies the scheme; with the port closed that is only a notice.
    if (clicks)
        modals->answers << int(QMessageBox::Ok);
    QSignalSpy spy(entry, &ProgramLabel::clicked);
    const QPoint pos = target->mapTo(window->programList, target->rect().center());
    QTest::mouseClick(window->programList->windowHandle(), Qt::MouseButton(button), {}, pos);
    QCOMPARE(spy.count(), clicks);
    QCOMPARE(entry->menu->isVisible(), button == Qt::RightButton);
    QCOMPARE(modals->seen, clicks ? QStringList{ "提示|串口未打开||list shown" } : QStringList());
    QCOMPARE(window->openSpin->value(), 2); // inputs untouched, list still open
    QVERIFY(window->programList->isVisible());
    entry->menu->close();
}

void TestSchemeWindow::save()
{
    QJsonObject schemes = schemesOf({ { "Alpha", 1 }, { "Gamma", 3 } });
    schemes.insert("odd", "not a record"); // kept and written back
    startWith(schemes);
    window->closeSpin->setValue(8);
    window->cycleSpin->setValue(9);
    for (int open : { 7, 6 }) { // the second save replaces the first without a question
        window->openSpin->setValue(open);
        modals->answers << "Beta";
        window->saveSchemeButton->click();
    }

    const QString input = QStringLiteral("方案名称|输入方案名称：||fixed");
    QCOMPARE(modals->seen, (QStringList{ input, input }));
    schemes.insert("Beta", schemeRecord(6, 8, 9));
    QCOMPARE(window->schemeStore.schemes(), schemes);
    QCOMPARE(entryNames(*window), (QStringList{ "Alpha", "Beta", "Gamma", "odd" }));
    QCOMPARE(livingEntries(), 4);
    QCOMPARE(readFile(filePath()), serialiseSchemes(schemes));
    QCOMPARE(capture->texts(QtDebugMsg).count(QStringLiteral("\"方案 (Beta) 保存成功\"")), 2);
}

void TestSchemeWindow::applyWithPortOpen()
{
    startWith(QJsonObject{ { "A",
                             QJsonObject{ { "open_spinBox", 5000 },
                                          { "close_spinBox", 1000 },
                                          { "cycle_spinBox", 1000 } } } });
    PtyPair pty;
    QVERIFY(pty.isValid());
    QVERIFY(openPortAt(*window, pty.slavePath()));
    window->showSchemeList();

    modals->answers << int(QMessageBox::Ok);
    emit entries(*window).value(0)->clicked();

    // The list is hidden only after the confirmation.
    QCOMPARE(modals->seen, QStringList{ "提示|参数设置成功||list shown" });
    QVERIFY(!window->programList->isVisible());
    for (QSpinBox *spin : { window->openSpin, window->closeSpin, window->cycleSpin })
        QCOMPARE(spin->value(), 1000);
    QByteArray sent = pty.read(24);
    sent += pty.drain(); // and nothing after the one frame
    QCOMPARE(sent.toHex(' ').toUpper(),
             QByteArray("8E 01 7A 00 00 00 00 00 41 03 E8 03 E8 03 E8 "
                        "00 00 00 00 00 0A 5F 9C 8E"));
}

void TestSchemeWindow::deleteEntry()
{
    startWith(schemesOf({ { "A", 1 }, { "B", 2 }, { "C", 3 } }));
    ProgramLabel *entry = entryNamed(*window, "B");
    QVERIFY(entry);
    QCOMPARE(window->programList->listContainer->height(), 180);
    entry->deleteAction->trigger();

    QVERIFY(entry->isHidden());
    QCOMPARE(entryNames(*window), (QStringList{ "A", "C" }));
    QCOMPARE(window->programList->listContainer->height(), 120);
    const QJsonObject expected = schemesOf({ { "A", 1 }, { "C", 3 } });
    QCOMPARE(window->schemeStore.schemes(), expected);
    QCOMPARE(readFile(filePath()), serialiseSchemes(expected));
    QVERIFY(capture->texts(QtWarningMsg).contains(QStringLiteral("\"方案 (B) 已删除\"")));
    QCOMPARE(livingEntries(), 2);
}

void TestSchemeWindow::rename_data()
{
    QTest::addColumn<QString>("typed"); // null: cancelled
    QTest::addColumn<int>("answer"); // to the overwrite question, 0 for none
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QJsonObject>("schemes");

    const QJsonObject before = schemesOf({ { "Beta", 2 }, { "Gamma", 3 } });
    const QStringList listed{ "Beta", "Gamma" };
    QTest::newRow("to its own name") << QString("Gamma") << 0 << listed << before;
    QTest::newRow("to a name sorting first: stays in place")
        << QString("Alpha") << 0 << QStringList{ "Beta", "Alpha" }
        << schemesOf({ { "Alpha", 3 }, { "Beta", 2 } });
    QTest::newRow("onto an existing name, answered No")
        << QString("Beta") << int(QMessageBox::No) << listed << before;
    QTest::newRow("onto an existing name, answered Yes")
        << QString("Beta") << int(QMessageBox::Yes) << QStringList{ "Beta" }
        << schemesOf({ { "Beta", 3 } });
    QTest::newRow("cancelled") << QString() << 0 << listed << before;
}

void TestSchemeWindow::rename()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    QFETCH(QJsonObject, schemes);

    startWith(schemesOf({ { "Beta", 2 }, { "Gamma", 3 } }));
    writeFile(filePath(), "stale"); // every outcome rewrites the file
    modals->answers << typed;
    if (answer)
        modals->answers << answer;
    entryNamed(*window, "Gamma")->renameAction->trigger();

    QStringList seen{ QStringLiteral("重命名|输入你的名字：|Gamma|fixed") };
    if (answer)
        seen << QStringLiteral("提示|方案 (Beta) 已存在，是否覆盖？|plain|");
    QCOMPARE(modals->seen, seen);
    QCOMPARE(livingEntries(), names.size());
    QCOMPARE(entryNames(*window), names);
    QCOMPARE(window->schemeStore.schemes(), schemes);
    QCOMPARE(readFile(filePath()), serialiseSchemes(schemes));
    QStringList logged;
    if (!typed.isNull() && answer != QMessageBox::No)
        logged << QStringLiteral("\"方案名称已修改：(Gamma) to (%1)\"").arg(typed);
    QCOMPARE(capture->texts(QtDebugMsg).filter(QStringLiteral("方案名称已修改")), logged);
}

void TestSchemeWindow::closingMainWindowEndsProgram()
{
    start();
    PtyPair pty;
    QVERIFY(pty.isValid());
    QVERIFY(openPortAt(*window, pty.slavePath()));
    window->show();
    window->showSchemeList();
    // Qt ends the loop on the last window only inside exec(); a guard ends
    // it too, for a program that would otherwise keep running.
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
    guard.start(3000);
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    QApplication::exec();
    guard.stop();
    QCOMPARE(lastClosed.count(), 1);
    QVERIFY(!window->programList->isVisible());
    QVERIFY(!window->serialPort->isOpen());
    QVERIFY(!window->replyTimer->isActive());
    QCOMPARE(capture->texts(QtDebugMsg).filter(QStringLiteral("已关闭！")).size(), 1);
}

void TestSchemeWindow::writeErrorKeepsChange_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("names"); // in memory and listed afterwards
    QTest::newRow("save") << "save" << QStringList{ "A", "B", "neu" };
    QTest::newRow("delete") << "delete" << QStringList{ "A" };
    QTest::newRow("rename") << "rename" << QStringList{ "A", "neu" };
}

void TestSchemeWindow::writeErrorKeepsChange()
{
    QFETCH(QString, action);
    QFETCH(QStringList, names);

    startWith(schemesOf({ { "A", 1 }, { "B", 2 } }));
    // A directory where the file belongs cannot be replaced, whoever runs the test.
    QVERIFY(QFile::remove(filePath()) && QDir().mkpath(filePath()));
    if (action == "save") {
        modals->answers << "neu" << int(QMessageBox::Ok);
        window->saveScheme();
    } else if (action == "delete") {
        modals->answers << int(QMessageBox::Ok);
        entryNamed(*window, "B")->deleteAction->trigger();
    } else {
        modals->answers << "neu" << int(QMessageBox::Ok);
        entryNamed(*window, "B")->renameAction->trigger();
    }

    QCOMPARE(window->schemeStore.schemes().keys(), names);
    QCOMPARE(entryNames(*window), names);
    QVERIFY(QFileInfo(filePath()).isDir() && QDir(filePath()).isEmpty());
    // No line claims what the file does not hold; one warning line and one box say so.
    QVERIFY(capture->texts(QtDebugMsg).contains("write error! \n"));
    for (const char *success : { "保存成功", "已删除", "方案名称已修改" })
        QVERIFY(capture->texts(QtDebugMsg).filter(QString::fromUtf8(success)).isEmpty()
                && capture->texts(QtWarningMsg).filter(QString::fromUtf8(success)).isEmpty());
    const QStringList warned
        = capture->texts(QtWarningMsg).filter(QStringLiteral("仅在本次运行中保留"));
    QCOMPARE(warned.size(), 1);
    QCOMPARE(modals->seen.filter(QStringLiteral("警告|") + warned.first()).size(), 1);
}

KAVRIN_WINDOW_TEST_MAIN(TestSchemeWindow)
#include "tst_schemewindow.moc"
