#include "messagecapture.h"

#include <QStringList>

namespace {
MessageCapture *active = nullptr;

void capture(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (active)
        active->messages.append({ type, text });
}
} // namespace

MessageCapture::MessageCapture()
{
    active = this;
    previous = qInstallMessageHandler(capture);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous);
    active = nullptr;
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
