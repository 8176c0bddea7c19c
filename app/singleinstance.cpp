#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {
// How long a refused start waits before it tries again, and the listener
// for a file descriptor to come free.
constexpr int retryInterval = 100;
// Connections taken in one go before the window's events have their turn,
// so that a flood of them cannot freeze it.
constexpr int acceptsAtOnce = 64;

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

SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    // No other Orvel listens there: a later start hands over to this one.
    QFile::remove(m_path);
}

SingleInstance::Role SingleInstance::claim(const QString &word, bool popup)
{
    if (m_path.isEmpty())
        return Role::Alone;
    // Two starts at the same moment must not both find no one and both
    // listen: one looks and listens while the other waits. A lock left by a
    // crash names a process that is gone, and QLockFile takes it over.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(timeout))
        qDebug() << "QLockFile::tryLock failed." << m_path;
    switch (handOver({word, popup})) {
    case HandOver::Delivered:
        return Role::HandedOver;
    case HandOver::NoneRunning:
        return listen() ? Role::Listening : Role::Alone;
    case HandOver::Refused:
        break;
    }
    return Role::Busy;
}

SingleInstance::HandOver SingleInstance::handOver(const Message &message)
{
    // The connections a busy listener holds go within its timeout, so by
    // then a place is free, unless a flood goes on.
    const QDeadlineTimer deadline(2 * timeout);
    HandOver result = handOverOnce(message);
    while (result == HandOver::Refused && !deadline.hasExpired()) {
        QThread::msleep(retryInterval);
        result = handOverOnce(message);
    }
    return result;
}

SingleInstance::HandOver SingleInstance::handOverOnce(const Message &message)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeout)) {
        // No socket, or one nobody listens on any more.
        const QLocalSocket::LocalSocketError error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError ||
            error == QLocalSocket::ConnectionRefusedError)
            return HandOver::NoneRunning;
        // A queue so full that the system refuses, say.
        return HandOver::Refused;
    }
    socket.write(encode(message));
    if (!socket.waitForBytesWritten(timeout))
        return HandOver::Refused;
    // The listener closes the connection once it has the word; one that
    // refuses it says so first.
    if (socket.waitForReadyRead(timeout) && socket.readAll() == busyReply)
        return HandOver::Refused;
    return HandOver::Delivered;
}

bool SingleInstance::listen()
{
    // Nobody answered, so a socket file still there was left by a crash.
    QFile::remove(m_path);
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address{};
    if (size_t(path.size()) >= sizeof address.sun_path) {
        qDebug() << "bind failed." << m_path << "the path is too long";
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // Linux makes the socket's file with the socket's own mode: this user's
    // alone, as the folder is.
    const bool listening =
        listener >= 0 && ::fchmod(listener, S_IRUSR | S_IWUSR) == 0 &&
        ::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        ::listen(listener, SOMAXCONN) == 0;
    if (!listening) {
        qDebug() << "listen failed." << m_path << qt_error_string(errno);
        if (listener >= 0)
            ::close(listener);
        QFile::remove(m_path);
        return false;
    }
    m_listener = listener;
    m_notifier = new QSocketNotifier(listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::accept);
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryInterval);
    connect(&m_retry, &QTimer::timeout, m_notifier, [this] { m_notifier->setEnabled(true); });
    return true;
}

void SingleInstance::accept()
{
    for (int taken = 0; taken < acceptsAtOnce; ++taken) {
        const int descriptor =
            ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor >= 0) {
            m_waiting = false;
            take(descriptor);
            continue;
        }
        switch (errno) {
        case EAGAIN:
            return;
        case EINTR:
        case ECONNABORTED:
            continue;
        default:
            // Out of file descriptors (EMFILE, ENFILE) or memory. The
            // connections wait in the queue until some are free, and the
            // socket stays, so that no second Orvel starts meanwhile.
            if (!std::exchange(m_waiting, true))
                qDebug() << "accept failed." << qt_error_string(errno);
            m_notifier->setEnabled(false);
            m_retry.start();
            return;
        }
    }
}

void SingleInstance::take(int descriptor)
{
    // Those held include any closed but not yet deleted: few, within a turn
    // of the event loop.
    const qsizetype held = findChildren<QLocalSocket *>(Qt::FindDirectChildrenOnly).size();
    auto *socket = new QLocalSocket(this);
    if (held >= maxConnections || !socket->setSocketDescriptor(descriptor)) {
        // Refused at once, and told so: the start that sent it tries again.
        ::send(descriptor, busyReply, sizeof busyReply - 1, MSG_NOSIGNAL);
        ::close(descriptor);
        delete socket;
        return;
    }
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

void SingleInstance::read(QLocalSocket *socket)
{
    const bool complete = socket->canReadLine();
    if (!complete && socket->bytesAvailable() <= maxMessageBytes &&
        socket->state() == QLocalSocket::ConnectedState)
        return;
    // One message per connection, whole or not at all.
    const std::optional<Message> message = complete ? decode(socket->readAll()) : std::nullopt;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (message && message->popup)
        emit popupReceived(message->word);
    else if (message)
        emit wordReceived(message->word);
}

QByteArray SingleInstance::encode(const Message &message)
{
    return (message.popup ? QByteArray(popupPrefix) : QByteArray()) + message.word.toUtf8() + '\n';
}

std::optional<SingleInstance::Message> SingleInstance::decode(const QByteArray &message)
{
    if (message.size() > maxMessageBytes || message.indexOf('\n') != message.size() - 1)
        return std::nullopt;
    const bool popup = message.startsWith(popupPrefix);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString word = utf8(message.sliced(popup ? qstrlen(popupPrefix) : 0).chopped(1));
    if (utf8.hasError())
        return std::nullopt;
    for (const QChar c : word) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    return Message{word, popup};
}
