#include "database/indexwriter.h"

#include "database/sql.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

// The build's row statements run on SQLite itself: binding each row through
// QSqlQuery costs more than SQLite's own insert. Only when Qt's driver runs
// on the very library this program links (so with Debian's Qt), which owns
// the connection's handle.
struct IndexWriter::NativeRows
{
    // Entry rows to a statement: one statement per row costs SQLite as
    // much again as writing the row. The index rows keep their statement as
    // it stands, one row each.
    static constexpr int chunk = 32;

    sqlite3 *db = nullptr;
    int id = 0;                      // the dictionary whose rows are written
    sqlite3_stmt *word = nullptr;    // insertWord: id, position, name
    sqlite3_stmt *entry = nullptr;   // insertEntry: id, key, position
    sqlite3_stmt *entries = nullptr; // insertEntry with `chunk` rows; null when not
    sqlite3_stmt *key = nullptr;     // insertKey, once prepareKeys() made t_key

    ~NativeRows()
    {
        for (sqlite3_stmt *statement : {word, entry, entries, key})
            sqlite3_finalize(statement);
    }

    // Prepared on `connection`'s handle, or null where that cannot be used.
    static std::unique_ptr<NativeRows> prepare(const QSqlDatabase &connection, int id)
    {
        const QVariant handle = connection.driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return nullptr;
        QSqlQuery library(connection);
        if (!library.exec(QString::fromLatin1(Sql::selectSourceId)) || !library.next() ||
            library.value(0).toString() != QLatin1String(sqlite3_sourceid()))
            return nullptr;
        auto rows = std::make_unique<NativeRows>();
        rows->id = id;
        rows->db = *static_cast<sqlite3 *const *>(handle.constData());
        const auto prepared = [&](const QByteArray &sql, sqlite3_stmt **statement) {
            return sqlite3_prepare_v2(rows->db, sql.constData(), int(sql.size()), statement,
                                      nullptr) == SQLITE_OK;
        };
        if (!rows->db || !prepared(Sql::insertWord, &rows->word) ||
            !prepared(Sql::insertEntry, &rows->entry))
            return nullptr;
        // A refused statement of many rows leaves none of them, so that they
        // can be written again one by one; but a trigger's RAISE(FAIL) would
        // keep those before it: with triggers, one row to a statement.
        QSqlQuery triggers(connection);
        if (!triggers.exec(QString::fromLatin1(Sql::selectRowTriggers)) || triggers.next())
            return rows;
        QByteArray entries(Sql::insertEntry);
        entries.insert(entries.indexOf(Sql::insertEntryConflict),
                       QByteArray(", (?, ?, ?)").repeated(chunk - 1));
        if (!prepared(entries, &rows->entries))
            return nullptr;
        return rows;
    }

    // Binds a row's values from parameter `first` on.
    void bind(sqlite3_stmt *statement, int first, bool word, const Row &row)
    {
        sqlite3_bind_int(statement, first, id);
        sqlite3_bind_int64(statement, word ? first + 1 : first + 2, row.position);
        // A null pointer would bind NULL, not an empty text.
        sqlite3_bind_text(statement, word ? first + 2 : first + 1,
                          row.key.isNull() ? "" : row.key.data(), int(row.key.size()),
                          SQLITE_STATIC);
    }

    // Writes `count` rows (1, or `chunk` entry rows), all or none: how many
    // were written, an entry whose key is there already not, or -1 when
    // SQLite refused one.
    int insert(bool word, const Row *rows, int count)
    {
        sqlite3_stmt *statement = count == 1 ? (word ? this->word : entry) : entries;
        for (int i = 0; i < count; ++i)
            bind(statement, 1 + 3 * i, word, rows[i]);
        const bool done = sqlite3_step(statement) == SQLITE_DONE;
        if (!done)
            error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_reset(statement);
        return done ? sqlite3_changes(db) : -1;
    }

    // After a refused row: whether the transaction is still open. SQLite
    // rolls it back itself after some failures (a full disk, an I/O error).
    bool inTransaction() const { return !sqlite3_get_autocommit(db); }

    QString error;
};

IndexWriter::IndexWriter(const QSqlDatabase &connection) : QueryRunner(connection)
{
}

IndexWriter::~IndexWriter() = default;

