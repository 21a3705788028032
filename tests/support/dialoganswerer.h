#pragma once

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

// Answers modal dialogs from inside their own event loops, noting each in seen
// as "title|text". Queued answers go in turn: a string is typed into an input
// dialog (null cancels it), a number presses that StandardButton of a box.
// Unqueued, a box is accepted, an input cancelled; strict lists them in unexpected.
class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(bool strict = false) : m_strict(strict) { startTimer(5); }

    QVariantList answers;
    QStringList seen, unexpected;

protected:
    void timerEvent(QTimerEvent *) override
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->property("answered").toBool())
            return;
        dialog->setProperty("answered", true);
        auto *input = qobject_cast<QInputDialog *>(dialog);
        auto *box = qobject_cast<QMessageBox *>(dialog);
        seen << dialog->windowTitle() + '|' + (box ? box->text() : input ? input->labelText() : "");
        const QVariant answer = answers.isEmpty() ? QVariant() : answers.takeFirst();
        if (m_strict && !answer.isValid())
            unexpected << seen.last();
        if (input) {
            input->setTextValue(answer.toString());
            answer.toString().isNull() ? input->reject() : input->accept();
        } else if (box && answer.isValid()) {
            box->button(QMessageBox::StandardButton(answer.toInt()))->click();
        } else {
            dialog->accept();
        }
    }

private:
    bool m_strict;
};
