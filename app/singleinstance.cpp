#include "app/singleinstance.h"

#include <QDebug>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>

namespace {
// The display the windows go to: the X server without its screen number,
// the Wayland socket, or else the platform itself, in a form fit for a
// file name.
QString displayName()
{
    const QString platform = QGuiApplication::platformName();
    QString display;
    if (platform == QLatin1String("xcb"))
        display = qEnvironmentVariable("DISPLAY").remove(QRegularExpression("\\.\\d+$"));
    else if (platform.startsWith(QLatin1String("wayland")))
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    const QString name = display.isEmpty() ? platform : platform + u'-' + display;
    return QString::fromLatin1(name.toUtf8().toPercentEncoding("-_."));
}
} // namespace

QString SingleInstance::defaultPath()
{
    // Made by the session for this user alone (Qt makes sure it is 0700).
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/orvel-") + displayName();
}

SingleInstance::SingleInstance(const QString &path, QObject *parent) : QObject(parent), m_path(path)
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::claim(const QString &word)
{
    if (m_path.isEmpty())
        return Role::Alone;
    // Two starts at the same moment must not both find no one and both
    // listen: one looks and listens while the other waits. A lock left by a
    // crash names a process that is gone, and QLockFile takes it over.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(timeout))
        qDebug() << "QLockFile::tryLock failed." << m_path;
    switch (handOver(word)) {
    case HandOver::Delivered:
        return Role::HandedOver;
    case HandOver::NoneRunning:
        return listen() ? Role::Listening : Role::Alone;
    case HandOver::Failed:
        break;
    }
    return Role::Alone;
}

SingleInstance::HandOver SingleInstance::handOver(const QString &word)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeout)) {
        // No socket, or one nobody listens on any more.
        const QLocalSocket::LocalSocketError error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError ||
            error == QLocalSocket::ConnectionRefusedError)
            return HandOver::NoneRunning;
        qDebug() << "QLocalSocket::connectToServer failed." << socket.errorString();
        return HandOver::Failed;
    }
    socket.write(encode(word));
    if (!socket.waitForBytesWritten(timeout)) {
        qDebug() << "QLocalSocket::write failed." << socket.errorString();
        return HandOver::Failed;
    }
    socket.disconnectFromServer();
    return HandOver::Delivered;
}

bool SingleInstance::listen()
{
    // Nobody answered, so a socket file still there was left by a crash.
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path)) {
        qDebug() << "QLocalServer::listen failed." << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // Nothing beyond one message is ever read.
        socket->setReadBufferSize(maxMessageBytes + 1);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            read(socket);
            socket->deleteLater();
        });
        // A client that never ends its message must not hold on.
        QTimer::singleShot(timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void SingleInstance::read(QLocalSocket *socket)
{
    const bool complete = socket->canReadLine();
    if (!complete && socket->bytesAvailable() <= maxMessageBytes &&
        socket->state() == QLocalSocket::ConnectedState)
        return;
    // One message per connection, whole or not at all.
    const std::optional<QString> word = complete ? decode(socket->readAll()) : std::nullopt;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (word)
        emit wordReceived(*word);
}

QByteArray SingleInstance::encode(const QString &word)
{
    return word.toUtf8() + '\n';
}

std::optional<QString> SingleInstance::decode(const QByteArray &message)
{
    if (message.size() > maxMessageBytes || message.indexOf('\n') != message.size() - 1)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString word = utf8(message.chopped(1));
    if (utf8.hasError())
        return std::nullopt;
    for (const QChar c : word) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    return word;
}
