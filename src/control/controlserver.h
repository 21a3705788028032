#pragma once

#include "controlmessage.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

// The name the window listens under: a socket in the user's runtime folder,
// or a named pipe with the user's name on Windows. Only that user may connect.
QString controlEndpointName();

// Serves the control endpoint: reads each client's lines, answers the
// malformed ones itself and hands the others out one at a time, in the order
// they came. A client that sends a line over 64 KB, or leaves 1 MB of replies
// and events unread, is disconnected, so no client can make the window grow.
class ControlServer : public QObject
{
    Q_OBJECT

public:
    explicit ControlServer(QObject *parent = nullptr);
    ~ControlServer() override;

    // False, with the reason in *error, when the name is taken or not usable.
    bool listen(const QString &name, QString *error);
    // Answers the request being handled.
    void reply(const QByteArray &line);
    // Sends to every client.
    void broadcast(const QByteArray &line);
    int clientCount() const;

signals:
    void clientConnected();
    void clientDisconnected();
    // Answer it with reply() before returning.
    void requestReceived(const ControlRequest &request);

private:
    void accept();
    void readLines(QLocalSocket *client);
    void send(QLocalSocket *client, const QByteArray &line);

    QLocalServer *m_server;
    QLocalSocket *m_replyTo = nullptr; // whose request is being handled
    bool m_readLater = false; // lines came while one was handled
};