bool IndexWriter::beginBuild()
{
    // With a plain (deferred) BEGIN, a read-only database would fail at
    // every row. commit() and rollback() end it as usual.
    return beginWrite();
}

bool IndexWriter::prepareRows(int id, qint64 comingRows)
{
    m_id = id;
    // The entry list comes with the build into a database made before it.
    {
        QSqlQuery query(m_db);
        if (!execute(query, Sql::createEntries)) {
            reportFailed(query);
            return fail(query.lastError().text());
        }
    }
    // Before the row statements are prepared: a schema change would make
    // SQLite prepare them again.
    if (!deferWordIndex(comingRows))
        return false;
    // The build starts clean: rows of this id left without their
    // registration (a program that did not know a table, a database
    // edited by hand) would be found for words of another file, or keep
    // the first line of a key from being written.
    bool files = false, keys = false;
    if (!deleteRows(Sql::wordRows, m_id) || !deleteRows(Sql::entryRows, m_id) ||
        !tableExists(Sql::selectFileTable, &files) ||
        (files && !deleteRows(Sql::deleteFile, {m_id})) ||
        !tableExists(Sql::selectKeyTable, &keys) || (keys && !deleteRows(Sql::deleteKeys, {m_id})))
        return false;
    m_insertWord = std::make_unique<QSqlQuery>(m_db);
    // SQLite refuses some statements already here (a trigger naming a
    // missing table); exec() would then only say the parameters do not fit.
    m_insertWordPrepareError.clear();
    if (!m_insertWord->prepare(QString::fromLatin1(Sql::insertWord)))
        m_insertWordPrepareError = m_insertWord->lastError().text();
    m_insertEntry = std::make_unique<QSqlQuery>(m_db);
    if (!m_insertEntry->prepare(QString::fromLatin1(Sql::insertEntry))) {
        reportFailed(*m_insertEntry);
        return fail(m_insertEntry->lastError().text());
    }
    // A statement SQLite refuses already here goes the way of QSqlQuery,
    // which reports it as it always did.
    if (m_insertWordPrepareError.isNull())
        m_native = NativeRows::prepare(m_db, m_id);
    return true;
}

