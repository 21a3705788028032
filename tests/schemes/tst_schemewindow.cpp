// The scheme actions on a real main window: file, list window, dialogs, device.
#include "app/kavrin.h"
#include "schemes/programlabel.h"
#include "schemes/programlist.h"
#include "schemes/schemefile.h"

#include "messagecapture.h"
#include "openport.h"
#include "ptypair.h"
#include "windowtestmain.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

namespace {

// What a modal dialog showed before the test answered it.
struct Seen
{
    QString title;
    QString text; // label of an input dialog, text of a message box
    QString initial; // initial text of an input dialog
    bool fixedSize = false;
    bool plainText = false;
    bool listVisible = false;
};

using Answer = std::function<void(QWidget *)>;

// Answers modal dialogs in the order they appear, from inside their own event
// loops; a dialog nobody expected is recorded and rejected so no test hangs.
class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(5);
    }
    void expect(const Answer &answer) { answers.append(answer); }
    QStringList unexpected;
    int pending() const { return answers.size(); }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || handled.contains(modal))
            return;
        handled.append(modal);
        if (answers.isEmpty()) {
            unexpected << modal->windowTitle();
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        answers.takeFirst()(modal);
    }
    QTimer timer;
    QList<Answer> answers;
    QList<QPointer<QWidget>> handled;
};

Answer typeName(const QString &name, Seen *seen)
{
    return [name, seen](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        QVERIFY(dialog);
        seen->title = dialog->windowTitle();
        seen->text = dialog->labelText();
        seen->initial = dialog->textValue();
        seen->fixedSize = dialog->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
        if (name.isNull()) {
            dialog->reject();
            return;
        }
        dialog->setTextValue(name);
        dialog->accept();
    };
}

Answer pressButton(QMessageBox::StandardButton button, Seen *seen, QWidget *list = nullptr)
{
    return [button, seen, list](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->plainText = box->textFormat() == Qt::PlainText;
        seen->listVisible = list && list->isVisible();
        QVERIFY(box->button(button));
        box->button(button)->click();
    };
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
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
    const QList<ProgramLabel *> list = entries(window);
    const auto found = std::find_if(list.begin(), list.end(), [&](const ProgramLabel *entry) {
        return entry->nameLabel->text() == name;
    });
    return found == list.end() ? nullptr : *found;
}

// Entries that still exist anywhere, attached or not, once deferred deletes ran.
int livingEntries()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QWidget *widget : QApplication::allWidgets())
        count += qobject_cast<ProgramLabel *>(widget) ? 1 : 0;
    return count;
}

} // namespace

class TestSchemeWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStart();
    void readAtStart_data();
    void readAtStart();
    void listHeight_data();
    void listHeight();
    void applyConversion_data();
    void applyConversion();
    void entryRelease_data();
    void entryRelease();
    void entryShowsNameAsText_data();
    void entryShowsNameAsText();
    void saveListsInNameOrder();
    void saveTwiceKeepsOneEntry();
    void rebuildTwiceKeepsOneEntry();
    void applyWithPortClosed();
    void applyWithPortOpen();
    void deleteEntry();
    void rename_data();
    void rename();
    void writeErrorKeepsChange();
    void failedWriteKeepsOldFile();
    void unreadableFileIsBackedUp();

private:
    // Starts the window on a scheme file holding these bytes (none: no file).
    void start(const QByteArray *fileBytes = nullptr);
    void startWith(const QJsonObject &schemes);
    QString filePath() const { return projectDir() + "/Kavrin.halvo"; }
    QString projectDir() const
    {
        return home->path() + "/AppData/Roaming/HalvoSystemFile/HalvoProject";
    }

    QByteArray savedHome;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<Kavrin> window;
    std::unique_ptr<ModalDriver> modals;
    std::unique_ptr<MessageCapture> capture;
    rlimit savedLimit{};
    bool limitChanged = false;
};

void TestSchemeWindow::init()
{
    savedHome = qgetenv("HOME");
    home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", home->path().toLocal8Bit());
    modals = std::make_unique<ModalDriver>();
}

void TestSchemeWindow::cleanup()
{
    if (limitChanged) {
        setrlimit(RLIMIT_FSIZE, &savedLimit);
        std::signal(SIGXFSZ, SIG_DFL);
        limitChanged = false;
    }
    const QStringList unexpected = modals->unexpected;
    const int unanswered = modals->pending();
    capture.reset();
    window.reset();
    qInstallMessageHandler(nullptr);
    modals.reset();
    home.reset();
    qputenv("HOME", savedHome);
    // Every dialog that came was expected, and every expected one came.
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    QCOMPARE(unanswered, 0);
}

