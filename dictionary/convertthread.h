#pragma once

#include "database/records.h"
#include "dictionary/dictionaryformat.h"

#include <QThread>
#include <atomic>

class IndexWriter;
class InstalledDictionaries;
class QFile;
struct FileIdentity;

// Builds a dictionary's entry-word index on a worker thread: one t_word row
// per keyed entry line and one t_dictionary row, all in one transaction, so a
// dictionary is installed completely or not at all. Then, once the index is
// usable, how common its entry words are is counted and stored beside it.
class ConvertThread : public QThread
{
    Q_OBJECT

public:
    // How a run ended.
    enum Outcome {
        NotFinished,       // not started, or still running
        Committed,         // index written and committed; 100 was reported
        Canceled,          // stopped on request, rolled back
        TransactionFailed, // the transaction could not begin; nothing written
        FileOpenFailed,    // the dictionary file could not be opened; rolled back
        ReadFailed,        // reading the file failed part-way; rolled back
        NotText,           // the file holds binary data; rolled back
        InsertFailed,      // rows could not be written at all (read-only, disk full); rolled back
        DecoderMissing,    // no Shift_JIS decoder available; rolled back
        FinalInsertFailed, // the t_dictionary row could not be written; rolled back
        CommitFailed,      // the commit failed; rolled back
        NotRegularFile,    // a folder, device, FIFO or socket; the database was not touched
        NoEntryLines,      // not one entry line in the whole file; rolled back
        CrLineEnds,        // lines end in CR alone; rolled back
        AlreadyInstalled,  // the file is installed already; rolled back before reading
        NoRoom,            // too little free space on the database's disk; refused before writing
        CheckpointFailed,  // committed, 100 reported, but the log could not be emptied
        NotInstalled,      // a rebuild of a dictionary that is not installed; nothing written
        NameRefused,       // the name is empty or too long; the database was not touched
        NotUtf8,           // UTF-8 at first, but not throughout; rolled back
        Utf16,             // a UTF-16 file, which Orvel does not read; rolled back
    };
    Q_ENUM(Outcome)

    ConvertThread();
    ~ConvertThread() override;

    // `file` is stored as an absolute path, so look-ups find it from any
    // working folder. Symbolic links are kept: a link may be pointed at a
    // newer version of the dictionary. The dictionary is installed beside
    // those installed already, under the lowest id none of them has, named
    // `name` (DictionarySettings::cleanName) or, for a null name, after its
    // file, and last in the user's order.
    void setDictionary(const QString &name, const QString &file);
    // Instead: builds the index of installed dictionary `id` again, from the
    // file it is registered with (after that file changed). The new index
    // replaces the old one at the commit, in the build's one transaction;
    // until then look-ups read the old one, and a build that does not
    // commit leaves it as it was. Its name and place stay. An id not
    // installed ends as NotInstalled.
    void setRebuild(int id);
    // The type of the file to install (DictionaryFormat::Type); 0, the
    // default, tells it by the file's first lines. A rebuild keeps its
    // dictionary's type.
    void setType(int type) { m_type = type; }
    // The type the build reads the file as; 0 until it is known.
    int builtType() const { return m_builtType.load(); }
    // Asks a running build to stop at its next line. Any thread, any time.
    void cancel();

    Outcome outcome() const { return m_outcome.load(); }
    // The dictionary a committed build installed or rebuilt; 0 before.
    int installedId() const { return m_id; }
    // One translated line naming why the build did not commit (empty while
    // running and after a commit). Made when asked, so it follows the
    // language in use then.
    QString errorString() const;

    // Asks every builder still running to stop and waits for each to end.
    // Called at exit so no build is cut off in the middle of a rollback.
    static void stopAll();

signals:
    void frameChanged(int percent);

protected:
    void run() override;

private:
    // The steps of run() around reading the file and inserting its rows.
    // A step that fails ends the build with its outcome (and a bool step
    // returns false).
    // A rebuild's file: the one its dictionary is registered with.
    bool findRegisteredFile();
    // Opens the file and tells what it looks like as it is read.
    bool checkAndOpen(QFile *file, FileIdentity *identity);
    bool settleName();
    // The type whose entries the file's first lines look like.
    static DictionaryFormat::Type recogniseType(QFile *file);
    // t_key's rows, for a type whose pages list every line with a key.
    bool prepareKeys(IndexWriter &writer);
    bool beginBuild(IndexWriter &writer, QFile *file, const FileIdentity &identity);
    // The id an installation takes; false when the file is installed
    // already (`id` 0, m_detail naming it) or the list cannot be read (-1).
    // The same file is the same path, or the same bytes.
    bool chooseId(InstalledDictionaries &dictionaries, const QList<Records::Installed> &installed,
                  QFile *file, const FileIdentity &identity, int *id);
    // The content hash of installed `dictionary`'s file as it was recorded,
    // for a file of the same size as this build's (`identity`); empty when
    // it cannot be known.
    static QByteArray recordedContent(const Records::Installed &dictionary,
                                      const FileIdentity &recorded, const FileIdentity &identity);
    // Refuses a build the database's disk has no room for; keeps the
    // reserve that lets a removal work on a full disk.
    bool checkRoom(IndexWriter &writer, qint64 fileSize);
    // A rebuild's beginning: the old rows go inside the transaction.
    bool replaceRows(IndexWriter &writer, const QString &registeredFile, qint64 fileSize);
    void registerAndCommit(IndexWriter &writer, int count, const QString &encoding,
                           const FileIdentity &identity);
    // After the commit: how common the entry words are, for the look-ups.
    void countCommonness(Eijiro::Encoding encoding);
    // Rolls the build back and ends it with `outcome`.
    void rollBack(IndexWriter &writer, Outcome outcome, const QString &detail = QString());
    // `detail` completes errorString(): an error text, a byte offset, a path.
    void finish(Outcome outcome, const QString &detail = QString());

    QString m_name;
    QString m_file;
    int m_rebuild = 0; // the dictionary a rebuild builds again; 0 for an installation
    int m_type = 0;
    std::atomic_int m_builtType{0};
    std::atomic_int m_id{0};
    std::atomic_bool canceled{false};
    std::atomic<Outcome> m_outcome{NotFinished};
    QString m_detail;
    qint64 m_needed = 0, m_available = 0; // NoRoom
};
