#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

// Answers modal dialogs from inside their own event loops and notes what each
// showed as "title|text". Queued answers are used in turn: a string is typed
// into an input dialog (a null string cancels it), a number presses that
// QMessageBox::StandardButton. With nothing queued a box gets its default
// answer (Ok or its escape button) and an input dialog is cancelled; with
// strict set, such a dialog is also listed in unexpected.
class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(bool strict = false, QObject *parent = nullptr);

    QVariantList answers;
    QStringList seen;
    QStringList unexpected;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    bool m_strict;
};
