#include "boxanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

BoxAnswerer::BoxAnswerer(QObject *parent) : QObject(parent)
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { answer(); });
    timer->start(50);
}

void BoxAnswerer::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    auto *box = qobject_cast<QMessageBox *>(modal);
    seen << modal->windowTitle() + QStringLiteral(": ") + (box ? box->text() : QString());
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->accept();
    else
        modal->close();
}
