#pragma once

#include <QList>

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlQuery;

// A word of the history: how often it was looked up, and when last
// (milliseconds since the epoch, UTC).
struct HistoryWord
{
    QString word;
    int count = 0;
    qint64 time = 0;
    bool operator==(const HistoryWord &other) const
    {
        return word == other.word && count == other.count && time == other.time;
    }
};

// A starred entry, kept whole: it stays when its dictionary is removed or
// changed. An entry is one entry word of one dictionary.
struct Star
{
    QString word;       // the entry word as the dictionary spells it
    QString reading;    // where the dictionary gives one; else empty
    QString dictionary; // the dictionary's name when it was starred
    QString lines;      // its senses as text, one a line, when it was starred
    qint64 time = 0;    // when it was starred (milliseconds since the epoch, UTC)
    QString note;       // the user's own
    bool operator==(const Star &other) const
    {
        return word == other.word && reading == other.reading && dictionary == other.dictionary &&
               lines == other.lines && time == other.time && note == other.note;
    }
};

// The learner's notebook: the words looked up, newest first, and the
// starred entries, in an SQLite file of its own beside the settings (not in
// the dictionary index, so removing or rebuilding the index loses nothing).
// Every change is one transaction in write-ahead-log mode, so a process
// killed at any moment leaves the file as it was before or after the
// change. A file that is damaged, or no notebook, is moved aside when it is
// opened and a new one started.
//
// One object is one connection of its own, used on the thread that opened
// it; several objects, threads and processes may use the file at once.
class Notebook
{
public:
    // The history keeps this many words; the oldest go.
    static constexpr int historyCapacity = 100000;

    // Beside the dictionary index: the settings file's folder, its base
    // name and "-notebook.db".
    static QString defaultPath();

    explicit Notebook(const QString &path = defaultPath());
    ~Notebook();
    Notebook(const Notebook &) = delete;
    Notebook &operator=(const Notebook &) = delete;

    enum class Opened {
        Ready,
        // A damaged file, or one that is no notebook, was moved aside and a
        // new notebook started: `message` says where it went.
        MovedAside,
        // Cannot be used (no room, no rights, locked, made by a newer
        // Orvel): lastError() says why. Nothing was moved.
        Failed,
    };
    // Opens the file, creating it (and its folder) when missing.
    Opened open(QString *message = nullptr);
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }

    // --- The history

    // Each of `words` was looked up once more at `time`: its count goes up
    // (from 1 for a new one) and it becomes the newest. One transaction;
    // past historyCapacity the oldest words go. Empty words are skipped.
    bool record(const QStringList &words, qint64 time);
    bool record(const QString &word, qint64 time) { return record(QStringList{word}, time); }
    // The newest `limit` words (all for a negative one), newest first.
    bool history(QList<HistoryWord> *words, int limit = -1);
    bool removeFromHistory(const QStringList &words);
    bool clearHistory();

    // --- The starred entries

    // Stars each entry in one transaction; one starred already (the same
    // word of the same dictionary) stays as it is, its note too. `added`
    // gets how many were new.
    bool star(const QList<Star> &stars, int *added = nullptr);
    // Takes the star of `word` of `dictionary` away; of every dictionary
    // when `dictionary` is null. `removed` gets how many went.
    bool unstar(const QString &word, const QString &dictionary = QString(), int *removed = nullptr);
    bool setNote(const QString &word, const QString &dictionary, const QString &note);
    // Newest first.
    bool stars(QList<Star> *stars);

private:
    bool connect();
    void disconnect();
    // Why the file cannot be this notebook: empty when it is one (made here
    // when it had no tables). `damaged` tells whether moving it aside helps.
    QString check(bool *damaged);
    bool createSchema();
    QString moveAside();
    bool fail(const QString &what, const QString &reason);
    bool begin();
    bool commit();
    // Rolls the transaction back after `failed`; false.
    bool abort(const QSqlQuery &failed);

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    QString m_lastError;
};
