#include "app/kavrin.h"
#include "expectedstylesheet.h"
#include "ui/clickedcombobox.h"
#include "ui/strspinbox.h"
#include "windowtestmain.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextEdit>

// The start-up state of the real main window: what the operator sees and can
// use before any port is open.
class TestMainWindowUi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void windowFrame();
    void styleSheetText();
    void images_data();
    void images();
    void controls_data();
    void controls();
    void labels_data();
    void labels();
    void spinBoxes_data();
    void spinBoxes();
    void logCheckUncoversLogo();
    void modeRadioIgnoresClickBeforePortOpens_data();
    void modeRadioIgnoresClickBeforePortOpens();

private:
    QWidget *member(const QString &name) const;

    Kavrin *window = nullptr;
    QtMessageHandler testHandler = nullptr;
};

void TestMainWindowUi::init()
{
    // The window installs its own handler; keep the test framework's to put back.
    testHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(testHandler);
    window = new Kavrin;
}

void TestMainWindowUi::cleanup()
{
    delete window;
    window = nullptr;
    qInstallMessageHandler(testHandler);
}

QWidget *TestMainWindowUi::member(const QString &name) const
{
    const QHash<QString, QWidget *> members{
        { "countDisplay", window->countDisplay },
        { "openSpin", window->openSpin },
        { "closeSpin", window->closeSpin },
        { "cycleSpin", window->cycleSpin },
        { "triggerSpin", window->triggerSpin },
        { "statusLabel", window->statusLabel },
        { "startButton", window->startButton },
        { "autoOffButton", window->autoOffButton },
        { "portCombo", window->portCombo },
        { "manualRadio", window->manualRadio },
        { "autoRadio", window->autoRadio },
        { "triggerRadio", window->triggerRadio },
        { "disconnectButton", window->disconnectButton },
        { "saveSchemeButton", window->saveSchemeButton },
        { "importSchemeButton", window->importSchemeButton },
        { "logCheck", window->logCheck },
        { "logEdit", window->logEdit },
        { "saveSettingsButton", window->saveSettingsButton },
        { "helpButton", window->helpButton },
    };
    return members.value(name);
}

void TestMainWindowUi::windowFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("Mainwindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Kavrin V1.0.3 Beta"));
    QCOMPARE(window->minimumSize(), QSize(720, 450));
    QCOMPARE(window->maximumSize(), QSize(720, 450));
    // The icon is named ":./product.png"; it must still find the picture.
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(64, 64)));
}

void TestMainWindowUi::styleSheetText()
{
    QCOMPARE(window->styleSheet(), QString::fromUtf8(expectedStyleSheet));
}

void TestMainWindowUi::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("product") << ":/product.png" << QSize(64, 64);
    QTest::newRow("maker logo, large") << ":/halvo.png" << QSize(1793, 554);
    QTest::newRow("maker logo, small") << ":/Halvo_Logo.png" << QSize(350, 110);
    QTest::newRow("start") << ":/start.png" << QSize(63, 62);
    QTest::newRow("stop") << ":/stop.png" << QSize(56, 57);
    QTest::newRow("close") << ":/close.png" << QSize(48, 46);
    QTest::newRow("circle") << ":/circle.png" << QSize(64, 64);
    QTest::newRow("radio unchecked") << ":/no.png" << QSize(64, 64);
    QTest::newRow("radio checked") << ":/ok.png" << QSize(64, 64);
    QTest::newRow("save") << ":/save.png" << QSize(64, 64);
    QTest::newRow("import") << ":/import.png" << QSize(56, 52);
    QTest::newRow("help") << ":/help.png" << QSize(64, 64);
    QTest::newRow("combo arrow") << ":/combox.png" << QSize(32, 32);
    QTest::newRow("spin up arrow") << ":/s.png" << QSize(16, 16);
    QTest::newRow("spin down arrow") << ":/x.png" << QSize(16, 16);
    QTest::newRow("scheme entry") << ":/log.png" << QSize(128, 128);
}

void TestMainWindowUi::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QCOMPARE(QImage(path).size(), size);
}