void TestSchemeWindow::start(const QByteArray *fileBytes)
{
    if (fileBytes)
        writeFile(filePath(), *fileBytes);
    window = std::make_unique<Kavrin>();
    QCOMPARE(window->projectDir, projectDir());
    // After the constructor, which installs the window's own handler.
    capture = std::make_unique<MessageCapture>();
}

void TestSchemeWindow::startWith(const QJsonObject &schemes)
{
    const QByteArray bytes = serialiseSchemes(schemes);
    start(&bytes);
}

void TestSchemeWindow::firstStart()
{
    QVERIFY(!QFileInfo::exists(projectDir()));
    start();
    QVERIFY(QFileInfo(filePath()).isFile());
    QCOMPARE(QFileInfo(filePath()).size(), qint64(0));
    QVERIFY(window->schemes.isEmpty());
    QCOMPARE(window->programList->listLayout->count(), 0);
    // The list was not built: the container keeps its construction size.
    QCOMPARE(window->programList->listContainer->minimumHeight(), 300);
}

void TestSchemeWindow::readAtStart_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QJsonObject>("schemes");
    QTest::addColumn<bool>("built");
    QTest::addColumn<bool>("unreadable");

    const QJsonObject a = schemesOf({ { "A", 4 } });
    QJsonObject odd = a;
    odd.insert("odd", "text");

    QTest::newRow("only whitespace") << QByteArray(" \r\n\t") << QJsonObject() << false << false;
    QTest::newRow("NUL after the document")
        << serialiseSchemes(a) + QByteArray("\0tail", 5) << a << true << false;
    QTest::newRow("top-level array")
        << QByteArray("[{\"A\": 1}]") << QJsonObject() << true << false;
    QTest::newRow("non-record member") << serialiseSchemes(odd) << odd << true << false;
    QTest::newRow("invalid JSON") << QByteArray("{\"A\": ") << QJsonObject() << false << true;
}

void TestSchemeWindow::readAtStart()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QJsonObject, schemes);
    QFETCH(bool, built);
    QFETCH(bool, unreadable);

    start(); // a new, empty file; then the file as a later start would find it
    writeFile(filePath(), bytes);
    window->readSchemeFile();

    QCOMPARE(window->schemes, schemes);
    QCOMPARE(entryNames(*window), built ? schemes.keys() : QStringList());
    QCOMPARE(window->programList->listContainer->minimumHeight(),
             built ? 60 * schemes.size() : 300);
    const bool warned = !capture->texts(QtWarningMsg).filter(filePath()).isEmpty();
    QCOMPARE(warned, unreadable);

    // The first write keeps every member read, and an unreadable file in a backup.
    window->openSpin->setValue(3);
    window->closeSpin->setValue(4);
    window->cycleSpin->setValue(5);
    Seen seen;
    modals->expect(typeName("X", &seen));
    window->saveScheme();
    schemes.insert("X", schemeRecord(3, 4, 5));
    QCOMPARE(readFile(filePath()), serialiseSchemes(schemes));
    QCOMPARE(readFile(filePath() + ".bak"), unreadable ? bytes : QByteArray("<unreadable>"));
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
    QJsonObject schemes;
    for (int i = 0; i < count; ++i)
        schemes.insert(QString::number(i), schemeRecord(i + 1, 1, 1));
    startWith(schemes);
    window->showSchemeList();
    QVERIFY(QTest::qWaitForWindowExposed(window->programList));

    QCOMPARE(window->programList->listContainer->height(), 60 * count);
    auto *scrollArea = window->programList->findChild<QScrollArea *>();
    QVERIFY(scrollArea);
    QCOMPARE(scrollArea->verticalScrollBar()->maximum() > 0, count * 60 > 300);
    QCOMPARE(scrollArea->horizontalScrollBar()->isVisible(), false);
}

