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
#include <QSpinBox>
#include <QTextEdit>

// The start-up state of the real main window: what the operator sees and can
// use before any port is open. One window serves every case; a case that
// changes it changes it back.
class TestMainWindowUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowFrameAndStyleSheet();
    void images_data();
    void images();
    void controls_data();
    void controls();
    void labels_data();
    void labels();
    void spinBoxRanges();
    void logCheckHidesPane();

private:
    Kavrin *window = nullptr;
    QtMessageHandler testHandler = nullptr;
};

void TestMainWindowUi::initTestCase()
{
    // The window installs its own handler; keep the test framework's to put back.
    testHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(testHandler);
    window = new Kavrin;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestMainWindowUi::cleanupTestCase()
{
    delete window;
    qInstallMessageHandler(testHandler);
}

void TestMainWindowUi::windowFrameAndStyleSheet()
{
    QCOMPARE(window->objectName(), QStringLiteral("Mainwindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Kavrin V1.0.3 Beta"));
    QCOMPARE(window->minimumSize(), QSize(720, 450));
    QCOMPARE(window->maximumSize(), QSize(720, 450));
    // The icon is named ":./product.png"; it must still find the picture.
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(64, 64)));
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

// Row named after the member; the window exists before any _data function runs.
#define MEMBER_ROW(member) QTest::newRow(#member) << static_cast<QWidget *>(window->member)

void TestMainWindowUi::controls_data()
{
    QTest::addColumn<QWidget *>("widget");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QRect>("geometry");
    MEMBER_ROW(countDisplay) << "" << true << "" << false << "" << QRect(5, 5, 160, 50);
    MEMBER_ROW(saveSettingsButton)
        << "Buttontext" << false << "保存设置" << false << "" << QRect(50, 300, 80, 30);
    MEMBER_ROW(openSpin) << "" << true << "2" << false << "" << QRect(90, 100, 70, 30);
    MEMBER_ROW(closeSpin) << "" << true << "2" << false << "" << QRect(90, 150, 70, 30);
    MEMBER_ROW(cycleSpin) << "" << true << "10" << false << "" << QRect(90, 200, 70, 30);
    MEMBER_ROW(triggerSpin) << "" << false << "同步" << false << "" << QRect(90, 250, 70, 30);
    MEMBER_ROW(statusLabel) << "" << true << "请先选择串口" << false << ""
                            << QRect(245, 25, 200, 20);
    MEMBER_ROW(startButton) << "but" << false << "" << false << "open" << QRect(240, 100, 60, 60);
    MEMBER_ROW(autoOffButton) << "but" << false << "" << false << "自动模式关闭"
                              << QRect(330, 100, 60, 60);
    MEMBER_ROW(portCombo) << "" << true << "" << false << "" << QRect(570, 180, 90, 23);
    MEMBER_ROW(manualRadio) << "RadioButton" << true << "" << false << "" << QRect(600, 25, 30, 30);
    MEMBER_ROW(autoRadio) << "RadioButton" << true << "" << false << "" << QRect(600, 80, 30, 30);
    MEMBER_ROW(triggerRadio) << "RadioButton" << true << "" << false << ""
                             << QRect(600, 130, 30, 30);
    MEMBER_ROW(disconnectButton) << "disconnect" << true << "" << false << ""
                                 << QRect(603, 220, 30, 30);
    MEMBER_ROW(saveSchemeButton) << "but" << true << "" << false << "保存方案"
                                 << QRect(240, 230, 50, 50);
    MEMBER_ROW(importSchemeButton)
        << "but" << true << "" << false << "导入方案" << QRect(330, 230, 50, 50);
    MEMBER_ROW(logCheck) << "" << true << "" << true << "" << QRect(610, 275, 100, 30);
    MEMBER_ROW(logEdit) << "mLog_edit" << true << "" << false << "" << QRect(200, 320, 510, 120);
    MEMBER_ROW(helpButton) << "but" << true << "" << false << "帮助" << QRect(680, 5, 25, 25);
}

void TestMainWindowUi::controls()
{
    QFETCH(QWidget *, widget);
    QFETCH(QString, objectName);
    QFETCH(bool, enabled);
    QFETCH(QString, text);
    QFETCH(bool, checkable);
    QFETCH(QString, toolTip);
    QFETCH(QRect, geometry);
    QCOMPARE(widget->objectName(), objectName);
    QCOMPARE(widget->isEnabled(), enabled);
    // A spin box's text shows its value; text edits and combo boxes have none.
    QCOMPARE(widget->property("text").toString(), text);
    QCOMPARE(widget->property("checkable").toBool(), checkable);
    QCOMPARE(widget->toolTip(), toolTip);
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
}

void TestMainWindowUi::labels()
{
    QFETCH(QString, text);
    QFETCH(QPoint, position);
    QList<QPoint> found;
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text() == text)
            found << label->pos();
    }
    QCOMPARE(found, QList<QPoint>{ position });
}

void TestMainWindowUi::spinBoxRanges()
{
    for (const QSpinBox *spin : { window->openSpin, window->closeSpin, window->cycleSpin })
        QCOMPARE(qMakePair(spin->minimum(), spin->maximum()), qMakePair(1, 1000));
    QCOMPARE(qMakePair(window->triggerSpin->minimum(), window->triggerSpin->maximum()),
             qMakePair(0, 1));
}

void TestMainWindowUi::logCheckHidesPane()
{
    const QPoint underPane(600, 400); // inside both the log pane and the small logo
    QVERIFY(window->logCheck->isChecked());
    QVERIFY(window->logEdit->isAncestorOf(window->childAt(underPane)));

    window->logCheck->click();
    QVERIFY(!window->logEdit->isVisible());
    auto *logo = qobject_cast<QLabel *>(window->childAt(underPane));
    QVERIFY(logo && logo->pixmap() && !logo->pixmap()->isNull());

    window->logCheck->click();
    QVERIFY(window->logEdit->isAncestorOf(window->childAt(underPane)));
}

KAVRIN_WINDOW_TEST_MAIN(TestMainWindowUi)
#include "tst_mainwindowui.moc"
