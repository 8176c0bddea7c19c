#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

// One Orvel per user and display. The first to start listens on a local
// socket in the user's runtime folder, which only that user can reach; a
// later start hands its word over and ends. A message is a word in UTF-8
// followed by a line feed and nothing else, at most maxMessageBytes long;
// anything else is dropped. GUI thread only.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxMessageBytes = 1024;
    // How long a connection may take to bring its message, and a start to
    // wait for another start that is checking at the same moment.
    static constexpr int timeout = 2000;

    // The socket for this user and display; empty without a runtime folder.
    static QString defaultPath();

    explicit SingleInstance(const QString &path = defaultPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        Listening,  // this process is the one; words arrive by wordReceived()
        HandedOver, // the running one has the word; this process may end
        Alone,      // neither could be done; this process runs on its own
    };
    // Hands `word` to the Orvel running, or becomes the one that runs. A
    // socket left behind by a crash is taken over.
    Role claim(const QString &word);

    static QByteArray encode(const QString &word);
    // The word a message carries; none when it is malformed.
    static std::optional<QString> decode(const QByteArray &message);

signals:
    // A word handed over by a later start; empty when it brought none.
    void wordReceived(const QString &word);

private:
    enum class HandOver { NoneRunning, Delivered, Failed };
    HandOver handOver(const QString &word);
    bool listen();
    void accept();
    void read(QLocalSocket *socket);

    QString m_path;
    QLocalServer *m_server = nullptr;
};