void TestSchemeWindow::applyConversion_data()
{
    QTest::addColumn<QJsonValue>("scheme");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("cycle");

    QTest::newRow("fraction gives the minimum") << QJsonValue(
        QJsonObject{ { "open_spinBox", 2.5 }, { "close_spinBox", 7 }, { "cycle_spinBox", 8 } })
                                                << 1 << 7 << 8;
    QTest::newRow("above the range gives the maximum") << QJsonValue(QJsonObject{
        { "open_spinBox", 5000 }, { "close_spinBox", 1000 }, { "cycle_spinBox", 999 } })
                                                       << 1000 << 1000 << 999;
    QTest::newRow("missing member gives the minimum")
        << QJsonValue(QJsonObject{ { "close_spinBox", 5 }, { "cycle_spinBox", 6 } }) << 1 << 5 << 6;
    QTest::newRow("not a record") << QJsonValue("text") << 1 << 1 << 1;
}

void TestSchemeWindow::applyConversion()
{
    QFETCH(QJsonValue, scheme);
    QFETCH(int, open);
    QFETCH(int, close);
    QFETCH(int, cycle);

    start();
    for (QSpinBox *spin : { window->openSpin, window->closeSpin, window->cycleSpin })
        spin->setValue(50);
    window->applySchemeToInputs(scheme);
    QCOMPARE(window->openSpin->value(), open);
    QCOMPARE(window->closeSpin->value(), close);
    QCOMPARE(window->cycleSpin->value(), cycle);
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

    startWith(schemesOf({ { "A", 1 } }));
    window->showSchemeList();
    QVERIFY(QTest::qWaitForWindowExposed(window->programList));
    ProgramLabel *entry = entries(*window).value(0);
    QVERIFY(entry);
    QWidget *target = onIcon ? entry->layout()->itemAt(0)->widget() : entry->nameLabel;

    // A left click applies the scheme; with the port closed that is one notice.
    Seen seen;
    if (clicks)
        modals->expect(pressButton(QMessageBox::Ok, &seen));
    QSignalSpy spy(entry, &ProgramLabel::clicked);
    const QPoint pos = target->mapTo(window->programList, target->rect().center());
    QTest::mouseClick(window->programList->windowHandle(), Qt::MouseButton(button), {}, pos);
    QCOMPARE(spy.count(), clicks);
    QCOMPARE(entry->menu->isVisible(), button == Qt::RightButton);
    QCOMPARE(seen.text, clicks ? QStringLiteral("串口未打开") : QString());
    entry->menu->close();
}

void TestSchemeWindow::entryShowsNameAsText_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty name") << QString("");
    QTest::newRow("markup") << QString("<b>x</b>");
}

void TestSchemeWindow::entryShowsNameAsText()
{
    QFETCH(QString, name);
    startWith(QJsonObject{ { name, schemeRecord(1, 1, 1) } });
    ProgramLabel *entry = entries(*window).value(0);
    QVERIFY(entry);
    QCOMPARE(entry->nameLabel->text(), name);
    QCOMPARE(entry->nameLabel->textFormat(), Qt::PlainText);
    const auto *icon = qobject_cast<QLabel *>(entry->layout()->itemAt(0)->widget());
    QVERIFY(icon && icon->pixmap() && !icon->pixmap()->isNull());
    QCOMPARE(entry->text(), QString());
}

void TestSchemeWindow::saveListsInNameOrder()
{
    startWith(schemesOf({ { "Alpha", 1 }, { "Gamma", 3 } }));
    window->openSpin->setValue(7);
    window->closeSpin->setValue(8);
    window->cycleSpin->setValue(9);
    Seen seen;
    modals->expect(typeName("Beta", &seen));
    window->saveSchemeButton->click();

    QCOMPARE(seen.title, QStringLiteral("方案名称"));
    QCOMPARE(seen.text, QStringLiteral("输入方案名称："));
    QCOMPARE(seen.initial, QString());
    QVERIFY(seen.fixedSize);
    QCOMPARE(window->schemes.value("Beta"), QJsonValue(schemeRecord(7, 8, 9)));
    QCOMPARE(entryNames(*window), (QStringList{ "Alpha", "Beta", "Gamma" }));
    QCOMPARE(readFile(filePath()), serialiseSchemes(window->schemes));
    QVERIFY(capture->texts(QtDebugMsg).contains(QStringLiteral("\"方案 (Beta) 保存成功\"")));
}

