#include "ui/strspinbox.h"
#include "windowtestmain.h"

#include <QLineEdit>

// The external-trigger selector shows words, but stays an integer spin box.
class TestStrSpinBox : public QObject
{
    Q_OBJECT

private slots:
    void shownText_data();
    void shownText();
    void stepping_data();
    void stepping();
    void typedNumberSelectsWord();
};

void TestStrSpinBox::shownText_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0 is synchronous") << 1 << 0 << "同步";
    QTest::newRow("1 is asynchronous") << 1 << 1 << "异步";
    // Beyond the two words the number is shown rather than reading past the list.
    QTest::newRow("2 in a wider range") << 5 << 2 << "2";
    QTest::newRow("5 in a wider range") << 5 << 5 << "5";
}

void TestStrSpinBox::shownText()
{
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(QString, shown);
    StrSpinBox spin;
    spin.setRange(0, maximum);
    spin.setValue(value);
    QCOMPARE(spin.text(), shown);
}

void TestStrSpinBox::stepping_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("shown");
    QTest::newRow("up from synchronous") << 0 << 1 << "异步";
    QTest::newRow("down from asynchronous") << 1 << -1 << "同步";
    QTest::newRow("up stops at asynchronous") << 1 << 1 << "异步";
    QTest::newRow("down stops at synchronous") << 0 << -1 << "同步";
}

void TestStrSpinBox::stepping()
{
    QFETCH(int, start);
    QFETCH(int, steps);
    QFETCH(QString, shown);
    StrSpinBox spin;
    spin.setRange(0, 1);
    spin.setValue(start);
    spin.stepBy(steps);
    QCOMPARE(spin.text(), shown);
}

void TestStrSpinBox::typedNumberSelectsWord()
{
    StrSpinBox spin;
    spin.setRange(0, 1);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    auto *edit = spin.findChild<QLineEdit *>();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_1);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(spin.value(), 1);
    QCOMPARE(spin.text(), QStringLiteral("异步"));
}

KAVRIN_WINDOW_TEST_MAIN(TestStrSpinBox)
#include "tst_strspinbox.moc"
