#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QLocalSocket;
class QSocketNotifier;

// One Orvel per user and display. The first to start listens on a local
// socket in the user's runtime folder, which only that user can reach; a
// later start hands its word over and ends. A message is a word in UTF-8
// followed by a line feed and nothing else, at most maxMessageBytes long;
// a word for the pop-up has popupPrefix before it; anything else is
// dropped. (An older Orvel drops a pop-up's word, whose tab it takes for a
// control character, rather than show it wrongly.) The listener holds at
// most maxConnections at once and answers any further one with busyReply
// before it closes it; the start so refused tries again for a while, then
// gives up. It never gives up its socket: without a free file descriptor it
// waits and accepts again. GUI thread only.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxMessageBytes = 1024;
    // How long a connection may take to bring its message, and a start to
    // wait for another start that is checking at the same moment.
    static constexpr int timeout = 2000;
    static constexpr int maxConnections = 16;
    static constexpr char busyReply[] = "busy\n";
    static constexpr char popupPrefix[] = "popup\t";

    // What a later start asks for: a word for the window, or for the pop-up.
    struct Message
    {
        QString word;
        bool popup = false;
    };

    // The socket for this user and display; empty without a runtime folder.
    static QString defaultPath();

    explicit SingleInstance(const QString &path = defaultPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        Listening,  // this process is the one; words arrive by wordReceived()
        HandedOver, // the running one has the word; this process may end
        // One runs, but refused the word for as long as this start waited
        // for it (every connection it holds is taken): this process ends
        // without a window, which would be a second Orvel.
        Busy,
        Alone, // neither could be done; this process runs on its own
    };
    // Hands `word` to the Orvel running, or becomes the one that runs. A
    // socket left behind by a crash is taken over. An Orvel too busy to
    // take the word is tried again for up to twice `timeout`.
    Role claim(const QString &word, bool popup = false);

    static QByteArray encode(const Message &message);
    // What a message carries; none when it is malformed.
    static std::optional<Message> decode(const QByteArray &message);

signals:
    // A word handed over by a later start; empty when it brought none.
    void wordReceived(const QString &word);
    // A word a later start asks the pop-up to show.
    void popupReceived(const QString &word);

private:
    enum class HandOver { NoneRunning, Delivered, Refused };
    HandOver handOver(const Message &message);
    HandOver handOverOnce(const Message &message);
    bool listen();
    void accept();
    void take(int descriptor);
    void read(QLocalSocket *socket);

    QString m_path;
    // The listening socket, -1 while not listening.
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
    // Accepting again after running out of file descriptors.
    QTimer m_retry;
    // Said once when it starts.
    bool m_waiting = false;
};