void TestSchemeWindow::saveTwiceKeepsOneEntry()
{
    start();
    Seen seen;
    for (int value : { 5, 6 }) {
        window->openSpin->setValue(value);
        modals->expect(typeName("S", &seen));
        window->saveScheme();
    }
    const QJsonObject expected{ { "S", schemeRecord(6, 2, 10) } };
    QCOMPARE(window->schemes, expected);
    QCOMPARE(entryNames(*window), QStringList{ "S" });
    QCOMPARE(livingEntries(), 1);
    QCOMPARE(readFile(filePath()), serialiseSchemes(expected));
}

void TestSchemeWindow::rebuildTwiceKeepsOneEntry()
{
    startWith(schemesOf({ { "a", 1 }, { "B", 2 }, { "c", 3 } }));
    window->rebuildSchemeList();
    window->rebuildSchemeList();
    QCOMPARE(entryNames(*window), (QStringList{ "B", "a", "c" }));
    QCOMPARE(livingEntries(), 3);
    QCOMPARE(window->programList->listContainer->height(), 180);
}

void TestSchemeWindow::applyWithPortClosed()
{
    startWith(QJsonObject{ { "A", schemeRecord(5, 6, 7) } });
    window->showSchemeList();
    Seen seen;
    modals->expect(pressButton(QMessageBox::Ok, &seen));
    emit entries(*window).value(0)->clicked();

    QCOMPARE(seen.title, QStringLiteral("提示"));
    QCOMPARE(seen.text, QStringLiteral("串口未打开"));
    QCOMPARE(window->openSpin->value(), 2);
    QCOMPARE(window->cycleSpin->value(), 10);
    QVERIFY(window->programList->isVisible());
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

    Seen seen;
    modals->expect(pressButton(QMessageBox::Ok, &seen, window->programList));
    emit entries(*window).value(0)->clicked();

    QCOMPARE(seen.text, QStringLiteral("参数设置成功"));
    QVERIFY(seen.listVisible); // hidden only after the confirmation
    QVERIFY(!window->programList->isVisible());
    for (QSpinBox *spin : { window->openSpin, window->closeSpin, window->cycleSpin })
        QCOMPARE(spin->value(), 1000);
    QByteArray sent = pty.read(24);
    sent += pty.drain();
    QCOMPARE(sent.toHex(' ').toUpper(),
             QByteArray("8E 01 7A 00 00 00 00 00 41 03 E8 03 E8 03 E8 00 00 00 00 00 0A 5F 9C "
                        "8E"));
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
    QCOMPARE(window->schemes, expected);
    QCOMPARE(readFile(filePath()), serialiseSchemes(expected));
    QVERIFY(capture->texts(QtWarningMsg).contains(QStringLiteral("\"方案 (B) 已删除\"")));
    QCOMPARE(livingEntries(), 2);
}

void TestSchemeWindow::rename_data()
{
    QTest::addColumn<QString>("typed"); // null: cancelled
    QTest::addColumn<int>("answer"); // the overwrite question's answer, 0 for none
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QJsonObject>("schemes");
    QTest::addColumn<QString>("log");

    const QJsonObject before = schemesOf({ { "Beta", 2 }, { "Gamma", 3 } });
    const QStringList listed{ "Beta", "Gamma" };
    QTest::newRow("to its own name") << QString("Gamma") << 0 << listed << before
                                     << QStringLiteral("\"方案名称已修改：(Gamma) to (Gamma)\"");
    QTest::newRow("to a name sorting first: stays in place")
        << QString("Alpha") << 0 << QStringList{ "Beta", "Alpha" }
        << schemesOf({ { "Alpha", 3 }, { "Beta", 2 } })
        << QStringLiteral("\"方案名称已修改：(Gamma) to (Alpha)\"");
    QTest::newRow("onto an existing name, answered No")
        << QString("Beta") << int(QMessageBox::No) << listed << before << QString();
    QTest::newRow("onto an existing name, answered Yes")
        << QString("Beta") << int(QMessageBox::Yes) << QStringList{ "Beta" }
        << schemesOf({ { "Beta", 3 } }) << QStringLiteral("\"方案名称已修改：(Gamma) to (Beta)\"");
    QTest::newRow("cancelled") << QString() << 0 << listed << before << QString();
}

