#include "ui/clickedcombobox.h"
#include "windowtestmain.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QWheelEvent>

enum class Gesture { WheelDown, ArrowKeyDown, F4Key, AltArrowDown, MousePress };
Q_DECLARE_METATYPE(Gesture)

// The port selector refills itself when its popup is asked for, and only then.
class TestClickedComboBox : public QObject
{
    Q_OBJECT

private slots:
    void popupShowsItemsAddedByClicked_data();
    void popupShowsItemsAddedByClicked();
};

void TestClickedComboBox::popupShowsItemsAddedByClicked_data()
{
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<bool>("opens");
    QTest::newRow("wheel changes the item, no refill") << Gesture::WheelDown << false;
    QTest::newRow("arrow key changes the item, no refill") << Gesture::ArrowKeyDown << false;
    QTest::newRow("F4 opens the refilled popup") << Gesture::F4Key << true;
    QTest::newRow("Alt+Down opens the refilled popup") << Gesture::AltArrowDown << true;
    QTest::newRow("mouse opens the refilled popup") << Gesture::MousePress << true;
}

void TestClickedComboBox::popupShowsItemsAddedByClicked()
{
    QFETCH(Gesture, gesture);
    QFETCH(bool, opens);
    ClickedComboBox combo;
    combo.addItems({ QStringLiteral("请选择串口"), QStringLiteral("COM1") });
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    QSignalSpy clicked(&combo, &ClickedComboBox::clicked);
    bool popupOpenDuringClicked = false;
    connect(&combo, &ClickedComboBox::clicked, &combo, [&combo, &popupOpenDuringClicked] {
        popupOpenDuringClicked = combo.view()->isVisible();
        combo.clear();
        combo.addItems({ QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM7") });
    });

    const QPoint at = combo.rect().center();
    QWheelEvent wheel(at, combo.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    if (gesture == Gesture::WheelDown)
        QApplication::sendEvent(&combo, &wheel);
    else if (gesture == Gesture::MousePress)
        QTest::mousePress(&combo, Qt::LeftButton);
    else
        QTest::keyClick(&combo, gesture == Gesture::F4Key ? Qt::Key_F4 : Qt::Key_Down,
                        gesture == Gesture::AltArrowDown ? Qt::AltModifier : Qt::NoModifier);

    QCOMPARE(clicked.count(), int(opens));
    QCOMPARE(combo.view()->isVisible(), opens);
    QVERIFY(!popupOpenDuringClicked);
    QStringList shown;
    for (int row = 0; row < combo.view()->model()->rowCount(); ++row)
        shown << combo.view()->model()->index(row, 0).data().toString();
    const QStringList refilled{ "COM3", "COM4", "COM7" };
    QCOMPARE(shown, opens ? refilled : QStringList({ "请选择串口", "COM1" }));
    // Without a popup the gesture must really have changed the item.
    QCOMPARE(combo.currentIndex(), opens ? 0 : 1);
    combo.hidePopup();
}

KAVRIN_WINDOW_TEST_MAIN(TestClickedComboBox)
#include "tst_clickedcombobox.moc"
