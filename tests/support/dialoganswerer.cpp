#include "dialoganswerer.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr int pollPeriod = 5; // ms
}

DialogAnswerer::DialogAnswerer(bool strict, QObject *parent) : QObject(parent), m_strict(strict)
{
    startTimer(pollPeriod);
}

void DialogAnswerer::timerEvent(QTimerEvent *)
{
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog || dialog->property("answered").toBool())
        return;
    dialog->setProperty("answered", true);
    auto *input = qobject_cast<QInputDialog *>(dialog);
    auto *box = qobject_cast<QMessageBox *>(dialog);
    seen << dialog->windowTitle() + QLatin1Char('|')
            + (input     ? input->labelText()
                   : box ? box->text()
                         : QString());
    const bool queued = !answers.isEmpty();
    if (!queued && m_strict)
        unexpected << seen.last();
    if (input) {
        const QString typed = queued ? answers.takeFirst().toString() : QString();
        input->setTextValue(typed);
        typed.isNull() ? input->reject() : input->accept();
    } else if (box && queued) {
        box->button(QMessageBox::StandardButton(answers.takeFirst().toInt()))->click();
    } else if (box && box->escapeButton()) {
        box->escapeButton()->click();
    } else {
        dialog->accept();
    }
}