bool IndexWriter::prepareKeys()
{
    QSqlQuery query(m_db);
    if (!execute(query, Sql::createKeys)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    m_insertKey = std::make_unique<QSqlQuery>(m_db);
    if (!m_insertKey->prepare(QString::fromLatin1(Sql::insertKey))) {
        reportFailed(*m_insertKey);
        return fail(m_insertKey->lastError().text());
    }
    if (m_native && !m_native->key &&
        sqlite3_prepare_v2(m_native->db, Sql::insertKey, -1, &m_native->key, nullptr) != SQLITE_OK)
        m_native->key = nullptr;
    return true;
}

IndexWriter::Insert IndexWriter::insertKeys(const std::vector<KeyRow> &rows)
{
    Q_ASSERT(m_insertKey); // prepareKeys() first
    for (const KeyRow &row : rows) {
        if (m_native && m_native->key) {
            sqlite3_stmt *statement = m_native->key;
            sqlite3_bind_int(statement, 1, m_id);
            sqlite3_bind_text(statement, 2, row.key.isNull() ? "" : row.key.data(),
                              int(row.key.size()), SQLITE_STATIC);
            sqlite3_bind_int(statement, 3, row.rank);
            sqlite3_bind_int64(statement, 4, row.position);
            const bool done = sqlite3_step(statement) == SQLITE_DONE;
            sqlite3_reset(statement);
            if (done)
                continue;
            m_native->error = QString::fromUtf8(sqlite3_errmsg(m_native->db));
            qDebug() << "QSqlQuery::exec failed." << QString::fromLatin1(Sql::insertKey)
                     << m_native->error;
            fail(m_native->error);
            return Insert::Failed;
        }
        QSqlQuery &insert = *m_insertKey;
        insert.addBindValue(m_id);
        insert.addBindValue(QString::fromUtf8(row.key));
        insert.addBindValue(row.rank);
        insert.addBindValue(row.position);
        if (!insert.exec()) {
            reportFailed(insert);
            fail(insert.lastError().text());
            return Insert::Failed;
        }
    }
    return Insert::Written;
}

bool IndexWriter::recordType(int id, int type)
{
    bool formats = false;
    if (type == Records::eijiroType)
        return tableExists(Sql::selectFormatTable, &formats) &&
               (!formats || deleteRows(Sql::deleteFormat, {id}));
    QSqlQuery query(m_db);
    if (!execute(query, Sql::createFormats)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    return write(Sql::replaceFormat, {id, type});
}

bool IndexWriter::deferWordIndex(qint64 comingRows)
{
    // Sorting every name once at the end costs less than keeping the index
    // in order row by row, but sorting the names of other dictionaries
    // again costs more once they outnumber the new ones: those are then
    // kept in order as they come. Only an index exactly as createSchema()
    // makes it is made again; the transaction holds it dropped, so a build
    // that does not commit leaves it as it was.
    QSqlQuery query(m_db);
    if (!execute(query, Sql::selectLastWordRow)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    if (query.next() && query.value(0).toLongLong() > comingRows)
        return true;
    query.finish();
    if (!execute(query, Sql::selectWordIndex)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    if (!query.next() || query.value(0).toString() != QLatin1String(Sql::createWordIndex))
        return true;
    query.finish();
    if (!execute(query, Sql::dropWordIndex)) {
        reportFailed(query);
        return fail(query.lastError().text());
    }
    m_wordIndexDeferred = true;
    return true;
}

std::optional<IndexWriter::Insert> IndexWriter::insertNatively(bool word, qint64 position,
                                                               QByteArrayView key)
{
    const Row row{position, key};
    const int written = m_native->insert(word, &row, 1);
    if (written == 1)
        return Insert::Written;
    // Run again through QSqlQuery, which says why and what it costs; for a
    // row taken but not written, whether its key is there already.
    return written < 0 ? nativeRefusal(word) : std::nullopt;
}

std::optional<IndexWriter::Insert> IndexWriter::nativeRefusal(bool word)
{
    // Once SQLite has ended the transaction, rows written again would
    // commit alone.
    if (m_native->inTransaction())
        return std::nullopt;
    qDebug() << "QSqlQuery::exec failed."
             << QString::fromLatin1(word ? Sql::insertWord : Sql::insertEntry) << m_native->error;
    fail(m_native->error);
    return Insert::Failed;
}

IndexWriter::Insert IndexWriter::insertWord(qint64 position, QByteArrayView key)
{
    Q_ASSERT(m_insertWord); // beginBuild() first
    if (m_native) {
        if (const std::optional<Insert> inserted = insertNatively(true, position, key))
            return *inserted;
    }
    QSqlQuery &insert = *m_insertWord;
    insert.addBindValue(m_id);
    insert.addBindValue(position);
    insert.addBindValue(QString::fromUtf8(key));
    if (insert.exec())
        return insert.numRowsAffected() == 1 ? Insert::Written : dropped(insert);
    reportFailed(insert);
    // A clash with a row for the same line costs that row only. Any other
    // refusal (a read-only or full disk, an I/O error, a trigger or another
    // constraint) would fail every row alike, or lose rows unseen.
    const QSqlError error = insert.lastError();
    if (m_insertWordPrepareError.isNull() &&
        error.nativeErrorCode().toInt() == SQLITE_CONSTRAINT_PRIMARYKEY) {
        fail(error.text());
        return Insert::Clash;
    }
    fail(m_insertWordPrepareError.isNull() ? error.text() : m_insertWordPrepareError);
    return Insert::Failed;
}

IndexWriter::Insert IndexWriter::insertEntry(QByteArrayView key, qint64 position)
{
    Q_ASSERT(m_insertEntry); // beginBuild() first
    if (m_native) {
        if (const std::optional<Insert> inserted = insertNatively(false, position, key))
            return *inserted;
    }
    QSqlQuery &insert = *m_insertEntry;
    insert.addBindValue(m_id);
    insert.addBindValue(QString::fromUtf8(key));
    insert.addBindValue(position);
    if (insert.exec())
        return insert.numRowsAffected() == 1 || entryThere(key) ? Insert::Written : dropped(insert);
    // A key already there is let pass, not refused: any failure is the
    // database's.
    reportFailed(insert);
    fail(insert.lastError().text());
    return Insert::Failed;
}

IndexWriter::Insert IndexWriter::insertRows(RowTable table, const std::vector<Row> &rows,
                                            const std::function<void(size_t, Insert)> &notWritten)
{
    const bool word = table == RowTable::Words;
    size_t done = 0;
    const auto oneByOne = [&](size_t end) {
        for (; done < end; ++done) {
            const Row &row = rows[done];
            const Insert inserted =
                word ? insertWord(row.position, row.key) : insertEntry(row.key, row.position);
            if (inserted != Insert::Written)
                notWritten(done, inserted);
            if (inserted == Insert::Failed)
                return false;
        }
        return true;
    };
    constexpr size_t chunk = NativeRows::chunk;
    // Without triggers (else there are no such statements) only a key
    // there already keeps an entry row from being written.
    while (!word && m_native && m_native->entries && done + chunk <= rows.size()) {
        if (m_native->insert(word, rows.data() + done, int(chunk)) >= 0) {
            done += chunk;
            continue;
        }
        // SQLite undid the whole statement: row by row, a clash costs its
        // row only and every failure is reported as always.
        if (nativeRefusal(word)) {
            notWritten(done, Insert::Failed);
            return Insert::Failed;
        }
        if (!oneByOne(done + chunk))
            return Insert::Failed;
    }
    return oneByOne(rows.size()) ? Insert::Written : Insert::Failed;
}

bool IndexWriter::registerDictionary(const QString &location, int count, const QString &encoding,
                                     const QString &name)
{
    // The dictionaries installed before it keep their order, this one comes
    // last; a rebuilt one keeps its name and place.
    int lastRank = -1;
    if (!settleOrder(nullptr, &lastRank) ||
        !write(Sql::insertSettingsIfNew, {m_id, name, lastRank + 1, 1}))
        return false;
    QSqlQuery query(m_db);
    // A Shift_JIS file's encoding is an empty text, not NULL.
    if (execute(query, Sql::insertDictionary,
                {m_id, location, encoding.isNull() ? QString("") : encoding, count})) {
        if (query.numRowsAffected() == 1)
            return true;
        dropped(query);
        return false;
    }
    reportFailed(query);
    return fail(query.lastError().text());
}

bool IndexWriter::forgetSettings(int id)
{
    bool settings = false;
    return tableExists(Sql::selectSettingsTable, &settings) &&
           (!settings || deleteRows(Sql::deleteSettings, {id}));
}

bool IndexWriter::recordFile(int id, const FileIdentity &identity)
{
    bool content = false;
    {
        QSqlQuery query(m_db);
        if (!execute(query, Sql::createFiles)) {
            reportFailed(query);
            return fail(query.lastError().text());
        }
    }
    if (!tableExists(Sql::selectFileContentColumn, &content) ||
        (!content && !write(Sql::addFileContentColumn, {})))
        return false;
    // A null content, not an empty one, where none is known.
    const QVariant hash =
        identity.content.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : identity.content;
    return write(Sql::replaceFile, {id, identity.size, identity.modified, identity.checksum, hash});
}

bool IndexWriter::deleteDictionary(int id)
{
    // A dictionary installed before names gets its name and place while
    // it is still registered, so it keeps them.
    return settleOrder() && deleteDictionaryRows(id);
}

bool IndexWriter::entryThere(QByteArrayView key)
{
    QSqlQuery query(m_db);
    return firstRow(query, Sql::selectEntryPosition, {m_id, QString::fromUtf8(key)}) ==
           Records::Answer::Found;
}

IndexWriter::Insert IndexWriter::dropped(const QSqlQuery &insert)
{
    const QString why = QCoreApplication::translate(
        "IndexWriter", "the database dropped a row without an error (a trigger?)");
    qDebug() << "QSqlQuery::exec failed." << insert.executedQuery() << why;
    fail(why);
    return Insert::Failed;
}

void IndexWriter::endBuild()
{
    m_wordIndexDeferred = false;
    m_native.reset();
    m_insertWord.reset();
    m_insertEntry.reset();
    m_insertKey.reset();
    m_insertWordPrepareError.clear();
}

bool IndexWriter::commit()
{
    const bool indexDeferred = m_wordIndexDeferred;
    endBuild();
    QSqlQuery index(m_db);
    if (indexDeferred && !execute(index, Sql::createWordIndex)) {
        reportFailed(index);
        fail(index.lastError().text());
        m_db.rollback();
        return false;
    }
    return commitTransaction();
}

void IndexWriter::rollback()
{
    endBuild();
    m_db.rollback();
}
