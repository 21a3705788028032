#pragma once

#include <QPair>
#include <QStringList>

// Collects the process's messages while it exists and passes them on to the
// handler installed before it (the log sink's, say), which it restores at the end.
class MessageCapture
{
public:
    MessageCapture() { active = this, m_chained = qInstallMessageHandler(capture); }
    ~MessageCapture() { qInstallMessageHandler(m_chained); }
    QStringList texts(QtMsgType type) const
    {
        QStringList list;
        for (const auto &message : messages) {
            if (message.first == type)
                list << message.second;
        }
        return list;
    }
    void clear() { messages.clear(); }

    QList<QPair<QtMsgType, QString>> messages;

private:
    static inline MessageCapture *active = nullptr;
    static void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        active->messages.append({ type, text });
        if (active->m_chained)
            active->m_chained(type, context, text);
    }
    QtMessageHandler m_chained = nullptr;
};
