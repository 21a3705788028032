#include "messagecapture.h"

namespace {
MessageCapture *active = nullptr;
QtMessageHandler chained = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    active->messages.append({ type, text });
    if (chained)
        chained(type, context, text);
}
} // namespace

MessageCapture::MessageCapture()
{
    active = this;
    chained = qInstallMessageHandler(capture);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(chained);
}

QStringList MessageCapture::texts(QtMsgType type) const
{
    QStringList list;
    for (const auto &message : messages) {
        if (message.first == type)
            list << message.second;
    }
    return list;
}