void TestSchemeWindow::rename()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    QFETCH(QJsonObject, schemes);
    QFETCH(QString, log);

    startWith(schemesOf({ { "Beta", 2 }, { "Gamma", 3 } }));
    writeFile(filePath(), "stale"); // every outcome rewrites the file
    Seen input;
    Seen question;
    modals->expect(typeName(typed, &input));
    if (answer)
        modals->expect(pressButton(QMessageBox::StandardButton(answer), &question));
    entryNamed(*window, "Gamma")->renameAction->trigger();

    QCOMPARE(input.title, QStringLiteral("重命名"));
    QCOMPARE(input.text, QStringLiteral("输入你的名字："));
    QCOMPARE(input.initial, QStringLiteral("Gamma"));
    QVERIFY(input.fixedSize);
    if (answer) {
        QCOMPARE(question.title, QStringLiteral("提示"));
        QCOMPARE(question.text, QStringLiteral("方案 (Beta) 已存在，是否覆盖？"));
        QVERIFY(question.plainText);
    }
    QCOMPARE(livingEntries(), names.size());
    QCOMPARE(entryNames(*window), names);
    QCOMPARE(window->schemes, schemes);
    QCOMPARE(readFile(filePath()), serialiseSchemes(schemes));
    const int renameLines
        = capture->texts(QtDebugMsg).filter(QStringLiteral("方案名称已修改")).size();
    QCOMPARE(renameLines, log.isEmpty() ? 0 : 1);
    QVERIFY(log.isEmpty() || capture->texts(QtDebugMsg).contains(log));
}

void TestSchemeWindow::writeErrorKeepsChange()
{
    // A directory where the file belongs: it cannot be opened for reading at
    // start-up nor replaced later, whoever runs the test (root included).
    QVERIFY(QDir().mkpath(filePath()));
    start();
    Seen seen;
    modals->expect(typeName("A", &seen));
    window->saveScheme();
    QVERIFY(capture->texts(QtDebugMsg).contains("write error! \n"));
    QCOMPARE(window->schemes.keys(), QStringList{ "A" });
    QCOMPARE(entryNames(*window), QStringList{ "A" });

    capture->clear();
    entryNamed(*window, "A")->deleteAction->trigger();
    QVERIFY(capture->texts(QtDebugMsg).contains("write error! \n"));
    QVERIFY(window->schemes.isEmpty());
    QCOMPARE(entryNames(*window), QStringList());
    QVERIFY(QFileInfo(filePath()).isDir());
    QVERIFY(QDir(filePath()).isEmpty());
}

void TestSchemeWindow::failedWriteKeepsOldFile()
{
    startWith(schemesOf({ { "A", 1 } }));
    const QByteArray before = readFile(filePath());
    const QString name = "a name long enough to make the new file larger than the limit";

    // A file size limit makes the replacement's write fail part-way, as a full
    // disk would, after the temporary file was opened.
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &savedLimit), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = savedLimit;
    limit.rlim_cur = rlim_t(before.size() + 8);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    limitChanged = true;
    Seen seen;
    modals->expect(typeName(name, &seen));
    window->saveScheme();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &savedLimit), 0);

    QVERIFY(capture->texts(QtDebugMsg).contains("write error! \n"));
    QCOMPARE(readFile(filePath()), before);
    QCOMPARE(QDir(projectDir()).entryList(QDir::Files | QDir::Hidden),
             QStringList{ "Kavrin.halvo" });
    QVERIFY(window->schemes.contains(name));
    QCOMPARE(entryNames(*window), (QStringList{ "A", name }));
}

void TestSchemeWindow::unreadableFileIsBackedUp()
{
    start();
    writeFile(filePath() + ".bak", "an older backup");
    const QByteArray broken = "{\"A\": {\"open_spinBox\": 3,";
    writeFile(filePath(), broken);
    window->readSchemeFile();
    QCOMPARE(readFile(filePath()), broken); // untouched until something is written

    Seen seen;
    modals->expect(typeName("B", &seen));
    window->saveScheme();
    QCOMPARE(readFile(filePath() + ".bak"), QByteArray("an older backup"));
    QCOMPARE(readFile(filePath() + ".bak.1"), broken);
    QCOMPARE(readFile(filePath()), serialiseSchemes(window->schemes));

    // Once replaced, the file is ours: no further backups.
    modals->expect(typeName("C", &seen));
    window->saveScheme();
    QVERIFY(!QFileInfo::exists(filePath() + ".bak.2"));
    QCOMPARE(window->schemes.keys(), (QStringList{ "B", "C" }));
}

KAVRIN_WINDOW_TEST_MAIN(TestSchemeWindow)
#include "tst_schemewindow.moc"
