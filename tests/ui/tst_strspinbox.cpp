#include "ui/strspinbox.h"
#include "windowtestmain.h"

#include <QLineEdit>

// The external-trigger selector shows words, but stays an integer spin box
// the operator can type into.
class TestStrSpinBox : public QObject
{
    Q_OBJECT

private slots:
    void typedValueShown_data();
    void typedValueShown();
};

void TestStrSpinBox::typedValueShown_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0 is synchronous") << 1 << 0 << "同步";
    QTest::newRow("1 is asynchronous") << 1 << 1 << "异步";
    // Beyond the two words the number is shown rather than reading past the list.
    QTest::newRow("2 in a wider range") << 5 << 2 << "2";
}

void TestStrSpinBox::typedValueShown()
{
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(QString, shown);
    StrSpinBox spin;
    spin.setRange(0, maximum);
    spin.setValue(value == 0 ? 1 : 0);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    auto *edit = spin.findChild<QLineEdit *>();
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(value));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(spin.value(), value);
    QCOMPARE(spin.text(), shown);
}

KAVRIN_WINDOW_TEST_MAIN(TestStrSpinBox)
#include "tst_strspinbox.moc"