void TestMainWindowUi::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("count display") << "countDisplay"
                                   << ""
                                   << "" << true << QRect(5, 5, 160, 50);
    QTest::newRow("save settings, disabled") << "saveSettingsButton"
                                             << "Buttontext"
                                             << "" << false << QRect(50, 300, 80, 30);
    QTest::newRow("trigger selector, disabled") << "triggerSpin"
                                                << ""
                                                << "" << false << QRect(90, 250, 70, 30);
    QTest::newRow("status") << "statusLabel"
                            << ""
                            << "" << true << QRect(245, 25, 200, 20);
    QTest::newRow("start, idle and disabled") << "startButton"
                                              << "but"
                                              << "open" << false << QRect(240, 100, 60, 60);
    QTest::newRow("automatic off, disabled") << "autoOffButton"
                                             << "but"
                                             << "自动模式关闭" << false << QRect(330, 100, 60, 60);
    QTest::newRow("port selector") << "portCombo"
                                   << ""
                                   << "" << true << QRect(570, 180, 90, 23);
    QTest::newRow("manual mode") << "manualRadio"
                                 << "RadioButton"
                                 << "" << true << QRect(600, 25, 30, 30);
    QTest::newRow("trigger mode") << "triggerRadio"
                                  << "RadioButton"
                                  << "" << true << QRect(600, 130, 30, 30);
    QTest::newRow("disconnect") << "disconnectButton"
                                << "disconnect"
                                << "" << true << QRect(603, 220, 30, 30);
    QTest::newRow("save scheme") << "saveSchemeButton"
                                 << "but"
                                 << "保存方案" << true << QRect(240, 230, 50, 50);
    QTest::newRow("import scheme") << "importSchemeButton"
                                   << "but"
                                   << "导入方案" << true << QRect(330, 230, 50, 50);
    QTest::newRow("log check") << "logCheck"
                               << ""
                               << "" << true << QRect(610, 275, 100, 30);
    QTest::newRow("log pane") << "logEdit"
                              << "mLog_edit"
                              << "" << true << QRect(200, 320, 510, 120);
    QTest::newRow("help") << "helpButton"
                          << "but"
                          << "帮助" << true << QRect(680, 5, 25, 25);
}

void TestMainWindowUi::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, objectName);
    QFETCH(QString, toolTip);
    QFETCH(bool, enabled);
    QFETCH(QRect, geometry);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWidget *widget = member(name);
    QCOMPARE(widget->objectName(), objectName);
    QCOMPARE(widget->toolTip(), toolTip);
    QCOMPARE(widget->isEnabled(), enabled);
    // Laid out by hand, and the style sheet must not move or stretch anything.
    QCOMPARE(widget->geometry(), geometry);
}

void TestMainWindowUi::labels_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("time unit") << "时间单位100ms" << QPoint(40, 55);
    QTest::newRow("shutter open") << "快门开：" << QPoint(5, 100);
    QTest::newRow("external trigger") << "外部触发：" << QPoint(5, 250);
    QTest::newRow("manual mode") << "手动模式" << QPoint(470, 25);
    QTest::newRow("external trigger mode") << "外部触发模式" << QPoint(470, 125);
    QTest::newRow("log") << "日志" << QPoint(470, 275);
    QTest::newRow("status") << "请先选择串口" << QPoint(245, 25);
}

void TestMainWindowUi::labels()
{
    QFETCH(QString, text);
    QFETCH(QPoint, position);
    QLabel *found = nullptr;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text() == text) {
            QVERIFY2(!found, "caption appears twice");
            found = label;
        }
    }
    if (!found)
        QFAIL("caption not found");
    QCOMPARE(found->pos(), position);
}

void TestMainWindowUi::spinBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::newRow("open time") << "openSpin" << 2 << "2" << 1 << 1000;
    QTest::newRow("close time") << "closeSpin" << 2 << "2" << 1 << 1000;
    QTest::newRow("cycles") << "cycleSpin" << 10 << "10" << 1 << 1000;
    QTest::newRow("trigger sub-mode") << "triggerSpin" << 0 << "同步" << 0 << 1;
}

void TestMainWindowUi::spinBoxes()
{
    QFETCH(QString, name);
    QFETCH(int, value);
    QFETCH(QString, shown);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    auto *spin = qobject_cast<QSpinBox *>(member(name));
    QVERIFY(spin);
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->text(), shown);
    spin->setValue(minimum - 1);
    QCOMPARE(spin->value(), minimum);
    spin->setValue(maximum + 1);
    QCOMPARE(spin->value(), maximum);
}

void TestMainWindowUi::logCheckUncoversLogo()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPoint underPane(600, 400); // inside both the log pane and the large logo
    QVERIFY(window->logEdit->isAncestorOf(window->childAt(underPane)));

    window->logCheck->click();
    QVERIFY(!window->logCheck->isChecked());
    QVERIFY(!window->logEdit->isVisible());
    auto *logo = qobject_cast<QLabel *>(window->childAt(underPane));
    QVERIFY(logo);
    QCOMPARE(logo->geometry(), QRect(450, 350, 230, 80));
    QVERIFY(logo->pixmap() && !logo->pixmap()->isNull());

    window->logCheck->click();
    QVERIFY(window->logEdit->isVisible());
    QVERIFY(window->logEdit->isAncestorOf(window->childAt(underPane)));
}

void TestMainWindowUi::modeRadioIgnoresClickBeforePortOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("manual") << "manualRadio";
    QTest::newRow("automatic") << "autoRadio";
    QTest::newRow("external trigger") << "triggerRadio";
}

void TestMainWindowUi::modeRadioIgnoresClickBeforePortOpens()
{
    QFETCH(QString, name);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *radio = qobject_cast<QRadioButton *>(member(name));
    QVERIFY(radio);
    QSignalSpy toggled(radio, &QRadioButton::toggled);
    QSignalSpy clicked(radio, &QRadioButton::clicked);
    QTest::mouseClick(radio, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1); // the click did land on the button
    QVERIFY(!radio->isChecked());
    QCOMPARE(toggled.count(), 0);
}

KAVRIN_WINDOW_TEST_MAIN(TestMainWindowUi)
#include "tst_mainwindowui.moc"
