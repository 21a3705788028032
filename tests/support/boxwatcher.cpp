#include "boxwatcher.h"

#include <QApplication>
#include <QMessageBox>

BoxWatcher::BoxWatcher()
{
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxes.append({ box->windowTitle(), box->text(), int(box->standardButtons()) });
        box->done(QMessageBox::Ok);
    });
    poll.start();
}
