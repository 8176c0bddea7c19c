#include "database/indexreader.h"

#include "database/database.h"
#include "database/readerfile.h"
#include "database/sql.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

using Records::Answer;
using Records::Entry;
using Records::EntryList;

namespace {

// SQLite's own words for why the latest call on `db` failed.
QString errorText(sqlite3 *db)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

} // namespace

class IndexReader::Statement
{
public:
    Statement(sqlite3 *db, const char *sql) : m_sql(sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool isPrepared() const { return m_statement; }
    const char *sql() const { return m_sql; }
    // Binding to a statement that was not prepared does nothing; running it
    // then reports why it was not.
    void bind(int index, int value)
    {
        if (m_statement)
            sqlite3_bind_int(m_statement, index, value);
    }
    void bind(int index, const QString &text)
    {
        if (!m_statement)
            return;
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(m_statement); }
    qint64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    // A text column's UTF-8 bytes, valid until the next step.
    QByteArrayView bytes(int column)
    {
        const auto *bytes =
            reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
    }
    QString text(int column) { return QString::fromUtf8(bytes(column)); }
    bool isNull(int column) { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QByteArray blob(int column)
    {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
    }

private:
    const char *m_sql;
    sqlite3_stmt *m_statement = nullptr;
};

IndexReader::IndexReader()
{
    switch (ReaderFile::open(&m_db)) {
    case ReaderFile::Opened::Open:
        sqlite3_busy_timeout(m_db, Database::busyTimeout());
        return;
    case ReaderFile::Opened::NoFile:
        m_lastError = QStringLiteral("no database is open");
        return;
    case ReaderFile::Opened::Failed:
        m_lastError = errorText(m_db);
        m_fileUnusable = true;
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
}

IndexReader::~IndexReader()
{
    close();
}

void IndexReader::close()
{
    m_location.reset();
    sqlite3_close(m_db);
    m_db = nullptr;
    if (m_lastError.isEmpty())
        m_lastError = QStringLiteral("the index reader is closed");
}

bool IndexReader::failed(const char *sql, const QString &reason)
{
    m_failedStatement = QString::fromLatin1(sql);
    m_lastError = reason;
    if (m_db) {
        const int code = sqlite3_errcode(m_db) & 0xff;
        m_fileUnusable = code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_CANTOPEN;
    }
    return false;
}

bool IndexReader::notPrepared(const Statement &statement)
{
    return failed(statement.sql(), m_db ? errorText(m_db) : m_lastError);
}

template <typename Read> Answer IndexReader::firstRow(Statement &statement, Read read)
{
    if (!statement.isPrepared()) {
        notPrepared(statement);
        return Answer::Failed;
    }
    switch (statement.step()) {
    case SQLITE_ROW:
        read(statement);
        return Answer::Found;
    case SQLITE_DONE:
        return Answer::None;
    default:
        failed(statement.sql(), errorText(m_db));
        return Answer::Failed;
    }
}

Answer IndexReader::dictionaryLocation(QString *location)
{
    m_location = std::make_unique<Statement>(m_db, Sql::selectLocation);
    return firstRow(*m_location, [location](Statement &row) { *location = row.text(0); });
}

Answer IndexReader::dictionaries(QList<Records::Installed> *list)
{
    list->clear();
    // The installed dictionary's row first, as a look-up always read it:
    // its statement holds the state of the index all that follows reads.
    QString first;
    if (!m_location) {
        const Answer answer = dictionaryLocation(&first);
        if (answer != Answer::Found)
            return answer;
    }
    const bool settings = hasTable("t_installed");
    Statement query(m_db, settings ? Sql::selectDictionaries : Sql::selectDictionariesUnsorted);
    if (!query.isPrepared()) {
        notPrepared(query);
        return Answer::Failed;
    }
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        list->append({int(query.integer(0)), query.text(1), query.text(2), query.text(3),
                      query.integer(5) != 0, query.isNull(4) ? -1 : query.integer(4)});
    if (stepped != SQLITE_DONE) {
        list->clear();
        failed(query.sql(), errorText(m_db));
        return Answer::Failed;
    }
    // Each dictionary's type, where one was recorded.
    if (hasTable("t_format")) {
        Statement types(m_db, Sql::selectFormats);
        if (!types.isPrepared()) {
            list->clear();
            notPrepared(types);
            return Answer::Failed;
        }
        while ((stepped = types.step()) == SQLITE_ROW) {
            for (Records::Installed &dictionary : *list) {
                if (dictionary.id == types.integer(0))
                    dictionary.type = int(types.integer(1));
            }
        }
        if (stepped != SQLITE_DONE) {
            list->clear();
            failed(types.sql(), errorText(m_db));
            return Answer::Failed;
        }
    }
    return list->isEmpty() ? Answer::None : Answer::Found;
}

Answer IndexReader::keyPositions(const QString &key, int id, int most, QList<qint64> *positions)
{
    positions->clear();
    if (m_db && !hasTable("t_key"))
        return Answer::None;
    Statement query(m_db, Sql::selectKeyPositions);
    if (!query.isPrepared()) {
        notPrepared(query);
        return Answer::Failed;
    }
    query.bind(1, id);
    query.bind(2, key);
    query.bind(3, most);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        positions->append(query.integer(0));
    if (stepped != SQLITE_DONE) {
        positions->clear();
        failed(query.sql(), errorText(m_db));
        return Answer::Failed;
    }
    return positions->isEmpty() ? Answer::None : Answer::Found;
}

Answer IndexReader::firstPosition(const QString &key, qint64 *position, int id)
{
    // 64-bit: entries past 2 GiB must be reachable.
    Statement query(m_db, id == 0 ? Sql::selectPosition : Sql::selectPositionIn);
    query.bind(1, key);
    if (id != 0)
        query.bind(2, id);
    return firstRow(query, [position](Statement &row) { *position = row.integer(0); });
}

bool IndexReader::hasTable(const char *table)
{
    // Asked of the parsed schema, not with a statement of its own.
    return m_db && sqlite3_table_column_metadata(m_db, "main", table, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr) == SQLITE_OK;
}

Answer IndexReader::entryLists(EntryList *list, int id)
{
    bool full = false;
    Statement query(m_db, Sql::selectEntryTable);
    Answer answer = firstRow(query, [&full](Statement &) { full = true; });
    // A dictionary built before the list of every entry word has single
    // words only, even once another one's build made the table.
    if (answer == Answer::Found) {
        Statement rows(m_db, Sql::selectHasEntries);
        rows.bind(1, id);
        answer = firstRow(rows, [](Statement &) {});
        full = answer == Answer::Found;
    }
    if (answer == Answer::Failed)
        return answer;
    *list = full ? EntryList::AllEntryWords : EntryList::SingleWords;
    return Answer::Found;
}

bool IndexReader::entries(EntryList list, const QString &key, bool after, int limit,
                          QList<Entry> *entries, int id)
{
    entries->clear();
    // SQLite takes a negative LIMIT for none at all.
    if (limit <= 0)
        return true;
    const bool all = list == EntryList::AllEntryWords;
    const char *sql = all ? (after ? Sql::selectEntriesAfter : Sql::selectEntriesFrom)
                          : (after ? Sql::selectWordsAfter : Sql::selectWordsFrom);
    Statement query(m_db, sql);
    if (!query.isPrepared())
        return notPrepared(query);
    query.bind(1, id);
    query.bind(2, key);
    query.bind(3, limit);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        entries->append({query.text(0), query.integer(1)});
    if (stepped == SQLITE_DONE)
        return true;
    entries->clear();
    return failed(sql, errorText(m_db));
}

Answer IndexReader::commonTable()
{
    // Asked with a statement: another connection may have made the table
    // since this one's schema was read, which only a statement notices.
    if (!m_commonTable) {
        Statement query(m_db, Sql::selectCommonTable);
        const Answer answer = firstRow(query, [](Statement &) {});
        if (answer == Answer::Failed)
            return answer;
        m_commonTable = answer == Answer::Found;
    }
    return *m_commonTable ? Answer::Found : Answer::None;
}

Answer IndexReader::commonness(const QString &key, int id, Records::Commonness *commonness)
{
    // A database made before the counts has none.
    if (const Answer table = commonTable(); table != Answer::Found)
        return table;
    Statement query(m_db, Sql::selectCommon);
    query.bind(1, id);
    query.bind(2, key);
    return firstRow(query, [commonness](Statement &row) {
        *commonness = {row.integer(0), row.integer(1) != 0};
    });
}

Answer IndexReader::rankedTable(const char *sql, std::optional<bool> *known)
{
    if (!*known) {
        Statement query(m_db, sql);
        const Answer answer = firstRow(query, [](Statement &) {});
        if (answer == Answer::Failed)
            return answer;
        *known = answer == Answer::Found;
    }
    return **known ? Answer::Found : Answer::None;
}

Answer IndexReader::rankedStartingWith(const QString &prefix, int id,
                                       QList<Records::Common> *ranked, bool *whole)
{
    ranked->clear();
    *whole = true;
    if (const Answer table = commonTable(); table != Answer::Found)
        return table == Answer::None ? Answer::Found : table;
    Answer table = rankedTable(Sql::selectCommonRankedTable, &m_rankedTable);
    if (table == Answer::Failed)
        return table;
    if (table == Answer::Found) {
        Statement query(m_db, Sql::selectCommonRanked);
        query.bind(1, id);
        query.bind(2, prefix);
        QString text;
        const Answer answer = firstRow(query, [&text](Statement &row) { text = row.text(0); });
        if (answer == Answer::Failed)
            return answer;
        if (answer == Answer::Found) {
            *whole = false;
            for (const QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
                const qsizetype tab = line.indexOf(u'\t');
                const qsizetype mark = line.indexOf(u'\t', tab + 1);
                if (tab < 0 || mark < 0) {
                    failed(Sql::selectCommonRanked, QStringLiteral("a ranked row unread"));
                    return Answer::Failed;
                }
                ranked->append(
                    {line.sliced(mark + 1).toString(),
                     {line.first(tab).toLongLong(), line.sliced(tab + 1, mark - tab - 1) == u"1"}});
            }
            return Answer::Found;
        }
    }
    // Counted before the ranked rows: each such prefix's commonest alone.
    table = rankedTable(Sql::selectCommonPrefixTable, &m_prefixTable);
    if (table == Answer::Failed)
        return table;
    if (table == Answer::Found) {
        Statement query(m_db, Sql::selectCommonPrefix);
        query.bind(1, id);
        query.bind(2, prefix);
        const Answer answer = firstRow(query, [ranked](Statement &row) {
            ranked->append({row.text(0), {row.integer(1), row.integer(2) != 0}});
        });
        if (answer != Answer::None) {
            *whole = false;
            return answer;
        }
    }
    // A prefix without kept keys has few counted keys: they are all read.
    int rows = 0;
    if (!commonStartingWith(prefix, id, [&](const Records::Common &common) {
            ranked->append(common);
            return ++rows <= Records::prefixSpread;
        }))
        return Answer::Failed;
    if (rows > Records::prefixSpread) {
        // Many keys and none kept (being counted now): not known.
        ranked->clear();
        *whole = false;
        return Answer::Found;
    }
    std::stable_sort(ranked->begin(), ranked->end(),
                     [](const auto &a, const auto &b) { return a.commonness.beats(b.commonness); });
    return Answer::Found;
}

bool IndexReader::commonStartingWith(const QString &prefix, int id,
                                     const std::function<bool(const Records::Common &)> &each)
{
    if (const Answer table = commonTable(); table != Answer::Found)
        return table == Answer::None;
    Statement query(m_db, Sql::selectCommonFrom);
    if (!query.isPrepared())
        return notPrepared(query);
    query.bind(1, id);
    query.bind(2, prefix);
    query.bind(3, -1);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW) {
        const QString key = query.text(0);
        if (!key.startsWith(prefix) || !each({key, {query.integer(1), query.integer(2) != 0}}))
            return true;
    }
    return stepped == SQLITE_DONE || failed(Sql::selectCommonFrom, errorText(m_db));
}

Answer IndexReader::commonSources(int id, QList<int> *sources)
{
    sources->clear();
    if (!hasTable("t_common_source"))
        return Answer::None;
    Statement query(m_db, Sql::selectCommonSources);
    if (!query.isPrepared()) {
        notPrepared(query);
        return Answer::Failed;
    }
    query.bind(1, id);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        sources->append(int(query.integer(0)));
    if (stepped != SQLITE_DONE) {
        failed(Sql::selectCommonSources, errorText(m_db));
        return Answer::Failed;
    }
    return sources->isEmpty() ? Answer::None : Answer::Found;
}

bool IndexReader::commonKeys(int id, qint64 lines, QList<Records::Common> *keys)
{
    keys->clear();
    if (const Answer table = commonTable(); table != Answer::Found)
        return table == Answer::None;
    Statement query(m_db, Sql::selectCommonAtLeast);
    if (!query.isPrepared())
        return notPrepared(query);
    query.bind(1, id);
    query.bind(2, int(std::min<qint64>(lines, std::numeric_limits<int>::max())));
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW)
        keys->append({query.text(0), {query.integer(1), query.integer(2) != 0}});
    return stepped == SQLITE_DONE || failed(Sql::selectCommonAtLeast, errorText(m_db));
}

Answer IndexReader::fileIdentity(int id, FileIdentity *identity)
{
    // A database made before the table simply has no record to compare with.
    if (m_db && !hasTable("t_file"))
        return Answer::None;
    Statement query(m_db, Sql::selectFile);
    query.bind(1, id);
    return firstRow(query, [identity](Statement &row) {
        *identity = {row.integer(0), row.integer(1), row.blob(2), {}};
    });
}

Answer IndexReader::entryPosition(EntryList list, const QString &key, qint64 *position, int id)
{
    if (list == EntryList::SingleWords)
        return firstPosition(key, position, id);
    Statement query(m_db, Sql::selectEntryPosition);
    query.bind(1, id);
    query.bind(2, key);
    return firstRow(query, [position](Statement &row) { *position = row.integer(0); });
}

Answer IndexReader::entryStartingWith(EntryList list, const QString &key, Entry *entry, int id)
{
    // Keys that start with `key` follow it at once in key order: if any
    // does, the first key at or after it does.
    QList<Entry> first;
    if (!entries(list, key, false, 1, &first, id))
        return Answer::Failed;
    if (first.isEmpty() || !first.first().key.startsWith(key))
        return Answer::None;
    *entry = first.first();
    return Answer::Found;
}

bool IndexReader::wordKeys(const std::function<bool(QByteArrayView key)> &each)
{
    bool lineKeys = false;
    {
        Statement table(m_db, Sql::selectKeyTable);
        if (!table.isPrepared())
            return notPrepared(table);
        lineKeys = table.step() == SQLITE_ROW;
    }
    const char *sql = lineKeys ? Sql::selectWordAndLineKeys : Sql::selectWordKeys;
    Statement query(m_db, sql);
    if (!query.isPrepared())
        return notPrepared(query);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW) {
        if (!each(query.bytes(0)))
            return true;
    }
    return stepped == SQLITE_DONE || failed(sql, errorText(m_db));
}

bool IndexReader::entryKeys(int id, const std::function<bool(QByteArrayView key)> &each)
{
    Statement query(m_db, Sql::selectEntryKeys);
    if (!query.isPrepared())
        return notPrepared(query);
    query.bind(1, id);
    int stepped;
    while ((stepped = query.step()) == SQLITE_ROW) {
        if (!each(query.bytes(0)))
            return true;
    }
    return stepped == SQLITE_DONE || failed(Sql::selectEntryKeys, errorText(m_db));
}

Answer IndexReader::wordsState(int id, QString *state)
{
    Statement query(m_db, Sql::selectWordsState);
    query.bind(1, id);
    return firstRow(query, [state](Statement &row) {
        *state = QStringLiteral("%1 %2").arg(row.integer(0)).arg(row.integer(1));
    });
}
