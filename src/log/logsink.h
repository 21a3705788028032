#pragma once

#include <QObject>

// Every message of the process, as log lines. While a sink exists,
// logMessageHandler is installed: each message becomes one line in the day's
// file and one lineLogged() signal, which Qt queues to receivers on other threads.
class LogSink : public QObject
{
    Q_OBJECT

public:
    explicit LogSink(QObject *parent = nullptr);
    // Puts back the handler that was installed before.
    ~LogSink() override;

signals:
    void lineLogged(const QString &line);

private:
    QtMessageHandler m_previousHandler = nullptr;
};
