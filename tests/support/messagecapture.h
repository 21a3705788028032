#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

// Collects the process's messages while it exists; restores the handler
// that was installed before it.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList texts(QtMsgType type) const;
    void clear() { messages.clear(); }

    QList<QPair<QtMsgType, QString>> messages;

private:
    QtMessageHandler previous = nullptr;
};
