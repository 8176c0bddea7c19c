#pragma once

#include "database/fileidentity.h"
#include "database/queryrunner.h"

#include <QByteArrayView>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

// The writing side of an index build, all in one transaction on the
// builder's connection: the rows of one dictionary, its registration, and
// the commit that makes it installed. Rows are bound
// through SQLite itself where Qt's driver runs on the library this program
// links, else through QSqlQuery; the rows written are the same.
class IndexWriter : public QueryRunner
{
public:
    // On `connection`, which must be open.
    explicit IndexWriter(const QSqlDatabase &connection);
    ~IndexWriter();
    IndexWriter(const IndexWriter &) = delete;
    IndexWriter &operator=(const IndexWriter &) = delete;

    // How writing one index row ended.
    enum class Insert {
        Written,
        Clash,  // a row for that position is there already; only this row is lost
        Failed, // nothing can be written (read-only, disk full): the build must stop
    };

    // Begins the transaction holding the write lock from the start: it
    // waits here for another connection that writes, and a database that
    // cannot be written fails here, once, rather than at every row.
    bool beginBuild();
    // Readies the rows of dictionary `id`, which must not be installed:
    // gives a database made before the entry list its table, inside the
    // transaction, and drops entry rows left of a removed dictionary.
    // `comingRows` is about how many t_word rows the build will write; by
    // default, more than any there (a rebuild, whose own rows go).
    bool prepareRows(int id, qint64 comingRows = std::numeric_limits<qint64>::max());
    // The dictionary prepareRows() readied.
    int id() const { return m_id; }
    // For a rebuild: deletes dictionary `id`'s rows and registration inside
    // the build's transaction; look-ups read the old ones until the commit.
    bool deleteDictionary(int id);
    // One t_word row of the dictionary, its key in UTF-8 (the
    // database's encoding); prepareRows() first.
    Insert insertWord(qint64 position, QByteArrayView key);
    // One t_entry row of the dictionary, its key in UTF-8; a key written
    // before keeps its row (Written all the same). Never a Clash.
    Insert insertEntry(QByteArrayView key, qint64 position);
    // The rows of a build for insertRows(): a key (UTF-8) and its position.
    enum class RowTable { Words, Entries };
    struct Row
    {
        qint64 position;
        QByteArrayView key;
    };
    // Writes `rows` to t_word or t_entry in their order, with the same
    // outcome as insertWord() or insertEntry() one row at a time, many rows
    // to a statement where it can. Hands each row not written to
    // `notWritten` with why; stops at the first that Failed, and returns
    // Failed then, else Written.
    Insert insertRows(RowTable table, const std::vector<Row> &rows,
                      const std::function<void(size_t, Insert)> &notWritten);
    // Readies t_key's rows, for a dictionary whose pages list every line
    // with a key; after prepareRows().
    bool prepareKeys();
    // t_key rows: a key (UTF-8), its line's rank (0 for a common line)
    // and position. A row there already is let pass.
    struct KeyRow
    {
        qint64 position;
        QByteArrayView key;
        int rank;
    };
    Insert insertKeys(const std::vector<KeyRow> &rows);
    // Records that dictionary `id` is of `type` (an Eijiro one has no row).
    bool recordType(int id, int type);
    // The t_dictionary row that makes the index an installed dictionary,
    // with `encoding` as t_dictionary keeps it (empty for Shift_JIS); and
    // unless the dictionary has them already (a rebuild), its name and its
    // place at the end of the user's order.
    bool registerDictionary(const QString &location, int count, const QString &encoding,
                            const QString &name);
    // For a new install: drops a name and place left under `id` by a
    // dictionary removed without them, so the new one is not named after it.
    bool forgetSettings(int id);
    // Records what dictionary `id`'s file looks like as its index is built,
    // replacing what was recorded before; inside the build's transaction.
    bool recordFile(int id, const FileIdentity &identity);
    // Commits the build, with the name index that prepareRows() left out
    // while the rows went in.
    bool commit();
    void rollback();

private:
    void endBuild();
    // Drops the name index for the build, which commit() makes again,
    // unless the rows there already outnumber `comingRows`.
    bool deferWordIndex(qint64 comingRows);
    struct NativeRows;
    // One row of t_word (`word`) or t_entry straight through SQLite; none
    // when SQLite refused it with the transaction still open, for the
    // caller to run it again through QSqlQuery.
    std::optional<Insert> insertNatively(bool word, qint64 position, QByteArrayView key);
    // After SQLite refused a row: Failed when it ended the transaction too;
    // none when the rows can be written again through QSqlQuery.
    std::optional<Insert> nativeRefusal(bool word);
    // Whether t_entry has a row for `key` (UTF-8).
    bool entryThere(QByteArrayView key);
    // A row SQLite took without an error but did not write (a trigger's
    // RAISE(IGNORE)): reported, and the build must stop.
    Insert dropped(const QSqlQuery &insert);

    // The build's row statements, prepared once by prepareRows().
    std::unique_ptr<QSqlQuery> m_insertWord;
    QString m_insertWordPrepareError;
    std::unique_ptr<QSqlQuery> m_insertEntry;
    std::unique_ptr<QSqlQuery> m_insertKey;
    std::unique_ptr<NativeRows> m_native;
    bool m_wordIndexDeferred = false;
    int m_id = Records::eijiroId;
};
