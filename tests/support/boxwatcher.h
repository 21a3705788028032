#pragma once

#include <QList>
#include <QString>
#include <QTimer>

// Closes every modal message box as soon as it shows and remembers what it
// said, so tests can assert title, text and buttons afterwards.
class BoxWatcher
{
public:
    struct Box
    {
        QString title;
        QString text;
        int buttons = 0; // QMessageBox::StandardButtons
    };

    BoxWatcher();
    QList<Box> boxes;

private:
    QTimer poll;
};
