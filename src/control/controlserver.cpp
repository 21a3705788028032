#include "controlserver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 longestLine = 64 * 1024;
constexpr qint64 unreadLimit = 1024 * 1024; // replies and events a client has not taken

} // namespace

QString controlEndpointName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("kavrin-control-") + qEnvironmentVariable("USERNAME");
#else
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
        + QStringLiteral("/kavrin-control");
#endif
}

ControlServer::ControlServer(QObject *parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ControlServer::accept);
}

ControlServer::~ControlServer()
{
    // Clients left connected are told nothing more.
    for (QLocalSocket *client : m_server->findChildren<QLocalSocket *>())
        client->disconnect(this);
}

bool ControlServer::listen(const QString &name, QString *error)
{
    // A socket file left by a program that crashed would block the name.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(100))
        QLocalServer::removeServer(name);
    if (!m_server->listen(name)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

void ControlServer::accept()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        // Handled from the event queue, not inside the socket's notification: a
        // request may open a box, whose event loop would otherwise run while the
        // dispatcher still holds the readiness of other descriptors, the serial
        // port's among them, and hand it out again after the box closed, as a
        // read that finds nothing, which the port takes for an error.
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            QMetaObject::invokeMethod(
                client, [this, client] { readLines(client); }, Qt::QueuedConnection);
        });
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            if (m_replyTo == client)
                m_replyTo = nullptr;
            client->deleteLater();
            emit clientDisconnected();
        });
        emit clientConnected();
    }
}

void ControlServer::readLines(QLocalSocket *client)
{
    // One request at a time: a box opened by one runs an event loop, and what
    // comes meanwhile waits its turn.
    if (m_replyTo) {
        m_readLater = true;
        return;
    }
    while (client->canReadLine() && client->state() == QLocalSocket::ConnectedState) {
        const QByteArray line = client->readLine(longestLine + 1);
        if (!line.endsWith('\n')) {
            client->abort(); // a line that long is no request
            return;
        }
        ControlRequest request;
        QString error;
        if (!parseControlRequest(line.trimmed(), &request, &error)) {
            send(client, errorReply(ControlError::Usage, error));
            continue;
        }
        m_replyTo = client;
        emit requestReceived(request);
        m_replyTo = nullptr;
    }
    if (std::exchange(m_readLater, false)) {
        // Lines that came while a request was handled: read them now.
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (QLocalSocket *other : m_server->findChildren<QLocalSocket *>())
                    readLines(other);
            },
            Qt::QueuedConnection);
    }
    if (client->bytesAvailable() > longestLine)
        client->abort(); // sends without end, and no line end in sight
}

void ControlServer::reply(const QByteArray &line)
{
    if (m_replyTo)
        send(m_replyTo, line);
}

void ControlServer::broadcast(const QByteArray &line)
{
    for (QLocalSocket *client : m_server->findChildren<QLocalSocket *>())
        send(client, line);
}

void ControlServer::send(QLocalSocket *client, const QByteArray &line)
{
    if (client->state() != QLocalSocket::ConnectedState)
        return;
    if (client->bytesToWrite() + line.size() > unreadLimit) {
        client->abort(); // it does not read what it is sent
        return;
    }
    client->write(line);
}

int ControlServer::clientCount() const
{
    const auto clients = m_server->findChildren<QLocalSocket *>();
    return static_cast<int>(
        std::count_if(clients.begin(), clients.end(), [](const QLocalSocket *c) {
            return c->state() == QLocalSocket::ConnectedState;
        }));
}
