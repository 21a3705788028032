#include "ui/clickedcombobox.h"
#include "windowtestmain.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QWheelEvent>

// The port selector refills itself when its popup is asked for, and only then.
class TestClickedComboBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void popupShowsItemsAddedByClicked();
    void clickedOnlyForPopup_data();
    void clickedOnlyForPopup();

private:
    ClickedComboBox *combo = nullptr;
};

void TestClickedComboBox::init()
{
    combo = new ClickedComboBox;
    combo->addItems({ QStringLiteral("请选择串口"), QStringLiteral("COM1") });
    combo->show();
    QVERIFY(QTest::qWaitForWindowExposed(combo));
}

void TestClickedComboBox::cleanup()
{
    delete combo;
    combo = nullptr;
}

void TestClickedComboBox::popupShowsItemsAddedByClicked()
{
    bool popupOpenDuringClicked = true;
    connect(combo, &ClickedComboBox::clicked, combo, [this, &popupOpenDuringClicked] {
        popupOpenDuringClicked = combo->view()->isVisible();
        combo->clear();
        combo->addItems({ QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM7") });
    });
    combo->showPopup();
    QVERIFY(!popupOpenDuringClicked);
    QVERIFY(combo->view()->isVisible());
    const QAbstractItemModel *shown = combo->view()->model();
    QCOMPARE(shown->rowCount(), 3);
    QCOMPARE(shown->index(0, 0).data().toString(), QStringLiteral("COM3"));
    QCOMPARE(shown->index(2, 0).data().toString(), QStringLiteral("COM7"));
    combo->hidePopup();
}

enum class Gesture { WheelDown, ArrowKeyDown, SetCurrentIndex, F4Key, AltArrowDown, MousePress };
Q_DECLARE_METATYPE(Gesture)

void TestClickedComboBox::clickedOnlyForPopup_data()
{
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("clicks");
    QTest::newRow("wheel changes the item") << Gesture::WheelDown << 0;
    QTest::newRow("arrow key changes the item") << Gesture::ArrowKeyDown << 0;
    QTest::newRow("program changes the item") << Gesture::SetCurrentIndex << 0;
    QTest::newRow("F4 opens the popup") << Gesture::F4Key << 1;
    QTest::newRow("Alt+Down opens the popup") << Gesture::AltArrowDown << 1;
    QTest::newRow("mouse opens the popup") << Gesture::MousePress << 1;
}

void TestClickedComboBox::clickedOnlyForPopup()
{
    QFETCH(Gesture, gesture);
    QFETCH(int, clicks);
    QSignalSpy clicked(combo, &ClickedComboBox::clicked);
    switch (gesture) {
    case Gesture::WheelDown: {
        const QPoint at = combo->rect().center();
        QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
        break;
    }
    case Gesture::ArrowKeyDown:
        QTest::keyClick(combo, Qt::Key_Down);
        break;
    case Gesture::SetCurrentIndex:
        combo->setCurrentIndex(1);
        break;
    case Gesture::F4Key:
        QTest::keyClick(combo, Qt::Key_F4);
        break;
    case Gesture::AltArrowDown:
        QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
        break;
    case Gesture::MousePress:
        QTest::mousePress(combo, Qt::LeftButton);
        break;
    }
    QCOMPARE(clicked.count(), clicks);
    // Without a popup the gesture must really have changed the item.
    QCOMPARE(combo->view()->isVisible() ? 0 : combo->currentIndex(), clicks == 0 ? 1 : 0);
    combo->hidePopup();
}

KAVRIN_WINDOW_TEST_MAIN(TestClickedComboBox)
#include "tst_clickedcombobox.moc"
