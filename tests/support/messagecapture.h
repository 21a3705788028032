#pragma once

#include <QList>
#include <QPair>
#include <QStringList>

// Collects the process's messages while it exists and passes them on to the
// handler installed before it (the log sink's, say), which it restores at the end.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    QStringList texts(QtMsgType type) const;
    void clear() { messages.clear(); }

    QList<QPair<QtMsgType, QString>> messages;
};
